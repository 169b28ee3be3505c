// The program end to end: first start in an empty folder, the stored window handle, a normal exit
// and a logoff, the early ends on a broken "data.db", a second start while the first runs,
// clipboard changes stored while it runs (a burst of them, copies still being stored at exit, and
// copies when the grid control cannot be installed), and a copied text shown as the history grid's
// top row.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/sqlite_database.h"
#include "desktop/grid_control_install.h"
#include "desktop/grid_control_user_install.h"
#include "desktop/special_folder.h"
#include "db/sqlite_engine.h"
#include "framework/file_io.h"
#include "pattern_bitmap.h"
#include "support/clipboard_files.h"
#include "support/clipboard_reader.h"
#include "support/clipboard_writer.h"
#include "support/program_runner.h"
#include "support/scratch_folder.h"
#include "support/window_thread.h"

namespace {

// Starts `program` and gives its main window once shown; null, with the failure told, when the
// program did not start or did not show the window.
HWND StartMainWindow(ProgramRunner& program)
{
    if (!program.Start()) {
        ADD_FAILURE() << "the program did not start";
        return nullptr;
    }
    HWND window = program.WaitForWindow("ChengjianMainWindow", "澄笺 v1.0");
    if (window == nullptr)
        ADD_FAILURE() << "the program showed no main window";
    return window;
}

long long AsNumber(HWND window) { return static_cast<long long>(reinterpret_cast<uintptr_t>(window)); }

// Asks `condition` every 100 ms for up to `timeoutMs`.
template <typename Condition>
bool Eventually(Condition condition, DWORD timeoutMs = 5000)
{
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}

// The first value of `sql` on the file at `path`; -1 while it cannot be read.
long long ReadNumber(const std::string& path, const std::string& sql)
{
    InitializeDatabaseEngine();
    SqliteDatabase db;
    long long value = -1;
    if (db.Open(path, SQLITE_OPEN_READONLY)) {
        SqlStatement read = db.Prepare(sql);
        if (read.Step())
            value = read.ColumnInt64(0);
        read.Finalize();
    }
    db.Close();
    return value;
}

// Rows of "data" whose file list is `files` (no apostrophes).
long long RowsWithFile(const std::string& path, const std::string& files)
{
    return ReadNumber(path, "select count(1) from data where file = '" + files + "'");
}

long long StoredHandle(const std::string& path) { return ReadNumber(path, "select hwnd from system"); }

// Rows of "data" whose text is the literal `text` (apostrophes doubled).
long long RowsWithText(const std::string& path, const std::string& text)
{
    return ReadNumber(path, "select count(1) from data where text = '" + text + "'");
}

// Wine's message box keeps its icon in control 1088; Windows' in control 20.
bool HasIcon(HWND box)
{
    for (int id : {1088, 20})
        if (SendDlgItemMessageA(box, id, STM_GETICON, 0, 0))
            return true;
    return false;
}

TEST(Program, FirstStartWritesTheDatabaseStoresItsHandleAndANormalExitResetsIt)
{
    // What an earlier program left on the clipboard would be captured at the start and grow the file.
    EmptyTheClipboard();
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartMainWindow(program);
    ASSERT_NE(window, nullptr) << "main window not shown";

    std::string db = folder.File("data.db");
    EXPECT_EQ(ReadFileBytes(db).Size(), 12288u);
    EXPECT_EQ(StoredHandle(db), AsNumber(window));

    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 554);
    EXPECT_EQ(rect.bottom - rect.top, 581);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 554) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 581) / 2);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(StoredHandle(db), 0);
}

TEST(Program, AStaleStoredHandleIsReplacedByTheRunningInstancesOwn)
{
    ScratchFolder folder;
    {
        ProgramRunner first(folder.Path());
        ASSERT_TRUE(first.Start());
        ASSERT_NE(first.WaitForWindow("ChengjianMainWindow", "澄笺 v1.0"), nullptr);
    }  // ended abnormally: the handle stays stored
    std::string db = folder.File("data.db");
    long long stale = StoredHandle(db);
    ASSERT_GT(stale, 0);

    ProgramRunner second(folder.Path());
    HWND window = StartMainWindow(second);
    ASSERT_NE(window, nullptr);
    // Past the single-instance check it is the only instance: a later start must find this window.
    EXPECT_EQ(StoredHandle(db), AsNumber(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_EQ(StoredHandle(db), 0);
}

// A clipboard viewer of the test's own, on a thread that answers what the chain sends it, so that
// the program joins the chain in front of it and must hand the chain back when it goes.
class ChainViewer : public WindowThread {
public:
    ChainViewer() : ChainViewer(std::make_shared<HWND>()) {}

private:
    // The viewer after this one lives with the thread's two steps, not in a member of this class,
    // which is only made after the base has run the first of them.
    explicit ChainViewer(std::shared_ptr<HWND> next)
        : WindowThread(
              WS_OVERLAPPED, [next](HWND window) { *next = SetClipboardViewer(window); },
              [next](HWND window) { ChangeClipboardChain(window, *next); })
    {
    }
};

TEST(Program, ALogoffRunsTheExitSequenceAndACancelledOneChangesNothing)
{
    ScratchFolder folder;
    ChainViewer viewer;
    ASSERT_EQ(GetClipboardViewer(), viewer.Get());
    ProgramRunner program(folder.Path());
    HWND window = StartMainWindow(program);
    ASSERT_NE(window, nullptr);
    std::string db = folder.File("data.db");
    ASSERT_TRUE(Eventually([&] { return GetClipboardViewer() == window; })) << "not in the viewer chain";

    // The session asks; another program refuses, so the session goes on.
    DWORD_PTR answer = 0;
    ASSERT_NE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer), 0);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the program must not hold the logoff up";
    SendMessageTimeoutA(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer);
    EXPECT_EQ(program.WaitForExit(1000), static_cast<DWORD>(STILL_ACTIVE)) << "ended on a cancelled logoff";

    // The session ends: the program leaves the chain, resets its handle and ends.
    SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer);
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer);
    EXPECT_EQ(program.WaitForExit(20000), 0u);
    EXPECT_EQ(StoredHandle(db), 0);
    EXPECT_EQ(GetClipboardViewer(), viewer.Get()) << "the viewer chain was not handed back";
}

TEST(Program, ABrokenDatabaseShowsTheEnginesTextAndEndsWithoutChangingTheFile)
{
    struct Case {
        const char* what;
        const char* message;
    };
    const Case cases[] = {
        {"not a database", "file is not a database"},
        {"no table system", "no such table: system"},
    };
    for (const Case& c : cases) {
        ScratchFolder folder;
        std::string db = folder.File("data.db");
        if (std::string(c.what) == "not a database") {
            ASSERT_TRUE(WriteFileBytes(db, ByteSet::FromText(std::string(8192, 'x'))));
        } else {
            InitializeDatabaseEngine();
            SqliteDatabase maker;
            ASSERT_TRUE(maker.Open(db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
            ASSERT_TRUE(maker.Exec("create table other(x)"));
            maker.Close();
        }
        ByteSet before = ReadFileBytes(db);

        ProgramRunner program(folder.Path());
        ASSERT_TRUE(program.Start());
        HWND box = program.WaitForWindow("#32770", nullptr);
        ASSERT_NE(box, nullptr) << c.what;
        EXPECT_EQ(WindowCaption(box), "信息：") << c.what;
        EXPECT_EQ(MessageBoxText(box), c.message) << c.what;
        PressOk(box);
        EXPECT_EQ(program.WaitForExit(), 0u) << c.what;
        EXPECT_EQ(ReadFileBytes(db), before) << c.what;
    }
}

TEST(Program, ASecondStartTellsTheUserBringsTheFirstBackAndEnds)
{
    ScratchFolder folder;
    ProgramRunner first(folder.Path());
    HWND window = StartMainWindow(first);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    std::string db = folder.File("data.db");

    ProgramRunner second(folder.Path());
    ASSERT_TRUE(second.Start());
    HWND box = second.WaitForWindow("#32770", nullptr);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(WindowCaption(box), "砚岚提示");
    EXPECT_EQ(MessageBoxText(box), "已有相同程序在运行！");
    EXPECT_TRUE(HasIcon(box));
    PressOk(box);
    EXPECT_EQ(second.WaitForExit(), 0u);

    EXPECT_TRUE(Eventually([&] { return !IsIconic(window); })) << "first window not restored";
    EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == window; })) << "first window not in front";
    EXPECT_EQ(StoredHandle(db), AsNumber(window));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 0u);
}

TEST(Program, ClipboardChangesAreStoredWhileItRuns)
{
    // Joining the viewer chain reads the clipboard once: start with an empty one.
    ASSERT_TRUE(ClipboardWriter().IsOpen());
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartMainWindow(program);
    ASSERT_NE(window, nullptr);
    // Each change is awaited: a notice handled after the next change would read that one instead.
    // The program is not asked through its database while it runs: a reader's lock would make its
    // insert fail. A message sent after the change is handled after the change's notice.
    const std::pair<const wchar_t*, const char*> changes[] = {{L"first it's", "first it''s"},
                                                              {L"second 澄笺", "second 澄笺"}};
    for (const auto& change : changes) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(change.first);
        }
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer), 0);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    std::string db = folder.File("data.db");
    for (const auto& change : changes)
        EXPECT_EQ(RowsWithText(db, change.second), 1) << change.second;
}

// Starts the program with an empty clipboard (joining the viewer chain reads the clipboard once)
// and gives it a second to settle; its main window, or null.
HWND StartWithAnEmptyClipboard(ProgramRunner& program)
{
    if (!ClipboardWriter().IsOpen() || !program.Start())
        return nullptr;
    HWND window = program.WaitForWindow("ChengjianMainWindow", "澄笺 v1.0");
    Sleep(1000);
    return window;
}

// Puts `text` on the clipboard as another program would and waits for the program to answer: its
// notices of the copy come first. The milliseconds that took, or -1 when the clipboard stayed busy.
long CopyAndWaitForTheProgram(HWND window, const std::wstring& text)
{
    const DWORD start = GetTickCount();
    {
        ClipboardWriter writer;
        if (!writer.IsOpen() || !writer.Text(text))
            return -1;
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer);
    return static_cast<long>(GetTickCount() - start);
}

TEST(Program, ABurstOfCopiesFromAnotherProgramIsStoredOnceEach)
{
    // Every notice reads the clipboard as it is when handled: a capture slower than the gap would
    // store a later copy in place of the one it was told of, and that later copy twice. The gap is
    // 150 ms, or twice the longest a single copy took the program on this machine when that is
    // more: a copy replaced before the program could even be told of it is no fault of its own.
    constexpr int kCopies = 30;
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartWithAnEmptyClipboard(program);
    ASSERT_NE(window, nullptr);
    long slowest = 0;
    for (int i = 0; i < 3; ++i) {
        const long took = CopyAndWaitForTheProgram(window, L"warming up " + std::to_wstring(i));
        ASSERT_GE(took, 0);
        slowest = std::max(slowest, took);
    }
    const DWORD gapMs = static_cast<DWORD>(std::max(150L, 2 * slowest));
    for (int i = 0; i < kCopies; ++i) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"burst copy " + std::to_wstring(i));
        }
        Sleep(gapMs);
    }
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &answer), 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    std::string db = folder.File("data.db");
    for (int i = 0; i < kCopies; ++i)
        EXPECT_EQ(RowsWithText(db, "burst copy " + std::to_string(i)), 1) << i << " (gap " << gapMs << " ms)";
    EXPECT_EQ(ReadNumber(db, "select count(1) from data where text like 'burst copy %'"), kCopies);
}

// Stands for a user who may write neither the Windows folder (nor the machine's classes) nor their
// own application data: a folder in the place of each control file. Put back afterwards with the
// control installed for everyone, as the other tests expect it.
class UninstallableGridControl {
public:
    UninstallableGridControl()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}");
        DeleteFileA(windowsOcx_.c_str());
        CreateDirectoryA(windowsOcx_.c_str(), nullptr);
        CreateDirectoryA(userFolder_.c_str(), nullptr);
        CreateDirectoryA(userOcx_.c_str(), nullptr);
    }
    ~UninstallableGridControl()
    {
        RemoveDirectoryA(windowsOcx_.c_str());
        RemoveDirectoryA(userOcx_.c_str());
        RemoveDirectoryA(userFolder_.c_str());
        InstallGridControl();
    }
    UninstallableGridControl(const UninstallableGridControl&) = delete;
    UninstallableGridControl& operator=(const UninstallableGridControl&) = delete;

    bool InPlace() const { return PathExists(windowsOcx_) && PathExists(userOcx_); }

private:
    std::string windowsOcx_ = GetSpecialFolder(9) + "vsflex8.ocx";
    std::string userOcx_ = UserGridControlPath();
    std::string userFolder_ = userOcx_.substr(0, userOcx_.rfind('\\'));
};

TEST(Program, AGridControlThatCannotBeInstalledIsExplainedOnceAndCopiesAreStillStored)
{
    ASSERT_TRUE(ClipboardWriter().IsOpen());
    UninstallableGridControl refused;
    ASSERT_TRUE(refused.InPlace());
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    ASSERT_TRUE(program.Start());
    HWND box = program.WaitForWindow("#32770", nullptr);
    ASSERT_NE(box, nullptr) << "the user is not told why the history stays empty";
    EXPECT_NE(MessageBoxText(box).find("vsflex8.ocx"), std::string::npos) << MessageBoxText(box);
    EXPECT_TRUE(HasIcon(box));
    PressOk(box);
    HWND window = program.WaitForWindow("ChengjianMainWindow", "澄笺 v1.0");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(program.WaitForWindow("#32770", nullptr, 1000), nullptr) << "told more than once";

    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"kept without a grid");
    }
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer), 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_EQ(RowsWithText(folder.File("data.db"), "kept without a grid"), 1);
}

TEST(Program, CopiesStillBeingStoredWhenItIsClosedAreStoredBeforeItEnds)
{
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartWithAnEmptyClipboard(program);
    ASSERT_NE(window, nullptr);
    // Another connection's write lock keeps the program's store waiting (well within its busy
    // time-out) until the window has been closed.
    std::string db = folder.File("data.db");
    InitializeDatabaseEngine();
    SqliteDatabase other;
    ASSERT_TRUE(other.Open(db, SQLITE_OPEN_READWRITE));
    ASSERT_TRUE(other.Exec("begin immediate"));
    for (int i = 0; i < 3; ++i) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"closed while stored " + std::to_wstring(i));
        }
        Sleep(100);
    }
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &answer), 0) << "notices not read";
    PostMessageA(window, WM_CLOSE, 0, 0);
    Sleep(300);
    EXPECT_EQ(program.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE)) << "ended before its copies were stored";
    other.Exec("commit");
    other.Close();
    EXPECT_EQ(program.WaitForExit(), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(RowsWithText(db, "closed while stored " + std::to_string(i)), 1) << i;
    EXPECT_EQ(StoredHandle(db), 0) << "the exit's own statement ran";
}

TEST(Program, CopiesThatCannotBeStoredAtExitAreToldBeforeItEndsButNotAtLogoff)
{
    const struct {
        const char* what;
        bool logoff;
    } cases[] = {{"closed", false}, {"logoff", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        ProgramRunner program(folder.Path());
        HWND window = StartWithAnEmptyClipboard(program);
        ASSERT_NE(window, nullptr);
        // Another connection's write lock, held beyond the program's busy time-out: the copy read
        // just before the end cannot be stored.
        InitializeDatabaseEngine();
        SqliteDatabase other;
        ASSERT_TRUE(other.Open(folder.File("data.db"), SQLITE_OPEN_READWRITE));
        ASSERT_TRUE(other.Exec("begin immediate"));
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"not stored at the end");
        }
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &answer), 0) << "notice not read";
        if (c.logoff) {
            SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer);
            SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer);
        } else {
            PostMessageA(window, WM_CLOSE, 0, 0);
            HWND box = program.WaitForWindow("#32770", nullptr, 20000);
            ASSERT_NE(box, nullptr) << "ended without telling that the copy was not stored";
            EXPECT_EQ(MessageBoxText(box), "database is locked");
            EXPECT_EQ(program.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE)) << "ended while the box was open";
            PressOk(box);
        }
        EXPECT_EQ(program.WaitForExit(20000), 0u) << "the end waited for the user";
        other.Exec("rollback");
        other.Close();
    }
}

// The program's history grid: the grid control's own window inside the main window.
HWND FindGridWindow(HWND mainWindow)
{
    HWND host = FindWindowExA(mainWindow, nullptr, "AtlAxWin", nullptr);
    return host ? GetWindow(host, GW_CHILD) : nullptr;
}

// A user's click at the client point (x, y) of `window`, then Ctrl+C, through the input queue.
void ClickThenCtrlC(HWND window, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(window, &at);
    SetCursorPos(at.x, at.y);
    INPUT inputs[6] = {};
    for (INPUT& input : inputs)
        input.type = INPUT_KEYBOARD;
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    inputs[2].ki.wVk = VK_CONTROL;
    inputs[3].ki.wVk = 'C';
    inputs[4].ki.wVk = 'C';
    inputs[4].ki.dwFlags = KEYEVENTF_KEYUP;
    inputs[5].ki.wVk = VK_CONTROL;
    inputs[5].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
    Sleep(300);
    SendInput(4, inputs + 2, sizeof(INPUT));
}

std::wstring ClipboardText() { return ReadClipboardText<wchar_t>(CF_UNICODETEXT, nullptr, L"", L""); }

// WM_NULL sent again and again from a thread of its own while it watches: the answers that did
// not come within 200 ms, each as the time it was sent (ms after the watch began).
class WindowWatch {
public:
    explicit WindowWatch(HWND window)
        : start_(GetTickCount()), thread_([this, window] {
              while (!stop_) {
                  const DWORD sent = GetTickCount();
                  DWORD_PTR answer = 0;
                  if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 200, &answer))
                      Note(sent);
                  Sleep(20);
              }
          })
    {
    }
    ~WindowWatch() { Stop(); }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // Ms since the watch began.
    DWORD Now() const { return GetTickCount() - start_; }
    // Call after Stop.
    const std::vector<DWORD>& Unanswered() const { return unanswered_; }

private:
    void Note(DWORD sent)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        unanswered_.push_back(sent - start_);
    }

    const DWORD start_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<DWORD> unanswered_;
    std::thread thread_;
};

TEST(Program, TheWindowAnswersAndFindsARecordedFileWhileCapturesWaitForAnotherProgramsLock)
{
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartWithAnEmptyClipboard(program);
    ASSERT_NE(window, nullptr);
    HWND grid = FindGridWindow(window);
    ASSERT_NE(grid, nullptr) << "no history grid";
    // A picture copied with its file: the top row shows the picture, Ctrl+C on it copies the file.
    const std::string file = folder.File("recorded.bmp");
    ASSERT_TRUE(WriteFileBytes(file, ByteSet::FromText("BM")));
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Bitmap(MakePatternBitmap(32, 16));
        writer.Files({std::wstring(file.begin(), file.end())});
    }
    const std::string db = folder.File("data.db");
    ASSERT_TRUE(Eventually([&] { return RowsWithFile(db, file) == 1; }, 20000)) << "the picture was not stored";

    // Another program holds a write lock while copies come: they queue behind it. It lets go once
    // the look-up has been answered, within the busy time-out of the capture that waits for it,
    // so that every copy is stored in the end and no failure box comes in between.
    InitializeDatabaseEngine();
    SqliteDatabase other;
    ASSERT_TRUE(other.Open(db, SQLITE_OPEN_READWRITE));
    ASSERT_TRUE(other.Exec("begin immediate"));
    WindowWatch watch(window);
    for (int i = 0; i < 3; ++i) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"waiting for the lock " + std::to_wstring(i));
        }
        Sleep(100);
    }
    SetForegroundWindow(window);
    const DWORD clicked = watch.Now();
    ClickThenCtrlC(grid, 2381 / 15 + 30, 30);
    const bool copied = Eventually([&] { return ClipboardFiles() == std::vector<std::string>{file}; }, 10000);
    const DWORD answered = watch.Now();
    other.Exec("rollback");
    other.Close();
    Sleep(1000);  // the queued copies are stored and shown meanwhile
    watch.Stop();
    EXPECT_TRUE(copied) << "the look-up did not find the recorded file";
    std::string late;
    for (DWORD sent : watch.Unanswered())
        late += " " + std::to_string(sent);
    EXPECT_TRUE(watch.Unanswered().empty()) << "unanswered within 200 ms, sent at (ms):" << late << "; clicked at "
                                            << clicked << ", Ctrl+C 300 ms later, file copied by " << answered;
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(RowsWithText(db, "waiting for the lock " + std::to_string(i)), 1) << i;
}

// The rows of "data" that `sql` selects, as (text, file).
std::vector<std::pair<std::string, std::string>> StoredRows(const std::string& path, const std::string& sql)
{
    InitializeDatabaseEngine();
    SqliteDatabase db;
    std::vector<std::pair<std::string, std::string>> rows;
    if (db.Open(path, SQLITE_OPEN_READONLY)) {
        SqlStatement read = db.Prepare(sql, nullptr, true);
        while (read.Step())
            rows.emplace_back(read.ColumnText(0, true), read.ColumnText(1, true));
        read.Finalize();
    }
    db.Close();
    return rows;
}

TEST(Program, ABurstAtShortGapsStoresNoChangeTwiceAndNoRowOfTwoChanges)
{
    // Each change is a text, a file, or a text with a file, in turn. A copy replaced before the
    // program got to it may be missing (a bare viewer misses those too), but every row must be one
    // change whole, and no change may be stored twice.
    constexpr int kCopies = 30;
    const int gaps[] = {20, 10, 0};
    auto name = [](int gap, int i) { return "burst " + std::to_string(gap) + " " + std::to_string(i); };
    auto file = [](const std::string& change) { return "C:\\" + change + ".txt"; };
    auto wide = [](const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); };
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartWithAnEmptyClipboard(program);
    ASSERT_NE(window, nullptr);
    for (int gap : gaps) {
        for (int i = 0; i < kCopies; ++i) {
            {
                ClipboardWriter writer;
                ASSERT_TRUE(writer.IsOpen());
                const std::string change = name(gap, i);
                if (i % 3 != 1)
                    writer.Text(wide(change));
                if (i % 3 != 0)
                    writer.Files({wide(file(change))});
            }
            Sleep(gap);
        }
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &answer), 0);
        Sleep(500);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    const auto rows = StoredRows(folder.File("data.db"),
                                 "select text, file from data where text like 'burst %' or file like 'C:\\burst %'");
    std::map<std::string, int> stored;
    for (const auto& [text, files] : rows) {
        std::string change;
        for (int gap : gaps)
            for (int i = 0; i < kCopies; ++i)
                if (text == (i % 3 != 1 ? name(gap, i) : "") && files == (i % 3 != 0 ? file(name(gap, i)) : ""))
                    change = name(gap, i);
        EXPECT_FALSE(change.empty()) << "a row of no one change: text \"" << text << "\", file \"" << files << "\"";
        if (!change.empty())
            EXPECT_EQ(++stored[change], 1) << change << " stored twice";
    }
    EXPECT_FALSE(stored.empty());
}

// A viewer ahead of the program in the chain: at the armed change it opens the clipboard, passes
// the notice on without waiting for it, and keeps the clipboard open for two seconds.
HWND g_holdingViewerNext = nullptr;
std::atomic<bool> g_holdingViewerArmed{false};

LRESULT CALLBACK HoldingViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWCLIPBOARD && g_holdingViewerArmed.exchange(false)) {
        const BOOL opened = OpenClipboard(window);
        if (g_holdingViewerNext)
            SendNotifyMessageA(g_holdingViewerNext, message, wParam, lParam);
        Sleep(2000);
        if (opened)
            CloseClipboard();
        return 0;
    }
    if (message == WM_DRAWCLIPBOARD && g_holdingViewerNext)
        SendMessageA(g_holdingViewerNext, message, wParam, lParam);
    if (message == WM_CHANGECBCHAIN) {
        if (reinterpret_cast<HWND>(wParam) == g_holdingViewerNext)
            g_holdingViewerNext = reinterpret_cast<HWND>(lParam);
        else if (g_holdingViewerNext)
            SendMessageA(g_holdingViewerNext, message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Program, TheWindowAnswersWhileAnotherProgramHoldsTheClipboardOpenDuringANotice)
{
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartWithAnEmptyClipboard(program);
    ASSERT_NE(window, nullptr);
    {
        WindowThread viewer(
            WS_OVERLAPPED,
            [](HWND made) {
                SetWindowLongPtrA(made, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HoldingViewerProc));
                g_holdingViewerNext = SetClipboardViewer(made);
            },
            [](HWND ending) { ChangeClipboardChain(ending, g_holdingViewerNext); });
        ASSERT_EQ(g_holdingViewerNext, window) << "the viewer is not right ahead of the program";
        g_holdingViewerArmed = true;
        WindowWatch watch(window);
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"copied while a viewer holds the clipboard");
        }
        Sleep(2500);
        watch.Stop();
        EXPECT_FALSE(g_holdingViewerArmed) << "the viewer was not told of the change";
        std::string late;
        for (DWORD sent : watch.Unanswered())
            late += " " + std::to_string(sent);
        EXPECT_TRUE(watch.Unanswered().empty()) << "unanswered within 200 ms, sent at (ms):" << late;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
}

// The grid is read the way a user reads it: the content cell of the top row is clicked and copied
// with the grid's own Ctrl+C. The database is read only after the program has ended, so that no
// read of ours holds it while a capture writes.
TEST(Program, ATextCopiedWhileItRunsIsTheGridsTopRow)
{
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    HWND window = StartMainWindow(program);
    ASSERT_NE(window, nullptr);
    HWND grid = FindGridWindow(window);
    ASSERT_NE(grid, nullptr) << "no history grid";
    for (const wchar_t* copied : {L"older entry", L"newest 澄笺"}) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(copied);
        }
        Sleep(1500);  // each change is captured before the next
    }
    EmptyTheClipboard();
    Sleep(500);

    SetForegroundWindow(window);
    // Column 1 of row 0: columns of 2381 and rows of 1360 twips, 15 twips to a pixel.
    ClickThenCtrlC(grid, 2381 / 15 + 30, 30);
    EXPECT_TRUE(Eventually([] { return ClipboardText() == L"newest 澄笺"; })) << "top row shows another text";
    Sleep(500);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    std::string db = folder.File("data.db");
    EXPECT_EQ(RowsWithText(db, "older entry"), 1);
    // The grid's own copy is a clipboard change as well: stored, though it gets no grid row.
    EXPECT_EQ(RowsWithText(db, "newest 澄笺"), 2);
}

} // namespace
