// The platform calls of the framework that a test replaces: the file calls behind the file writes
// (to fail as a read-only folder, a full disk or a refused move would), the message box, the
// pop-up menu and the file dialogs (to see what the user would be shown and to answer for the
// user). Each entry is named and typed as the call it stands for and starts as that call.
#pragma once

#include <windows.h>
#include <commdlg.h>

struct FrameworkSystemCalls {
    decltype(&::CreateFileA) CreateFileA = ::CreateFileA;
    decltype(&::WriteFile) WriteFile = ::WriteFile;
    decltype(&::MoveFileExA) MoveFileExA = ::MoveFileExA;
    decltype(&::MessageBoxA) MessageBoxA = ::MessageBoxA;
    decltype(&::TrackPopupMenu) TrackPopupMenu = ::TrackPopupMenu;
    decltype(&::GetOpenFileNameA) GetOpenFileNameA = ::GetOpenFileNameA;
    decltype(&::GetSaveFileNameA) GetSaveFileNameA = ::GetSaveFileNameA;
};

inline FrameworkSystemCalls g_frameworkSystemCalls;
