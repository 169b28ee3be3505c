// The program's skin steps: the carried engine mapped from memory and attached to the thread's
// windows, then detached; the exact calls the engine receives (through skin_recorder.dll); and the
// roads where the engine did not map or lacks an export.
#include "desktop/skin_engine.h"

#include <gtest/gtest.h>

#include <cstring>

#include "call_log.h"
#include "desktop/desktop_system_calls.h"
#include "desktop/memory_module.h"
#include "fixture_image.h"
#include "support/system_calls_scope.h"

namespace {

const char kSkinProperty[] = "SkinH_Skin";

LPVOID WINAPI RefuseMemory(LPVOID, SIZE_T, DWORD, DWORD) { return nullptr; }

// A hidden top-level window of this thread.
class PlainWindow {
public:
    PlainWindow() : window_(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
    ~PlainWindow() { DestroyWindow(window_); }
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    HWND Handle() const { return window_; }
    bool Skinned() const { return GetPropA(window_, kSkinProperty) != nullptr; }

private:
    HWND window_;
};

class SkinEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_skinHue = g_skinSaturation = g_skinBrightness = -1;
        CallLogClear();
    }
    void TearDown() override { engine_.Free(); }
    void UseRecordingEngine() { ASSERT_TRUE(engine_.Load(FixtureImage("skin_recorder.dll"))); }

    static std::vector<CallLogEntry> SkinCalls()
    {
        std::vector<CallLogEntry> calls;
        for (int i = 0; i < CallLogCount(); ++i)
            calls.push_back(*CallLogAt(i));
        return calls;
    }
    static void ExpectAttachCall(const CallLogEntry& call, const ByteSet& skin, const std::string* password,
                                 DWORD hue, DWORD saturation, DWORD brightness)
    {
        EXPECT_EQ(call.kind, CALL_LOG_SKIN_ATTACH);
        EXPECT_EQ(call.args[0], reinterpret_cast<DWORD>(skin.Data()));  // the caller's bytes, not a copy
        EXPECT_EQ(call.args[1], skin.Size());
        EXPECT_EQ(call.args[2], password ? reinterpret_cast<DWORD>(password->c_str()) : 0u);
        EXPECT_EQ(call.args[3], hue);
        EXPECT_EQ(call.args[4], saturation);
        EXPECT_EQ(call.args[5], brightness);
    }

    ScopedSystemCalls<DesktopSystemCalls> desktopCalls_{g_desktopSystemCalls};
    MemoryModule engine_;  // where the engine is mapped
    ByteSet attached_;     // the copy of the attached skin
};

TEST_F(SkinEngineTest, TheCarriedDataAreTheEngineAndASkin)
{
    const ByteSet& image = SkinEngineImage();
    ASSERT_GT(image.Size(), 64u);
    EXPECT_EQ(std::memcmp(image.Data(), "MZ", 2), 0);
    const ByteSet& skin = SkinResource();
    ASSERT_GT(skin.Size(), 12u);
    EXPECT_EQ(std::memcmp(skin.Data(), ".SHE", 4), 0);
    std::uint32_t byteCount = 0;
    std::memcpy(&byteCount, skin.Data() + 4, 4);
    EXPECT_EQ(byteCount, skin.Size()) << "the skin's own byte count";
    EXPECT_EQ(&SkinResource(), &skin);  // one block for the whole run
}

TEST_F(SkinEngineTest, TheMappedEngineSkinsTheThreadsWindowsUntilDetached)
{
    PlainWindow before;
    EXPECT_EQ(LoadSkinEngine(&engine_), 0);
    ASSERT_NE(engine_.GetBase(), 0u);
    EXPECT_NE(engine_.GetProcAddress("SkinH_AttachRes"), 0u);
    EXPECT_NE(engine_.GetProcAddress("SkinH_Detach"), 0u);

    AttachSkin(&engine_, attached_, SkinResource());
    EXPECT_EQ(attached_, SkinResource());
    EXPECT_EQ(g_skinHue, 0);
    EXPECT_EQ(g_skinSaturation, 0);
    EXPECT_EQ(g_skinBrightness, 0);
    EXPECT_TRUE(before.Skinned());
    PlainWindow after;
    EXPECT_TRUE(after.Skinned()) << "a window made while the skin is attached";

    DetachSkin(&engine_, attached_);
    EXPECT_TRUE(attached_.Empty());
    EXPECT_FALSE(before.Skinned());
    EXPECT_FALSE(after.Skinned());
    PlainWindow later;
    EXPECT_FALSE(later.Skinned());
}

TEST_F(SkinEngineTest, TheEngineRefusesBytesThatAreNoSkin)
{
    PlainWindow window;
    LoadSkinEngine(&engine_);
    ByteSet truncated(SkinResource().Data(), SkinResource().Size() - 1);  // its header says one more byte
    for (const ByteSet& bytes : {ByteSet::FromText("not a skin"), truncated, ByteSet()}) {
        AttachSkin(&engine_, attached_, bytes);
        EXPECT_EQ(attached_, bytes);
        EXPECT_FALSE(window.Skinned());
    }
}

TEST_F(SkinEngineTest, AttachHandsOverTheCallersBytesANullPasswordAndTheValues)
{
    UseRecordingEngine();
    const ByteSet& skin = SkinResource();
    AttachSkin(&engine_, attached_, skin);
    ByteSet other = ByteSet::FromText(".SHE other");
    std::string password = "secret";
    AttachSkin(&engine_, attached_, other, &password, 10, -20, 30);
    EXPECT_EQ(attached_, other);
    EXPECT_EQ(g_skinHue, 10);
    EXPECT_EQ(g_skinSaturation, -20);
    EXPECT_EQ(g_skinBrightness, 30);

    std::vector<CallLogEntry> calls = SkinCalls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectAttachCall(calls[0], skin, nullptr, 0, 0, 0);
    ExpectAttachCall(calls[1], other, &password, 10, static_cast<DWORD>(-20), 30);
}

TEST_F(SkinEngineTest, DetachCallsTheEngineEvenWithoutAnAttach)
{
    UseRecordingEngine();
    attached_ = ByteSet::FromText("left over");
    DetachSkin(&engine_, attached_);
    DetachSkin(&engine_, attached_);  // this engine's SkinH_Detach is a C-convention routine: called twice, the stack holds
    EXPECT_TRUE(attached_.Empty());
    std::vector<CallLogEntry> calls = SkinCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].kind, CALL_LOG_SKIN_DETACH);
    EXPECT_EQ(calls[1].kind, CALL_LOG_SKIN_DETACH);
}

TEST_F(SkinEngineTest, WithoutAnEngineOrItsExportsNothingIsCalled)
{
    // The engine did not map (no memory), an engine without the skin exports, no loader object.
    {
        ScopedSystemCalls desktopCalls(g_desktopSystemCalls);
        g_desktopSystemCalls.VirtualAlloc = RefuseMemory;
        EXPECT_EQ(LoadSkinEngine(&engine_), 0);
        EXPECT_EQ(engine_.GetBase(), 0u);
        EXPECT_EQ(LoadSkinEngine(nullptr), 0);
    }

    PlainWindow window;
    for (int road = 0; road < 3; ++road) {
        SCOPED_TRACE(road);
        if (road == 1) {
            ASSERT_TRUE(engine_.Load(FixtureImage("loader_fixture.dll")));
        }
        MemoryModule* engine = road == 2 ? nullptr : &engine_;
        CallLogClear();
        AttachSkin(engine, attached_, SkinResource(), nullptr, 1, 2, 3);
        EXPECT_EQ(attached_, SkinResource());
        EXPECT_EQ(g_skinHue, 1);
        EXPECT_EQ(g_skinSaturation, 2);
        EXPECT_EQ(g_skinBrightness, 3);
        DetachSkin(engine, attached_);
        EXPECT_TRUE(attached_.Empty());
        // loader_fixture's entry point is the only thing that may have logged.
        for (const CallLogEntry& call : SkinCalls())
            EXPECT_EQ(call.kind, CALL_LOG_ENTRY_POINT);
        EXPECT_FALSE(window.Skinned());
    }
}

} // namespace
