#include "ui/main_window_handlers.h"

#include <windows.h>

#include "core/start_up.h"
#include "core/window_activation.h"
#include "framework/message_box.h"
#include "ui/main_window.h"

std::string AboutText()
{
    return "作者：砚岚\r\n\r\n"
           "澄笺 v1.0 版权所有，保留一切权利。\r\n\r\n"
           "使用中遇到问题，请联系作者反馈。";
}

void OnMainWindowMoved()
{
    Form& window = MainWindow();
    if (window.GetWindowState() == kWindowMinimized)
        window.SetVisible(false);
}

void OnMainWindowLostFocus() {}

void OnTrayMenuAbout()
{
    const std::string caption = "关于";
    ShowMessageBox(AboutText(), MB_ICONINFORMATION, &caption, MainWindow().GetHandle());
}

void OnTrayMenuOpenMainWindow()
{
    RestoreWindow(MainWindow().GetHandle());
    ActivateWindow(MainWindow().GetHandle());
}

void OnTrayMenuExit() { ShutDown(); }

void OnGridMenuMore() { ShowMessageBox("功能开发中...", 0); }
