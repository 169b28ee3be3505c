// Replacements for the platform's file calls (in g_frameworkSystemCalls) that fail as a read-only folder,
// a full disk or a refused move would, and a look at what a failed write left in a folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/framework_system_calls.h"
#include "support/system_calls_scope.h"

inline HANDLE WINAPI RefuseCreate(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    SetLastError(ERROR_ACCESS_DENIED); // a read-only folder
    return INVALID_HANDLE_VALUE;
}

inline BOOL WINAPI WriteHalfThenDiskFull(HANDLE file, LPCVOID bytes, DWORD count, LPDWORD written,
                                         LPOVERLAPPED overlapped)
{
    ::WriteFile(file, bytes, count / 2, written, overlapped);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

inline BOOL WINAPI RefuseMove(LPCSTR, LPCSTR, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// Folders (each ending in "\") in which RefuseCreateInReadOnlyFolders creates nothing.
inline std::vector<std::string> g_readOnlyFolders;

inline HANDLE WINAPI RefuseCreateInReadOnlyFolders(LPCSTR name, DWORD access, DWORD share,
                                                   LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                                   DWORD attributes, HANDLE templateFile)
{
    for (const std::string& folder : g_readOnlyFolders) {
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, static_cast<int>(folder.size()), folder.c_str(),
                           static_cast<int>(folder.size())) == CSTR_EQUAL)
            return RefuseCreate(name, access, share, security, disposition, attributes, templateFile);
    }
    return ::CreateFileA(name, access, share, security, disposition, attributes, templateFile);
}

// Puts the framework's calls back and forgets the read-only folders when the test's scope ends.
class FileSystemFaultsScope {
public:
    FileSystemFaultsScope() = default;
    FileSystemFaultsScope(const FileSystemFaultsScope&) = delete;
    FileSystemFaultsScope& operator=(const FileSystemFaultsScope&) = delete;
    ~FileSystemFaultsScope() { g_readOnlyFolders.clear(); }

private:
    ScopedSystemCalls<FrameworkSystemCalls> calls_{g_frameworkSystemCalls};
};

// Names in `folder`, "." and ".." left out.
inline std::vector<std::string> FolderContent(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}
