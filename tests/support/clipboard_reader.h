// What tests read back from the real clipboard and how they clear it, opened as the program opens
// it (OpenClipboardRetrying) and for no window.
#pragma once

#include <windows.h>

#include <string>

#include "framework/unique_resource.h"

// The clipboard's text in `format` (CF_UNICODETEXT read as wchar_t, CF_TEXT as char) and, when
// `owner` is given, its owner window. `absent` when it holds no such text, `unopened` when someone
// else keeps it open.
template <typename Char>
std::basic_string<Char> ReadClipboardText(UINT format, HWND* owner, const Char* absent, const Char* unopened)
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    if (!clipboard)
        return unopened;
    if (owner != nullptr)
        *owner = GetClipboardOwner();
    UniqueGlobalLock data = LockGlobal(GetClipboardData(format));
    if (!data)
        return absent;
    return static_cast<const Char*>(data.get().data);
}

// Empties the clipboard (its owner becomes nobody); false when it cannot be opened.
inline bool EmptyTheClipboard()
{
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    return clipboard && EmptyClipboard();
}
