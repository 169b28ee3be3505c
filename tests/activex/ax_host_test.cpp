// The host's life cycle with the test controls in a real window: creation by ProgID and CLSID,
// the event table found by each road, border styles, empty variables and reference balance.
#include <cstdio>
#include <string>

#include "ax_test_support.h"

namespace {

struct HostCase {
    const char* controlText;
    bool hasEvents;
};

class AxHostRoadTest : public AxHostTest, public ::testing::WithParamInterface<HostCase> {};

TEST_P(AxHostRoadTest, FindsTheEventTableByEachRoad)
{
    const HostCase& c = GetParam();
    HWND window = Host(c.controlText);
    ASSERT_NE(window, nullptr);
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    EXPECT_STREQ(className, "AtlAxWin");
    EXPECT_EQ(GetParent(window), parent_);
    ASSERT_NE(host_->control.Get(), nullptr);

    if (c.hasEvents) {
        EXPECT_TRUE(IsEqualIID(host_->sourceIid, kAxFixtureEventsIid));
        ASSERT_EQ(host_->entryCount, 8);
        const DISPID expected[] = {-601, -602, -605, 1, 2, 3, 4, 5};
        const std::uint32_t results[] = {VT_VOID, VT_VOID, VT_VOID, VT_VOID, VT_I4, VT_R8, VT_R4, VT_DATE};
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(host_->eventTable[i].dispId, expected[i]) << i;
            EXPECT_EQ(host_->eventTable[i].resultType, results[i]) << i;
        }
        EXPECT_NE(host_->cookie, 0u);
        EXPECT_EQ(State().sinks, 1);
        EXPECT_EQ(host_->referenceCount, 0) << "the connection's reference must not count";
    } else {
        EXPECT_TRUE(IsEqualIID(host_->sourceIid, GUID_NULL));
        EXPECT_EQ(host_->entryCount, 0);
        EXPECT_EQ(host_->cookie, 0u);
        EXPECT_EQ(State().sinks, 0);
    }
    EXPECT_EQ(BindEvent(&host_, -601, 1, 0), c.hasEvents);
}

INSTANTIATE_TEST_SUITE_P(Roads, AxHostRoadTest,
                         ::testing::Values(HostCase{AX_FIXTURE_FULL_PROGID, true},
                                           HostCase{"{6C1D2E33-5A41-4B7E-9C11-0A2B3C4D5E60}", true},
                                           HostCase{AX_FIXTURE_POINTS_PROGID, true},
                                           HostCase{AX_FIXTURE_PLAIN_PROGID, false}));

// Shows each step of a creation, so that a control the host cannot reach says where it stopped.
TEST_F(AxHostTest, TheTestControlIsReachableByItsName)
{
    CLSID id = {};
    HRESULT hr = CLSIDFromProgID(L"" AX_FIXTURE_FULL_PROGID, &id);
    EXPECT_EQ(hr, S_OK) << "the name";
    IUnknown* control = nullptr;
    hr = CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&control));
    EXPECT_EQ(hr, S_OK) << "the creation";
    if (control != nullptr)
        control->Release();
    HWND window = Host();
    ASSERT_NE(window, nullptr);
    char text[64] = {};
    GetWindowTextA(window, text, sizeof(text));
    std::printf("host window text \"%s\", control %p\n", text, static_cast<void*>(host_->control.Get()));
    EXPECT_NE(host_->control.Get(), nullptr);
}

TEST_F(AxHostTest, AnswersOnlyTheStartNotice)
{
    EXPECT_EQ(AxHostNotify(2, RuntimeService), -1);
    EXPECT_EQ(AxHostNotify(1, RuntimeService), 0);
}

TEST_F(AxHostTest, EmptyVariablesDoNothing)
{
    AxObject* empty = nullptr;
    EXPECT_EQ(CreateControl(&empty, parent_, AX_FIXTURE_FULL_PROGID, 0, 0, 10, 10, 0), nullptr);
    ComObjectValue* value = GetDispatch(&empty);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->object, nullptr);
    EXPECT_EQ(value->reserved, 0u);
    RuntimeService(kRuntimeFree, value, 0);
    EXPECT_FALSE(BindEvent(&empty, -601, 1, 0));
    EXPECT_EQ(InvokeByDispId(&empty, 5, DISPATCH_METHOD, "", 0, 0, nullptr), 0u);
    DestroyAxObject(&empty);
    AxObject* copy = nullptr;
    CopyAxObject(&copy, &empty);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->control.Get(), nullptr);
    DestroyAxObject(&copy);
    EXPECT_EQ(copy, nullptr);

    EXPECT_FALSE(BindEvent(&host_, -601, 1, 0)) << "nothing is bound before a control exists";
}

TEST_F(AxHostTest, BorderStylesReplaceTheEdges)
{
    struct {
        int border;
        DWORD extended;
        DWORD style;
    } cases[] = {{0, 0, 0},
                 {1, WS_EX_CLIENTEDGE, 0},
                 {2, WS_EX_DLGMODALFRAME, 0},
                 {3, WS_EX_STATICEDGE, 0},
                 {4, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, 0},
                 {5, 0, WS_BORDER},
                 {9, 0, 0}};
    HWND window = Host(AX_FIXTURE_PLAIN_PROGID, 5);
    ASSERT_NE(window, nullptr);
    const DWORD edges = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME;
    for (const auto& c : cases) {
        ApplyBorderStyle(window, c.border);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) & edges, c.extended) << c.border;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & WS_BORDER, c.style) << c.border;
        EXPECT_NE(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & WS_CHILD, 0u);
    }
    DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_FALSE(ModifyWindowStyle(window, GWL_STYLE, WS_BORDER, 0, 0x37)) << "no change, nothing written";
    EXPECT_TRUE(ModifyWindowStyle(window, GWL_STYLE, 0, WS_BORDER, 0));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), style | WS_BORDER);
}

TEST_F(AxHostTest, ReferencesBalanceThroughDispatchCopyRecreateAndDestroy)
{
    HWND first = Host();
    ASSERT_NE(first, nullptr);
    const LONG hosted = State().references;

    ComObjectValue* value = GetDispatch(&host_);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->object, host_->control.Get());
    EXPECT_EQ(State().references, hosted + 1);
    value->object->Release();
    RuntimeService(kRuntimeFree, value, 0);
    EXPECT_EQ(State().references, hosted);

    AxObject* copy = nullptr;
    CopyAxObject(&copy, &host_);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->control.Get(), host_->control.Get());
    EXPECT_EQ(copy->entryCount, 8);
    EXPECT_EQ(copy->eventTable[0].handler, 0u) << "bindings do not carry over";
    EXPECT_EQ(State().sinks, 2);
    EXPECT_EQ(State().references, hosted + 1);
    EXPECT_EQ(copy->referenceCount, 0);
    DestroyAxObject(&copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(State().sinks, 1);
    EXPECT_EQ(State().references, hosted);

    // A second control in the same host object drops the first one's connection and reference.
    const LONG objects = State().objects;
    HWND second = Host(AX_FIXTURE_POINTS_PROGID);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(State().sinks, 1);
    EXPECT_EQ(State().objects, objects + 1) << "the first host window still holds its control";
    DestroyWindow(first);
    EXPECT_EQ(State().objects, objects);

    DestroyAxObject(&host_);
    EXPECT_EQ(host_, nullptr);
    EXPECT_EQ(State().sinks, 0);
    DestroyWindow(second);
    EXPECT_EQ(State().objects, 0);
    EXPECT_EQ(State().references, 0);
}

TEST_F(AxHostTest, BindEventKeepsTheLastBindingOfAKnownEvent)
{
    ASSERT_NE(Host(), nullptr);
    EXPECT_TRUE(BindEvent(&host_, -602, 11, 1));
    EXPECT_TRUE(BindEvent(&host_, -602, 22, 2));
    AxEventEntry* entry = host_->FindEntry(-602);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->handler, 22u);
    EXPECT_EQ(entry->userValue, 2u);
    EXPECT_FALSE(BindEvent(&host_, 99, 33, 3));
}

} // namespace
