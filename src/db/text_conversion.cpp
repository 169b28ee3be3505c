#include "db/text_conversion.h"

#include <windows.h>

#include <algorithm>
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

// Texts above this size go through UTF-16 a slice at a time, so a text of many megabytes never
// has a whole UTF-16 copy beside it.
constexpr std::size_t kSliceBytes = 1 << 20;

// The end of the slice from `from`: at least kSliceBytes on, never inside a double-byte character.
std::size_t SliceEnd(const std::string& text, std::size_t from, std::size_t length, unsigned codePage)
{
    std::size_t at = from;
    const std::size_t target = std::min(length, from + kSliceBytes);
    while (at < target)
        at += IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])) ? 2 : 1;
    return std::min(at, length);
}

// Converts text[0, length) slice by slice; with `out` null only counts the bytes.
std::size_t ConvertSlices(const std::string& text, std::size_t length, unsigned from, char* out)
{
    std::vector<wchar_t> wide;
    std::size_t written = 0;
    for (std::size_t at = 0; at < length;) {
        std::size_t end = SliceEnd(text, at, length, from);
        int units = MultiByteToWideChar(from, 0, text.data() + at, static_cast<int>(end - at), nullptr, 0);
        wide.resize(static_cast<std::size_t>(std::max(units, 0)));
        MultiByteToWideChar(from, 0, text.data() + at, static_cast<int>(end - at), wide.data(), units);
        int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, out ? out + written : nullptr,
                                        out ? 0x7FFFFFFF : 0, nullptr, nullptr);
        written += static_cast<std::size_t>(std::max(bytes, 0));
        at = end;
    }
    return written;
}

std::string ConvertLargeToUtf8(const std::string& text, std::size_t length, unsigned from)
{
    std::string out(ConvertSlices(text, length, from, nullptr), '\0');
    out.resize(ConvertSlices(text, length, from, out.data()));
    return out;
}

} // namespace

std::string GbkToUtf8(const std::string& text, unsigned sourceCodePage)
{
    if (text.empty())
        return {};
    std::size_t length = std::strlen(text.c_str());
    // Slices are cut at character starts, which only a double-byte source page lets us find.
    if (length > kSliceBytes && IsDBCSLeadByteEx(sourceCodePage, 0x81))
        return ConvertLargeToUtf8(text, length, sourceCodePage);
    return Convert(text.c_str(), static_cast<int>(length) + 1, sourceCodePage, CP_UTF8);
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
