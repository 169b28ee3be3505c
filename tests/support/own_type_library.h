// The type library a test module carries in its own file (resource 1, made by widl), for the
// fixtures that describe themselves through it.
#pragma once

#include <windows.h>
#include <oleauto.h>

// Loads the type library of `module` (null: the program's file) without registering it; null when
// the file holds none. The caller keeps it for as long as it describes objects.
inline ITypeLib* LoadOwnTypeLibrary(HMODULE module) noexcept
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    ITypeLib* loaded = nullptr;
    LoadTypeLibEx(path, REGKIND_NONE, &loaded);
    return loaded;
}
