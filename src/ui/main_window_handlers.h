// The small handlers of the main window and of the menu items that do not belong to the history
// grid: hiding on minimise, the about box, bringing the window back, "更多..." and the exit.
#pragma once

#include <string>

// Moved event: a minimised main window is hidden, so it lives only in the notification area.
void OnMainWindowMoved();
// Lost-focus event: nothing to do.
void OnMainWindowLostFocus();
// "关于": the about text, style MB_ICONINFORMATION, caption "关于", the main window as owner.
void OnTrayMenuAbout();
// "打开主窗口": restores the main window and makes it the foreground window.
void OnTrayMenuOpenMainWindow();
// "退出": ShutDown; does not return.
void OnTrayMenuExit();
// "更多...": "功能开发中..." in a plain message box.
void OnGridMenuMore();

// The about box's text: an author line, a rights line and a contact line, apart by empty lines.
std::string AboutText();
