// SqliteDatabase against real database files.
#include "db/sqlite_database.h"

#include <gtest/gtest.h>

#include "db/callback_block.h"
#include "db/callback_thunks.h"
#include "db/db_system_calls.h"
#include "db/sqlite_engine.h"
#include "framework/file_io.h"
#include "support/scratch_folder.h"
#include "support/system_calls_scope.h"

namespace {

class SqliteDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeDatabaseEngine();
        ASSERT_TRUE(db.Open(folder.File("test.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
        ASSERT_TRUE(db.Exec("create table t(a, b); insert into t values (1, 'x'), (2, NULL), (3, '文本');"));
    }
    void TearDown() override
    {
        if (db.GetHandle())
            db.Close();
    }

    ScratchFolder folder;
    SqliteDatabase db;
};

TEST_F(SqliteDatabaseTest, CloseZeroesTheHandleAndASecondCloseAnswersError)
{
    EXPECT_EQ(db.Close(), SQLITE_OK);
    EXPECT_EQ(db.GetHandle(), nullptr);
    EXPECT_EQ(db.Close(), SQLITE_ERROR);
    EXPECT_EQ(db.CloseV2(), SQLITE_ERROR);
}

TEST_F(SqliteDatabaseTest, CloseWithAnUnfinalizedStatementAnswersBusyAndStillDropsTheHandle)
{
    SqlStatement pending = db.Prepare("select * from t");
    ASSERT_NE(pending.GetHandle(), nullptr);
    sqlite3* connection = db.GetHandle();
    EXPECT_EQ(db.Close(), SQLITE_BUSY);
    EXPECT_EQ(db.GetHandle(), nullptr);
    // The connection stays open in the engine until its statement goes.
    pending.Finalize();
    EXPECT_EQ(SqliteEngine().sqlite3_close(connection), SQLITE_OK);
}

TEST_F(SqliteDatabaseTest, OpenOfAMissingFileWithDefaultFlagsFailsAndCreatesNothing)
{
    SqliteDatabase other;
    std::string missing = folder.File("missing.db");
    EXPECT_FALSE(other.Open(missing));
    EXPECT_FALSE(PathExists(missing));
    EXPECT_NE(other.GetHandle(), nullptr);  // kept so that the reason can be read
    EXPECT_EQ(other.ErrMsg(), "unable to open database file");
    EXPECT_EQ(other.ErrCode(), SQLITE_CANTOPEN);
    other.Close();
}

TEST_F(SqliteDatabaseTest, OpenOnAHeldConnectionReplacesTheHandleWithoutClosingIt)
{
    sqlite3* first = db.GetHandle();
    ASSERT_TRUE(db.Open(folder.File("test.db")));
    EXPECT_NE(db.GetHandle(), first);
    SqliteDatabase old;
    old.SetHandle(first);
    EXPECT_TRUE(old.Exec("select 1"));  // still usable
    EXPECT_EQ(old.Close(), SQLITE_OK);
}

TEST_F(SqliteDatabaseTest, CloneSharesTheHandleAndCloseThroughTheCopyLeavesTheOriginalsValue)
{
    sqlite3* handle = db.GetHandle();
    SqliteDatabase copy = db.Clone();
    EXPECT_EQ(copy.GetHandle(), handle);
    EXPECT_EQ(copy.Close(), SQLITE_OK);
    EXPECT_EQ(db.GetHandle(), handle);
    db.SetHandle(nullptr);
}

TEST_F(SqliteDatabaseTest, DestroyingTheObjectLeavesTheConnectionOpen)
{
    sqlite3* handle = nullptr;
    {
        SqliteDatabase scoped = db.Clone();
        handle = scoped.GetHandle();
    }
    SqliteDatabase again;
    again.SetHandle(handle);
    EXPECT_TRUE(again.Exec("select count(*) from t"));
}

TEST_F(SqliteDatabaseTest, ExecErrorText)
{
    struct Case {
        const char* sql;
        bool succeeds;
        const char* errorAfter;
    };
    const Case cases[] = {
        {"insert into t values (4, 'y')", true, "previous"},
        {"", true, "previous"},
        {"select * from nowhere", false, "no such table: nowhere"},
        {"this is not sql", false, "near \"this\": syntax error"},
    };
    for (const Case& c : cases) {
        std::string error = "previous";
        EXPECT_EQ(db.Exec(c.sql, 0, 0, &error), c.succeeds) << c.sql;
        EXPECT_EQ(error, c.errorAfter) << c.sql;
    }
}

TEST_F(SqliteDatabaseTest, ExecConvertsGbkSqlAndErrorTexts)
{
    std::string error;
    EXPECT_TRUE(db.Exec("insert into t values (5, '中文')"));
    EXPECT_FALSE(db.Exec("select * from 表格", 0, 0, &error));
    EXPECT_EQ(error, "no such table: 表格");  // GBK again
    EXPECT_FALSE(db.Exec("select * from \xE8\xA1\xA8", 0, 0, &error, true));
    EXPECT_EQ(error, "no such table: \xE8\xA1\xA8");  // unconverted with the UTF-8 flag
}

LPVOID WINAPI RefuseUnexpectedBlock(HANDLE, DWORD, SIZE_T)
{
    ADD_FAILURE() << "no block expected";
    return nullptr;
}

TEST_F(SqliteDatabaseTest, ExecWithAGivenButNullRoutineAllocatesNoBlock)
{
    ScopedSystemCalls dbCalls(g_dbSystemCalls);
    g_dbSystemCalls.HeapAlloc = RefuseUnexpectedBlock;
    EXPECT_TRUE(db.Exec("select * from t", 0, 7));
}

int g_blockRequests;

LPVOID WINAPI CountRefusedBlock(HANDLE, DWORD, SIZE_T size)
{
    EXPECT_EQ(size, 8u);
    ++g_blockRequests;
    return nullptr;
}

TEST_F(SqliteDatabaseTest, ExecWithoutACallbackBlockFailsAndRunsNothing)
{
    // With the bridges built, only the block allocation stands between the routine and the engine.
    ASSERT_EQ(BuildSqliteCallbackThunks(), 0);
    ASSERT_NE(g_execRowThunk, nullptr);
    g_blockRequests = 0;
    {
        ScopedSystemCalls dbCalls(g_dbSystemCalls);
        g_dbSystemCalls.HeapAlloc = CountRefusedBlock;
        std::string error = "kept";
        EXPECT_FALSE(db.Exec("delete from t", 0x1234, 0, &error));
        EXPECT_EQ(g_blockRequests, 1) << "the failed-block branch was not reached";
        EXPECT_EQ(error, "kept");
    }
    TextArray2D rows;
    int rowCount = 0;
    ASSERT_TRUE(db.GetTable("select count(*) from t", &rows, &rowCount));
    EXPECT_EQ(rows.At(2, 1), "3");
}

TEST_F(SqliteDatabaseTest, ErrMsgIsUtf8UnlessAskedForGbk)
{
    EXPECT_FALSE(db.Exec("select * from 表格"));
    EXPECT_EQ(db.ErrMsg(), "no such table: \xE8\xA1\xA8\xE6\xA0\xBC");
    EXPECT_EQ(db.ErrMsg(true), "no such table: 表格");
}

TEST_F(SqliteDatabaseTest, PrepareCompilesOnlyTheFirstStatement)
{
    bool ok = false;
    SqlStatement statement = db.Prepare("select 1; drop table t;", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(statement.StepScalarInt(), 1);
    statement.Finalize();
    EXPECT_TRUE(db.Exec("select * from t"));  // the drop never ran
}

TEST_F(SqliteDatabaseTest, PrepareOfInvalidSqlGivesAStatementWithoutHandle)
{
    bool ok = true;
    SqlStatement statement = db.Prepare("select from where", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(statement.GetHandle(), nullptr);
}

TEST_F(SqliteDatabaseTest, GetTableShapes)
{
    struct Case {
        const char* sql;
        int rows;
        int columns;
        bool arrayTouched;
    };
    const Case cases[] = {
        {"select a, b from t where a > 100", 0, 0, false},
        {"select a, b from t order by a", 4, 2, true},
    };
    for (const Case& c : cases) {
        TextArray2D result;
        result.Redim(1, 1);
        result.At(1, 1) = "untouched";
        int rows = -1;
        int columns = -1;
        ASSERT_TRUE(db.GetTable(c.sql, &result, &rows, &columns)) << c.sql;
        EXPECT_EQ(rows, c.rows) << c.sql;
        EXPECT_EQ(columns, c.columns) << c.sql;
        if (!c.arrayTouched) {
            EXPECT_EQ(result.At(1, 1), "untouched");
            continue;
        }
        ASSERT_EQ(result.Rows(), 4);
        ASSERT_EQ(result.Columns(), 2);
        EXPECT_EQ(result.At(1, 1), "a");
        EXPECT_EQ(result.At(1, 2), "b");
        EXPECT_EQ(result.At(2, 2), "x");
        EXPECT_EQ(result.At(3, 2), "");  // NULL
        EXPECT_EQ(result.At(4, 2), "文本");
    }
}

TEST_F(SqliteDatabaseTest, GetTableWithoutArrayStillCountsAndFailureLeavesTheArray)
{
    int rows = 0;
    int columns = 0;
    ASSERT_TRUE(db.GetTable("select a from t", nullptr, &rows, &columns));
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(columns, 1);

    TextArray2D result;
    result.Redim(1, 1);
    result.At(1, 1) = "kept";
    std::string error;
    EXPECT_FALSE(db.GetTable("select * from 表格", &result, nullptr, nullptr, &error));
    EXPECT_EQ(error, "no such table: 表格");
    EXPECT_EQ(result.At(1, 1), "kept");
}

// Records what the key functions were handed.
struct KeyCall {
    int calls = 0;
    std::string name;
    int length = -1;
    bool v2 = false;
} g_keyCall;

int RecordKey(sqlite3*, const void*, int length)
{
    g_keyCall = {g_keyCall.calls + 1, "", length, false};
    return SQLITE_OK;
}

int RecordKeyV2(sqlite3*, const char* name, const void*, int length)
{
    g_keyCall = {g_keyCall.calls + 1, name, length, true};
    return SQLITE_OK;
}

TEST_F(SqliteDatabaseTest, KeyAndRekeyArguments)
{
    ScopedSystemCalls engine(SqliteEngine());
    SqliteEngine().sqlite3_key.function = RecordKey;
    SqliteEngine().sqlite3_rekey.function = RecordKey;
    SqliteEngine().sqlite3_key_v2.function = RecordKeyV2;
    SqliteEngine().sqlite3_rekey_v2.function = RecordKeyV2;
    g_keyCall = {};

    EXPECT_EQ(db.Rekey(), SQLITE_OK);
    EXPECT_FALSE(g_keyCall.v2);
    EXPECT_EQ(g_keyCall.length, 0);

    std::string name = "主库";
    EXPECT_EQ(db.Key(ByteSet::FromText("secret"), &name), SQLITE_OK);
    EXPECT_TRUE(g_keyCall.v2);
    EXPECT_EQ(g_keyCall.name, "主库");  // unconverted GBK
    EXPECT_EQ(g_keyCall.length, 6);

    EXPECT_EQ(db.Rekey(ByteSet::FromText("k"), &name, true), SQLITE_OK);
    EXPECT_EQ(g_keyCall.name, "\xE4\xB8\xBB\xE5\xBA\x93");  // converted to UTF-8

    SqliteDatabase closed;
    int callsBefore = g_keyCall.calls;
    EXPECT_EQ(closed.Key(ByteSet::FromText("x")), SQLITE_ERROR);
    EXPECT_EQ(closed.Rekey(), SQLITE_ERROR);
    EXPECT_EQ(g_keyCall.calls, callsBefore);
}

TEST_F(SqliteDatabaseTest, EncryptedDatabaseNeedsItsKey)
{
    std::string path = folder.File("secret.db");
    SqliteDatabase secret;
    ASSERT_TRUE(secret.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    ASSERT_EQ(secret.Key(ByteSet::FromText("pass")), SQLITE_OK);
    ASSERT_TRUE(secret.Exec("create table s(x); insert into s values (42);"));
    secret.Close();

    SqliteDatabase without;
    ASSERT_TRUE(without.Open(path));
    EXPECT_FALSE(without.Exec("select * from s"));
    without.Close();

    SqliteDatabase with;
    ASSERT_TRUE(with.Open(path));
    ASSERT_EQ(with.Key(ByteSet::FromText("pass")), SQLITE_OK);
    SqlStatement read = with.Prepare("select x from s");
    EXPECT_EQ(read.StepScalarInt(), 42);
    read.Finalize();
    with.Close();
}

} // namespace
