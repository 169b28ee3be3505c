// Loads the program's own grid control (vsflex8.ocx next to the test program) and registers it
// in-process through its DllRegisterServer, for the tests that host it by ProgID.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

// Leaves the loaded module in `module`; a failure ends the calling test.
inline void LoadAndRegisterGridControl(HMODULE* module)
{
    *module = LoadLibraryA("vsflex8.ocx");
    ASSERT_NE(*module, nullptr);
    auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(*module, "DllRegisterServer")));
    ASSERT_NE(registerServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);
}
