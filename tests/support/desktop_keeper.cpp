// desktop_keeper: holds Wine's desktop open for a whole test session. Wine starts its desktop
// process (explorer) from the first program that needs the desktop window, and that process keeps
// the program's standard error. CTest waits for a test's output to close, so the window test that
// happened to start the desktop would wait for it, and the desktop stays as long as any window test
// runs: that test ends only when a pause between window tests lets the desktop go, or at its
// time-out. The test session starts this program first, with its output discarded: the desktop is
// started from here, and this program stays one of its users until the session's wineserver stops.
#include <windows.h>

// argv[1]: a file made once the desktop is up, for the session to wait on.
int main(int argc, char** argv)
{
    if (GetDesktopWindow() == nullptr)
        return 1;
    if (argc > 1) {
        HANDLE ready = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (ready == INVALID_HANDLE_VALUE)
            return 1;
        CloseHandle(ready);
    }
    for (;;)
        Sleep(INFINITE);
}
