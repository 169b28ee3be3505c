// The skin as a user sees it: screenshots of a main window and of the about box taken from the
// display, with and without the skin; the caption buttons under real mouse input; a malformed skin
// refused; pop-up menus drawn by the skin and handed back whole. The test session has Wine draw
// the captions and borders of this program's windows itself (no window manager draws them on the
// test display), so they are on the screen.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "ui/main_window_handlers.h"
#include "desktop/memory_module.h"
#include "desktop/skin_engine.h"
#include "framework/form.h"
#include "framework/message_box.h"
#include "skin_screen.h"
#include "ui/main_window.h"

namespace {

// Points of a window, in window coordinates, where the skin promises a colour.
struct SkinPoints {
    POINT caption, leftFrame, rightFrame, bottomFrame, background;
};

SkinPoints PointsOf(HWND window, POINT backgroundInClient)
{
    RECT outer = {};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    POINT background = backgroundInClient;
    ClientToScreen(window, &background);
    background.x -= outer.left;
    background.y -= outer.top;
    // The caption's top row, half way across: clear of the icon, the text and the buttons.
    return {{width / 2, 4}, {1, height / 2}, {width - 2, height / 2}, {width / 2, height - 2}, background};
}

struct ColourCheck {
    const char* where;
    POINT SkinPoints::*point;
    SkinColourIndex colour;
};

void ExpectSkinColours(HWND window, const SkinPoints& points, SkinColourIndex background)
{
    const ColourCheck checks[] = {{"caption", &SkinPoints::caption, kCaptionActive},
                                  {"left frame", &SkinPoints::leftFrame, kFrame},
                                  {"right frame", &SkinPoints::rightFrame, kFrame},
                                  {"bottom frame", &SkinPoints::bottomFrame, kFrame},
                                  {"background", &SkinPoints::background, background}};
    ScreenShot shot(window);
    for (const ColourCheck& check : checks) {
        POINT at = points.*check.point;
        EXPECT_EQ(shot.At(at.x, at.y), CarriedSkinColour(check.colour)) << check.where << " at " << at.x << "," << at.y;
    }
}

// The same points show the same colours in both pictures, and those are not the skin's.
void ExpectSystemLook(const ScreenShot& system, const ScreenShot& now, const SkinPoints& points)
{
    const std::pair<const char*, POINT> checks[] = {{"caption", points.caption},
                                                    {"left frame", points.leftFrame},
                                                    {"bottom frame", points.bottomFrame},
                                                    {"background", points.background}};
    for (const auto& [where, at] : checks) {
        EXPECT_EQ(now.At(at.x, at.y), system.At(at.x, at.y)) << where;
        EXPECT_NE(now.At(at.x, at.y), CarriedSkinColour(kCaptionActive)) << where;
        EXPECT_NE(now.At(at.x, at.y), CarriedSkinColour(kFrame)) << where;
    }
}

bool Skinned(HWND window) { return GetPropA(window, "SkinH_Skin") != nullptr; }

// Other tests' windows share the display: the window under test stays on top of them.
void BringToFront(HWND window)
{
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
}

// A visible window made as the program makes its main window, in front of everything.
class MainLikeWindow {
public:
    explicit MainLikeWindow(const char* caption = "skin test")
    {
        FormTemplate layout = MainWindowTemplate();
        layout.caption = caption;
        form_ = std::make_unique<Form>(layout);
        form_->Load(nullptr, false);
        Front();
    }
    HWND Handle() const { return form_->GetHandle(); }
    void Front() const
    {
        BringToFront(Handle());
        SettleScreen();
    }
    SkinPoints Points() const
    {
        RECT client = {};
        GetClientRect(Handle(), &client);
        return PointsOf(Handle(), {client.right / 2, client.bottom / 2});
    }

private:
    std::unique_ptr<Form> form_;
};

RECT ClientRectOf(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    return client;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

class SkinWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LoadSkinEngine(&engine_);
        ASSERT_NE(engine_.GetBase(), 0u);
    }
    void TearDown() override
    {
        Detach();
        SettleScreen(100);
        engine_.Free();
    }
    void Attach(const ByteSet& skin) { AttachSkin(&engine_, attached_, skin); }
    void Detach() { DetachSkin(&engine_, attached_); }

    MemoryModule engine_;  // where the engine is mapped
    ByteSet attached_;     // the copy of the attached skin
};

TEST_F(SkinWindowTest, AMainWindowWearsTheSkinUntilDetachedAndKeepsItsClientArea)
{
    MainLikeWindow window;
    const RECT systemClient = ClientRectOf(window.Handle());
    const ScreenShot system(window.Handle());

    Attach(SkinResource());
    window.Front();
    ExpectSkinColours(window.Handle(), window.Points(), kWindowBackground);
    EXPECT_TRUE(SameRect(systemClient, ClientRectOf(window.Handle())));

    {
        MainLikeWindow later("later");
        EXPECT_TRUE(Skinned(later.Handle()));
        EXPECT_TRUE(SameRect(systemClient, ClientRectOf(later.Handle())));
        ExpectSkinColours(later.Handle(), later.Points(), kWindowBackground);
    }

    Detach();
    window.Front();
    EXPECT_FALSE(Skinned(window.Handle()));
    ExpectSystemLook(system, ScreenShot(window.Handle()), window.Points());
    EXPECT_TRUE(SameRect(systemClient, ClientRectOf(window.Handle())));
}

// The average time of one message sent to `window` from its own thread, in microseconds.
double SentMessageMicroseconds(HWND window)
{
    constexpr int kMessages = 2000;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kMessages; ++i)
        SendMessageA(window, WM_NULL, 0, 0);
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) * 1e6 / double(frequency.QuadPart) / kMessages;
}

// The engine watches the thread's sent messages only while a frame waits for its first show:
// under Wine every message sent in a watched thread goes to the server first, about eighty times
// the cost of the message itself, and the grid sends many.
TEST_F(SkinWindowTest, OnceEveryFrameIsShownSentMessagesCostWhatTheyCostWithoutTheSkin)
{
    HWND plain = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    const double without = SentMessageMicroseconds(plain);
    {
        MainLikeWindow window;
        Attach(SkinResource());
        window.Front();
        ASSERT_TRUE(Skinned(window.Handle()));
        const double with = SentMessageMicroseconds(plain);
        EXPECT_LT(with, 5 * without + 5) << without << " us a message without the skin, " << with << " with it";
        MainLikeWindow later("shown later");
        EXPECT_TRUE(Skinned(later.Handle())) << "a frame made after the others were shown is skinned too";
        ExpectSkinColours(later.Handle(), later.Points(), kWindowBackground);
    }
    DestroyWindow(plain);
}

int HitAt(HWND window, int x, int y) { return static_cast<int>(SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y))); }

// The screen rectangle of the caption button `hit`, found by asking the window what is where:
// along the middle of the caption, then up and down from there.
RECT FindCaptionButton(HWND window, int hit)
{
    RECT outer = {};
    GetWindowRect(window, &outer);
    POINT client = {0, 0};
    ClientToScreen(window, &client);
    const int middle = (outer.top + client.y) / 2;
    RECT found = {0, 0, 0, 0};
    for (int x = outer.right - 1; x > outer.left; --x) {
        if (HitAt(window, x, middle) != hit) {
            if (found.right)
                break;
            continue;
        }
        if (!found.right)
            found.right = x + 1;
        found.left = x;
    }
    if (!found.right)
        return found;
    const int centre = (found.left + found.right) / 2;
    found.top = found.bottom = middle;
    while (found.top > outer.top && HitAt(window, centre, found.top - 1) == hit)
        --found.top;
    while (found.bottom < client.y && HitAt(window, centre, found.bottom) == hit)
        ++found.bottom;
    return found;
}

POINT Centre(const RECT& box) { return {(box.left + box.right) / 2, (box.top + box.bottom) / 2}; }
// A point on the button's face, clear of its edge and its glyph.
POINT FaceOf(const RECT& box) { return {box.left + 2, box.top + 2}; }

POINT ClientCentreOnScreen(HWND window)
{
    POINT centre = Centre(ClientRectOf(window));
    ClientToScreen(window, &centre);
    return centre;
}

COLORREF ScreenColour(HWND window, POINT at) { return ScreenShot(window).AtScreen(at); }

TEST_F(SkinWindowTest, TheCaptionButtonsShowHoverAndPressAndMinimiseAndClose)
{
    MainLikeWindow window;
    Attach(SkinResource());
    window.Front();
    const RECT close = FindCaptionButton(window.Handle(), HTCLOSE);
    const RECT minimise = FindCaptionButton(window.Handle(), HTMINBUTTON);
    ASSERT_FALSE(IsRectEmpty(&close));
    ASSERT_FALSE(IsRectEmpty(&minimise));
    EXPECT_LT(minimise.right, close.left);
    EXPECT_EQ(FindCaptionButton(window.Handle(), HTMAXBUTTON).right, 0) << "this window has no maximise box";
    EXPECT_EQ(ScreenColour(window.Handle(), FaceOf(minimise)), CarriedSkinColour(kButtonFace));

    MouseTo(Centre(minimise));
    EXPECT_EQ(ScreenColour(window.Handle(), FaceOf(minimise)), CarriedSkinColour(kSelection)) << "hover";
    MouseButton(true);
    EXPECT_EQ(ScreenColour(window.Handle(), FaceOf(minimise)), CarriedSkinColour(kButtonShadow)) << "pressed";
    // Let go somewhere else: the press is called off and nothing happens.
    MouseTo(ClientCentreOnScreen(window.Handle()));
    EXPECT_EQ(ScreenColour(window.Handle(), FaceOf(minimise)), CarriedSkinColour(kButtonFace)) << "left while held";
    MouseButton(false);
    EXPECT_FALSE(IsIconic(window.Handle()));

    MouseTo(Centre(minimise));
    MouseButton(true);
    MouseButton(false);
    EXPECT_TRUE(IsIconic(window.Handle()));

    ShowWindow(window.Handle(), SW_RESTORE);
    window.Front();
    MouseTo(Centre(close));
    MouseButton(true);
    MouseButton(false);
    EXPECT_FALSE(IsWindow(window.Handle()));
}

BOOL CALLBACK FindShownBox(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && std::string(name) == "#32770")
        *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

const std::function<void(HWND)>* g_boxVisit;

void CALLBACK VisitShownBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownBox, reinterpret_cast<LPARAM>(&box));
    if (!box)
        return;
    KillTimer(nullptr, timer);
    BringToFront(box);
    SettleScreen();
    (*g_boxVisit)(box);
    if (IsWindowVisible(box)) {
        ADD_FAILURE() << "the box is still open";
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
}

// A subclass put on a window after the skin, as the clipboard monitor does: it counts what it sees
// and passes everything on.
WNDPROC g_belowLater;
int g_laterSaw;

LRESULT CALLBACK LaterSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++g_laterSaw;
    return CallWindowProcA(g_belowLater, window, message, wParam, lParam);
}

TEST_F(SkinWindowTest, AWindowSubclassedAfterTheSkinKeepsItsProceduresWhenTheSkinLeaves)
{
    MainLikeWindow window;
    const ScreenShot system(window.Handle());
    Attach(SkinResource());
    window.Front();
    g_belowLater = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterSubclass)));

    Detach();
    window.Front();
    EXPECT_FALSE(Skinned(window.Handle()));
    ExpectSystemLook(system, ScreenShot(window.Handle()), window.Points());
    // Both the later subclass and the window's own procedure still see the messages.
    g_laterSaw = 0;
    SetWindowTextA(window.Handle(), "renamed");
    EXPECT_GT(g_laterSaw, 0);
    char caption[32] = {};
    GetWindowTextA(window.Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "renamed");
    // The later subclass leaves the way the clipboard monitor does, then the window closes.
    SetWindowLongPtrA(window.Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_belowLater));
    window.Front();
    ExpectSystemLook(system, ScreenShot(window.Handle()), window.Points());
    SendMessageA(window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window.Handle())) << "the form's own procedure closed it";
}

// Shows the about box as the program does and runs `visit` on it once it is on the screen; the
// box must be closed by then. Returns the box's result.
int VisitAboutBox(const std::function<void(HWND)>& visit)
{
    g_boxVisit = &visit;
    UINT_PTR timer = SetTimer(nullptr, 0, 200, VisitShownBox);
    const std::string caption = "关于";
    int result = ShowMessageBox(AboutText(), MB_ICONINFORMATION, &caption, nullptr);
    KillTimer(nullptr, timer);
    return result;
}

SkinPoints BoxPoints(HWND box) { return PointsOf(box, {2, 2}); }

TEST_F(SkinWindowTest, TheAboutBoxIsSkinnedAndKeepsItsKeysAndItsCloseButton)
{
    std::unique_ptr<ScreenShot> system;
    SkinPoints points = {};
    VisitAboutBox([&](HWND box) {
        points = BoxPoints(box);
        system = std::make_unique<ScreenShot>(box);
        PressKey(VK_RETURN);
    });
    ASSERT_TRUE(system);

    Attach(SkinResource());
    int result = VisitAboutBox([&](HWND box) {
        EXPECT_TRUE(Skinned(box));
        ExpectSkinColours(box, BoxPoints(box), kControlBackground);
        HWND ok = GetDlgItem(box, IDOK);
        ASSERT_NE(ok, nullptr);
        RECT button = {};
        GetWindowRect(ok, &button);
        EXPECT_EQ(ScreenColour(box, {button.left + 2, (button.top + button.bottom) / 2}), CarriedSkinColour(kButtonFace));
        PressKey(VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
    VisitAboutBox([&](HWND box) {
        RECT close = FindCaptionButton(box, HTCLOSE);
        ASSERT_FALSE(IsRectEmpty(&close));
        MouseTo(Centre(close));
        MouseButton(true);
        MouseButton(false);
    });

    Detach();
    VisitAboutBox([&](HWND box) {
        ExpectSystemLook(*system, ScreenShot(box), BoxPoints(box));
        PressKey(VK_RETURN);
    });
}

ByteSet SkinWith(std::size_t offset, std::initializer_list<unsigned char> bytes)
{
    ByteSet skin(SkinResource().Data(), SkinResource().Size());
    std::size_t at = offset;
    for (unsigned char byte : bytes)
        skin.Data()[at++] = byte;
    return skin;
}

TEST_F(SkinWindowTest, AMalformedSkinIsRefusedAndTheWindowsKeepTheSystemLook)
{
    const std::size_t size = SkinResource().Size();
    const std::size_t metrics = 12 + 4 * 13;
    const struct {
        const char* what;
        ByteSet skin;
    } cases[] = {
        {"short", ByteSet(SkinResource().Data(), 10)},
        {"cut off", ByteSet(SkinResource().Data(), size - 1)},
        {"wrong magic", SkinWith(0, {'.', 'S', 'H', 'X'})},
        {"wrong version", SkinWith(8, {2, 0})},
        {"too few colours", SkinWith(10, {12, 0})},
        {"byte count past the end", SkinWith(4, {0xFF, 0xFF, 0, 0})},
        {"no caption height", SkinWith(metrics, {0, 0})},
        {"face name past the end", SkinWith(metrics + 4, {0x40, 0})},
    };
    MainLikeWindow window;
    const ScreenShot system(window.Handle());
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        Attach(test.skin);
        window.Front();
        EXPECT_FALSE(Skinned(window.Handle()));
        ExpectSystemLook(system, ScreenShot(window.Handle()), window.Points());
    }
}

MENUITEMINFOA MenuItemInfo(UINT mask)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

const std::function<void()>* g_menuVisit;

void CALLBACK VisitShownMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!FindWindowA("#32768", nullptr))
        return;
    KillTimer(nullptr, timer);
    SettleScreen();
    (*g_menuVisit)();
    EndMenu();
}

// Pops up `menu` from `owner` and runs `visit` while it is on the screen.
void VisitPopupMenu(HWND owner, HMENU menu, const std::function<void()>& visit)
{
    g_menuVisit = &visit;
    UINT_PTR timer = SetTimer(nullptr, 0, 200, VisitShownMenu);
    RECT place = {};
    GetWindowRect(owner, &place);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, place.left + 40, place.top + 60, 0, owner, nullptr);
    KillTimer(nullptr, timer);
}

TEST_F(SkinWindowTest, APopupMenuIsDrawnInTheSkinAndGivenBackAsItWas)
{
    MainLikeWindow window;
    Attach(SkinResource());
    window.Front();
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 101, "复制");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, 102, "更多...\tCtrl+M");
    MENUITEMINFOA data = MenuItemInfo(MIIM_DATA);
    data.dwItemData = 0x1234;
    SetMenuItemInfoA(menu, 102, FALSE, &data);

    bool visited = false;
    VisitPopupMenu(window.Handle(), menu, [&] {
        visited = true;
        HWND shown = FindWindowA("#32768", nullptr);
        RECT first = {}, last = {};
        GetMenuItemRect(nullptr, menu, 0, &first);
        GetMenuItemRect(nullptr, menu, 2, &last);
        EXPECT_EQ(ScreenShot(shown).AtScreen({first.right - 3, first.top + 2}), CarriedSkinColour(kWindowBackground));
        HiliteMenuItem(window.Handle(), menu, 2, MF_BYPOSITION | MF_HILITE);
        SettleScreen();
        EXPECT_EQ(ScreenShot(shown).AtScreen({last.right - 3, last.top + 2}), CarriedSkinColour(kSelection));
    });
    EXPECT_TRUE(visited);

    // The menu's owner finds every item as it made it.
    const struct {
        UINT position, type;
        const char* text;
        ULONG_PTR data;
    } items[] = {{0, MFT_STRING, "复制", 0}, {1, MFT_SEPARATOR, "", 0}, {2, MFT_STRING, "更多...\tCtrl+M", 0x1234}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.position);
        char text[64] = {};
        MENUITEMINFOA info = MenuItemInfo(MIIM_FTYPE | MIIM_DATA | MIIM_STRING);
        info.dwTypeData = text;
        info.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(menu, item.position, TRUE, &info));
        EXPECT_EQ(info.fType, item.type);
        EXPECT_STREQ(text, item.text);
        EXPECT_EQ(info.dwItemData, item.data);
    }
    DestroyMenu(menu);
}

} // namespace
