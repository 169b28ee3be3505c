// The grid control installed for the current user alone: for a user who may write neither the
// Windows folder nor the machine's part of HKEY_CLASSES_ROOT (a standard user on current Windows).
#pragma once

#include <string>

// "<application data>\chengjian\vsflex8.ocx"; "" when the application data folder is unknown.
std::string UserGridControlPath();

// Writes the carried control to UserGridControlPath() when nothing of that name is there (an
// existing file is left as it is) and registers it for this user. True when the control's own
// registration succeeded.
bool InstallGridControlForUser();

// Loads the control at `path` and runs its DllRegisterServer with HKEY_CLASSES_ROOT redirected to
// HKEY_CURRENT_USER\Software\Classes (type libraries included where the system allows it); the
// redirection ends before the call returns. True when DllRegisterServer succeeded.
bool RegisterControlForUser(const std::string& path);

// While it lives, HKEY_CLASSES_ROOT of this process is HKEY_CURRENT_USER\Software\Classes. The
// redirection holds for every thread of the process: keep the scope short.
class UserClassesRoot {
public:
    UserClassesRoot() noexcept;
    ~UserClassesRoot();
    UserClassesRoot(const UserClassesRoot&) = delete;
    UserClassesRoot& operator=(const UserClassesRoot&) = delete;

    // False when the redirection could not be made; HKEY_CLASSES_ROOT is then unchanged.
    bool Active() const noexcept { return active_; }

private:
    bool active_ = false;
};
