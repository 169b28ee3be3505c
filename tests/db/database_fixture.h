// A fresh database file per test with the engine started and the bridges built. A test that
// replaces engine entries or platform calls holds a ScopedSystemCalls for them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/callback_block.h"
#include "db/callback_thunks.h"
#include "db/sqlite_database.h"
#include "db/sqlite_engine.h"
#include "support/scratch_folder.h"
#include "support/system_calls_scope.h"

// The statement texts sqlite3_exec was given while ExecRecorder stood in for it; a null text
// as "<null>".
inline std::vector<std::string> g_execTexts;

inline int ExecRecorder(sqlite3*, const char* sql, int (*)(void*, int, char**, char**), void*, char**)
{
    g_execTexts.push_back(sql ? sql : "<null>");
    return SQLITE_OK;
}

class DatabaseFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeDatabaseEngine();
        ASSERT_EQ(BuildSqliteCallbackThunks(), 0);
        ASSERT_TRUE(db.Open(folder.File("test.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    }
    void TearDown() override
    {
        if (db.GetHandle())
            db.Close();
    }
    // Opens a second connection to the same file.
    SqliteDatabase OpenSecond()
    {
        SqliteDatabase second;
        EXPECT_TRUE(second.Open(folder.File("test.db")));
        return second;
    }
    int QueryInt(const std::string& sql)
    {
        SqlStatement statement = db.Prepare(sql);
        int value = statement.StepScalarInt();
        statement.Finalize();
        return value;
    }

    ScratchFolder folder;
    SqliteDatabase db;
};
