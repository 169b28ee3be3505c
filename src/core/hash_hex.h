// Digests of byte arrays as hexadecimal text, through CryptoAPI's full RSA provider. Every
// failure gives the empty text; nothing is shown or raised.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "framework/byte_set.h"

// The digest of `bytes` by CryptoAPI algorithm `algorithm` into a buffer of `digestLength`
// bytes, as upper-case hexadecimal (two characters per digest byte). "" on any failure,
// among them a digest longer than `digestLength`.
std::string HashBytesHex(const ByteSet& bytes, ALG_ID algorithm, DWORD digestLength);

// The MD5 digest of `bytes`: 32 lower-case hexadecimal characters, upper case when asked; the
// short form keeps characters 9 to 24 (counted from 1). "" on failure.
std::string Md5Hex(const ByteSet& bytes, bool upperCase = false, bool shortForm = false);
