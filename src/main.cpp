// chengjian.exe: a clipboard history for Windows.
#include <windows.h>

#include "core/start_up.h"
#include "ui/main_window.h"
#include "ui/main_window_setup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    SetMainWindowParts({&MainWindow, &SetUpMainWindow});
    return ProgramStart();
}
