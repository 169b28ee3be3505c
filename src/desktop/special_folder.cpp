#include "desktop/special_folder.h"

#include <windows.h>
#include <shlobj.h>

namespace {

// The shell's folder number for the codes that go through SHGetSpecialFolderPathA; -1 for the others.
int ShellFolderOf(int code) noexcept
{
    switch (code) {
    case 1: return CSIDL_PERSONAL;
    case 2: return CSIDL_FAVORITES;
    case 3: return CSIDL_DESKTOPDIRECTORY;
    case 4: return CSIDL_FONTS;
    case 5: return CSIDL_STARTMENU;
    case 6: return CSIDL_PROGRAMS;
    case 7: return CSIDL_STARTUP;
    case 8: return CSIDL_APPDATA;
    case 12: return CSIDL_INTERNET_CACHE;
    default: return -1;
    }
}

// Fills `buffer` (MAX_PATH bytes); false when the lookup fails or the code is unknown.
bool FetchFolder(int code, char* buffer) noexcept
{
    if (int csidl = ShellFolderOf(code); csidl >= 0)
        return SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE) != FALSE;
    switch (code) {
    case 9: return GetWindowsDirectoryA(buffer, MAX_PATH) > 0;
    case 10: return GetSystemDirectoryA(buffer, MAX_PATH) > 0;
    case 11: return GetTempPathA(MAX_PATH, buffer) > 0;
    default: return false;
    }
}

} // namespace

std::string GetSpecialFolder(int code)
{
    if (code == 0)
        code = 3;
    char buffer[MAX_PATH] = {};
    if (!FetchFolder(code, buffer))
        return "";
    std::string path(buffer, strnlen(buffer, MAX_PATH));
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
}
