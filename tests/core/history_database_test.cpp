// The carried database template and the stored-handle protocol.
#include "core/history_database.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/globals.h"
#include "db/sqlite_engine.h"
#include "framework/file_io.h"
#include "framework/framework_system_calls.h"
#include "framework/message_box.h"
#include "support/file_system_faults.h"
#include "support/scratch_folder.h"

namespace {

std::uint32_t BigEndian32(const ByteSet& bytes, size_t at)
{
    return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) | (std::uint32_t(bytes[at + 2]) << 8) |
           bytes[at + 3];
}

TEST(DatabaseTemplate, HeaderFields)
{
    ByteSet bytes = DatabaseTemplate();
    ASSERT_EQ(bytes.Size(), 12288u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.Data()), 16), std::string("SQLite format 3\0", 16));
    struct Field {
        const char* name;
        size_t offset;
        int width;
        std::uint32_t value;
    };
    const Field fields[] = {
        {"page size", 16, 2, 4096},        {"write version", 18, 1, 1},    {"read version", 19, 1, 1},
        {"reserved bytes", 20, 1, 0},      {"change counter", 24, 4, 8},   {"page count", 28, 4, 3},
        {"freelist trunk", 32, 4, 0},      {"freelist pages", 36, 4, 0},   {"schema cookie", 40, 4, 3},
        {"schema format", 44, 4, 4},       {"auto-vacuum", 52, 4, 0},      {"text encoding", 56, 4, 1},
        {"user version", 60, 4, 0},        {"incremental vacuum", 64, 4, 0}, {"application id", 68, 4, 0},
        {"version-valid-for", 92, 4, 8},   {"sqlite version", 96, 4, 3030001},
    };
    for (const Field& f : fields) {
        std::uint32_t value = f.width == 1 ? bytes[f.offset]
                              : f.width == 2 ? (std::uint32_t(bytes[f.offset]) << 8 | bytes[f.offset + 1])
                                             : BigEndian32(bytes, f.offset);
        EXPECT_EQ(value, f.value) << f.name;
    }
}

class HistoryDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_database = &database;
        g_frameworkSystemCalls.MessageBoxA = RecordShown;
        shown.clear();
    }
    void TearDown() override
    {
        database.Close();
        g_database = nullptr;
    }
    static int WINAPI RecordShown(HWND, LPCSTR text, LPCSTR caption, UINT style)
    {
        shown.push_back(std::string(text) + "|" + caption + "|" + std::to_string(style));
        return IDOK;
    }

    static inline std::vector<std::string> shown;
    ScopedSystemCalls<FrameworkSystemCalls> frameworkCalls_{g_frameworkSystemCalls};
    ScratchFolder folder;
    SqliteDatabase database;
};

TEST_F(HistoryDatabaseTest, MissingFileIsWrittenFromTheTemplateAndOpensWithItsSchema)
{
    std::string path = folder.File("data.db");
    ASSERT_TRUE(OpenHistoryDatabase(path));
    EXPECT_EQ(ReadFileBytes(path).Size(), 12288u);
    EXPECT_EQ(ReadStoredWindowHandle(), 0);

    TextArray2D schema;
    ASSERT_TRUE(database.GetTable("select name, sql from sqlite_master order by rowid", &schema));
    ASSERT_EQ(schema.Rows(), 3);
    EXPECT_EQ(schema.At(2, 1), "data");
    EXPECT_EQ(schema.At(2, 2), "CREATE TABLE \"data\" (\r\n  \"time\" TEXT,\r\n  \"text\" TEXT,\r\n  \"byte\" TEXT,\r\n  \"file\" TEXT\r\n)");
    EXPECT_EQ(schema.At(3, 2), "CREATE TABLE \"system\" (\r\n  \"hwnd\" integer NOT NULL\r\n)");
    TextArray2D check;
    ASSERT_TRUE(database.GetTable("pragma integrity_check", &check));
    EXPECT_EQ(check.At(2, 1), "ok");
}

TEST_F(HistoryDatabaseTest, StoredHandleProtocol)
{
    ASSERT_TRUE(OpenHistoryDatabase(folder.File("data.db")));
    ASSERT_TRUE(database.Exec("update system set hwnd = 65604"));
    EXPECT_EQ(ReadStoredWindowHandle(), 65604);
    ASSERT_TRUE(database.Exec("insert into system values (7); update system set hwnd = 0"));
    EXPECT_EQ(ReadStoredWindowHandle(), 0);
    ASSERT_TRUE(database.Exec("delete from system"));
    EXPECT_EQ(ReadStoredWindowHandle(), 0);  // an empty table reads as 0
    EXPECT_TRUE(shown.empty());
}

TEST_F(HistoryDatabaseTest, ExistingFileIsUsedUnchanged)
{
    std::string path = folder.File("data.db");
    ASSERT_TRUE(OpenHistoryDatabase(path));
    ASSERT_TRUE(database.Exec("insert into data values ('2020-01-01 00:00:00 000', 'kept', '', '')"));
    database.Close();
    ASSERT_TRUE(OpenHistoryDatabase(path));
    SqlStatement count = database.Prepare("select count(1) from data");
    EXPECT_EQ(count.StepScalarInt(), 1);
    count.Finalize();
}

TEST_F(HistoryDatabaseTest, BrokenFilesShowTheEnginesTextAndAreNotChanged)
{
    struct Case {
        const char* what;
        ByteSet content;
        const char* message;
    };
    const Case cases[] = {
        {"not a database", ByteSet::FromText(std::string(5000, 'x')), "file is not a database|信息：|8192"},
        {"no table system", ByteSet(), "no such table: system|信息：|8192"},
    };
    for (const Case& c : cases) {
        std::string path = folder.File(std::string(c.what) + ".db");
        ByteSet content = c.content;
        if (content.Empty()) {
            SqliteDatabase maker;
            ASSERT_TRUE(maker.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
            ASSERT_TRUE(maker.Exec("create table other(x)"));
            maker.Close();
            content = ReadFileBytes(path);
        } else {
            ASSERT_TRUE(WriteFileBytes(path, content));
        }
        shown.clear();
        OpenHistoryDatabase(path);
        EXPECT_EQ(ReadStoredWindowHandle(), -1) << c.what;
        ASSERT_EQ(shown.size(), 1u) << c.what;
        EXPECT_EQ(shown[0], c.message) << c.what;
        database.Close();
        EXPECT_EQ(ReadFileBytes(path), content) << c.what;
    }
}

TEST_F(HistoryDatabaseTest, AFolderNamedDataDbIsNotOverwrittenAndTheOpenFails)
{
    std::string path = folder.File("data.db");
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    EXPECT_FALSE(OpenHistoryDatabase(path));
    EXPECT_FALSE(database.ErrMsg().empty());
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// ---- A template write that fails part of the way, one platform call at a time

TEST_F(HistoryDatabaseTest, AFailedTemplateWriteLeavesNoFileAndTheNextStartWritesItWhole)
{
    struct Case {
        const char* what;
        void (*fail)(FrameworkSystemCalls& calls);
    };
    const Case cases[] = {
        {"read-only folder", [](FrameworkSystemCalls& calls) { calls.CreateFileA = RefuseCreate; }},
        {"disk full", [](FrameworkSystemCalls& calls) { calls.WriteFile = WriteHalfThenDiskFull; }},
        {"move refused", [](FrameworkSystemCalls& calls) { calls.MoveFileExA = RefuseMove; }},
    };
    for (const Case& c : cases) {
        ScratchFolder place;
        std::string path = place.File("data.db");
        {
            ScopedSystemCalls frameworkCalls(g_frameworkSystemCalls);
            c.fail(g_frameworkSystemCalls);
            EXPECT_FALSE(OpenHistoryDatabase(path)) << c.what;
        }
        EXPECT_FALSE(database.ErrMsg().empty()) << c.what;
        EXPECT_EQ(FolderContent(place.Path()), std::vector<std::string>()) << c.what;
        database.Close();

        ASSERT_TRUE(OpenHistoryDatabase(path)) << c.what;
        EXPECT_EQ(ReadStoredWindowHandle(), 0) << c.what;
        EXPECT_EQ(FolderContent(place.Path()), std::vector<std::string>{"data.db"}) << c.what;
        database.Close();
        EXPECT_EQ(ReadFileBytes(path), DatabaseTemplate()) << c.what;
    }
    EXPECT_TRUE(shown.empty());
}

} // namespace
