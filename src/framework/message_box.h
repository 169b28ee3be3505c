// Message boxes of the program: always task-modal (unless the style asks for a system-modal box),
// with the caption "信息：" when the caller gives none.
#pragma once

#include <windows.h>

#include <string>

// Shows `text` (GBK) and returns the button the user chose.
int ShowMessageBox(const std::string& text, UINT style = 0, const std::string* caption = nullptr, HWND owner = nullptr);
