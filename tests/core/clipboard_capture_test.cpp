// One capture from the real clipboard into a history database of the test's own: what is stored
// for text, pictures and file lists, what is not an entry, the error message of a failed insert,
// and the owner test that keeps the grid's own copies out of the grid.
#include "core/clipboard_capture.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "capture_store_fixture.h"
#include "core/capture_failure_notice.h"
#include "core/clipboard_monitor.h"
#include "core/clipboard_readers.h"
#include "core/core_system_calls.h"
#include "core/globals.h"
#include "core/history_database.h"
#include "core/history_view.h"
#include "db/text_conversion.h"
#include "framework/text_codec.h"
#include "framework/framework_system_calls.h"
#include "framework/message_box.h"
#include "pattern_bitmap.h"
#include "ui/history_grid.h"
#include "support/clipboard_holder.h"
#include "support/clipboard_writer.h"
#include "support/utf8_text.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"
#include "support/system_calls_scope.h"
#include "support/test_window.h"

namespace {

// A grid whose two windows the test chooses, and which keeps the rows added to it: each new row's
// time key and the content cell it was given.
class FakeGrid : public GridControl {
public:
    std::int32_t GethWnd() noexcept override { return window; }
    std::int32_t GetEditWindow() noexcept override { return edit; }
    void AddItem(const std::string& item, std::optional<std::int32_t> row) noexcept override
    {
        if (row == 0)
            rows.insert(rows.begin(), {item, ""});
    }
    // Kept as UTF-8. A text of many megabytes is kept by its length alone: a copy of it would count
    // in the capture's own peak memory, which a test measures.
    bool SetTextMatrix(std::int32_t row, std::int32_t col, BSTR value) noexcept override
    {
        const UINT units = SysStringLen(value);
        if (row == 0 && col == 1 && !rows.empty())
            rows.front().second = units <= kKeptUnits ? Utf8FromWide(std::wstring_view(value, units))
                                                      : std::to_string(units) + " units";
        return true;
    }
    static constexpr UINT kKeptUnits = 1 << 20;
    std::int32_t window = 0;
    std::int32_t edit = 0;
    std::vector<std::pair<std::string, std::string>> rows;  // top row first
};

// A row of "data" byte for byte, as stored (UTF-8).
struct Row {
    std::string time, text, byte, file;
};


std::int32_t Handle(HWND window) { return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(window)); }

HWND MakeOwnerWindow()
{
    return CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// The store of the capture fixture, with the grid rows recorded: each capture's row is shown in
// a fake grid.
class ClipboardCaptureTest : public CaptureStoreFixture {
protected:
    void SetUp() override
    {
        g_grid = &grid;
        SetHistoryView(&AddGridRow);
        CaptureStoreFixture::SetUp();
    }
    void TearDown() override
    {
        CaptureStoreFixture::TearDown();
        g_grid = nullptr;
        SetHistoryView(nullptr);
    }

    std::vector<Row> Rows()
    {
        std::vector<Row> rows;
        SqlStatement read = database.Prepare("select time, text, byte, file from data order by rowid");
        while (read.Step())
            rows.push_back({read.ColumnText(0, true), read.ColumnText(1, true), read.ColumnText(2, true),
                            read.ColumnText(3, true)});
        read.Finalize();
        return rows;
    }

    // The one row a capture of the clipboard now adds.
    Row CaptureOne()
    {
        size_t before = Rows().size();
        const DWORD sequence = GetClipboardSequenceNumber();
        CaptureNow();
        std::vector<Row> rows = Rows();
        // What the clipboard was like, for a capture that stored nothing: changed again, or held
        // open by another window.
        EXPECT_EQ(rows.size(), before + 1) << "sequence " << sequence << " then " << GetClipboardSequenceNumber()
                                           << ", held open by window " << GetOpenClipboardWindow();
        return rows.empty() ? Row() : rows.back();
    }

    FakeGrid grid;
};

// Lets the message loop run until the captures of the test's own changes are stored and shown,
// and no failure box waits.
void PumpUntilNoFailurePending()
{
    MSG message;
    for (int i = 0; i < 10; ++i, Sleep(5))
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    FinishQueuedCaptures();
    PumpMessagesWhile(CaptureFailurePending);
}

void PutText(const std::wstring& text)
{
    ClipboardWriter writer;
    ASSERT_TRUE(writer.IsOpen());
    writer.Text(text);
}

TEST_F(ClipboardCaptureTest, TextIsStoredAndShownAsCopied)
{
    struct Case {
        const wchar_t* copied;
        std::string text;  // UTF-8, as stored and shown
    };
    const Case cases[] = {
        {L"it's", "it's"},
        {L"'quoted' and ''doubled''", "'quoted' and ''doubled''"},
        {L"澄笺 剪贴板", Utf8(u8"澄笺 剪贴板")},
        {L"多行\r\n'文本'", Utf8(u8"多行\r\n'文本'")},
        {L"\u0E01 not in GBK", Utf8(u8"\u0E01 not in GBK")},
        {L"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end", Utf8(u8"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end")},
        {L"lone \xDC00 surrogate", "lone \xED\xB0\x80 surrogate"},
    };
    for (const Case& c : cases) {
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(c.copied);
        }
        EXPECT_EQ(ReadClipboardEntry().text, c.text);
        Row row = CaptureOne();
        EXPECT_EQ(row.text, c.text);
        EXPECT_EQ(row.byte, "");
        EXPECT_EQ(row.file, "");
        EXPECT_EQ(row.time.size(), 23u) << row.time;
        ASSERT_FALSE(grid.rows.empty()) << "no grid row";
        EXPECT_EQ(grid.rows.front().first, row.time);
        EXPECT_EQ(grid.rows.front().second, c.text) << "the grid shows the text as copied";
    }
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(ClipboardCaptureTest, AGbkTextIsStoredInTheSameBytesAsThroughCodePage936)
{
    // What the file held for such a text before captures kept every unit: other readers of the
    // file see no change.
    const wchar_t* cases[] = {L"澄笺 v1.0", L"it's 剪贴板\r\n【TIME】", L"全角：，。"};
    for (const wchar_t* copied : cases) {
        PutText(copied);
        const std::string gbk = Utf16ToText(ByteSet(copied, (std::wcslen(copied) + 1) * sizeof(wchar_t)));
        EXPECT_EQ(CaptureOne().text, GbkToUtf8(gbk)) << gbk;
    }
}

TEST(StatementCopy, DoublesEveryApostrophe)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {"it's", "it''s"}, {"''", "''''"}, {"'澄'笺'", "''澄''笺''"}, {"none", "none"},
    };
    for (const auto& [text, copy] : cases)
        EXPECT_EQ(StatementCopy(text), copy);
}

TEST_F(ClipboardCaptureTest, PictureAndFilesAreStoredWithTheText)
{
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"both");
        writer.Bitmap(MakePatternBitmap(101, 100));
    }
    HistoryEntry entry = ReadClipboardEntry();
    EXPECT_EQ(entry.text, "both");
    EXPECT_EQ(entry.picture.Size(), 30454u);
    Row row = CaptureOne();
    EXPECT_EQ(row.text, "both");
    EXPECT_EQ(row.byte, "BM30454");

    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Files({L"C:\\it's here.txt", L"D:\\图片\\一.png"});
    }
    row = CaptureOne();
    EXPECT_EQ(row.text, "");
    EXPECT_EQ(row.byte, "");
    EXPECT_EQ(row.file, Utf8(u8"C:\\it's here.txt|D:\\图片\\一.png"));
}

TEST_F(ClipboardCaptureTest, AClipboardWithoutContentStoresNothing)
{
    {
        ClipboardWriter writer;  // emptied by another program
        ASSERT_TRUE(writer.IsOpen());
    }
    EXPECT_TRUE(ReadClipboardEntry().IsEmpty());
    CaptureNow(WM_CHANGECBCHAIN);
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"");  // an empty text is no content either
    }
    CaptureNow();
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(ClipboardCaptureTest, AFailedInsertShowsTheEnginesTextAndTheCaptureGoesOn)
{
    // With a refusing trigger the trim after the insert succeeds: the box must still show why the
    // insert failed, not the trim's "not an error". Each case breaks the database a little more.
    const struct {
        const char* breakage;
        const char* shown;
    } cases[] = {
        {"create trigger refuse before insert on data begin select raise(abort, 'refused'); end", "refused"},
        {"drop table data", "no such table: data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.breakage);
        g_boxes.clear();
        ASSERT_TRUE(database.Exec(c.breakage));
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"lost");
        }
        CaptureNow();
        EXPECT_TRUE(g_boxes.empty()) << "shown inside the notification";
        PumpUntilNoFailurePending();
        ASSERT_EQ(g_boxes.size(), 1u);
        EXPECT_EQ(g_boxes[0].text, c.shown);
        EXPECT_EQ(g_boxes[0].caption, "信息：");
        EXPECT_EQ(g_boxes[0].style, static_cast<UINT>(MB_TASKMODAL));
        EXPECT_EQ(g_boxes[0].owner, nullptr);
    }
}

TEST_F(ClipboardCaptureTest, TheGridsOwnCopiesAreRecognisedByTheClipboardOwner)
{
    HWND gridWindow = MakeOwnerWindow();
    HWND editWindow = MakeOwnerWindow();
    HWND otherWindow = MakeOwnerWindow();
    struct Case {
        const char* what;
        HWND owner;
        HWND window;
        HWND edit;
        bool ownCopy;
    };
    const Case cases[] = {
        {"grid window", gridWindow, gridWindow, nullptr, true},
        {"edit window", editWindow, gridWindow, editWindow, true},
        {"another program", otherWindow, gridWindow, editWindow, false},
        {"another program, no editor", otherWindow, gridWindow, nullptr, false},
        {"no owner, no editor", nullptr, gridWindow, nullptr, false},
        {"no owner, no grid window", nullptr, nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        {
            ClipboardWriter writer(c.owner);
            ASSERT_TRUE(writer.IsOpen());
            writer.Text(L"copy");
        }
        ASSERT_EQ(GetClipboardOwner(), c.owner) << c.what;
        grid.window = Handle(c.window);
        grid.edit = Handle(c.edit);
        grid.rows.clear();
        EXPECT_EQ(IsGridClipboardOwner(&grid, GetClipboardOwner()), c.ownCopy) << c.what;
        Row row = CaptureOne();
        EXPECT_EQ(row.text, "copy") << c.what;  // stored either way
        if (c.ownCopy) {
            EXPECT_TRUE(grid.rows.empty()) << c.what << ": the grid's own copy got a row";
        } else {
            using Shown = std::vector<std::pair<std::string, std::string>>;
            EXPECT_EQ(grid.rows, (Shown{{row.time, "copy"}})) << c.what;
        }
    }
    EXPECT_FALSE(IsGridClipboardOwner(nullptr, GetClipboardOwner()));
    for (HWND window : {gridWindow, editWindow, otherWindow})
        DestroyWindow(window);
}

TEST_F(ClipboardCaptureTest, ALateNoticeForAChangeAlreadyCapturedStoresNothing)
{
    PutText(L"first");
    PutText(L"second");
    // Both notices are handled after the second change: the first reads "second" already.
    CaptureNow();
    CaptureNow();
    std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, "second");
    // A change of the viewer chain still stores the clipboard once more.
    CaptureNow(WM_CHANGECBCHAIN);
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(ClipboardCaptureTest, AChangeStillHeldOpenByItsProgramIsStoredByALaterNotice)
{
    PutText(L"held open a while");
    // The copying program has not closed the clipboard yet when the first notice is handled.
    ClipboardHolder holder;
    CaptureNow();
    EXPECT_TRUE(Rows().empty()) << "read while another thread had the clipboard open";
    holder.Release();
    // Later notices of the same change: the first stores it, the next stores nothing more.
    CaptureNow();
    CaptureNow();
    std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 1u) << "the change was taken for captured although nothing of it was read";
    EXPECT_EQ(rows[0].text, "held open a while");
    EXPECT_TRUE(g_boxes.empty());
}

// Another program's copy: it opens the clipboard, and `replace` takes a while before it empties it
// and puts its change, then closes. Meanwhile the test's capture tries to read.
class SlowCopy {
public:
    explicit SlowCopy(std::function<void(ClipboardWriter&)> replace, DWORD takesMs)
        : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), thread_([this, replace, takesMs] {
              HWND window = MakeOwnerWindow();
              {
                  ClipboardWriter writer(window);
                  SetEvent(opened_.get());
                  Sleep(takesMs);
                  replace(writer);
              }
              DestroyWindow(window);
          })
    {
        WaitForSingleObject(opened_.get(), 10000);
    }
    ~SlowCopy() { thread_.join(); }
    SlowCopy(const SlowCopy&) = delete;
    SlowCopy& operator=(const SlowCopy&) = delete;

private:
    UniqueHandle opened_;
    std::thread thread_;
};

TEST_F(ClipboardCaptureTest, AChangeLandingWhileANoticeWaitsForTheClipboardIsStoredOnce)
{
    // Change A is on the clipboard when its notice comes; change B (text and file) is being written
    // by another program at that moment and lands before the notice is done with.
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"change A");
        writer.Files({L"C:\\A.txt"});
    }
    {
        SlowCopy copyB(
            [](ClipboardWriter& writer) {
                writer.Text(L"change B");
                writer.Files({L"C:\\B.txt"});
            },
            100);
        EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_DRAWCLIPBOARD, 0, 0), 0);  // A's notice
    }
    PumpWhileCaptureRetries();
    FinishQueuedCaptures();
    CaptureNow();  // B's notice
    std::vector<Row> rows = Rows();
    int rowsOfB = 0;
    for (const Row& row : rows) {
        if (row.text == "change B" || row.file == "C:\\B.txt") {
            ++rowsOfB;
            EXPECT_EQ(row.text, "change B");
            EXPECT_EQ(row.file, "C:\\B.txt");
        } else {
            EXPECT_EQ(row.text, "change A") << "a row of neither change";
            EXPECT_EQ(row.file, "C:\\A.txt") << "A's row holds another change's file";
        }
    }
    EXPECT_EQ(rowsOfB, 1) << "B stored " << rowsOfB << " times";
}

TEST_F(ClipboardCaptureTest, AChainChangeThatFoundTheClipboardHeldStillStoresItOnceMore)
{
    struct Case {
        const char* what;
        const wchar_t* laterChange;  // put on the clipboard before the later notice; null: none
        std::vector<std::string> stored;
    };
    const Case cases[] = {
        {"a late notice of the change stored already", nullptr, {"before", "before"}},
        {"a notice of a later change", L"after", {"before", "after", "after"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(database.Exec("delete from data"));
        PutText(L"before");
        CaptureNow();
        {
            ClipboardHolder holder;
            EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_CHANGECBCHAIN, 0, 0), 0);
            EXPECT_TRUE(CaptureRetryPending());
        }
        if (c.laterChange)
            PutText(c.laterChange);
        // Handled before the chain change's retry gets its turn.
        EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_DRAWCLIPBOARD, 0, 0), 0);
        PumpWhileCaptureRetries();
        FinishQueuedCaptures();
        std::vector<std::string> stored;
        for (const Row& row : Rows())
            stored.push_back(row.text);
        EXPECT_EQ(stored, c.stored);
    }
}

// Another program's copy made as many programs make theirs: a text and a file list promised, each
// made only when a reader asks for it (WM_RENDERFORMAT, on the owner's own thread). While it makes
// the file list it first sends `notice` to `viewer`, as a viewer joining the chain at that moment
// passes its first notice on: the reader's thread handles it inside its own read.
class PromisingOwner {
public:
    PromisingOwner(HWND viewer, UINT notice) : viewer_(viewer), notice_(notice)
    {
        g_owner = this;
        UniqueHandle promised(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        thread_ = std::thread([this, promised = promised.get()] {
            window_ = MakeTestWindow("PromisingOwner", &Procedure);
            if (OpenClipboard(window_)) {
                EmptyClipboard();
                SetClipboardData(CF_UNICODETEXT, nullptr);
                SetClipboardData(CF_HDROP, nullptr);
                CloseClipboard();
            }
            SetEvent(promised);
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0)
                DispatchMessageA(&message);
            DestroyWindow(window_);
        });
        WaitForSingleObject(promised.get(), 10000);
    }
    ~PromisingOwner()
    {
        // Nothing promised is left behind by a window that is gone.
        {
            ClipboardWriter writer;
        }
        PostMessageA(window_, WM_QUIT, 0, 0);
        thread_.join();
        g_owner = nullptr;
    }
    PromisingOwner(const PromisingOwner&) = delete;
    PromisingOwner& operator=(const PromisingOwner&) = delete;

    int noticesSent = 0;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_RENDERFORMAT || !g_owner)
            return DefWindowProcA(window, message, wParam, lParam);
        if (wParam == CF_UNICODETEXT) {
            static const wchar_t kText[] = L"nested 1";
            UniqueGlobal block = CopyToGlobal(kText, sizeof kText);
            if (SetClipboardData(CF_UNICODETEXT, block.get()))
                block.release();
        } else if (wParam == CF_HDROP) {
            if (g_owner->noticesSent++ == 0)
                SendMessageA(g_owner->viewer_, g_owner->notice_, 0, 0);
            static const wchar_t kNames[] = L"C:\\nested\\1.txt\0";
            const std::vector<char> drop = ClipboardWriter::DropFilesBlock(kNames, sizeof kNames, TRUE);
            UniqueGlobal block = CopyToGlobal(drop.data(), drop.size());
            if (SetClipboardData(CF_HDROP, block.get()))
                block.release();
        }
        return 0;
    }

    static inline PromisingOwner* g_owner = nullptr;
    HWND viewer_;
    UINT notice_;
    HWND window_ = nullptr;
    std::thread thread_;
};

// The program's window as the monitor leaves it: every notice runs a capture.
LRESULT CALLBACK CapturingViewer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWCLIPBOARD || message == WM_CHANGECBCHAIN)
        return CaptureClipboardEntry(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(ClipboardCaptureTest, ANoticeArrivingInsideTheReadNeitherSplitsNorDoublesTheChange)
{
    HWND viewer = MakeTestWindow("CapturingViewer", &CapturingViewer);
    const Row whole{"", "nested 1", "", "C:\\nested\\1.txt"};
    struct Case {
        const char* what;
        UINT notice;
        size_t rows;  // each the change whole
    };
    const Case cases[] = {
        {"a change notice: the change read already", WM_DRAWCLIPBOARD, 1},
        {"a chain change: the clipboard stored once more", WM_CHANGECBCHAIN, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(database.Exec("delete from data"));
        PromisingOwner owner(viewer, c.notice);
        CaptureNow(WM_DRAWCLIPBOARD, viewer);
        EXPECT_EQ(owner.noticesSent, 1) << "the file list was never asked for";
        std::vector<Row> rows = Rows();
        EXPECT_EQ(rows.size(), c.rows);
        for (const Row& row : rows) {
            EXPECT_EQ(row.text, whole.text);
            EXPECT_EQ(row.byte, whole.byte);
            EXPECT_EQ(row.file, whole.file);
        }
    }
    DestroyWindow(viewer);
}

// ---- failures while copies go on ----------------------------------------------------------

// The next viewer in the chain after the monitored window: notes each notification it gets.
bool g_nextViewerNotified = false;

LRESULT CALLBACK NextViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWCLIPBOARD)
        g_nextViewerNotified = true;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Stands for the user reading the box: meanwhile another copy arrives and fails as well, and the
// message loop runs as a modal box's loop would.
std::vector<bool> g_notifiedBeforeBox;

int WINAPI RecordBoxWhileCopiesGoOn(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    g_notifiedBeforeBox.push_back(g_nextViewerNotified);
    RecordBox(owner, text, caption, style);
    PutText(L"copied while the box is open");
    CaptureNow();
    MSG message;
    for (int i = 0; i < 20; ++i, Sleep(5))
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    return IDOK;
}

TEST_F(ClipboardCaptureTest, AContentBeyondTheEnginesLimitIsToldAndStillShown)
{
    // The engine's length limit lowered to 1000 bytes stands for its real one of a billion.
    using Limit = int(__cdecl*)(sqlite3*, int, int);
    auto limit = reinterpret_cast<Limit>(GetProcAddress(GetModuleHandleA("sqlite3.dll"), "sqlite3_limit"));
    ASSERT_NE(limit, nullptr);
    const int before = limit(database.GetHandle(), SQLITE_LIMIT_LENGTH, 1000);
    const std::wstring text(5000, L'x');
    PutText(text);
    CaptureNow();
    PumpUntilNoFailurePending();
    limit(database.GetHandle(), SQLITE_LIMIT_LENGTH, before);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "string or blob too big");
    EXPECT_TRUE(Rows().empty());
    ASSERT_EQ(grid.rows.size(), 1u) << "the row is shown as copied";
    EXPECT_EQ(grid.rows[0].second, std::string(text.begin(), text.end()));
    PutText(L"short again");
    EXPECT_EQ(CaptureOne().text, "short again");
}

TEST_F(ClipboardCaptureTest, AFailureBoxWaitsForTheChainAndNeverOpensTwice)
{
    HWND nextViewer = MakeTestWindow("CaptureTestNextViewer", NextViewerProc);
    HWND afterNext = SetClipboardViewer(nextViewer);
    HWND monitored = MakeOwnerWindow();
    InstallClipboardMonitor(monitored, WindowProcedure::Wrap<&CaptureClipboardEntry>());
    PumpUntilNoFailurePending();

    ASSERT_TRUE(database.Exec("create trigger refuse before insert on data begin select raise(abort, 'refused'); end"));
    g_boxes.clear();
    g_notifiedBeforeBox.clear();
    g_frameworkSystemCalls.MessageBoxA = RecordBoxWhileCopiesGoOn;
    g_nextViewerNotified = false;
    PutText(L"refused copy");
    PumpUntilNoFailurePending();
    ASSERT_EQ(g_boxes.size(), 1u) << "the failure while the box was open is dropped";
    EXPECT_EQ(g_boxes[0].text, "refused");
    ASSERT_EQ(g_notifiedBeforeBox.size(), 1u);
    EXPECT_TRUE(g_notifiedBeforeBox[0]) << "the box came before the next viewer was notified";

    // Once closed, the next failure has a box of its own.
    g_frameworkSystemCalls.MessageBoxA = RecordBox;
    PutText(L"refused again");
    PumpUntilNoFailurePending();
    EXPECT_EQ(g_boxes.size(), 2u);

    RemoveClipboardMonitor(monitored);
    ChangeClipboardChain(nextViewer, afterNext);
    DestroyWindow(monitored);
    DestroyWindow(nextViewer);
}

TEST_F(ClipboardCaptureTest, CopiesThatFailInARowShowOneBoxAndKeepTheirRowsInOrder)
{
    ASSERT_TRUE(database.Exec("create trigger refuse before insert on data begin select raise(abort, 'refused'); end"));
    // Read one after another while the writer is still storing the first.
    for (int i = 0; i < 5; ++i) {
        PutText(L"refused " + std::to_wstring(i));
        EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_DRAWCLIPBOARD, 0, 0), 0);
    }
    EXPECT_TRUE(g_boxes.empty()) << "shown inside the notification";
    // All five fail before the message loop gets to show the first one's box.
    FinishQueuedCaptures();
    PumpUntilNoFailurePending();
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].text, "refused");
    ASSERT_EQ(grid.rows.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(grid.rows[4 - i].second, "refused " + std::to_string(i));
    EXPECT_TRUE(Rows().empty());
}

TEST_F(ClipboardCaptureTest, AnotherConnectionsLockIsWaitedForAWhile)
{
    // Another program writing, or reading so long that the capture cannot commit. The lock is held
    // for half a second, or until the capture has given up (however long the loaded test machine
    // takes to get there).
    const struct {
        const char* lock;
        DWORD holdMs;
        bool stored;
    } cases[] = {
        {"begin immediate", 500, true},
        {"begin immediate", INFINITE, false},
        {"begin; select count(1) from data", 500, true},
        {"begin; select count(1) from data", INFINITE, false},
    };
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lock) + (c.stored ? ", let go" : ", held"));
        g_boxes.clear();
        HANDLE locked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE captured = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([&] {
            SqliteDatabase other;
            other.Open(folder.File("data.db"), SQLITE_OPEN_READWRITE);
            other.Exec(c.lock);
            SetEvent(locked);
            WaitForSingleObject(captured, c.holdMs);
            other.Exec("commit");
            other.Close();
        });
        WaitForSingleObject(locked, 10000);
        std::wstring text = L"copied while locked " + std::to_wstring(i++);
        PutText(text);
        const DWORD start = GetTickCount();
        CaptureNow();
        if (!c.stored) {
            EXPECT_GE(GetTickCount() - start, DWORD(kHistoryBusyTimeoutMs) - 100) << "the capture gave up too soon";
        }
        SetEvent(captured);
        PumpUntilNoFailurePending();
        holder.join();
        CloseHandle(locked);
        CloseHandle(captured);
        std::vector<Row> rows = Rows();
        bool found = !rows.empty() && rows.back().text == std::string(text.begin(), text.end());
        EXPECT_EQ(found, c.stored);
        ASSERT_EQ(g_boxes.size(), c.stored ? 0u : 1u);
        if (!c.stored) {
            EXPECT_EQ(g_boxes[0].text, "database is locked");
        }
        // Nothing of a capture that failed is left open: the next one is stored on its own.
        EXPECT_TRUE(database.GetAutocommit());
    }
    PutText(L"once the file is free again");
    EXPECT_EQ(CaptureOne().text, "once the file is free again");
    SqliteDatabase other;
    other.Open(folder.File("data.db"), SQLITE_OPEN_READONLY);
    SqlStatement count = other.Prepare("select count(1) from data");
    EXPECT_EQ(count.StepScalarInt(), static_cast<int>(Rows().size())) << "a later capture is not committed";
    count.Finalize();
    other.Close();
}

// Stands for the user reading each box as a modal box's loop would, while the failures in
// g_notedWhileOpen come in during the first one; notes how many boxes were open at once.
std::vector<std::string> g_notedWhileOpen;
int g_openBoxes = 0;
int g_mostOpenBoxes = 0;

int WINAPI RecordBoxWhileFailuresComeIn(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    g_mostOpenBoxes = std::max(g_mostOpenBoxes, ++g_openBoxes);
    RecordBox(owner, text, caption, style);
    if (g_boxes.size() == 1) {
        for (const std::string& failure : g_notedWhileOpen)
            NoteCaptureFailure(failure);
    }
    MSG message;
    for (int i = 0; i < 10; ++i, Sleep(5))
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    --g_openBoxes;
    return IDOK;
}

TEST(CaptureFailureNotice, EachDistinctFailureIsToldOnceAfterTheOneBefore)
{
    const std::string locked = "database is locked";
    const std::string full = "database or disk is full";
    using Texts = std::vector<std::string>;
    const struct {
        const char* what;
        Texts noted, notedWhileOpen, told;
    } cases[] = {
        {"two failures before the first box", {locked, full}, {}, {locked, full}},
        {"one failure twice", {locked, locked}, {}, {locked}},
        {"another failure while the box is open", {locked}, {full}, {locked, full}},
        {"the open box's failure again", {locked}, {locked, full, locked, full}, {locked, full}},
        {"a waiting failure again", {locked, full}, {full, locked}, {locked, full}},
    };
    ScopedSystemCalls frameworkCalls(g_frameworkSystemCalls);
    g_frameworkSystemCalls.MessageBoxA = RecordBoxWhileFailuresComeIn;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_boxes.clear();
        g_notedWhileOpen = c.notedWhileOpen;
        g_mostOpenBoxes = 0;
        for (const std::string& failure : c.noted)
            NoteCaptureFailure(failure);
        EXPECT_TRUE(g_boxes.empty()) << "shown inside the note";
        EXPECT_TRUE(CaptureFailurePending());
        PumpUntilNoFailurePending();
        Texts told;
        for (const ShownBox& box : g_boxes)
            told.push_back(box.text);
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(g_mostOpenBoxes, 1) << "a box opened over another";
        EXPECT_FALSE(CaptureFailurePending());
    }
}

TEST(CaptureFailureNotice, BoxesStillWaitingAreShownBeforeTheProgramEnds)
{
    ScopedSystemCalls frameworkCalls(g_frameworkSystemCalls);
    g_frameworkSystemCalls.MessageBoxA = RecordBox;
    g_boxes.clear();
    NoteCaptureFailure("database is locked");
    NoteCaptureFailure("database or disk is full");
    // No message loop runs any more: the exit shows them itself.
    ShowWaitingCaptureFailures();
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[0].text, "database is locked");
    EXPECT_EQ(g_boxes[1].text, "database or disk is full");
    EXPECT_FALSE(CaptureFailurePending());
    PumpUntilNoFailurePending();
    EXPECT_EQ(g_boxes.size(), 2u) << "told twice";
}

// Stands for a picture too large for the process's memory.
ByteSet RefuseImage(std::size_t) { throw std::bad_alloc(); }

TEST_F(ClipboardCaptureTest, APictureTooLargeToHoldIsToldAndTheRestOfItsCopyStored)
{
    const struct {
        const char* what;
        const wchar_t* text;  // none when null
        std::vector<std::wstring> files;
        const char* storedText;   // as the program's own texts are written; stored as UTF-8
        const char* storedFiles;  // nothing stored when null
    } cases[] = {
        {"picture and text", L"a caption", {}, "a caption", ""},
        {"picture and files", nullptr, {L"C:\\大图.bmp"}, "", "C:\\大图.bmp"},
        {"picture alone", nullptr, {}, "", nullptr},
    };
    ScopedSystemCalls coreCalls(g_coreSystemCalls);
    g_coreSystemCalls.AllocateImage = RefuseImage;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_boxes.clear();
        {
            ClipboardWriter writer;
            ASSERT_TRUE(writer.IsOpen());
            if (c.text)
                writer.Text(c.text);
            if (!c.files.empty())
                writer.Files(c.files);
            writer.Bitmap(MakePatternBitmap(64, 32));
        }
        const size_t before = Rows().size();
        CaptureNow();
        PumpUntilNoFailurePending();
        ASSERT_EQ(g_boxes.size(), 1u) << "the picture was left out without a word";
        EXPECT_EQ(g_boxes[0].text, "内存不足：这次复制的内容太大，没有保存。");
        std::vector<Row> rows = Rows();
        ASSERT_EQ(rows.size(), before + (c.storedFiles ? 1 : 0));
        if (c.storedFiles) {
            EXPECT_EQ(rows.back().text, GbkToUtf8(c.storedText));
            EXPECT_EQ(rows.back().byte, "");
            EXPECT_EQ(rows.back().file, GbkToUtf8(c.storedFiles));
        }
    }
}

// ---- huge contents ----------------------------------------------------------------------------

std::string Encoded(const std::wstring& text, UINT codePage)
{
    int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

PROCESS_MEMORY_COUNTERS MemoryNow()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

TEST_F(ClipboardCaptureTest, AHugeTextIsStoredExactlyWithinFourTimesItsSize)
{
    const std::wstring piece = L"line of it's text, 剪贴板历史 澄笺\r\n";
    std::wstring text;
    text.reserve(50'000'000);
    while (text.size() + piece.size() <= text.capacity())
        text += piece;
    const std::string expected = Encoded(text, CP_UTF8);
    const size_t gbkSize = Encoded(piece, 936).size() * (text.size() / piece.size());
    PutText(text);
    text = std::wstring();

    SIZE_T before = MemoryNow().WorkingSetSize;
    CaptureNow();
    SIZE_T peak = MemoryNow().PeakWorkingSetSize;
    EXPECT_LT(peak - before, 4 * gbkSize) << "peak above the start: " << (peak - before) / 1000000 << " MB";
    EXPECT_FALSE(CaptureFailurePending());

    SqlStatement read = database.Prepare("select text from data");
    ASSERT_TRUE(read.Step());
    std::string stored = read.ColumnText(0, true);
    read.Finalize();
    EXPECT_EQ(stored.size(), expected.size());
    EXPECT_TRUE(stored == expected);
}

TEST_F(ClipboardCaptureTest, TenThousandFileNamesAreStoredExactlyAndMakeTheirBlock)
{
    std::vector<std::wstring> names;
    std::string joined;
    for (int i = 0; i < 10000; ++i) {
        names.push_back(L"C:\\长列表\\it's 文件 " + std::to_wstring(i) + L".txt");
        joined += (i ? "|" : "") + Encoded(names.back(), CP_UTF8);
    }
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Files(names);
    }
    DWORD start = GetTickCount();
    Row row = CaptureOne();
    EXPECT_LT(GetTickCount() - start, 30000u);
    EXPECT_TRUE(row.file == joined) << row.file.size() << " bytes against " << joined.size();
    std::wstring block = FileBlock(row.file);
    size_t lines = 0;
    for (size_t at = block.find(L"\r\n    "); at != std::wstring::npos; at = block.find(L"\r\n    ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 10000u);
    const std::wstring last = L"\r\n    " + names.back();
    EXPECT_EQ(block.compare(block.size() - last.size(), last.size(), last), 0);
}

} // namespace
