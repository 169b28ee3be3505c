// The DLL's module state shared by the control's files: its own path and the lock count that
// DllCanUnloadNow reports.
#pragma once

#include <windows.h>

#include <string>

namespace vsflex {

// The instance handle of this DLL (also the owner of the grid's window class).
HINSTANCE ModuleInstance() noexcept;
// The full path of this DLL, where the type library is embedded.
std::wstring ModulePath();
// Counts live objects and server locks; the DLL can unload when none is left.
void ModuleLock(bool lock) noexcept;

}  // namespace vsflex
