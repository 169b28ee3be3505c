#include "desktop/grid_control_user_install.h"

#include <windows.h>

#include <memory>
#include <type_traits>

#include "desktop/grid_control_image.h"
#include "desktop/special_folder.h"
#include "framework/file_io.h"

namespace {

constexpr int ApplicationDataFolder = 8;

struct LibraryFree {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using LibraryOwner = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFree>;

// Without this switch the system's type library registration ignores the redirected
// HKEY_CLASSES_ROOT and writes to the machine's classes, which a standard user may not. Older
// systems (and Wine) do not have it; there the redirection alone decides.
void EnablePerUserTypeLibraries() noexcept
{
    HMODULE automation = GetModuleHandleA("oleaut32.dll");
    if (automation == nullptr)
        return;
    auto enable = reinterpret_cast<void(WINAPI*)()>(GetProcAddress(automation, "OaEnablePerUserTLibRegistration"));
    if (enable != nullptr)
        enable();
}

} // namespace

UserClassesRoot::UserClassesRoot() noexcept
{
    HKEY classes = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes,
                        nullptr) != ERROR_SUCCESS)
        return;
    // The override keeps a handle of its own: ours can go at once.
    active_ = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes) == ERROR_SUCCESS;
    RegCloseKey(classes);
}

UserClassesRoot::~UserClassesRoot()
{
    if (active_)
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
}

std::string UserGridControlPath()
{
    const std::string folder = GetSpecialFolder(ApplicationDataFolder);
    if (folder.empty())
        return {};
    return folder + "chengjian\\vsflex8.ocx";
}

bool InstallGridControlForUser()
{
    const std::string path = UserGridControlPath();
    if (path.empty())
        return false;
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    if (!PathExists(path) && !WriteNewFileBytes(path, GridControlImage()))
        return false;
    return RegisterControlForUser(path);
}

bool RegisterControlForUser(const std::string& path)
{
    LibraryOwner control(LoadLibraryA(path.c_str()));
    if (!control)
        return false;
    auto registerServer =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(control.get(), "DllRegisterServer"));
    if (registerServer == nullptr)
        return false;
    UserClassesRoot root;
    if (!root.Active())
        return false;
    EnablePerUserTypeLibraries();
    return SUCCEEDED(registerServer());
}
