// Utf8: a u8"" literal as the std::string of UTF-8 bytes that the program's captured texts are
// (narrow literals are GBK in this tree).
#pragma once

#include <string>
#include <string_view>

inline std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }
