#include "ui/tray_callback.h"

#include <windows.h>

#include "core/globals.h"
#include "core/window_activation.h"
#include "framework/exception_boundary.h"
#include "ui/main_window.h"

static void AnswerTray(std::int32_t code)
{
    switch (code) {
    case WM_LBUTTONUP:
        RestoreWindow(MainWindow().GetHandle());
        ActivateWindow(MainWindow().GetHandle());
        break;
    case WM_RBUTTONUP:
        TrayMenu().PopUpFromTray();
        break;
    case TrayEventTaskbarCreated:
        // The restarted shell has no icon of ours; without one a minimised (hidden) main window
        // could not be reached any more.
        g_tray->Add(MainWindow().GetHandle(), nullptr, MainWindow().GetCaption());
        break;
    default:
        break;
    }
}

void __stdcall OnTrayMouse(std::int32_t code, std::int32_t, std::int32_t, std::int32_t, std::int32_t) noexcept
{
    NoThrow([code] { AnswerTray(code); });
}
