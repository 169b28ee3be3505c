// Holds the Wine desktop of a test session open. The first program that needs the desktop starts
// Wine's desktop process, which inherits that program's error output: a test that did so would keep
// CTest waiting on its output until the desktop ends, long after the test itself. The session starts
// this program first, with no output, and the session's wineserver ends it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    GetDesktopWindow();
    Sleep(INFINITE);
    return 0;
}
