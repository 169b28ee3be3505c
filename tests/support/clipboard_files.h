// The names of the files on the clipboard now, as another program reads them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

inline std::vector<std::string> ClipboardFiles()
{
    std::vector<std::string> names;
    if (!OpenClipboard(nullptr))
        return names;
    if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        UINT count = DragQueryFileA(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char name[MAX_PATH] = {};
            DragQueryFileA(static_cast<HDROP>(drop), i, name, MAX_PATH);
            names.push_back(name);
        }
    }
    CloseClipboard();
    return names;
}
