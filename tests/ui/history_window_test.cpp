// The history window on the program's own grid control: the set-up's grid layout and tray icon,
// rows for text, picture and file entries, the grid handlers driven by real mouse and key
// messages, the pop-up menus and their items, the tray callback through the tray class's window
// procedure (the shell's restart included), and the picture viewer with its save, once through
// the real save dialog answered by a user on another thread.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <windows.h>

#include "core/clipboard_capture.h"
#include "core/globals.h"
#include "core/history_database.h"
#include "core/history_view.h"
#include "db/sqlite_engine.h"
#include "desktop/desktop_system_calls.h"
#include "framework/file_dialog.h"
#include "framework/file_io.h"
#include "framework/framework_system_calls.h"
#include "framework/menu.h"
#include "framework/message_box.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"
#include "grid_registration.h"
#include "support/capture_notices.h"
#include "support/clipboard_files.h"
#include "support/clipboard_reader.h"
#include "support/clipboard_writer.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"
#include "support/system_calls_scope.h"
#include "support/test_window.h"
#include "support/utf8_text.h"
#include "ui/history_grid.h"
#include "ui/history_grid_handlers.h"
#include "ui/main_window.h"
#include "ui/main_window_setup.h"
#include "ui/picture_viewer.h"
#include "ui/picture_viewer_window.h"
#include "ui/ui_system_calls.h"
#include "support/ui_test_support.h"

namespace {

// ---- Replaced platform calls: pop-up menus, message boxes, the save dialog

struct Popup {
    std::vector<std::string> captions;
    UINT flags;
    HWND owner;
};
std::vector<Popup> g_popups;
int g_chooseItem = -1;

BOOL WINAPI RecordPopup(HMENU menu, UINT flags, int, int, int, HWND owner, const RECT*)
{
    Popup popup{{}, flags, owner};
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char caption[64] = {};
        GetMenuStringA(menu, i, caption, sizeof caption, MF_BYPOSITION);
        popup.captions.push_back(GetMenuItemID(menu, i) == 0 ? "-" : caption);
        ids.push_back(GetMenuItemID(menu, i));
    }
    g_popups.push_back(popup);
    if (g_chooseItem >= 0)
        PostMessageA(owner, WM_COMMAND, ids[g_chooseItem], 0);
    return TRUE;
}


std::string g_saveAnswer;  // "" cancels the dialog
int g_saveDialogs = 0;

BOOL WINAPI AnswerSaveDialog(OPENFILENAMEA* request)
{
    ++g_saveDialogs;
    if (g_saveAnswer.empty())
        return FALSE;
    lstrcpynA(request->lpstrFile, g_saveAnswer.c_str(), static_cast<int>(request->nMaxFile));
    return TRUE;
}

// ---- The fixture: one main window set up for the whole program, an empty grid for each test

class HistoryWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        StartGridTestProcess();
        CreateGlobalObjects();
        folder_ = new ScratchFolder();
        ASSERT_TRUE(OpenHistoryDatabase(folder_->File("data.db")));
        MainWindow().SetCaption("澄笺 v1.0");
        ASSERT_TRUE(MainWindow().Load());
        SetUpMainWindow();
    }

    // The set-up told the capture to show rows in this grid: that ends with the suite.
    static void TearDownTestSuite() { SetHistoryView(nullptr); }

    void SetUp() override
    {
        ASSERT_NE(g_grid->GetHostWindow(), nullptr);
        g_grid->SetRows(0);
        g_grid->SetEditable(2);
        g_database->Exec("delete from data");
        g_popups.clear();
        g_boxes.clear();
        g_chooseItem = -1;
        g_saveDialogs = 0;
        g_frameworkSystemCalls.TrackPopupMenu = RecordPopup;
        g_frameworkSystemCalls.MessageBoxA = RecordBox;
        g_frameworkSystemCalls.GetSaveFileNameA = AnswerSaveDialog;
    }

    void TearDown() override
    {
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }

    static HWND GridWindow() { return reinterpret_cast<HWND>(static_cast<intptr_t>(g_grid->GethWnd())); }
    // A client point inside cell (row, col): columns of 2381 and rows of 1360 twips, 15 to a pixel.
    static LPARAM CellPoint(int row, int col) { return MAKELPARAM(col * 2381 / 15 + 20, row * 1360 / 15 + 20); }
    // `file` is GBK text unless `utf8` (then stored as it is, as a name the user copied is).
    static void Record(const std::string& time, const std::string& file, bool utf8 = false)
    {
        ASSERT_TRUE(g_database->Exec("insert into data(time, text, byte, file) values ('" + time + "', '', '', '" +
                                     file + "')", 0, 0, nullptr, utf8));
    }
    static void DoubleClick(int row, int col)
    {
        SendMessageA(GridWindow(), WM_MOUSEMOVE, 0, CellPoint(row, col));
        SendMessageA(GridWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(row, col));
    }
    // Ctrl (and `more` keys) held while C is pressed in the grid, with (row, col) current.
    static void PressCtrlC(int row, int col, std::vector<int> more = {})
    {
        g_grid->Select(row, col);
        BYTE keys[256] = {};
        keys[VK_CONTROL] = 0x80;
        for (int key : more)
            keys[key] = 0x80;
        SetKeyboardState(keys);
        SendMessageA(GridWindow(), WM_KEYDOWN, 'C', 0);
        std::memset(keys, 0, sizeof keys);
        SetKeyboardState(keys);
    }

    static ScratchFolder* folder_;
    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls_{g_frameworkSystemCalls};
};
ScratchFolder* HistoryWindowTest::folder_ = nullptr;

TEST_F(HistoryWindowTest, TheSetUpGivesTheGridItsLayoutAndTheTrayIconTheCaption)
{
    EXPECT_EQ(g_grid->GetRows(), 0);
    EXPECT_EQ(g_grid->GetCols(), 3);
    EXPECT_EQ(g_grid->GetFixedRows(), 0);
    EXPECT_EQ(g_grid->GetFixedCols(), 1);
    for (int col = 0; col < 3; ++col) {
        EXPECT_EQ(g_grid->GetColWidth(col), 2381) << col;
        EXPECT_EQ(g_grid->GetColHidden(col), col == 2) << col;
    }
    EXPECT_EQ(g_grid->GetColDataType(1), 8);
    EXPECT_EQ(g_grid->GetEditable(), 2);
    EXPECT_EQ(g_grid->GetFlags(), 2);
    EXPECT_EQ(g_grid->GetHighLight(), 0);
    EXPECT_TRUE(g_grid->GetWordWrap());
    EXPECT_TRUE(g_grid->GetExtendLastCol());
    EXPECT_EQ(g_grid->GetFontName(), "微软雅黑");
    EXPECT_EQ(g_grid->GetBackColorBkg(), 0xFFFFFF);
    EXPECT_EQ(g_grid->GetAccessibleName(), "不告诉你");
    EXPECT_EQ(g_grid->GetAllowUserResizing(), 0);

    RECT client, host;
    GetClientRect(MainWindow().GetHandle(), &client);
    GetWindowRect(g_grid->GetHostWindow(), &host);
    EXPECT_EQ(host.right - host.left, client.right);
    EXPECT_EQ(host.bottom - host.top, client.bottom);

    EXPECT_EQ(g_tray->OwnerWindow(), MainWindow().GetHandle());
    EXPECT_STREQ(reinterpret_cast<const char*>(g_tray->IconData().szTip.Data()), "澄笺 v1.0");
    EXPECT_NE(g_tray->IconData().hIcon, nullptr) << "the window's small icon";
}

TEST_F(HistoryWindowTest, EachEntryBecomesTheTopRowWithItsContentAndKind)
{
    struct Case {
        const char* what;
        std::string text;
        ByteSet picture;
        std::string files;
        std::string shown;
        const char* kind;
    };
    const Case cases[] = {
        {"text", Utf8(u8"第一行\r\nsecond it's"), {}, "", "第一行\r\nsecond it's", "文本"},
        {"picture", "", BmpFile(8, 4), "", "", "图片"},
        {"picture and text", "ignored", BmpFile(8, 4), "", "", "图片"},
        {"one file", "", {}, "C:\\x.txt", "文件数：1\r\n    C:\\x.txt", "文件"},
        {"text and files", "ignored", {}, "C:\\a.txt|D:\\b.png", "文件数：2\r\n    C:\\a.txt\r\n    D:\\b.png", "文件"},
    };
    int added = 0;
    for (const Case& c : cases) {
        const std::string time = "2026-12-10 13:00:0" + std::to_string(added);
        AddGridRow(time, c.text, c.picture, c.files);
        ++added;
        ASSERT_EQ(g_grid->GetRows(), added) << c.what;
        EXPECT_EQ(g_grid->GetTextMatrix(0, 0), time) << c.what;
        EXPECT_EQ(g_grid->GetTextMatrix(0, 1), c.shown) << c.what;
        EXPECT_EQ(g_grid->GetTextMatrix(0, 2), c.kind) << c.what;
        EXPECT_EQ(g_grid->GetRowHeight(0), 1360) << c.what;
        g_grid->Select(0, 1);
        EXPECT_EQ(g_grid->GetCellPicture().Empty(), c.picture.Empty()) << c.what;
    }
    EXPECT_EQ(g_grid->GetTextMatrix(added - 1, 0), "2026-12-10 13:00:00") << "the first entry went down";
}

TEST_F(HistoryWindowTest, TheGridKeepsAThousandRowsAndTheRowBeyondThemDropsTheBottomOne)
{
    // 998 rows of earlier entries (made directly: adding each would take minutes here), then two more.
    g_grid->SetRows(kGridMaxRows - 2);
    g_grid->SetTextMatrix(kGridMaxRows - 4, 0, "next oldest");
    g_grid->SetTextMatrix(kGridMaxRows - 3, 0, "oldest");
    AddGridRow("t1", "entry 1", {}, "");
    AddGridRow("t2", "", BmpFile(64, 32), "");
    ASSERT_EQ(g_grid->GetRows(), 1000);
    EXPECT_EQ(g_grid->GetTextMatrix(999, 0), "oldest") << "a thousand rows are all kept";

    AddGridRow("newest", "", BmpFile(64, 32), "");
    EXPECT_EQ(g_grid->GetRows(), 1000);
    EXPECT_EQ(g_grid->GetTextMatrix(0, 0), "newest");
    EXPECT_EQ(g_grid->GetTextMatrix(0, 2), kKindPicture);
    EXPECT_EQ(g_grid->GetTextMatrix(2, 0), "t1");
    EXPECT_EQ(g_grid->GetTextMatrix(999, 0), "next oldest") << "the bottom row went";
}

// A 1-bit BMP file, all black: big pictures in few bytes.
ByteSet MonochromeBmpFile(int width, int height)
{
    const DWORD stride = static_cast<DWORD>((width + 31) / 32 * 4);
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
    BITMAPFILEHEADER file = {0x4D42, offset + stride * static_cast<DWORD>(height), 0, 0, offset};
    BITMAPINFOHEADER info = {sizeof info, width, height, 1, 1, BI_RGB, 0, 0, 0, 2, 0};
    const RGBQUAD palette[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    ByteSet bytes(file.bfSize);
    std::memcpy(bytes.Data(), &file, sizeof file);
    std::memcpy(bytes.Data() + sizeof file, &info, sizeof info);
    std::memcpy(bytes.Data() + sizeof file + sizeof info, palette, sizeof palette);
    return bytes;
}

TEST_F(HistoryWindowTest, SetCellPictureAnswersWhetherTheGridStoredThePicture)
{
    AddGridRow("t1", "text", {}, "");
    g_grid->Select(0, 1);
    EXPECT_TRUE(g_grid->SetCellPicture(MonochromeBmpFile(640, 480)));
    EXPECT_FALSE(g_grid->GetCellPicture().Empty());
    EXPECT_FALSE(g_grid->SetCellPicture(MonochromeBmpFile(9000, 8000))) << "72 million pixels are too many to keep";
    EXPECT_FALSE(g_grid->GetCellPicture().Empty()) << "the cell keeps its picture";
}

// A message waiting when a row is added (such as the next clipboard notice) is not handled inside
// the capture that adds the row, yet the grid is painted before AddGridRow returns.
int g_waitingHandled = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        ++g_waitingHandled;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(HistoryWindowTest, AddingARowPaintsTheGridButHandlesNoWaitingMessage)
{
    HWND other = MakeTestWindow("HistoryGridWaitingMessage", CountingProc);
    g_waitingHandled = 0;
    PostMessageA(other, WM_APP, 0, 0);
    AddGridRow("w1", "painted now", {}, "");
    HWND grid = reinterpret_cast<HWND>(static_cast<INT_PTR>(g_grid->GethWnd()));
    RECT pending = {};
    EXPECT_FALSE(GetUpdateRect(grid, &pending, FALSE)) << "the new row is not painted yet";
    EXPECT_EQ(g_waitingHandled, 0) << "a waiting message ran inside the capture";
    PumpMessages();
    EXPECT_EQ(g_waitingHandled, 1);
    DestroyWindow(other);
}

TEST_F(HistoryWindowTest, DoubleClickingATextOrFileRowOpensNothingAndKeepsEditing)
{
    AddGridRow("t1", "", {}, "C:\\x.txt");
    AddGridRow("t2", "text", {}, "");
    for (int row : {0, 1}) {
        DoubleClick(row, 1);
        EXPECT_EQ(g_grid->GetEditable(), 2) << row;
    }
    EXPECT_TRUE(g_boxes.empty());
}

// ---- The picture viewer, driven from inside its modal loop

struct ViewerVisit {
    bool seen = false;
    ByteSet shown;
    int gridEditable = -1;
    bool boxFillsClient = false;
};
ViewerVisit g_visit;

// The timer callbacks below run once, inside the viewer's modal loop: ends timer `id` and gives the
// open viewer, or null when none is open.
PictureViewerWindow* ViewerAtTimer(UINT_PTR id)
{
    KillTimer(nullptr, id);
    return CurrentPictureViewer();
}

void CALLBACK CloseViewer(HWND, UINT, UINT_PTR id, DWORD)
{
    PictureViewerWindow* viewer = ViewerAtTimer(id);
    if (!viewer)
        return;
    HWND window = viewer->form.GetHandle();
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

// Looks at the open viewer, asks for "另存为" by a right click on the picture and closes with Esc.
void CALLBACK VisitViewer(HWND, UINT, UINT_PTR id, DWORD)
{
    PictureViewerWindow* viewer = ViewerAtTimer(id);
    if (!viewer)
        return;
    g_visit.seen = true;
    g_visit.shown = viewer->pictureBox.GetPicture();
    g_visit.gridEditable = g_grid->GetEditable();
    RECT client, box;
    GetClientRect(viewer->form.GetHandle(), &client);
    GetClientRect(viewer->pictureBox.GetHandle(), &box);
    g_visit.boxFillsClient = client.right == box.right && client.bottom == box.bottom && client.right > 648;
    g_chooseItem = 0;
    SendMessageA(viewer->pictureBox.GetHandle(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    SetTimer(nullptr, 0, 50, CloseViewer);
}

class PictureViewerTest : public HistoryWindowTest {
protected:
    void SetUp() override
    {
        HistoryWindowTest::SetUp();
        g_visit = {};
    }
    // Double-clicks row 0 with the viewer visited from a timer; a viewer that did not open leaves
    // g_visit.seen false (the timer is then killed).
    void DoubleClickPictureRow()
    {
        UINT_PTR timer = SetTimer(nullptr, 0, 300, VisitViewer);
        DoubleClick(0, 1);
        KillTimer(nullptr, timer);
        PumpMessages();
    }
    // The same with the shell's open calls recorded (g_shellCalls, g_wideShellCalls) instead of made.
    void DoubleClickPictureRowRecordingTheShell();
};

TEST_F(PictureViewerTest, APictureWithoutFileShowsTheCellsPictureAndSavesItsBytesUnchanged)
{
    AddGridRow("p1", "", BmpFile(16, 8), "");
    g_grid->Select(0, 1);
    ByteSet cellPicture = g_grid->GetCellPicture();
    ASSERT_FALSE(cellPicture.Empty());
    g_saveAnswer = folder_->File("saved");
    DoubleClickPictureRow();
    ASSERT_TRUE(g_visit.seen) << "no viewer opened";
    EXPECT_EQ(g_visit.shown, cellPicture);
    EXPECT_EQ(g_visit.gridEditable, 0) << "no editing while the picture is shown";
    EXPECT_TRUE(g_visit.boxFillsClient);
    ASSERT_EQ(g_popups.size(), 1u);
    EXPECT_EQ(g_popups[0].captions, std::vector<std::string>{"另存为"});
    EXPECT_EQ(ReadFileBytes(g_saveAnswer), cellPicture);
    EXPECT_EQ(g_grid->GetCol(), 0);
    EXPECT_EQ(g_grid->GetEditable(), 2);
    EXPECT_EQ(CurrentPictureViewer(), nullptr);
}

TEST_F(PictureViewerTest, ARecordedFileIsShownFromDiskAndACancelledSaveWritesNothing)
{
    ByteSet onDisk = BmpFile(30, 20);
    const std::string path = folder_->File("recorded.bmp");
    ASSERT_TRUE(WriteFileBytes(path, onDisk));
    AddGridRow("p2", "", BmpFile(4, 4), "");
    Record("p2", path);
    g_grid->Select(0, 1);
    g_saveAnswer = "";
    DoubleClickPictureRow();
    ASSERT_TRUE(g_visit.seen);
    EXPECT_EQ(g_visit.shown, onDisk);
    EXPECT_EQ(g_saveDialogs, 1);
    EXPECT_EQ(g_grid->GetEditable(), 2);
}

// One call of ShellExecuteA (Char is char) or ShellExecuteW (wchar_t), as its recorder below saw it.
template <typename Char>
struct ShellCallOf {
    HWND owner;
    std::basic_string<Char> verb, file;
    bool parameters;
    std::basic_string<Char> folder;
    INT show;
};
using ShellCall = ShellCallOf<char>;
std::vector<ShellCall> g_shellCalls;
std::vector<ShellCallOf<wchar_t>> g_wideShellCalls;

template <typename Char>
std::basic_string<Char> TextOrEmpty(const Char* text)
{
    return text ? text : std::basic_string<Char>();
}

template <typename Char, std::vector<ShellCallOf<Char>>& calls>
HINSTANCE WINAPI RecordShellExecuteIn(HWND owner, const Char* verb, const Char* file, const Char* parameters,
                                      const Char* folder, INT show)
{
    calls.push_back({owner, TextOrEmpty(verb), TextOrEmpty(file), parameters != nullptr, TextOrEmpty(folder), show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));  // above 32: the shell started it
}
constexpr auto RecordShellExecute = RecordShellExecuteIn<char, g_shellCalls>;
constexpr auto RecordShellExecuteW = RecordShellExecuteIn<wchar_t, g_wideShellCalls>;

void PictureViewerTest::DoubleClickPictureRowRecordingTheShell()
{
    g_shellCalls.clear();
    g_wideShellCalls.clear();
    ScopedSystemCalls uiCalls(g_uiSystemCalls);
    g_uiSystemCalls.ShellExecuteA = RecordShellExecute;
    g_uiSystemCalls.ShellExecuteW = RecordShellExecuteW;
    DoubleClickPictureRow();
}

TEST_F(PictureViewerTest, ARecordedGifGoesToTheShellAndEditingComesBack)
{
    const std::string gif = folder_->File("moving.GIF");
    ASSERT_TRUE(WriteFileBytes(gif, ByteSet::FromText("GIF89a")));
    AddGridRow("p3", "", BmpFile(4, 4), "");
    Record("p3", gif);
    g_grid->Select(0, 1);
    DoubleClickPictureRowRecordingTheShell();
    EXPECT_FALSE(g_visit.seen) << "a .gif is not shown in the viewer";
    EXPECT_TRUE(g_shellCalls.empty()) << "handed to the shell by its GBK name";
    ASSERT_EQ(g_wideShellCalls.size(), 1u) << "the shell was not asked to open it";
    EXPECT_EQ(g_wideShellCalls[0].owner, nullptr);
    EXPECT_EQ(g_wideShellCalls[0].verb, L"open");
    EXPECT_EQ(g_wideShellCalls[0].file, WideFromAnsi(gif));
    EXPECT_FALSE(g_wideShellCalls[0].parameters);
    EXPECT_EQ(g_wideShellCalls[0].folder, L"");
    EXPECT_EQ(g_wideShellCalls[0].show, SW_SHOWNORMAL);
    EXPECT_EQ(g_grid->GetCol(), 0);
    EXPECT_EQ(g_grid->GetEditable(), 2);
}

bool WriteFileBytesByWideName(const std::wstring& path, const ByteSet& bytes)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.Data(), static_cast<DWORD>(bytes.Size()), &written, nullptr) &&
           written == bytes.Size();
}

TEST_F(PictureViewerTest, ARecordedNameOutsideGbkIsShownOrGoesToTheShellByItsUtf16Name)
{
    const std::wstring folder = WideFromAnsi(folder_->Path()) + L"\\그림 😀";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring picture = folder + L"\\사진 😀.bmp";
    const std::wstring gif = folder + L"\\움짤 😀.gif";
    const ByteSet onDisk = BmpFile(30, 20);
    ASSERT_TRUE(WriteFileBytesByWideName(picture, onDisk));
    ASSERT_TRUE(WriteFileBytesByWideName(gif, ByteSet::FromText("GIF89a")));
    struct Case {
        const char* what;
        std::wstring recorded;
        bool toShell;  // else shown from disk
    };
    const Case cases[] = {
        {"picture", picture, false},
        {"gif", gif, true},
        // The extension is the whole list's, taken as one name.
        {"list ending in a gif", picture + L"|" + gif, true},
    };
    g_saveAnswer = "";
    for (const Case& c : cases) {
        g_grid->SetRows(0);
        AddGridRow("u1", "", BmpFile(4, 4), "");
        g_database->Exec("delete from data");
        Record("u1", Utf8FromWide(c.recorded), true);
        g_grid->Select(0, 1);
        g_visit = {};
        DoubleClickPictureRowRecordingTheShell();
        EXPECT_TRUE(g_shellCalls.empty()) << c.what << ": handed to the shell by its GBK name";
        if (c.toShell) {
            EXPECT_FALSE(g_visit.seen) << c.what;
            ASSERT_EQ(g_wideShellCalls.size(), 1u) << c.what << ": the shell was not asked to open it";
            EXPECT_EQ(g_wideShellCalls[0].file, c.recorded) << c.what;
        } else {
            ASSERT_TRUE(g_visit.seen) << c.what << ": no viewer opened";
            EXPECT_EQ(g_visit.shown, onDisk) << c.what;
            EXPECT_TRUE(g_wideShellCalls.empty()) << c.what;
        }
        EXPECT_EQ(g_grid->GetCol(), 0) << c.what;
        EXPECT_EQ(g_grid->GetEditable(), 2) << c.what;
    }
    EXPECT_TRUE(g_boxes.empty());
}

// Refuses to make the viewer's window, as a system out of window resources would.
LRESULT CALLBACK RefuseViewerWindow(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        char name[64] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        if (std::strcmp(name, PictureViewerTemplate().className) == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(PictureViewerTest, AViewerThatCannotOpenGivesTheGridItsEditingBack)
{
    AddGridRow("p4", "", BmpFile(4, 4), "");
    g_grid->Select(0, 1);
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseViewerWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    DoubleClickPictureRow();
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(g_visit.seen);
    EXPECT_EQ(g_grid->GetEditable(), 2) << "editing stays off for the rest of the run";
    EXPECT_EQ(g_grid->GetCol(), 0);
}

// ---- The real save dialog, answered by a user typing a new name

// What the user at the save dialog met: it was found, and whether the dialog refused the typed name
// with a box of its own; `seen` lists the thread's windows when the dialog was not found.
struct DialogUser {
    bool found = false;
    bool refused = false;
    std::string seen;
};

struct WindowSearch {
    const char* className;
    const char* caption;  // any when null
    HWND except;
    HWND found;
    std::string* seen;  // every window looked at, when given
};

BOOL CALLBACK MatchThreadWindow(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    char name[64] = {}, text[256] = {};
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, text, sizeof text);
    if (search->seen)
        *search->seen += std::string(name) + " \"" + text + (IsWindowVisible(window) ? "\" shown; " : "\" hidden; ");
    if (window == search->except || !IsWindowVisible(window) || lstrcmpA(name, search->className) != 0 ||
        (search->caption && lstrcmpA(text, search->caption) != 0))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindThreadWindow(DWORD thread, const char* className, const char* caption, HWND except = nullptr,
                      std::string* seen = nullptr)
{
    WindowSearch search = {className, caption, except, nullptr, seen};
    EnumThreadWindows(thread, MatchThreadWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Press(HWND window, int button)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
}

BOOL CALLBACK FindEdit(HWND window, LPARAM parameter)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(parameter) = window;
    return FALSE;
}

// The dialog's one visible edit box: the file name (on its own or inside a combo box).
HWND FileNameBox(HWND dialog)
{
    HWND edit = nullptr;
    EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

// On a thread of its own: waits for the dialog titled "保存文件" on `thread`, enters `name` in its
// file name box and presses the default button. A box the dialog raises over it is a refusal: the
// user gives up and cancels.
void AnswerTheRealDialog(DWORD thread, std::string name, DialogUser* user)
{
    HWND dialog = nullptr;
    for (int wait = 0; wait < 300 && !dialog; ++wait) {
        dialog = FindThreadWindow(thread, "#32770", "保存文件");
        if (!dialog)
            Sleep(100);
    }
    if (!dialog) {
        if (HWND other = FindThreadWindow(thread, "#32770", nullptr, nullptr, &user->seen))
            Press(other, IDCANCEL);
        return;
    }
    user->found = true;
    HWND box = FileNameBox(dialog);
    // The whole name at once: typed key by key, each key would make the box's completion list
    // read the folders along the path again.
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    char typed[MAX_PATH] = {};
    SendMessageA(box, WM_GETTEXT, sizeof typed, reinterpret_cast<LPARAM>(typed));
    user->seen = std::string("typed \"") + typed + "\" into control " + std::to_string(GetDlgCtrlID(box)) + "; ";
    Press(dialog, IDOK);
    for (int wait = 0; wait < 100 && IsWindow(dialog); ++wait) {
        Sleep(100);
        if (HWND refusal = FindThreadWindow(thread, "#32770", nullptr, dialog)) {
            user->refused = true;
            Press(refusal, IDOK);
            Sleep(500);
            break;
        }
    }
    if (IsWindow(dialog))
        Press(dialog, IDCANCEL);
}

DialogUser g_dialogUser;
std::string g_typedName;
std::string g_savedAs;  // the name the dialog gave back

// Inside the viewer: "另存为" with the real dialog, answered from another thread, then Esc.
void CALLBACK SaveThroughTheRealDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    PictureViewerWindow* viewer = ViewerAtTimer(id);
    if (!viewer)
        return;
    g_visit.seen = true;
    HANDLE answered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread user([thread = GetCurrentThreadId(), answered] {
        AnswerTheRealDialog(thread, g_typedName, &g_dialogUser);
        SetEvent(answered);
    });
    SavePictureAs();
    // The user may still be reading this thread's windows, which this thread must answer.
    while (MsgWaitForMultipleObjects(1, &answered, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpMessages();
    user.join();
    CloseHandle(answered);
    g_savedAs = viewer->saveDialog.FileName();
    PostMessageA(viewer->form.GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
}

// Wine's own dialog takes a new name even when asked for an existing file, so the flags the viewer
// gives it are pinned by the forms test; this one shows the whole road through the real dialog.
TEST_F(PictureViewerTest, TheRealSaveDialogTakesANewNameAndAddsTheExtension)
{
    g_frameworkSystemCalls.GetSaveFileNameA = ::GetSaveFileNameA;
    AddGridRow("p4", "", BmpFile(12, 6), "");
    g_grid->Select(0, 1);
    ByteSet cellPicture = g_grid->GetCellPicture();
    g_typedName = folder_->File("brand new");
    ASSERT_FALSE(PathExists(g_typedName + ".png"));
    g_dialogUser = {};
    UINT_PTR timer = SetTimer(nullptr, 0, 300, SaveThroughTheRealDialog);
    DoubleClick(0, 1);
    KillTimer(nullptr, timer);
    PumpMessages();
    ASSERT_TRUE(g_visit.seen) << "no viewer opened";
    ASSERT_TRUE(g_dialogUser.found) << "no save dialog among: " << g_dialogUser.seen;
    EXPECT_FALSE(g_dialogUser.refused) << "the dialog refused a new name: " << g_dialogUser.seen;
    EXPECT_EQ(g_savedAs, g_typedName + ".png") << g_dialogUser.seen;
    EXPECT_EQ(ReadFileBytes(g_typedName + ".png"), cellPicture);
}

// ---- Ctrl+C and the grid menu on the clipboard

bool ClipboardHas(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }

std::wstring ClipboardWideText() { return ReadClipboardText<wchar_t>(CF_UNICODETEXT, nullptr, L"", L""); }

std::string ClipboardText() { return GbkFromWide(ClipboardWideText()); }

TEST_F(HistoryWindowTest, CtrlCOnAPictureCellPutsTheBitmapOrTheRecordedFileOnTheClipboard)
{
    AddGridRow("k1", "", BmpFile(8, 8), "");
    AddGridRow("k2", "", BmpFile(8, 8), "");
    Record("k2", "C:\\pics\\a.png|C:\\pics\\b.png");

    EmptyTheClipboard();
    PressCtrlC(1, 1);
    EXPECT_TRUE(ClipboardHas(CF_BITMAP));
    EXPECT_FALSE(ClipboardHas(CF_UNICODETEXT)) << "the control's text copy replaced the picture";

    EmptyTheClipboard();
    PressCtrlC(0, 1);
    EXPECT_EQ(ClipboardFiles(), std::vector<std::string>{"C:\\pics\\a.png|C:\\pics\\b.png"})
        << "the recorded list goes as one name";
}

TEST_F(HistoryWindowTest, CtrlCAnywhereElseIsLeftToTheControlsTextCopy)
{
    AddGridRow("k3", "", BmpFile(8, 8), "");
    AddGridRow("k4", "plain text", {}, "");
    struct Case {
        const char* what;
        int row, col;
        std::vector<int> more;
    };
    const Case cases[] = {
        {"text row", 0, 1, {}},
        {"picture row, time column", 1, 0, {}},
        {"Ctrl+Shift+C on a picture", 1, 1, {VK_SHIFT}},
        {"Ctrl+Alt+C on a picture", 1, 1, {VK_MENU}},
    };
    for (const Case& c : cases) {
        EmptyTheClipboard();
        PressCtrlC(c.row, c.col, c.more);
        EXPECT_FALSE(ClipboardHas(CF_BITMAP)) << c.what;
        EXPECT_FALSE(ClipboardHas(CF_HDROP)) << c.what;
    }
    EmptyTheClipboard();
    PressCtrlC(0, 1);
    EXPECT_EQ(ClipboardText(), "plain text");
}

TEST_F(HistoryWindowTest, CtrlCOnAPictureRowWhosePictureCannotBeCopiedLeavesTheKeyToTheControl)
{
    // A picture row whose cell holds no readable picture and no recorded file.
    AddGridRow("k5", "shown text", {}, "");
    g_grid->SetTextMatrix(0, 2, "图片");
    EmptyTheClipboard();
    PressCtrlC(0, 1);
    EXPECT_FALSE(ClipboardHas(CF_BITMAP));
    EXPECT_EQ(ClipboardText(), "shown text") << "the user's Ctrl+C was swallowed";
}

TEST_F(HistoryWindowTest, TheFileLookUpMatchesTheTimeCellAsTypedEvenWithApostrophes)
{
    AddGridRow("other", "", BmpFile(4, 4), "");
    Record("other", "C:\\other.png");
    AddGridRow("own", "", BmpFile(4, 4), "");
    Record("it''s", "C:\\own.png");
    struct Case {
        const char* typed;
        const char* file;
    };
    const Case cases[] = {
        {"it's", "C:\\own.png"},
        {"x' or time <> '", ""},  // would find the other row's file
        {"unknown", ""},
    };
    for (const Case& c : cases) {
        g_grid->SetTextMatrix(0, 0, c.typed);
        g_grid->Select(0, 1);
        EXPECT_EQ(LookUpEntryFile(), c.file) << c.typed;
    }
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(HistoryWindowTest, ARightClickMovesTheCursorAndTheMenuOpensOnRelease)
{
    AddGridRow("m1", "lower", {}, "");
    AddGridRow("m2", "upper", {}, "");
    g_grid->Select(0, 0);
    SendMessageA(GridWindow(), WM_RBUTTONDOWN, MK_RBUTTON, CellPoint(1, 1));
    EXPECT_EQ(g_grid->GetRow(), 1);
    EXPECT_EQ(g_grid->GetCol(), 1);
    EXPECT_TRUE(g_popups.empty()) << "not on the press";

    EmptyTheClipboard();
    g_chooseItem = 0;  // "复制"
    SendMessageA(GridWindow(), WM_RBUTTONUP, 0, CellPoint(1, 1));
    ASSERT_EQ(g_popups.size(), 1u);
    EXPECT_EQ(g_popups[0].captions, (std::vector<std::string>{"复制", "-", "更多..."}));
    EXPECT_EQ(g_popups[0].owner, MainWindow().GetHandle());
    PumpMessages();
    EXPECT_EQ(ClipboardText(), "lower");

    g_chooseItem = 2;  // "更多..."
    SendMessageA(GridWindow(), WM_RBUTTONUP, 0, CellPoint(1, 1));
    PumpMessages();
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "功能开发中...");
    EXPECT_EQ(g_boxes[0].caption, "信息：");
    EXPECT_EQ(g_boxes[0].owner, nullptr);
    EXPECT_EQ(g_grid->GetTextMatrix(1, 1), "lower") << "changes nothing";
}

// ---- What another program copied, from the clipboard to the file and the grid and back

// The text and file columns of the newest row of "data", byte for byte.
std::pair<std::string, std::string> NewestStoredRow()
{
    SqlStatement read = g_database->Prepare("select text, file from data order by rowid desc limit 1");
    std::pair<std::string, std::string> row;
    if (read.Step())
        row = {read.ColumnText(0, true), read.ColumnText(1, true)};
    read.Finalize();
    return row;
}

TEST_F(HistoryWindowTest, WhatAnotherProgramCopiedIsStoredShownAndCopiedBackAsItWas)
{
    const std::wstring outsideGbk = L"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end";
    const std::vector<std::wstring> names = {L"C:\\😀\\한국어.txt", L"D:\\ελληνικά\\עברית 𠀀.png"};
    struct Case {
        const char* what;
        std::wstring text;
        std::vector<std::wstring> files;
        std::wstring shown;  // what the grid's Ctrl+C gives back
    };
    const Case cases[] = {
        {"outside gbk", outsideGbk, {}, outsideGbk},
        {"lone surrogates", L"high \xD83D, low \xDE00, pair \xD83D\xDE00", {},
         L"high \xD83D, low \xDE00, pair \xD83D\xDE00"},
        {"gbk", L"澄笺 剪贴板 it's\r\n第二行", {}, L"澄笺 剪贴板 it's\r\n第二行"},
        {"file names outside gbk", L"", names,
         L"文件数：2\r\n    C:\\😀\\한국어.txt\r\n    D:\\ελληνικά\\עברית 𠀀.png"},
    };
    for (const Case& c : cases) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            if (!c.text.empty())
                writer.Text(c.text);
            if (!c.files.empty())
                writer.Files(c.files);
        }
        CaptureNow();
        std::string joined;
        for (const std::wstring& name : c.files)
            joined += (joined.empty() ? "" : "|") + Utf8FromWide(name);
        EXPECT_EQ(NewestStoredRow(), std::pair(Utf8FromWide(c.text), joined)) << c.what;

        EmptyTheClipboard();
        PressCtrlC(0, 1);
        EXPECT_EQ(ClipboardWideText(), c.shown) << c.what;
    }

    // A picture row's recorded file goes back as the one name it was recorded as.
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        ASSERT_TRUE(writer.Bitmap(CreateBitmap(4, 4, 1, 32, nullptr)));
        writer.Files({names[0]});
    }
    CaptureNow();
    ASSERT_EQ(g_grid->GetTextMatrix(0, 2), kKindPicture);
    EmptyTheClipboard();
    PressCtrlC(0, 1);
    EXPECT_EQ(ClipboardWideFiles(), std::vector<std::wstring>{names[0]});
    EXPECT_TRUE(g_boxes.empty());
}

// Stands for the looked-up name failing to be copied out (memory running out).
const unsigned char* RefuseColumnText(sqlite3_stmt*, int) { throw std::bad_alloc(); }

TEST_F(HistoryWindowTest, ALookUpThatFailsMidwayLeavesTheHistoryWritable)
{
    AddGridRow("k6", "", BmpFile(4, 4), "");
    Record("k6", "C:\\k6.png");
    g_grid->Select(0, 1);
    {
        ScopedSystemCalls engine(SqliteEngine());
        SqliteEngine().sqlite3_column_text.function = RefuseColumnText;
        EXPECT_THROW(LookUpEntryFile(), std::bad_alloc);
    }
    // The look-up's connection is gone with its read lock: the next copy is stored.
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"copied after a failed look-up");
    }
    CaptureNow();
    EXPECT_EQ(NewestStoredRow().first, "copied after a failed look-up");
    PumpMessages();
    EXPECT_TRUE(g_boxes.empty()) << (g_boxes.empty() ? "" : g_boxes[0].text);
}

// ---- Minimising, the tray callback and the tray menu

void TrayMouse(UINT mouseMessage)
{
    SendMessageA(MainWindow().GetHandle(), TrayCallbackMessage, TrayIconId, mouseMessage);
    PumpMessages();
}

TEST_F(HistoryWindowTest, MinimisingHidesTheWindowAndALeftClickOnTheIconBringsItBack)
{
    HWND window = MainWindow().GetHandle();
    SetWindowPos(window, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(window)) << "an ordinary move keeps the window";

    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    EXPECT_FALSE(IsWindowVisible(window));
    for (UINT ignored : {UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONDOWN), UINT(WM_RBUTTONDOWN), UINT(WM_LBUTTONDBLCLK), 1120u}) {
        TrayMouse(ignored);
        EXPECT_FALSE(IsWindowVisible(window)) << ignored;
    }
    EXPECT_TRUE(g_popups.empty());

    TrayMouse(WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);
}

TEST_F(HistoryWindowTest, ARightClickOnTheIconOpensTheTrayMenuWhoseItemsAnswer)
{
    HWND window = MainWindow().GetHandle();
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    ASSERT_FALSE(IsWindowVisible(window));

    g_chooseItem = 2;  // "关于", while the window is hidden
    TrayMouse(WM_RBUTTONUP);
    ASSERT_EQ(g_popups.size(), 1u);
    EXPECT_EQ(g_popups[0].captions, (std::vector<std::string>{"打开主窗口", "-", "关于", "退出"}));
    EXPECT_EQ(g_popups[0].flags, static_cast<UINT>(TPM_RIGHTALIGN));
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].caption, "关于");
    EXPECT_EQ(g_boxes[0].style, static_cast<UINT>(MB_ICONINFORMATION | MB_TASKMODAL));
    EXPECT_EQ(g_boxes[0].owner, window);
    EXPECT_FALSE(IsWindowVisible(window));

    g_chooseItem = 0;  // "打开主窗口"
    TrayMouse(WM_RBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);
}

struct NotifyCall {
    DWORD message;
    HWND owner;
    UINT id, flags, callbackMessage;
    std::string tip;
    bool icon;
};
std::vector<NotifyCall> g_notifyCalls;

BOOL WINAPI RecordNotify(DWORD message, PNOTIFYICONDATAA data)
{
    g_notifyCalls.push_back({message, data->hWnd, data->uID, data->uFlags, data->uCallbackMessage, data->szTip,
                             data->hIcon != nullptr});
    return TRUE;
}

TEST_F(HistoryWindowTest, AfterTheShellRestartsTheIconIsAddedAgainAndAnswers)
{
    HWND window = MainWindow().GetHandle();
    ShowWindow(window, SW_MINIMIZE);
    PumpMessages();
    ASSERT_FALSE(IsWindowVisible(window));

    g_notifyCalls.clear();
    {
        ScopedSystemCalls desktopCalls(g_desktopSystemCalls);
        g_desktopSystemCalls.Shell_NotifyIconA = RecordNotify;
        SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        PumpMessages();
    }
    ASSERT_EQ(g_notifyCalls.size(), 1u) << "the new shell was not given the icon";
    const NotifyCall& added = g_notifyCalls[0];
    EXPECT_EQ(added.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(added.owner, window);
    EXPECT_EQ(added.id, TrayIconId);
    EXPECT_EQ(added.flags, 0x17u);
    EXPECT_EQ(added.callbackMessage, TrayCallbackMessage);
    EXPECT_EQ(added.tip, "澄笺 v1.0");
    EXPECT_TRUE(added.icon);
    EXPECT_FALSE(IsWindowVisible(window)) << "the notice itself shows nothing";

    TrayMouse(WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
}

} // namespace
