#include "db/text_conversion.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

// Converts `length` bytes (the terminating zero included) through UTF-16. Flags 0 throughout, so
// invalid bytes and missing characters become the platform's substitutes instead of failing.
std::string Convert(const char* source, int length, unsigned from, unsigned to)
{
    int units = MultiByteToWideChar(from, 0, source, length, nullptr, 0);
    if (units == 0)
        return {};
    std::vector<wchar_t> wide(static_cast<size_t>(units));
    if (MultiByteToWideChar(from, 0, source, length, wide.data(), units) == 0)
        return {};
    int bytes = WideCharToMultiByte(to, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes == 0)
        return {};
    std::vector<char> out(static_cast<size_t>(bytes));
    if (WideCharToMultiByte(to, 0, wide.data(), units, out.data(), bytes, nullptr, nullptr) == 0)
        return {};
    return std::string(out.data()); // up to the converted terminating zero
}

} // namespace

std::string GbkToUtf8(const std::string& text, unsigned sourceCodePage)
{
    if (text.empty())
        return {};
    return Convert(text.c_str(), static_cast<int>(std::strlen(text.c_str())) + 1, sourceCodePage, CP_UTF8);
}

std::string Utf8ToGbk(const char* text, unsigned sourceCodePage)
{
    if (!text || !*text)
        return {};
    return Convert(text, static_cast<int>(std::strlen(text)) + 1, sourceCodePage, 936);
}

std::string Utf8TextToGbk(const std::string& text, unsigned sourceCodePage)
{
    if (text.empty())
        return {};
    return Convert(text.c_str(), static_cast<int>(std::strlen(text.c_str())) + 1, sourceCodePage, 936);
}
