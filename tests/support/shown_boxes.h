// The message boxes a test's code asked for, recorded instead of shown: put RecordBox in
// g_frameworkSystemCalls.MessageBoxA (under a ScopedSystemCalls) and read g_boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ShownBox {
    HWND owner;
    std::string text, caption;
    UINT style;
};

inline std::vector<ShownBox> g_boxes;

inline int WINAPI RecordBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    g_boxes.push_back({owner, text, caption, style});
    return IDOK;
}
