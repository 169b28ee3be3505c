// The names of the files on the clipboard now, as another program reads them: in UTF-16, and in
// the ANSI code page (GBK) as older programs read them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "framework/text_codec.h"
#include "framework/unique_resource.h"

inline std::vector<std::wstring> ClipboardWideFiles()
{
    std::vector<std::wstring> names;
    UniqueClipboard clipboard = OpenClipboardRetrying(nullptr);
    if (!clipboard)
        return names;
    if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t name[MAX_PATH] = {};
            DragQueryFileW(static_cast<HDROP>(drop), i, name, MAX_PATH);
            names.push_back(name);
        }
    }
    return names;
}

inline std::vector<std::string> ClipboardFiles()
{
    std::vector<std::string> names;
    for (const std::wstring& name : ClipboardWideFiles())
        names.push_back(GbkFromWide(name));
    return names;
}
