// Transactions, attach, backup, cipher configuration, busy handling and connection facts.
#include <windows.h>

#include <vector>

#include "database_fixture.h"
#include "db/sqlite_engine.h"
#include "db/sqlite_schema.h"
#include "framework/file_io.h"

namespace {

class TransactionsTest : public DatabaseFixture {};

TEST_F(TransactionsTest, StatementTexts)
{
    ScopedSystemCalls engine(SqliteEngine());
    SqliteEngine().sqlite3_exec.function = ExecRecorder;
    g_execTexts.clear();
    std::string name = "sp1";
    db.Begin();
    db.Begin(nullptr, 1);
    db.Begin(nullptr, 2);
    EXPECT_EQ(db.Begin(nullptr, 3), SQLITE_OK);
    db.Begin(&name, 2);
    db.Commit();
    db.Commit(&name);
    db.Rollback();
    db.Rollback(&name);
    db.Vacuum();
    db.AttachDatabase("C:\\o''neil.db", "other");
    db.DetachDatabase("other");
    EXPECT_EQ(g_execTexts, (std::vector<std::string>{"BEGIN", "BEGIN IMMEDIATE", "BEGIN EXCLUSIVE", "<null>",
                                                    "SAVEPOINT sp1", "COMMIT", "RELEASE sp1", "ROLLBACK",
                                                    "ROLLBACK TO sp1", "VACUUM",
                                                    "Attach Database 'C:\\o''neil.db' as other",
                                                    "Detach Database other"}));
}

TEST_F(TransactionsTest, TransactionsSavepointsAndChanges)
{
    ASSERT_TRUE(db.Exec("create table t(a)"));
    EXPECT_TRUE(db.GetAutocommit());
    EXPECT_EQ(db.Begin(nullptr, 3), SQLITE_OK);  // runs nothing
    EXPECT_TRUE(db.GetAutocommit());
    ASSERT_EQ(db.Begin(), SQLITE_OK);
    EXPECT_FALSE(db.GetAutocommit());
    ASSERT_TRUE(db.Exec("insert into t values (1), (2)"));
    EXPECT_EQ(db.Changes(), 2);
    std::string sp = "inner";
    ASSERT_EQ(db.Begin(&sp), SQLITE_OK);
    ASSERT_TRUE(db.Exec("insert into t values (3)"));
    EXPECT_EQ(db.LastInsertRowId(), 3);
    EXPECT_EQ(db.Rollback(&sp), SQLITE_OK);
    EXPECT_EQ(db.Commit(&sp), SQLITE_OK);
    EXPECT_EQ(db.Commit(), SQLITE_OK);
    EXPECT_TRUE(db.GetAutocommit());
    EXPECT_EQ(QueryInt("select count(*) from t"), 2);
    EXPECT_EQ(db.TotalChanges(), 3);
    EXPECT_EQ(db.Commit(), SQLITE_ERROR);  // no transaction is open
    EXPECT_NE(db.GetMutex(), nullptr);
    EXPECT_TRUE(db.Vacuum());
}

TEST_F(TransactionsTest, AttachFilenamesAndReadOnly)
{
    std::string path = folder.File("o'neil 附加.db");
    std::string error;
    EXPECT_FALSE(db.AttachDatabase(path, "extra", &error)) << "a raw apostrophe ends the path early";
    EXPECT_NE(error, "");
    // Quoted by the caller, the path names exactly the file given, not one with doubled apostrophes.
    ASSERT_TRUE(db.AttachDatabase(DoubleApostrophes(path), "extra", &error)) << error;
    ASSERT_TRUE(db.Exec("create table extra.x(a)"));
    std::string extra = "extra";
    EXPECT_EQ(db.GetFilename(&extra), path);
    EXPECT_EQ(db.GetFilename(), folder.File("test.db"));
    EXPECT_EQ(db.IsReadOnly(&extra), 0);
    std::string missing = "nowhere";
    EXPECT_EQ(db.IsReadOnly(&missing), -1);
    EXPECT_EQ(db.GetFilename(&missing), "");
    ASSERT_TRUE(db.DetachDatabase("extra"));
    EXPECT_FALSE(db.DetachDatabase("extra", &error));
    EXPECT_EQ(error, "no such database: extra");
    EXPECT_FALSE(PathExists(folder.File("o''neil 附加.db")));
}

TEST_F(TransactionsTest, NextStatementWalksThePreparedStatements)
{
    EXPECT_EQ(db.NextStatement(SqlStatement()).GetHandle(), nullptr);
    SqlStatement first = db.Prepare("select 1");
    SqlStatement next = db.NextStatement(SqlStatement());
    EXPECT_EQ(next.GetHandle(), first.GetHandle());
    EXPECT_EQ(db.NextStatement(next).GetHandle(), nullptr);
    first.Finalize();
}

struct ProgressLog {
    std::vector<std::pair<int, int>> calls;
    std::vector<int> sleeps;
    SqliteDatabase* locker = nullptr;
} g_backup;

int __stdcall RecordBackupProgress(int remaining, int total) noexcept
{
    g_backup.calls.emplace_back(remaining, total);
    return 1;  // ignored: it cannot stop the backup
}

int RecordSleep(int milliseconds)
{
    g_backup.sleeps.push_back(milliseconds);
    if (g_backup.locker)
        g_backup.locker->Commit();  // the source becomes free after the first wait
    return milliseconds;
}

TEST_F(TransactionsTest, BackupCopiesInFivePageStepsAndReportsProgress)
{
    ASSERT_TRUE(db.Exec("create table big(b); with recursive c(x) as (select 1 union all select x + 1 from c "
                        "where x < 1200) insert into big select randomblob(1000) from c;"));
    int pages = QueryInt("pragma page_count");
    ASSERT_GT(pages, 300);
    SqliteDatabase target;
    ASSERT_TRUE(target.Open(folder.File("copy.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    g_backup = {};
    ASSERT_TRUE(db.Backup(target, nullptr, nullptr, ToSubprogramPointer(RecordBackupProgress), false));
    ASSERT_EQ(g_backup.calls.size(), static_cast<std::size_t>((pages + 4) / 5));
    for (std::size_t i = 0; i < g_backup.calls.size(); ++i) {
        int expectedRemaining = pages - 5 * static_cast<int>(i + 1);
        EXPECT_EQ(g_backup.calls[i], std::make_pair(expectedRemaining > 0 ? expectedRemaining : 0, pages)) << i;
    }
    SqlStatement count = target.Prepare("select count(*) from big");
    EXPECT_EQ(count.StepScalarInt(), 1200);
    count.Finalize();
    target.Close();
}

sqlite3_backup* RefuseBackupInit(sqlite3*, const char*, sqlite3*, const char*)
{
    ADD_FAILURE() << "the engine must not be called";
    return nullptr;
}

TEST_F(TransactionsTest, BackupIntoAClosedTargetFailsWithoutTheEngine)
{
    {
        ScopedSystemCalls engine(SqliteEngine());
        SqliteEngine().sqlite3_backup_init.function = RefuseBackupInit;
        SqliteDatabase closed;
        EXPECT_FALSE(db.Backup(closed, nullptr, nullptr, 0, false));
    }
    SqliteDatabase target;
    ASSERT_TRUE(target.Open(folder.File("copy.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    std::string missing = "nowhere";
    EXPECT_FALSE(db.Backup(target, nullptr, &missing, 0, true));  // backup_init refuses
    target.Close();
}

TEST_F(TransactionsTest, BackupWaitsWhileTheTargetIsLocked)
{
    ASSERT_TRUE(db.Exec("create table t(a); insert into t values (1);"));
    SqliteDatabase target;
    ASSERT_TRUE(target.Open(folder.File("copy.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    // The target is the locked one here: a second connection to it holds an exclusive lock.
    SqliteDatabase locker;
    ASSERT_TRUE(locker.Open(folder.File("copy.db")));
    ASSERT_EQ(locker.Begin(nullptr, 2), SQLITE_OK);
    g_backup = {};
    g_backup.locker = &locker;
    ScopedSystemCalls engine(SqliteEngine());
    SqliteEngine().sqlite3_sleep.function = RecordSleep;
    ASSERT_TRUE(db.Backup(target, nullptr, nullptr, ToSubprogramPointer(RecordBackupProgress), false));
    EXPECT_EQ(g_backup.sleeps, (std::vector<int>{250}));
    EXPECT_GE(g_backup.calls.size(), 2u);  // the busy step reported progress too
    EXPECT_EQ(g_backup.calls.back().first, 0);
    locker.Close();
    target.Close();
}

int CountSleep(int milliseconds)
{
    g_backup.sleeps.push_back(milliseconds);
    // Far past any sane limit: end the source's transaction so that an unbounded loop ends too
    // and fails below instead of hanging the run.
    if (g_backup.sleeps.size() == 1000)
        g_backup.locker->Commit();
    return milliseconds;
}

TEST_F(TransactionsTest, BackupGivesUpWhileItsOwnConnectionHoldsAWriteTransaction)
{
    ASSERT_TRUE(db.Exec("create table t(a); insert into t values (1);"));
    SqliteDatabase target;
    ASSERT_TRUE(target.Open(folder.File("copy.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    ASSERT_EQ(db.Begin(), SQLITE_OK);
    ASSERT_TRUE(db.Exec("insert into t values (2)"));
    g_backup = {};
    g_backup.locker = &db;
    ScopedSystemCalls engine(SqliteEngine());
    SqliteEngine().sqlite3_sleep.function = CountSleep;

    EXPECT_FALSE(db.Backup(target, nullptr, nullptr, ToSubprogramPointer(RecordBackupProgress), false));
    EXPECT_EQ(g_backup.sleeps, std::vector<int>(SqliteDatabase::kBackupBusyWaitLimit, 250));
    EXPECT_EQ(g_backup.calls.size(), static_cast<std::size_t>(SqliteDatabase::kBackupBusyWaitLimit + 1))
        << "every busy step reported, the last one included";
    EXPECT_FALSE(db.GetAutocommit()) << "the caller's transaction is left alone";
    EXPECT_EQ(db.Rollback(), SQLITE_OK);
    // The backup was finished: the target is free and holds nothing of the source.
    EXPECT_TRUE(target.Exec("create table free(a)"));
    EXPECT_FALSE(target.TableExists("t"));
    target.Close();
}

TEST_F(TransactionsTest, KeyRekeyAndCipherConfiguration)
{
    db.Close();
    std::string path = folder.File("secret.db");
    SqliteDatabase secret;
    ASSERT_TRUE(secret.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE));
    int chosen = secret.Config("cipher", -1);
    EXPECT_GT(chosen, 0);
    EXPECT_EQ(secret.Config("cipher", chosen), chosen);
    EXPECT_EQ(secret.ConfigCipher("sqlcipher", "kdf_iter", 4000), 4000);
    EXPECT_EQ(secret.ConfigCipher("sqlcipher", "kdf_iter", -1), 4000);
    ASSERT_EQ(secret.Key(ByteSet::FromText("first")), SQLITE_OK);
    ASSERT_TRUE(secret.Exec("create table s(x); insert into s values (42);"));
    ASSERT_EQ(secret.Rekey(ByteSet::FromText("second")), SQLITE_OK);
    secret.Close();

    struct Case {
        const char* key;
        bool readable;
    };
    for (const Case& c : {Case{"first", false}, Case{"second", true}}) {
        SqliteDatabase reader;
        ASSERT_TRUE(reader.Open(path));
        reader.Key(ByteSet::FromText(c.key));
        EXPECT_EQ(reader.Exec("select x from s"), c.readable) << c.key;
        reader.Close();
    }
}

std::vector<int> g_busyRetries;
SqliteDatabase* g_busyLocker = nullptr;
int g_busyGiveUpAfter = 0;

int __stdcall RecordBusy(int retryCount) noexcept
{
    g_busyRetries.push_back(retryCount);
    if (g_busyLocker && retryCount == 1)
        g_busyLocker->Commit();
    return retryCount < g_busyGiveUpAfter ? 1 : 0;
}

TEST_F(TransactionsTest, BusyHandlerIsAskedWhileAnotherConnectionHoldsTheLock)
{
    ASSERT_TRUE(db.Exec("create table t(a)"));
    SqliteDatabase locker = OpenSecond();
    ASSERT_EQ(locker.Begin(nullptr, 2), SQLITE_OK);

    g_busyRetries.clear();
    g_busyLocker = nullptr;
    g_busyGiveUpAfter = 3;
    ASSERT_EQ(db.SetBusyHandler(ToSubprogramPointer(RecordBusy)), SQLITE_OK);
    EXPECT_FALSE(db.Exec("insert into t values (1)"));
    EXPECT_EQ(db.ErrCode(), SQLITE_BUSY);
    EXPECT_EQ(g_busyRetries, (std::vector<int>{0, 1, 2, 3}));

    // The handler that waits long enough sees the lock go.
    g_busyRetries.clear();
    g_busyLocker = &locker;
    g_busyGiveUpAfter = 100;
    EXPECT_TRUE(db.Exec("insert into t values (2)"));
    EXPECT_EQ(g_busyRetries, (std::vector<int>{0, 1}));

    // 0 removes the handler, and a busy timeout along with it.
    ASSERT_EQ(locker.Begin(nullptr, 2), SQLITE_OK);
    g_busyRetries.clear();
    ASSERT_EQ(db.BusyTimeout(5000), SQLITE_OK);
    ASSERT_EQ(db.SetBusyHandler(0), SQLITE_OK);
    DWORD start = GetTickCount();
    EXPECT_FALSE(db.Exec("insert into t values (3)"));
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_TRUE(g_busyRetries.empty());
    locker.Rollback();
    locker.Close();
}

SqliteDatabase* g_interrupted = nullptr;
int __stdcall InterruptFromProgress() noexcept
{
    g_interrupted->Interrupt();
    return 0;
}

TEST_F(TransactionsTest, InterruptStopsTheRunningStatement)
{
    g_interrupted = &db;
    db.SetProgressHandler(1000, ToSubprogramPointer(InterruptFromProgress));
    EXPECT_FALSE(db.Exec("with recursive c(x) as (select 1 union all select x + 1 from c where x < 100000) "
                         "select count(*) from c"));
    EXPECT_EQ(db.ErrCode(), SQLITE_INTERRUPT);
}

} // namespace
