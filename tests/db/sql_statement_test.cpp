// SqlStatement against a real database.
#include "db/sql_statement.h"

#include <gtest/gtest.h>

#include "db/sqlite_database.h"
#include "db/sqlite_engine.h"
#include "support/scratch_folder.h"

namespace {

class SqlStatementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeDatabaseEngine();
        ASSERT_TRUE(db.Open(folder.File("s.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
        ASSERT_TRUE(db.Exec("create table data(time TEXT, text TEXT, n INTEGER, b BLOB);"));
    }
    void TearDown() override { db.Close(); }

    SqlStatement Prepare(const std::string& sql)
    {
        bool ok = false;
        SqlStatement statement = db.Prepare(sql, &ok);
        EXPECT_TRUE(ok) << sql << ": " << db.ErrMsg();
        return statement;
    }

    ScratchFolder folder;
    SqliteDatabase db;
};

TEST_F(SqlStatementTest, WithoutHandleEveryOperationAnswersItsEmptyValue)
{
    SqlStatement none = db.Prepare("not sql");
    ASSERT_EQ(none.GetHandle(), nullptr);
    EXPECT_FALSE(none.Step());
    EXPECT_EQ(none.StepResult(), SQLITE_ERROR);
    EXPECT_EQ(none.StepScalarInt(), 0);
    EXPECT_EQ(none.StepScalarText(), "");
    EXPECT_FALSE(none.BindInt(":a", 1));
    EXPECT_FALSE(none.BindText(":a", "x"));
    EXPECT_FALSE(none.BindBlob(":a", ByteSet::FromText("x")));
    EXPECT_FALSE(none.BindNull(":a"));
    EXPECT_FALSE(none.Reset());
    EXPECT_FALSE(none.ClearBindings());
    EXPECT_EQ(none.ColumnIndex("a"), -1);
    EXPECT_EQ(none.GetSql(), "");
    EXPECT_EQ(none.ColumnType(0), 0);
    // Handed on to the engine, which answers as for NULL.
    EXPECT_EQ(none.ColumnText(0), "");
    EXPECT_EQ(none.ColumnInt(0), 0);
    EXPECT_TRUE(none.ColumnBlob(0).Empty());
    EXPECT_EQ(none.ExpandedSql(), "");
    EXPECT_FALSE(none.IsBusy());
    EXPECT_EQ(none.GetDatabaseHandle(), nullptr);
    EXPECT_EQ(none.CountRows(), 0);
    EXPECT_EQ(none.Finalize(), SQLITE_ERROR);
}

TEST_F(SqlStatementTest, FinalizeTwiceAndCloneKeepsTheStaleHandle)
{
    SqlStatement statement = Prepare("select 1");
    SqlStatement copy = statement.Clone();
    EXPECT_EQ(copy.Finalize(), SQLITE_OK);
    EXPECT_EQ(copy.GetHandle(), nullptr);
    EXPECT_NE(statement.GetHandle(), nullptr);
    EXPECT_EQ(copy.Finalize(), SQLITE_ERROR);
}

TEST_F(SqlStatementTest, DestroyingWithoutFinalizeLeavesTheStatementOpen)
{
    {
        [[maybe_unused]] SqlStatement forgotten = Prepare("select * from data");
    }
    // The connection still holds the statement, so it refuses to close.
    EXPECT_EQ(db.Close(), SQLITE_BUSY);
}

TEST_F(SqlStatementTest, ScalarReadsOverEmptyTablesAndNulls)
{
    SqlStatement count = Prepare("select count(1) from data");
    EXPECT_EQ(count.StepScalarInt(), 0);
    count.Finalize();

    SqlStatement noRow = Prepare("select n from data");
    EXPECT_EQ(noRow.StepScalarInt(), 0);
    noRow.Finalize();

    SqlStatement nullText = Prepare("select min(time) from data");
    EXPECT_EQ(nullText.StepScalarText(), "");
    nullText.Finalize();

    SqlStatement empty = Prepare("select n, text from data");
    EXPECT_FALSE(empty.Step());
    EXPECT_EQ(empty.ColumnInt(0), 0);
    EXPECT_EQ(empty.ColumnText(1), "");
    empty.Finalize();
}

TEST_F(SqlStatementTest, StepScalarReadsTheNextRowEachCall)
{
    ASSERT_TRUE(db.Exec("insert into data(n) values (1), (2), (3)"));
    SqlStatement rows = Prepare("select n from data order by n");
    EXPECT_EQ(rows.StepScalarInt(), 1);
    EXPECT_EQ(rows.StepScalarInt(), 2);
    EXPECT_EQ(rows.StepScalarInt(), 3);
    EXPECT_EQ(rows.StepScalarInt(), 0);
    rows.Finalize();
}

TEST_F(SqlStatementTest, BindByName)
{
    SqlStatement insert = Prepare("insert into data(time, text, n, b) values (:time, @text, $n, :b)");
    EXPECT_EQ(insert.GetParameterCount(), 4);
    EXPECT_EQ(insert.GetParameterIndex("@text"), 2);
    EXPECT_EQ(insert.GetParameterName(3), "$n");
    EXPECT_FALSE(insert.BindText("time", "no prefix"));  // the name is taken as written
    EXPECT_TRUE(insert.BindText(":time", ""));
    EXPECT_TRUE(insert.BindText("@text", "汉字"));
    EXPECT_TRUE(insert.BindInt64("$n", 1LL << 40));
    EXPECT_TRUE(insert.BindBlob(":b", ByteSet()));
    EXPECT_EQ(insert.StepResult(), SQLITE_DONE);
    EXPECT_TRUE(insert.Reset());
    EXPECT_TRUE(insert.BindText("@text", "\xE6\xB1\x89", true));
    EXPECT_TRUE(insert.BindDouble("$n", 2.5));
    EXPECT_TRUE(insert.BindBlob(":b", ByteSet::FromText(std::string("a\0b", 3))));
    EXPECT_TRUE(insert.BindNull(":time"));
    EXPECT_EQ(insert.StepResult(), SQLITE_DONE);
    insert.Finalize();

    SqlStatement read = Prepare("select time, text, n, b, typeof(time), typeof(b), text from data order by rowid");
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.ColumnText(4), "text");  // empty text, not NULL
    EXPECT_EQ(read.ColumnText(5), "null");  // empty blob binds NULL
    EXPECT_EQ(read.ColumnText(1), "汉字");
    EXPECT_EQ(read.ColumnText(1, true), "\xE6\xB1\x89\xE5\xAD\x97");
    EXPECT_EQ(read.ColumnInt64(2), 1LL << 40);
    EXPECT_TRUE(read.ColumnBlob(3).Empty());
    ASSERT_TRUE(read.Step());
    EXPECT_EQ(read.ColumnText(1), "汉");
    EXPECT_DOUBLE_EQ(read.ColumnDouble(2), 2.5);
    EXPECT_EQ(read.ColumnBlob(3), ByteSet::FromText(std::string("a\0b", 3)));
    EXPECT_EQ(read.ColumnType(4), SQLITE_TEXT);
    EXPECT_EQ(read.ColumnBlob(6), ByteSet::FromText("\xE6\xB1\x89"));  // a text column's UTF-8 bytes
    EXPECT_FALSE(read.Step());
    read.Finalize();
}

TEST_F(SqlStatementTest, ColumnMetadata)
{
    SqlStatement read = Prepare("select n as same, text as same, time as 名字 from data");
    EXPECT_EQ(read.ColumnCount(), 3);
    EXPECT_EQ(read.ColumnIndex("same"), 0);
    EXPECT_EQ(read.ColumnIndex("SAME"), -1);
    EXPECT_EQ(read.ColumnIndex("名字"), 2);
    EXPECT_EQ(read.ColumnIndex("\xE5\x90\x8D\xE5\xAD\x97", true), 2);
    EXPECT_EQ(read.ColumnIndex("nothing"), -1);
    EXPECT_EQ(read.ColumnName(2), "名字");
    EXPECT_EQ(read.ColumnTableName(0), "data");
    EXPECT_EQ(read.ColumnDatabaseName(0), "main");
    EXPECT_EQ(read.ColumnOriginName(1), "text");
    EXPECT_EQ(read.ColumnDeclType(0), "INTEGER");
    EXPECT_TRUE(read.IsReadOnly());
    EXPECT_EQ(read.GetDatabaseHandle(), db.GetHandle());
    EXPECT_EQ(read.GetSql(), "select n as same, text as same, time as 名字 from data");
    read.Finalize();
}

TEST_F(SqlStatementTest, CountRowsUsesTheCurrentBindingsAndLeavesTheStatementAlone)
{
    ASSERT_TRUE(db.Exec("insert into data(n) values (1), (2), (3), (4)"));
    SqlStatement query = Prepare("select n from data where n > :min");
    ASSERT_TRUE(query.BindInt(":min", 2));
    EXPECT_EQ(query.ExpandedSql(), "select n from data where n > 2");
    EXPECT_EQ(query.CountRows(), 2);
    EXPECT_EQ(query.StepScalarInt(), 3);  // position untouched by the count
    query.Finalize();

    SqlStatement withSemicolon = Prepare("select n from data;");
    EXPECT_EQ(withSemicolon.CountRows(), 0);
    withSemicolon.Finalize();
}

} // namespace
