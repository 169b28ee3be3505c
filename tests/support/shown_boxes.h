// The message boxes a test's code asked for, recorded instead of shown: install RecordBox with
// SetMessageBoxFunction and read g_boxes.
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

inline int RecordBox(HWND owner, const char* text, const char* caption, UINT style)
{
    g_boxes.push_back({owner, text, caption, style});
    return IDOK;
}
