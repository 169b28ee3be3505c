// The history window on the program's own grid control: the set-up's grid layout and tray icon,
// rows for text, picture and file entries, the grid handlers driven by real mouse and key
// messages, the pop-up menus and their items, the tray callback through the tray class's window
// procedure, and the picture viewer with its save.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/globals.h"
#include "core/history_database.h"
#include "framework/file_dialog.h"
#include "framework/file_io.h"
#include "framework/menu.h"
#include "framework/message_box.h"
#include "grid_registration.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"
#include "ui/history_grid.h"
#include "ui/history_grid_handlers.h"
#include "ui/main_window.h"
#include "ui/main_window_setup.h"
#include "ui/picture_viewer_window.h"
#include "ui_test_support.h"

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
        SetTrackPopupMenuFunction(RecordPopup);
        SetMessageBoxFunction(RecordBox);
        SetFileDialogFunctions(nullptr, AnswerSaveDialog);
    }

    void TearDown() override
    {
        SetTrackPopupMenuFunction(nullptr);
        SetMessageBoxFunction(nullptr);
        SetFileDialogFunctions(nullptr, nullptr);
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }

    static HWND GridWindow() { return reinterpret_cast<HWND>(static_cast<intptr_t>(g_grid->GethWnd())); }
    // A client point inside cell (row, col): columns of 2381 and rows of 1360 twips, 15 to a pixel.
    static LPARAM CellPoint(int row, int col) { return MAKELPARAM(col * 2381 / 15 + 20, row * 1360 / 15 + 20); }
    static void Record(const std::string& time, const std::string& file)
    {
        ASSERT_TRUE(g_database->Exec("insert into data(time, text, byte, file) values ('" + time + "', '', '', '" +
                                     file + "')"));
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
        {"text", "第一行\r\nsecond it's", {}, "", "第一行\r\nsecond it's", "文本"},
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
    WNDCLASSA counting = {};
    counting.lpfnWndProc = CountingProc;
    counting.lpszClassName = "HistoryGridWaitingMessage";
    RegisterClassA(&counting);
    HWND other = CreateWindowA(counting.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
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

void CALLBACK CloseViewer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PictureViewerWindow* viewer = CurrentPictureViewer();
    if (!viewer)
        return;
    HWND window = viewer->form.GetHandle();
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
}

// Looks at the open viewer, asks for "另存为" by a right click on the picture and closes with Esc.
void CALLBACK VisitViewer(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PictureViewerWindow* viewer = CurrentPictureViewer();
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

TEST_F(PictureViewerTest, ARecordedGifGoesToTheShellAndEditingComesBack)
{
    AddGridRow("p3", "", BmpFile(4, 4), "");
    Record("p3", "C:\\no such folder\\a.GIF");
    g_grid->Select(0, 1);
    DoubleClickPictureRow();
    EXPECT_FALSE(g_visit.seen) << "a .gif is not shown in the viewer";
    EXPECT_EQ(g_grid->GetCol(), 0);
    EXPECT_EQ(g_grid->GetEditable(), 2);
}

// ---- Ctrl+C and the grid menu on the clipboard

bool ClipboardHas(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }

std::string ClipboardText()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

std::vector<std::string> ClipboardFiles()
{
    std::vector<std::string> names;
    if (!OpenClipboard(nullptr))
        return names;
    if (HANDLE drop = GetClipboardData(CF_HDROP)) {
        UINT count = DragQueryFileA(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char name[MAX_PATH] = {};
            DragQueryFileA(static_cast<HDROP>(drop), i, name, MAX_PATH);
            names.push_back(name);
        }
    }
    CloseClipboard();
    return names;
}

void EmptyTheClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

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

} // namespace
