// The notification toolbar operations, on a notification area of the test's own (frame windows
// with the shell's child classes and a real toolbar with three buttons, in this process) and on
// Wine's own notification area, which has no toolbar.
#include "desktop/tray_icon.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

#include "desktop/desktop_system_calls.h"
#include "support/system_calls_scope.h"

namespace {

HWND g_fakeTray = nullptr;
HWND g_fakeOverflow = nullptr;

HWND WINAPI FindFakeWindow(LPCSTR className, LPCSTR windowName)
{
    EXPECT_EQ(nullptr, windowName);
    if (lstrcmpA(className, "Shell_TrayWnd") == 0)
        return g_fakeTray;
    if (lstrcmpA(className, "NotifyIconOverflowWindow") == 0)
        return g_fakeOverflow;
    return nullptr;
}

// What the toolbar was sent, seen by a subclass in front of its own procedure.
std::vector<POINT> g_moves;
std::vector<LPARAM> g_setStates;
WNDPROC g_toolbarProc = nullptr;

LRESULT CALLBACK RecordingToolbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE)
        g_moves.push_back({LOWORD(lParam), HIWORD(lParam)});
    if (message == TB_SETSTATE)
        g_setStates.push_back(lParam);
    return CallWindowProcA(g_toolbarProc, window, message, wParam, lParam);
}

void RegisterFrameClass(const char* name)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

HWND Frame(const char* className, HWND parent)
{
    return CreateWindowExA(0, className, "", parent ? WS_CHILD : WS_POPUP, 0, 0, 100, 40, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// A toolbar of `width` x `height` client pixels with buttons 101 "第一", 102 "第二", 103 "第三".
HWND ButtonToolbar(HWND parent, int width, int height)
{
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", (parent ? WS_CHILD : WS_POPUP) | CCS_NORESIZE |
                                   CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_LIST, 0, 0, width, height, parent,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    static const char* texts[] = {"第一", "第二", "第三"};
    TBBUTTON buttons[3] = {};
    for (int i = 0; i < 3; ++i) {
        buttons[i].iBitmap = I_IMAGENONE;
        buttons[i].idCommand = 101 + i;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_BUTTON;
        buttons[i].iString = reinterpret_cast<INT_PTR>(texts[i]);
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(buttons));
    SetWindowPos(toolbar, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
    return toolbar;
}

void ExpectEveryButtonOperationFails(const TrayIcon& tray)
{
    EXPECT_EQ(0, tray.GetButtonCount());
    EXPECT_EQ(0u, tray.GetButtonCommandId(0));
    EXPECT_EQ("", tray.GetButtonText(0));
    EXPECT_FALSE(tray.HideButton(0));
    EXPECT_FALSE(tray.ShowButton(0));
    EXPECT_FALSE(tray.DisableButton(0));
    EXPECT_FALSE(tray.EnableButton(0));
    EXPECT_FALSE(tray.DeleteButton(0));
}

class TrayToolbarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        for (const char* name : {"TrayTestFrame", "TrayNotifyWnd", "SysPager"})
            RegisterFrameClass(name);
    }
    void SetUp() override
    {
        g_moves.clear();
        g_setStates.clear();
        g_desktopSystemCalls.FindWindowA = FindFakeWindow;
    }
    void TearDown() override
    {
        for (HWND window : {g_fakeTray, g_fakeOverflow, strayToolbar})
            if (window)
                DestroyWindow(window);
        g_fakeTray = g_fakeOverflow = nullptr;
    }

    // "Shell_TrayWnd" > "TrayNotifyWnd" > ["SysPager" >] [toolbar]; the toolbar's client area is 40 x 10.
    void BuildTray(bool withPager, bool withToolbar)
    {
        g_fakeTray = Frame("TrayTestFrame", nullptr);
        notify = Frame("TrayNotifyWnd", g_fakeTray);
        pager = withPager ? Frame("SysPager", notify) : nullptr;
        toolbar = withToolbar ? ButtonToolbar(pager ? pager : notify, 40, 10) : nullptr;
        if (toolbar)
            g_toolbarProc = reinterpret_cast<WNDPROC>(
                SetWindowLongA(toolbar, GWL_WNDPROC, reinterpret_cast<LONG>(RecordingToolbarProc)));
    }
    LRESULT State(int id) const { return SendMessageA(toolbar, TB_GETSTATE, id, 0); }

    HWND notify = nullptr;
    HWND pager = nullptr;
    HWND toolbar = nullptr;
    HWND strayToolbar = nullptr;
    TrayIcon tray;
    ScopedSystemCalls<DesktopSystemCalls> desktopCalls{g_desktopSystemCalls};
};

TEST_F(TrayToolbarTest, TheToolbarIsFoundAlongTheNotificationPath)
{
    struct Case {
        const char* name;
        bool withPager;
        bool withToolbar;
        int searched;  // FindTrayToolbar: 0 none, 1 the toolbar
        int kept;      // what Initialize keeps: 0 none, 1 the toolbar, 2 the pager, 3 the notify window
    };
    const Case cases[] = {
        {"whole path", true, true, 1, 1},
        {"no pager", false, true, 0, 1},
        {"no toolbar", true, false, 0, 2},
        {"neither", false, false, 0, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BuildTray(c.withPager, c.withToolbar);
        const HWND kept[] = {nullptr, toolbar, pager, notify};
        EXPECT_EQ(c.searched ? toolbar : nullptr, tray.FindTrayToolbar());
        EXPECT_EQ(kept[c.kept], FindTrayToolbarWindow());
        tray.Initialize();
        EXPECT_EQ(kept[c.kept], tray.TrayToolbarWindow());
        DestroyWindow(g_fakeTray);
        g_fakeTray = nullptr;
    }
}

TEST_F(TrayToolbarTest, AMissingTrayNeverFallsBackToAnotherProgramsToolbar)
{
    strayToolbar = ButtonToolbar(nullptr, 40, 10);  // a top-level toolbar of "another program"
    ASSERT_NE(nullptr, FindWindowExA(nullptr, nullptr, TOOLBARCLASSNAMEA, nullptr));
    EXPECT_EQ(nullptr, tray.FindTrayToolbar());
    EXPECT_EQ(nullptr, tray.FindOverflowToolbar());
    tray.Initialize();
    EXPECT_EQ(nullptr, tray.TrayToolbarWindow());
    EXPECT_FALSE(tray.DeleteButton(0));
    EXPECT_EQ(3, SendMessageA(strayToolbar, TB_BUTTONCOUNT, 0, 0));
}

TEST_F(TrayToolbarTest, TheOverflowToolbarIsFoundUnderItsWindow)
{
    g_fakeOverflow = Frame("TrayTestFrame", nullptr);
    EXPECT_EQ(nullptr, tray.FindOverflowToolbar());
    HWND overflowToolbar = ButtonToolbar(g_fakeOverflow, 20, 8);
    EXPECT_EQ(overflowToolbar, tray.FindOverflowToolbar());
}

TEST_F(TrayToolbarTest, ButtonsAreCountedAndReadThroughTheToolbarsProcess)
{
    BuildTray(true, true);
    tray.Initialize();
    EXPECT_EQ(3, tray.GetButtonCount());
    EXPECT_EQ(101u, tray.GetButtonCommandId(0));
    EXPECT_EQ(103u, tray.GetButtonCommandId(2));
    EXPECT_EQ(0u, tray.GetButtonCommandId(7));
    EXPECT_EQ("第一", tray.GetButtonText(0));
    EXPECT_EQ("第三", tray.GetButtonText(2));
    EXPECT_EQ("", tray.GetButtonText(7));
}

TEST_F(TrayToolbarTest, HideThenShowGivesTheButtonItsVisibleStateBack)
{
    BuildTray(true, true);
    tray.Initialize();
    const LRESULT visible = State(102);
    ASSERT_EQ(0, visible & TBSTATE_HIDDEN);

    EXPECT_TRUE(tray.ShowButton(1));
    EXPECT_EQ(std::vector<LPARAM>{visible}, g_setStates) << "a visible button gets its state unchanged";
    EXPECT_TRUE(tray.HideButton(1));
    EXPECT_EQ(visible | TBSTATE_HIDDEN, State(102));
    EXPECT_EQ(visible, State(101)) << "only the indexed button changes";
    EXPECT_TRUE(tray.ShowButton(1));
    EXPECT_EQ(visible, State(102));
}

TEST_F(TrayToolbarTest, DisableEnableAndDeleteWorkOnTheIndexedButton)
{
    BuildTray(true, true);
    tray.Initialize();
    EXPECT_TRUE(tray.DisableButton(2));
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, 103, 0));
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, 102, 0));
    EXPECT_TRUE(tray.EnableButton(2));
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, 103, 0));

    EXPECT_TRUE(tray.DeleteButton(0));
    EXPECT_EQ(2, tray.GetButtonCount());
    EXPECT_EQ(102u, tray.GetButtonCommandId(0));
    EXPECT_FALSE(tray.DeleteButton(5));
}

TEST_F(TrayToolbarTest, RefreshSweepsEverySecondPixelRowByRow)
{
    BuildTray(true, true);
    RECT client = {};
    GetClientRect(toolbar, &client);
    ASSERT_EQ(40, client.right);
    ASSERT_EQ(10, client.bottom);

    tray.RefreshTrayArea();
    ASSERT_EQ(100u, g_moves.size());
    EXPECT_EQ(2, g_moves.front().x);
    EXPECT_EQ(2, g_moves.front().y);
    EXPECT_EQ(4, g_moves[1].x);
    EXPECT_EQ(2, g_moves[1].y);
    EXPECT_EQ(2, g_moves[20].x);
    EXPECT_EQ(4, g_moves[20].y);
    EXPECT_EQ(40, g_moves.back().x);
    EXPECT_EQ(10, g_moves.back().y);

    g_moves.clear();
    tray.RefreshTrayArea(true);  // no overflow window: nothing to sweep
    EXPECT_TRUE(g_moves.empty());
}

TEST_F(TrayToolbarTest, WithoutAToolbarEveryOperationAnswersItsFailureValue)
{
    BuildTray(true, true);
    tray.Initialize();
    tray.Destroy();  // the toolbar is forgotten, though it is still there
    ASSERT_EQ(nullptr, tray.TrayToolbarWindow());
    ExpectEveryButtonOperationFails(tray);
    EXPECT_EQ(3, SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    EXPECT_TRUE(g_setStates.empty());
}

// Wine's explorer has a "Shell_TrayWnd" without the notification children.
TEST_F(TrayToolbarTest, WinesNotificationAreaHasNoToolbarAndTheOperationsFailQuietly)
{
    g_desktopSystemCalls.FindWindowA = ::FindWindowA;
    ASSERT_NE(nullptr, FindWindowA("Shell_TrayWnd", nullptr));
    tray.Initialize();
    if (tray.TrayToolbarWindow())
        GTEST_SKIP() << "this shell has a notification toolbar";
    EXPECT_EQ(nullptr, tray.FindTrayToolbar());
    EXPECT_EQ(nullptr, tray.FindOverflowToolbar());
    ExpectEveryButtonOperationFails(tray);
    tray.RefreshTrayArea();
    tray.RefreshTrayArea(true);
}

} // namespace
