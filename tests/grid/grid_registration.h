// Loads the program's own grid control (vsflex8.ocx next to the test program) and registers it
// in-process through its DllRegisterServer, for the tests that host it by ProgID.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "framework/runtime_service.h"
#include "activex/ax_host.h"

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

// What a test process hosting the grid control does once: unbuffered output (progress must
// survive a crash inside a control call), COM, the host's start notice and the registration.
inline void StartGridTestProcess()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    CoInitialize(nullptr);
    ASSERT_EQ(AxHostNotify(1, RuntimeService), 0);
    HMODULE ocx = nullptr;
    LoadAndRegisterGridControl(&ocx);
}
