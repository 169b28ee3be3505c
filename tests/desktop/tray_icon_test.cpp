// The tray icon: the record the shell receives, the icon under Wine's own notification area, the
// owner's subclassing and the events that reach the handler, and icons made from .ico bytes.
#include "desktop/tray_icon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "desktop/notify_icon_block.h"
#include "desktop/desktop_system_calls.h"
#include "support/system_calls_scope.h"

namespace {

// ---- What the owner window's own procedure and the handler see, in one order.
constexpr long OwnerSawDestroy = -2;
std::vector<long> g_order;
std::vector<UINT> g_ownerMessages;
TrayIcon* g_readdingTray = nullptr;  // set when the handler should add the icon again on 1120

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
        g_order.push_back(OwnerSawDestroy);
    g_ownerMessages.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

void __stdcall RecordEvent(std::int32_t code, std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) noexcept
{
    g_order.push_back(code);
    EXPECT_EQ(0, a | b | c | d);
    if (code == TrayEventTaskbarCreated && g_readdingTray)
        g_readdingTray->Add(g_readdingTray->IconData().hWnd, nullptr, "again");
}

// Not noexcept, so ToSubprogramPointer refuses it: its bare address stands for a handler whose
// failure only the tray's own edge stops.
void __stdcall FailingEvent(std::int32_t code, std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    g_order.push_back(code);
    throw std::bad_alloc();
}

bool OwnerSaw(UINT message)
{
    for (UINT seen : g_ownerMessages)
        if (seen == message)
            return true;
    return false;
}

HWND MakeOwnerWindow()
{
    static ATOM atom = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = OwnerProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TrayTestOwner";
        return RegisterClassA(&windowClass);
    }();
    EXPECT_NE(0, atom);
    return CreateWindowExA(0, "TrayTestOwner", "owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// ---- A recording shell: every block the class hands over, and the answer it should get.
struct ShellCall {
    DWORD message;
    NotifyIconBlock block;
};
std::vector<ShellCall> g_shellCalls;
BOOL g_shellAnswer = TRUE;

BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAA data)
{
    g_shellCalls.push_back({message, *reinterpret_cast<const NotifyIconBlock*>(data)});
    return g_shellAnswer;
}

std::string BlockText(const char* text, std::size_t size) { return std::string(text, strnlen(text, size)); }
std::string RecordText(const ByteSet& buffer)
{
    return BlockText(reinterpret_cast<const char*>(buffer.Data()), buffer.Size());
}

// ---- .ico bytes in memory: a 6-byte header, 16-byte entries, then 32-bit DIB images.
ByteSet IconFile(const std::vector<int>& sizes)
{
    std::vector<std::uint8_t> file(6 + 16 * sizes.size(), 0);
    file[2] = 1;
    file[4] = static_cast<std::uint8_t>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int side = sizes[i];
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = side;
        header.biHeight = 2 * side;
        header.biPlanes = 1;
        header.biBitCount = 32;
        const std::size_t maskRow = ((side + 31) / 32) * 4;
        std::vector<std::uint8_t> image(sizeof header + side * side * 4 + maskRow * side, 0);
        std::memcpy(image.data(), &header, sizeof header);
        // Opaque pixels whose blue byte tells the images apart: 0x10 for image 0, 0x20 for image 1, ...
        for (int pixel = 0; pixel < side * side; ++pixel) {
            std::uint8_t* bgra = image.data() + sizeof header + 4 * pixel;
            bgra[0] = static_cast<std::uint8_t>(0x10 * (i + 1));
            bgra[3] = 0xFF;
        }

        std::uint8_t* entry = file.data() + 6 + 16 * i;
        entry[0] = static_cast<std::uint8_t>(side);
        entry[1] = static_cast<std::uint8_t>(side);
        entry[4] = 1;
        entry[6] = 32;
        const DWORD size = static_cast<DWORD>(image.size());
        const DWORD offset = static_cast<DWORD>(file.size());
        std::memcpy(entry + 8, &size, 4);
        std::memcpy(entry + 12, &offset, 4);
        file.insert(file.end(), image.begin(), image.end());
    }
    return ByteSet(file.data(), file.size());
}

// The blue byte of the icon's first pixel: which image of the file the icon was made from (the
// icon itself is stretched to the system's icon size).
int IconImage(HICON icon)
{
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info))
        return -1;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = 1;
    format.bmiHeader.biHeight = 1;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight + 1, 0);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = bitmap.bmHeight;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return static_cast<int>(pixels[0] & 0xFF) / 0x10 - 1;
}

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_order.clear();
        g_ownerMessages.clear();
        g_shellCalls.clear();
        g_shellAnswer = TRUE;
        g_readdingTray = nullptr;
        owner = MakeOwnerWindow();
        ASSERT_NE(nullptr, owner);
        tray.Initialize();
    }
    void TearDown() override
    {
        tray.FreeMembers();
        if (IsWindow(owner))
            DestroyWindow(owner);
        PumpMessages();
    }
    static void RecordTheShell() { g_desktopSystemCalls.Shell_NotifyIconA = RecordShellCall; }
    const ShellCall& LastCall() const { return g_shellCalls.back(); }

    HWND owner = nullptr;
    TrayIcon tray;
    ScopedSystemCalls<DesktopSystemCalls> desktopCalls{g_desktopSystemCalls};
};

// ---- The record and the shell ---------------------------------------------------------------

TEST_F(TrayIconTest, FreshObjectHoldsAZeroRecordWithItsThreeBuffers)
{
    TrayIcon fresh;
    EXPECT_EQ(0u, fresh.IconData().cbSize);
    EXPECT_EQ(128u, fresh.IconData().szTip.Size());
    EXPECT_EQ(256u, fresh.IconData().szInfo.Size());
    EXPECT_EQ(64u, fresh.IconData().szInfoTitle.Size());
    EXPECT_EQ(ByteSet(128), fresh.IconData().szTip);
    EXPECT_NE(0u, tray.TaskbarCreatedMessage());
    EXPECT_EQ(RegisterWindowMessageA("TaskbarCreated"), tray.TaskbarCreatedMessage());
}

TEST_F(TrayIconTest, AddHandsTheShellTheOwnerIconAndTipIn488Bytes)
{
    RecordTheShell();
    HICON small = LoadIconA(nullptr, IDI_APPLICATION);
    SendMessageA(owner, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

    ASSERT_TRUE(tray.Add(owner, nullptr, "澄笺 v1.0"));
    ASSERT_EQ(1u, g_shellCalls.size());
    const NotifyIconBlock& block = LastCall().block;
    EXPECT_EQ(static_cast<DWORD>(NIM_ADD), LastCall().message);
    EXPECT_EQ(488u, block.cbSize);
    EXPECT_EQ(owner, block.hWnd);
    EXPECT_EQ(1u, block.uID);
    EXPECT_EQ(0x17u, block.uFlags);
    EXPECT_EQ(11685u, block.uCallbackMessage);
    EXPECT_EQ(small, block.hIcon);
    EXPECT_EQ("澄笺 v1.0", BlockText(block.szTip, 128));
    EXPECT_EQ(10000u, block.uTimeout);
    EXPECT_EQ(0u, block.dwState);
    EXPECT_EQ(owner, tray.OwnerWindow());
}

TEST_F(TrayIconTest, AddToSomethingThatIsNoWindowFailsWithoutAShellCall)
{
    RecordTheShell();
    for (HWND notAWindow : {static_cast<HWND>(nullptr), reinterpret_cast<HWND>(0x7FFF0)}) {
        EXPECT_FALSE(tray.Add(notAWindow, nullptr, "tip"));
        EXPECT_EQ(nullptr, tray.OwnerWindow());
    }
    EXPECT_TRUE(g_shellCalls.empty());
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    EXPECT_EQ(nullptr, tray.SavedWindowProcedure());
}

TEST_F(TrayIconTest, TipsAreCutToTheirFirst127Bytes)
{
    RecordTheShell();
    const std::string gbkLead = std::string("澄").substr(0, 1);
    struct Case {
        std::string tip;
        std::string sent;
    };
    std::string doubleByte;
    for (int i = 0; i < 64; ++i)
        doubleByte += "澄";  // 128 bytes: the cut splits the last character
    const Case cases[] = {
        {std::string(127, 'a'), std::string(127, 'a')},
        {std::string(128, 'b'), std::string(127, 'b')},
        {std::string(300, 'c'), std::string(127, 'c')},
        {doubleByte, doubleByte.substr(0, 127)},
        {"", ""},
    };
    ASSERT_TRUE(tray.Add(owner, nullptr, "first"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip.size());
        EXPECT_TRUE(tray.SetTip(c.tip));
        EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), LastCall().message);
        EXPECT_EQ(c.sent, BlockText(LastCall().block.szTip, 128));
        EXPECT_EQ(c.sent, RecordText(tray.IconData().szTip));
    }
    EXPECT_EQ(gbkLead[0], doubleByte[126]);
}

TEST_F(TrayIconTest, BalloonTitleTextAndTimeOut)
{
    RecordTheShell();
    struct Case {
        std::size_t titleLength;
        std::size_t textLength;
        std::optional<UINT> timeout;
        std::size_t sentTitle;
        std::size_t sentText;
        UINT sentTimeout;
    };
    const Case cases[] = {
        {63, 255, 5000, 63, 255, 5000},
        {64, 256, 0, 63, 255, 3000},
        {100, 1000, std::nullopt, 63, 255, 3000},
        {0, 0, 1, 0, 0, 1},
    };
    ASSERT_TRUE(tray.Add(owner, nullptr, "tip"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.titleLength);
        const std::string title(c.titleLength, 'T');
        const std::string text(c.textLength, 'x');
        const bool shown = c.timeout ? tray.ShowBalloon(title, text, NIIF_INFO, *c.timeout)
                                     : tray.ShowBalloon(title, text, NIIF_INFO);
        EXPECT_TRUE(shown);
        const NotifyIconBlock& block = LastCall().block;
        EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), LastCall().message);
        EXPECT_EQ(std::string(c.sentTitle, 'T'), BlockText(block.szInfoTitle, 64));
        EXPECT_EQ(std::string(c.sentText, 'x'), BlockText(block.szInfo, 256));
        EXPECT_EQ(c.sentTimeout, block.uTimeout);
        EXPECT_EQ(static_cast<DWORD>(NIIF_INFO), block.dwInfoFlags);
        EXPECT_EQ(0x17u, block.uFlags);
        EXPECT_EQ("tip", BlockText(block.szTip, 128));
    }
}

TEST_F(TrayIconTest, ARefusingShellAnswersFalseAndTheRecordKeepsTheNewValues)
{
    RecordTheShell();
    ASSERT_TRUE(tray.Add(owner, nullptr, "old"));
    g_shellAnswer = FALSE;
    EXPECT_FALSE(tray.SetTip("new"));
    EXPECT_EQ("new", RecordText(tray.IconData().szTip));
    EXPECT_FALSE(tray.ShowBalloon("title", "text", NIIF_WARNING, 700));
    EXPECT_EQ("title", RecordText(tray.IconData().szInfoTitle));
    EXPECT_EQ(700u, tray.IconData().uTimeout);
}

TEST_F(TrayIconTest, RemoveDeletesTheIconOfTheOldOwnerWithEmptyBalloonTexts)
{
    RecordTheShell();
    ASSERT_TRUE(tray.Add(owner, nullptr, "tip"));
    ASSERT_TRUE(tray.ShowBalloon("title", "text", NIIF_INFO));
    EXPECT_TRUE(tray.Remove());
    const NotifyIconBlock& block = LastCall().block;
    EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), LastCall().message);
    EXPECT_EQ(owner, block.hWnd);
    EXPECT_EQ(1u, block.uID);
    EXPECT_EQ("", BlockText(block.szInfo, 256));
    EXPECT_EQ("", BlockText(block.szInfoTitle, 64));
    EXPECT_EQ(256u, tray.IconData().szInfo.Size());
    EXPECT_EQ(64u, tray.IconData().szInfoTitle.Size());
    EXPECT_EQ(nullptr, tray.OwnerWindow());
}

TEST_F(TrayIconTest, CloneOwnsCopiesOfTheBuffers)
{
    RecordTheShell();
    ASSERT_TRUE(tray.Add(owner, nullptr, "original"));
    TrayIcon copy = tray.Clone();
    EXPECT_EQ(owner, copy.OwnerWindow());
    EXPECT_EQ(tray.TaskbarCreatedMessage(), copy.TaskbarCreatedMessage());
    copy.SetTip("changed");
    EXPECT_EQ("original", RecordText(tray.IconData().szTip));
    EXPECT_EQ("changed", RecordText(copy.IconData().szTip));
}

// Wine's own notification area (explorer's "Shell_TrayWnd") answers the calls for real.
TEST_F(TrayIconTest, TheShellKnowsTheIconFromAddUntilRemove)
{
    ASSERT_NE(nullptr, FindWindowA("Shell_TrayWnd", nullptr)) << "no notification area in this session";
    ASSERT_TRUE(tray.Add(owner, nullptr, "澄笺 v1.0"));
    EXPECT_TRUE(tray.SetTip("another tip"));
    EXPECT_TRUE(tray.ShowBalloon("title", "text", NIIF_INFO));
    EXPECT_TRUE(tray.Remove());
    EXPECT_FALSE(tray.SetTip("gone")) << "the shell still has the icon after Remove";
    EXPECT_FALSE(tray.Remove());
}

TEST_F(TrayIconTest, FreeMembersTakesTheIconAwayAndGivesTheOwnerItsProcedureBack)
{
    ASSERT_TRUE(tray.Add(owner, nullptr, "tip"));
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    tray.FreeMembers();
    EXPECT_EQ(reinterpret_cast<LONG>(OwnerProc), GetWindowLongA(owner, GWL_WNDPROC));
    EXPECT_EQ(nullptr, tray.TrayToolbarWindow());
    EXPECT_TRUE(tray.IconData().szTip.Empty());

    NOTIFYICONDATAA probe = {};
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
    probe.hWnd = owner;
    probe.uID = 1;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the icon outlived FreeMembers";
}

// ---- The owner's subclassing and the events ----------------------------------------------

TEST_F(TrayIconTest, HookWindowSubclassesTheOwnerAndSetsItsProperties)
{
    tray.Add(owner, nullptr, "tip");
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    EXPECT_EQ(reinterpret_cast<LONG>(kTrayWindowProcedure.Address()), GetWindowLongA(owner, GWL_WNDPROC));
    EXPECT_EQ(OwnerProc, tray.SavedWindowProcedure());
    EXPECT_EQ(reinterpret_cast<HANDLE>(OwnerProc), GetPropA(owner, "WinProc"));
    EXPECT_EQ(reinterpret_cast<HANDLE>(11685), GetPropA(owner, "CallbackMessage"));
    EXPECT_EQ(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(tray.TaskbarCreatedMessage())),
              GetPropA(owner, "TaskbarCreatedMessage"));
    EXPECT_EQ(reinterpret_cast<HANDLE>(RecordEvent), GetPropA(owner, "Exec Event"));

    EXPECT_TRUE(tray.Remove());
    EXPECT_EQ(reinterpret_cast<LONG>(OwnerProc), GetWindowLongA(owner, GWL_WNDPROC));
    EXPECT_EQ(reinterpret_cast<HANDLE>(OwnerProc), GetPropA(owner, "WinProc")) << "the properties stay";
    EXPECT_EQ(reinterpret_cast<HANDLE>(RecordEvent), GetPropA(owner, "Exec Event"));
    EXPECT_EQ(nullptr, tray.SavedWindowProcedure());
}

TEST_F(TrayIconTest, TheIconsMouseMessagesReachTheHandlerAsEventCodes)
{
    tray.Add(owner, nullptr, "tip");
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    const long codes[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP};
    for (long code : codes)
        PostMessageA(owner, TrayCallbackMessage, 1, code);
    PumpMessages();
    EXPECT_EQ(std::vector<long>(std::begin(codes), std::end(codes)), g_order);
    EXPECT_FALSE(OwnerSaw(TrayCallbackMessage));
    EXPECT_EQ(0, SendMessageA(owner, TrayCallbackMessage, 1, WM_LBUTTONUP));
}

TEST_F(TrayIconTest, WithoutAHandlerEveryMessageGoesToThePreviousProcedure)
{
    tray.Add(owner, nullptr, "tip");
    tray.HookWindow();
    EXPECT_EQ(nullptr, GetPropA(owner, "Exec Event"));
    PostMessageA(owner, TrayCallbackMessage, 1, WM_LBUTTONUP);
    PumpMessages();
    SendMessageA(owner, tray.TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(OwnerSaw(TrayCallbackMessage));
    EXPECT_TRUE(OwnerSaw(tray.TaskbarCreatedMessage()));
    EXPECT_TRUE(g_order.empty());
}

TEST_F(TrayIconTest, TaskbarCreatedReachesTheHandlerOnceAndOnlyTheHandlerAddsTheIconAgain)
{
    ASSERT_NE(nullptr, FindWindowA("Shell_TrayWnd", nullptr)) << "no notification area in this session";
    for (bool handlerAddsAgain : {false, true}) {
        SCOPED_TRACE(handlerAddsAgain);
        g_order.clear();
        g_readdingTray = handlerAddsAgain ? &tray : nullptr;
        ASSERT_TRUE(tray.Add(owner, nullptr, "tip"));
        tray.HookWindow(ToSubprogramPointer(RecordEvent));

        // A restarted shell has lost every icon, then tells every top-level window.
        NOTIFYICONDATAA lost = {};
        lost.cbSize = NOTIFYICONDATAA_V2_SIZE;
        lost.hWnd = owner;
        lost.uID = 1;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
        EXPECT_EQ(0, SendMessageA(owner, tray.TaskbarCreatedMessage(), 0, 0));

        EXPECT_EQ(std::vector<long>{TrayEventTaskbarCreated}, g_order);
        EXPECT_FALSE(OwnerSaw(tray.TaskbarCreatedMessage()));
        EXPECT_EQ(handlerAddsAgain, tray.SetTip("is it there?"));
        tray.Remove();
    }
}

TEST_F(TrayIconTest, TheHandlerHearsOfTheDestructionBeforeThePreviousProcedure)
{
    tray.Add(owner, nullptr, "tip");
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    DestroyWindow(owner);
    EXPECT_EQ((std::vector<long>{TrayEventWindowDestroyed, OwnerSawDestroy}), g_order);
}

// The owner's procedure is called by the system: a handler's failure must end inside it, and the
// icon's later messages and the owner's own destruction still arrive.
TEST_F(TrayIconTest, AHandlerThatThrowsDoesNotTakeTheOwnerWindowDown)
{
    tray.Add(owner, nullptr, "tip");
    tray.HookWindow(reinterpret_cast<SubprogramPointer>(&FailingEvent));
    EXPECT_EQ(0, SendMessageA(owner, TrayCallbackMessage, 1, WM_LBUTTONUP));
    EXPECT_EQ(0, SendMessageA(owner, TrayCallbackMessage, 1, WM_RBUTTONUP));
    EXPECT_FALSE(OwnerSaw(TrayCallbackMessage));
    DestroyWindow(owner);
    EXPECT_EQ((std::vector<long>{WM_LBUTTONUP, WM_RBUTTONUP, TrayEventWindowDestroyed, OwnerSawDestroy}), g_order);
}

TEST_F(TrayIconTest, ASecondHookKeepsTheFirstSavedProcedure)
{
    tray.Add(owner, nullptr, "tip");
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    tray.HookWindow(ToSubprogramPointer(RecordEvent));
    EXPECT_EQ(OwnerProc, tray.SavedWindowProcedure());
    EXPECT_EQ(0, SendMessageA(owner, TrayCallbackMessage, 1, WM_RBUTTONUP));
    SendMessageA(owner, WM_USER + 7, 0, 0);
    EXPECT_EQ(std::vector<long>{WM_RBUTTONUP}, g_order);
    EXPECT_TRUE(OwnerSaw(WM_USER + 7));
    tray.Remove();
    EXPECT_EQ(reinterpret_cast<LONG>(OwnerProc), GetWindowLongA(owner, GWL_WNDPROC));
}

// ---- Icons from .ico bytes -------------------------------------------------------------------

TEST_F(TrayIconTest, LoadIconFromBytesReadsTheIndexedDirectoryEntry)
{
    const ByteSet file = IconFile({16, 32});
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        int width = -1;
        int height = -1;
        HICON icon = tray.LoadIconFromBytes(file, index, &width, &height);
        ASSERT_NE(nullptr, icon);
        const int side = index == 0 ? 16 : 32;  // entry 1 is the 16 bytes at offset 22
        EXPECT_EQ(side, width);
        EXPECT_EQ(side, height);
        EXPECT_EQ(index, IconImage(icon));
        DestroyIcon(icon);
    }
}

TEST_F(TrayIconTest, LoadIconFromBytesRefusesEntriesAndImagesOutsideTheBytes)
{
    const ByteSet good = IconFile({16});
    auto withEntryField = [&](std::size_t at, DWORD value) {
        ByteSet bytes = good;
        std::memcpy(bytes.Data() + 6 + at, &value, 4);
        return bytes;
    };
    struct Case {
        const char* name;
        ByteSet bytes;
        int index;
    };
    const Case cases[] = {
        {"empty", ByteSet(), 0},
        {"header only", ByteSet(good.Data(), 6), 0},
        {"entry cut short", ByteSet(good.Data(), 14), 0},
        {"index past the count", good, 1},
        {"negative index", good, -1},
        {"image offset past the end", withEntryField(12, 0x7FFFFFF0), 0},
        {"image size past the end", withEntryField(8, 0xFFFFFFF0), 0},
        {"image of no bytes", withEntryField(8, 0), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nullptr, tray.LoadIconFromBytes(c.bytes, c.index));
    }
}

TEST_F(TrayIconTest, SetIconWithBytesThatMakeNoIconLeavesTheShellAlone)
{
    RecordTheShell();
    ASSERT_TRUE(tray.Add(owner, nullptr, "tip"));
    const HICON before = tray.IconData().hIcon;
    EXPECT_FALSE(tray.SetIcon(ByteSet::FromText("not an icon file")));
    EXPECT_EQ(1u, g_shellCalls.size());
    EXPECT_EQ(before, tray.IconData().hIcon);

    EXPECT_TRUE(tray.SetIcon(IconFile({32})));
    ASSERT_EQ(2u, g_shellCalls.size());
    EXPECT_EQ(static_cast<DWORD>(NIM_MODIFY), LastCall().message);
    EXPECT_NE(nullptr, LastCall().block.hIcon);
    EXPECT_EQ(0, IconImage(LastCall().block.hIcon));
}

TEST_F(TrayIconTest, AddWithIconBytesUsesTheirFirstImage)
{
    RecordTheShell();
    const ByteSet file = IconFile({16, 32});
    ASSERT_TRUE(tray.Add(owner, &file, "tip"));
    EXPECT_EQ(0, IconImage(LastCall().block.hIcon));
    const ByteSet broken = ByteSet::FromText("xx");
    EXPECT_TRUE(tray.Add(owner, &broken, "tip")) << "a broken icon still adds, with no icon";
    EXPECT_EQ(nullptr, LastCall().block.hIcon);
}

bool IconExists(HICON icon)
{
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

TEST_F(TrayIconTest, IconsMadeFromBytesAreDestroyedWhenReplacedAndAtTheEndTheWindowsIconIsNot)
{
    RecordTheShell();
    HICON windows = tray.LoadIconFromBytes(IconFile({16}));
    ASSERT_NE(nullptr, windows);
    SendMessageA(owner, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(windows));
    ASSERT_TRUE(tray.Add(owner, nullptr, "tip"));
    ASSERT_EQ(windows, tray.IconData().hIcon);

    ASSERT_TRUE(tray.SetIcon(IconFile({32})));
    const HICON first = tray.IconData().hIcon;
    EXPECT_TRUE(IconExists(windows));
    ASSERT_TRUE(tray.SetIcon(IconFile({32})));
    const HICON second = tray.IconData().hIcon;
    EXPECT_FALSE(IconExists(first));
    EXPECT_TRUE(IconExists(second));

    const ByteSet file = IconFile({16});
    ASSERT_TRUE(tray.Add(owner, &file, "tip"));
    const HICON third = tray.IconData().hIcon;
    EXPECT_FALSE(IconExists(second));
    tray.FreeMembers();
    EXPECT_FALSE(IconExists(third));
    EXPECT_TRUE(IconExists(windows));
    DestroyIcon(windows);
}

} // namespace
