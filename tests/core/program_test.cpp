// The program end to end: first start in an empty folder, the stored window handle, a normal exit,
// and the early ends on a broken "data.db".
#include <gtest/gtest.h>

#include "db/sqlite_database.h"
#include "db/sqlite_engine.h"
#include "framework/file_io.h"
#include "support/program_runner.h"
#include "support/scratch_folder.h"

namespace {

long long StoredHandle(const std::string& path)
{
    InitializeDatabaseEngine();
    SqliteDatabase db;
    long long value = -1;
    if (db.Open(path, SQLITE_OPEN_READONLY)) {
        SqlStatement read = db.Prepare("select hwnd from system");
        if (read.Step())
            value = read.ColumnInt64(0);
        read.Finalize();
    }
    db.Close();
    return value;
}

TEST(Program, FirstStartWritesTheDatabaseStoresItsHandleAndANormalExitResetsIt)
{
    ScratchFolder folder;
    ProgramRunner program(folder.Path());
    ASSERT_TRUE(program.Start());
    HWND window = program.WaitForWindow("ChengjianMainWindow", "澄笺 v1.0");
    ASSERT_NE(window, nullptr) << "main window not shown";

    std::string db = folder.File("data.db");
    EXPECT_EQ(ReadFileBytes(db).Size(), 12288u);
    EXPECT_EQ(StoredHandle(db), static_cast<long long>(reinterpret_cast<uintptr_t>(window)));

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

TEST(Program, AStaleStoredHandleIsKeptAndNotOverwritten)
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
    ASSERT_TRUE(second.Start());
    HWND window = second.WaitForWindow("ChengjianMainWindow", "澄笺 v1.0");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(StoredHandle(db), stale);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_EQ(StoredHandle(db), 0);
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

} // namespace
