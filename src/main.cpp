// chengjian.exe: a clipboard history for Windows.
#include <windows.h>

#include "core/start_up.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return ProgramStart();
}
