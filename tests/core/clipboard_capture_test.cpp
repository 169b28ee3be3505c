// One capture from the real clipboard into a history database of the test's own: what is stored
// for text, pictures and file lists, what is not an entry, the error message of a failed insert,
// and the owner test that keeps the grid's own copies out of the grid.
#include "core/clipboard_capture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/globals.h"
#include "core/history_database.h"
#include "framework/message_box.h"
#include "pattern_bitmap.h"
#include "support/clipboard_writer.h"
#include "support/scratch_folder.h"
#include "support/shown_boxes.h"

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
    bool SetTextMatrix(std::int32_t row, std::int32_t col, const std::string& value) noexcept override
    {
        if (row == 0 && col == 1 && !rows.empty())
            rows.front().second = value;
        return true;
    }
    std::int32_t window = 0;
    std::int32_t edit = 0;
    std::vector<std::pair<std::string, std::string>> rows;  // top row first
};

struct Row {
    std::string time, text, byte, file;
};


std::int32_t Handle(HWND window) { return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(window)); }

HWND MakeOwnerWindow()
{
    return CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

class ClipboardCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_boxes.clear();
        SetMessageBoxFunction(RecordBox);
        g_database = &database;
        g_grid = &grid;
        ASSERT_TRUE(OpenHistoryDatabase(folder.File("data.db")));
    }
    void TearDown() override
    {
        database.Close();
        g_database = nullptr;
        g_grid = nullptr;
        SetMessageBoxFunction(nullptr);
    }

    std::vector<Row> Rows()
    {
        std::vector<Row> rows;
        SqlStatement read = database.Prepare("select time, text, byte, file from data order by rowid");
        while (read.Step())
            rows.push_back({read.ColumnText(0), read.ColumnText(1), read.ColumnText(2), read.ColumnText(3)});
        read.Finalize();
        return rows;
    }

    // The one row a capture of the clipboard now adds.
    Row CaptureOne()
    {
        size_t before = Rows().size();
        EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_DRAWCLIPBOARD, 0, 0), 0);
        std::vector<Row> rows = Rows();
        EXPECT_EQ(rows.size(), before + 1);
        return rows.empty() ? Row() : rows.back();
    }

    ScratchFolder folder;
    SqliteDatabase database;
    FakeGrid grid;
};

TEST_F(ClipboardCaptureTest, TextIsStoredAndShownAsCopied)
{
    struct Case {
        const wchar_t* copied;
        const char* text;
    };
    const Case cases[] = {
        {L"it's", "it's"},
        {L"'quoted' and ''doubled''", "'quoted' and ''doubled''"},
        {L"澄笺 剪贴板", "澄笺 剪贴板"},
        {L"多行\r\n'文本'", "多行\r\n'文本'"},
        {L"\u0E01 not in GBK", "? not in GBK"},
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
    EXPECT_EQ(row.file, "C:\\it's here.txt|D:\\图片\\一.png");
}

TEST_F(ClipboardCaptureTest, AClipboardWithoutContentStoresNothing)
{
    {
        ClipboardWriter writer;  // emptied by another program
        ASSERT_TRUE(writer.IsOpen());
    }
    EXPECT_TRUE(ReadClipboardEntry().IsEmpty());
    EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_CHANGECBCHAIN, 0, 0), 0);
    {
        ClipboardWriter writer;
        ASSERT_TRUE(writer.IsOpen());
        writer.Text(L"");  // an empty text is no content either
    }
    EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_DRAWCLIPBOARD, 0, 0), 0);
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
        EXPECT_EQ(CaptureClipboardEntry(nullptr, WM_DRAWCLIPBOARD, 0, 0), 0);
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
        EXPECT_EQ(IsGridClipboardOwner(&grid), c.ownCopy) << c.what;
        Row row = CaptureOne();
        EXPECT_EQ(row.text, "copy") << c.what;  // stored either way
        if (c.ownCopy) {
            EXPECT_TRUE(grid.rows.empty()) << c.what << ": the grid's own copy got a row";
        } else {
            using Shown = std::vector<std::pair<std::string, std::string>>;
            EXPECT_EQ(grid.rows, (Shown{{row.time, "copy"}})) << c.what;
        }
    }
    EXPECT_FALSE(IsGridClipboardOwner(nullptr));
    for (HWND window : {gridWindow, editWindow, otherWindow})
        DestroyWindow(window);
}

} // namespace
