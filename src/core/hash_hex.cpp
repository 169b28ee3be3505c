#include "core/hash_hex.h"

#include <wincrypt.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "framework/unique_resource.h"

namespace {

constexpr char kHexAlphabet[] = "0123456789ABCDEF";

// A CryptoAPI context of the full RSA provider; empty when none can be had.
UniqueCryptProvider AcquireRsaContext() noexcept
{
    // A failed call may leave anything in its output: that is dropped, never released.
    UniqueCryptProvider provider;
    // A verify context needs no key container; an older provider may still want the default one.
    if (CryptAcquireContextA(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return provider;
    provider.release();
    if (!CryptAcquireContextA(provider.put(), nullptr, nullptr, PROV_RSA_FULL, 0))
        provider.release();
    return provider;
}

// A hash object of `algorithm` in `context`, which must outlive it; empty when none can be made.
UniqueCryptHash CreateHash(const UniqueCryptProvider& context, ALG_ID algorithm) noexcept
{
    UniqueCryptHash hash;
    if (!context || !CryptCreateHash(context.get(), algorithm, 0, 0, hash.put()))
        hash.release();
    return hash;
}

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
    UniqueCryptProvider context = AcquireRsaContext();
    UniqueCryptHash hash = CreateHash(context, algorithm);  // destroyed before its context
    if (!hash)
        return {};
    if (!CryptHashData(hash.get(), bytes.Data(), static_cast<DWORD>(bytes.Size()), 0))
        return {};
    std::vector<BYTE> digest(std::max<DWORD>(digestLength, 1));
    DWORD length = digestLength;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest.data(), &length, 0))
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
