// Shared by the grid control installation tests: where the control goes, its class key in
// HKEY_CLASSES_ROOT and how a test prepares it, and registry reads by root.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "desktop/grid_control_install.h"

inline const char ClassKey[] = "CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}";

inline std::string WindowsFolder()
{
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\";
}

inline std::string WindowsOcx()
{
    return WindowsFolder() + "vsflex8.ocx";
}

inline std::string Lower(std::string text)
{
    CharLowerA(text.data());
    return text;
}

// The key's default value; nothing when the key or its default value is missing.
inline std::optional<std::string> DefaultValue(HKEY root, const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return std::nullopt;
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - 1;
    LONG rc = RegQueryValueExA(handle, "", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(value);
}

enum class ClassKeyState { Missing, WithoutDefault, WithDefault };

inline void PrepareClassKey(ClassKeyState state)
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey);
    if (state == ClassKeyState::Missing)
        return;
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, ClassKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                             &handle, nullptr));
    if (state == ClassKeyState::WithDefault) {
        const char marker[] = "registered before";
        RegSetValueExA(handle, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(marker), sizeof marker);
    }
    RegCloseKey(handle);
}

// Leaves the prefix as the other tests expect it: the control in the Windows folder, registered.
inline void LeaveTheControlInstalledForEveryone()
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey);
    DeleteFileA(WindowsOcx().c_str());
    InstallGridControl();
}
