// Text conversion at the database boundary: the program's texts are GBK (code page 936), the
// engine's are UTF-8 (code page 65001). Each is a new text, read up to the source's first zero
// byte; "" on any failure. The conversions themselves are framework/text_codec.h's.
#pragma once

#include <string>

// `text` from `sourceCodePage` (default 936) to UTF-8.
std::string GbkToUtf8(const std::string& text, unsigned sourceCodePage = 936);
// The zero-terminated engine text at `text` (may be null) from `sourceCodePage` (default 65001) to GBK.
std::string Utf8ToGbk(const char* text, unsigned sourceCodePage = 65001);
// `text` from `sourceCodePage` (default 65001) to GBK.
std::string Utf8TextToGbk(const std::string& text, unsigned sourceCodePage = 65001);
