// Test support for the ActiveX host: registers and loads the test controls once, gives a parent
// window on the test display, and reads the controls' call record and reference counts.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ax_fixture.h"
#include "activex/ax_host.h"

class AxHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Progress must survive a crash inside a control call.
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        CoInitialize(nullptr);
        ASSERT_EQ(AxHostNotify(1, RuntimeService), 0);
        fixture_ = LoadLibraryA("ax_fixture.dll");
        ASSERT_NE(fixture_, nullptr);
        auto registerServer = Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer");
        ASSERT_EQ(registerServer(), S_OK);
    }

    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "STATIC", "ax host test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        NewAxObject(&host_);
        ASSERT_NE(host_, nullptr);
    }

    void TearDown() override
    {
        DestroyAxObject(&host_);
        DestroyWindow(parent_);
    }

    template <typename Function>
    static Function Export(const char* name)
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(fixture_, name)));
    }

    static AxFixtureState& State() { return *Export<AxFixtureStateFunction>("AxFixtureGetState")(); }
    static std::string LastCall() { return State().lastCall; }

    // Fires `id` from the hosted control; gives the number of sinks it reached.
    int Fire(DISPID id, VARIANT* args, UINT count, VARIANT* result = nullptr)
    {
        DISPPARAMS params{args, nullptr, count, 0};
        return Export<AxFixtureFireFunction>("AxFixtureFire")(host_->control.Get(), id, &params, result);
    }

    HWND Host(const char* controlText = AX_FIXTURE_FULL_PROGID, int borderStyle = 0)
    {
        return CreateControl(&host_, parent_, controlText, 10, 10, 200, 120, borderStyle);
    }

    static inline HMODULE fixture_ = nullptr;
    HWND parent_ = nullptr;
    AxObject* host_ = nullptr;
};
