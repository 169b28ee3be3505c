// Conversions between GBK texts and BSTRs with the ANSI code page.
#include "com/com_text.h"

#include <windows.h>

std::wstring WideFromAnsi(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

BSTR NewBstrFromAnsi(const std::string& text) noexcept
{
    if (text.empty())
        return SysAllocStringLen(L"", 0);
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length > 0 ? length : 0));
    if (wide != nullptr && length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide, length);
    return wide;
}

std::string AnsiFromBstr(const BSTR text)
{
    UINT length = text != nullptr ? SysStringLen(text) : 0;
    if (length == 0)
        return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), ansi.data(), size, nullptr, nullptr);
    return ansi;
}
