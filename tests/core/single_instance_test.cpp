// The single-instance event and the MD5 name: the digests, the event a first instance leaves
// behind, and a later start that tells the user, brings the running window back and ends.
#include "core/single_instance.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "core/core_system_calls.h"
#include "core/globals.h"
#include "core/hash_hex.h"
#include "framework/framework_system_calls.h"
#include "framework/message_box.h"
#include "framework/unique_resource.h"
#include "support/system_calls_scope.h"
#include "support/window_thread.h"

namespace {

std::string UniqueName(const char* what)
{
    return std::string("chengjian-test-") + what + "-" + std::to_string(GetCurrentProcessId());
}

TEST(HashHex, DigestsInTheirThreeForms)
{
    struct Case {
        const char* bytes;
        bool upper;
        bool shortForm;
        const char* hex;
    };
    const Case cases[] = {
        {"", false, false, "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", false, false, "900150983cd24fb0d6963f7d28e17f72"},
        {"abc", true, false, "900150983CD24FB0D6963F7D28E17F72"},
        {"abc", false, true, "3cd24fb0d6963f7d"},
        {"abc", true, true, "3CD24FB0D6963F7D"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Md5Hex(ByteSet::FromText(c.bytes), c.upper, c.shortForm), c.hex) << c.bytes;
    EXPECT_EQ(DefaultInstanceName(), "917b41c1b5ace220c8b4dcacd5857727");
}

TEST(HashHex, OtherAlgorithmsAndFailures)
{
    ByteSet abc = ByteSet::FromText("abc");
    EXPECT_EQ(HashBytesHex(abc, CALG_SHA1, 20), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(HashBytesHex(abc, CALG_MD5, 8), "") << "a digest longer than its buffer";
    EXPECT_EQ(HashBytesHex(abc, 0x1234, 16), "") << "no such algorithm";
}

TEST(EnsureSingleInstance, AFirstInstanceCreatesTheEventAndGoesOn)
{
    std::string name = UniqueName("first");
    EnsureSingleInstance(&name, true, nullptr, MB_ICONINFORMATION, true);
    UniqueHandle event(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()));
    ASSERT_NE(event.get(), nullptr);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "created signalled";
    SetEvent(event.get());
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "not auto-reset";
}

TEST(EnsureSingleInstance, AnEmptyNameBecomesTheDefaultName)
{
    std::string name;
    EnsureSingleInstance(&name);
    EXPECT_EQ(name, DefaultInstanceName());
    UniqueHandle event(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()));
    EXPECT_NE(event.get(), nullptr);
}

// Another start that creates the event between this start's look and its own creation: the race
// of two quick starts. The other start's handle stays open, as a running instance keeps its own.
HANDLE WINAPI CreateEventAfterAnotherStart(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState,
                                           LPCSTR name)
{
    CreateEventA(nullptr, FALSE, FALSE, name);
    return CreateEventA(security, manualReset, initialState, name);
}

TEST(EnsureSingleInstance, OfTwoQuickStartsOnlyOneGoesOn)
{
    std::string name = UniqueName("race");
    EXPECT_EXIT(
        {
            ScopedSystemCalls coreCalls(g_coreSystemCalls);
            g_coreSystemCalls.CreateEventA = CreateEventAfterAnotherStart;
            EnsureSingleInstance(&name);
            std::fprintf(stderr, "both instances run\n");
            std::exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(EnsureSingleInstance, ANameTakenByAnotherKindOfObjectIsNoRunningInstance)
{
    // The platform refuses the event (the name belongs to a mutex): that start runs without one.
    std::string name = UniqueName("mutex");
    UniqueHandle mutex(CreateMutexA(nullptr, FALSE, name.c_str()));
    ASSERT_NE(mutex.get(), nullptr);
    EXPECT_EXIT(
        {
            EnsureSingleInstance(&name);
            std::exit(3);
        },
        ::testing::ExitedWithCode(3), "");
}

// The running instance's window: minimised, on a thread that answers its messages, as a running
// instance's does (restoring a window of another thread waits for that thread to answer). Wine waits
// whenever a shown top-level window is destroyed, so it is hidden first.
class RunningWindow : public WindowThread {
public:
    RunningWindow() : WindowThread(WS_OVERLAPPED | WS_MINIMIZE, {}, [](HWND window) { ShowWindow(window, SW_HIDE); }) {}
};

// In the death-test child: what the box would show, checked there and reported on stderr.
int WINAPI CheckBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    std::fprintf(stderr, "box style=0x%X caption-%s text=%s owner-%s\n", style,
                 std::string(caption) == "砚岚提示" ? "ok" : "wrong",
                 std::string(text) == "已有相同程序在运行！" ? "given"
                 : std::string(text) == "对不起,该进程已打开!" ? "default"
                                                                : "wrong",
                 owner ? "wrong" : "none");
    return IDOK;
}

TEST(EnsureSingleInstance, ALaterStartTellsTheUserRestoresTheRunningWindowAndEnds)
{
    std::string name = UniqueName("later");
    UniqueHandle held(CreateEventA(nullptr, FALSE, FALSE, name.c_str()));
    ASSERT_NE(held.get(), nullptr);
    // The running instance's window, minimised, on a thread that answers its messages. The later
    // starts are death-test children, which run this test again from the top: they take this
    // process's window from the environment.
    RunningWindow running;
    ASSERT_TRUE(running.Get() && IsIconic(running.Get()));
    char inherited[32] = {};
    if (GetEnvironmentVariableA("CHENGJIAN_RUNNING_WINDOW", inherited, sizeof inherited) > 0) {
        g_runningInstanceWindow = reinterpret_cast<HWND>(std::strtoul(inherited, nullptr, 10));
    } else {
        g_runningInstanceWindow = running.Get();
        std::string value = std::to_string(reinterpret_cast<std::uintptr_t>(running.Get()));
        SetEnvironmentVariableA("CHENGJIAN_RUNNING_WINDOW", value.c_str());
    }

    std::string message = "已有相同程序在运行！";
    EXPECT_EXIT(
        {
            ScopedSystemCalls frameworkCalls(g_frameworkSystemCalls);
            g_frameworkSystemCalls.MessageBoxA = CheckBox;
            EnsureSingleInstance(&name, true, &message, MB_ICONINFORMATION, true);
            std::fprintf(stderr, "returned\n");
        },
        ::testing::ExitedWithCode(0), "box style=0x2040 caption-ok text=given owner-none");
    EXPECT_EXIT(
        {
            ScopedSystemCalls frameworkCalls(g_frameworkSystemCalls);
            g_frameworkSystemCalls.MessageBoxA = CheckBox;
            EnsureSingleInstance(&name, true, nullptr, 0, false);
        },
        ::testing::ExitedWithCode(0), "box style=0x2000 caption-ok text=default owner-none");
    EXPECT_EXIT(EnsureSingleInstance(&name), ::testing::ExitedWithCode(0), "");

    // The child restored this process's window (activating it from another process is up to the
    // platform's foreground rules, which the program test checks with the real program).
    EXPECT_FALSE(IsIconic(running.Get()));
    SetEnvironmentVariableA("CHENGJIAN_RUNNING_WINDOW", nullptr);
    g_runningInstanceWindow = nullptr;
}

} // namespace
