#include "core/hash_hex.h"

#include <wincrypt.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr char kHexAlphabet[] = "0123456789ABCDEF";

// A CryptoAPI context of the full RSA provider, released when the owner ends.
class CryptContext {
public:
    CryptContext() noexcept
    {
        // A verify context needs no key container; an older provider may still want the default one.
        if (!CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
            !CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_FULL, 0))
            provider_ = 0;
    }
    ~CryptContext()
    {
        if (provider_)
            CryptReleaseContext(provider_, 0);
    }
    CryptContext(const CryptContext&) = delete;
    CryptContext& operator=(const CryptContext&) = delete;

    HCRYPTPROV Get() const noexcept { return provider_; }

private:
    HCRYPTPROV provider_ = 0;
};

// A hash object, destroyed when the owner ends (before its context, which outlives it).
class CryptHash {
public:
    CryptHash(const CryptContext& context, ALG_ID algorithm) noexcept
    {
        if (!context.Get() || !CryptCreateHash(context.Get(), algorithm, 0, 0, &hash_))
            hash_ = 0;
    }
    ~CryptHash()
    {
        if (hash_)
            CryptDestroyHash(hash_);
    }
    CryptHash(const CryptHash&) = delete;
    CryptHash& operator=(const CryptHash&) = delete;

    HCRYPTHASH Get() const noexcept { return hash_; }

private:
    HCRYPTHASH hash_ = 0;
};

std::string ToHex(const BYTE* digest, DWORD length)
{
    std::string hex;
    hex.reserve(length * 2);
    for (DWORD i = 0; i < length; ++i) {
        hex += kHexAlphabet[digest[i] >> 4];
        hex += kHexAlphabet[digest[i] & 0x0F];
    }
    return hex;
}

} // namespace

std::string HashBytesHex(const ByteSet& bytes, ALG_ID algorithm, DWORD digestLength)
{
    CryptContext context;
    CryptHash hash(context, algorithm);
    if (!hash.Get())
        return {};
    if (!CryptHashData(hash.Get(), bytes.Data(), static_cast<DWORD>(bytes.Size()), 0))
        return {};
    std::vector<BYTE> digest(std::max<DWORD>(digestLength, 1));
    DWORD length = digestLength;
    if (!CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &length, 0))
        return {};
    return ToHex(digest.data(), std::min(length, digestLength));
}

std::string Md5Hex(const ByteSet& bytes, bool upperCase, bool shortForm)
{
    std::string hex = HashBytesHex(bytes, CALG_MD5, 16);
    if (!upperCase)
        std::transform(hex.begin(), hex.end(), hex.begin(), [](unsigned char c) { return std::tolower(c); });
    if (shortForm && hex.size() == 32)
        return hex.substr(8, 16);
    return hex;
}
