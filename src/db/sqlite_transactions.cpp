// Transactions and savepoints, change counts, attach and detach, online backup, codec
// configuration, busy handling and facts about the connection.
#include "db/sqlite_database.h"

#include "db/callback_dispatch.h"
#include "db/callback_thunks.h"
#include "db/sqlite_engine.h"
#include "db/text_conversion.h"

namespace {

constexpr int kBackupPagesPerStep = 5;
constexpr int kBackupBusyWaitMilliseconds = 250;

int ExecWithoutCallback(sqlite3* handle, const char* sql)
{
    return SqliteEngine().sqlite3_exec(handle, sql, nullptr, nullptr, nullptr);
}

std::string EngineName(const std::string* name, bool utf8)
{
    std::string given = name ? *name : "main";
    return utf8 ? given : GbkToUtf8(given);
}

using BusyCallback = int (*)(void*, int);

} // namespace

int SqliteDatabase::Begin(const std::string* savepointName, int mode)
{
    if (savepointName)
        return ExecWithoutCallback(handle_, ("SAVEPOINT " + *savepointName).c_str());
    switch (mode) {
    case 0: return ExecWithoutCallback(handle_, "BEGIN");
    case 1: return ExecWithoutCallback(handle_, "BEGIN IMMEDIATE");
    case 2: return ExecWithoutCallback(handle_, "BEGIN EXCLUSIVE");
    default: return ExecWithoutCallback(handle_, nullptr);
    }
}

int SqliteDatabase::Commit(const std::string* savepointName)
{
    if (savepointName)
        return ExecWithoutCallback(handle_, ("RELEASE " + *savepointName).c_str());
    return ExecWithoutCallback(handle_, "COMMIT");
}

int SqliteDatabase::Rollback(const std::string* savepointName)
{
    if (savepointName)
        return ExecWithoutCallback(handle_, ("ROLLBACK TO " + *savepointName).c_str());
    return ExecWithoutCallback(handle_, "ROLLBACK");
}

void SqliteDatabase::Interrupt() { SqliteEngine().sqlite3_interrupt(handle_); }

int SqliteDatabase::Changes() const { return SqliteEngine().sqlite3_changes(handle_); }

int SqliteDatabase::TotalChanges() const { return SqliteEngine().sqlite3_total_changes(handle_); }

std::int64_t SqliteDatabase::LastInsertRowId() const { return SqliteEngine().sqlite3_last_insert_rowid(handle_); }

bool SqliteDatabase::Vacuum(std::string* errorText, bool utf8) { return Exec("VACUUM", 0, 0, errorText, utf8); }

bool SqliteDatabase::AttachDatabase(const std::string& path, const std::string& alias, std::string* errorText,
                                    bool utf8)
{
    return Exec("Attach Database '" + path + "' as " + alias, 0, 0, errorText, utf8);
}

bool SqliteDatabase::DetachDatabase(const std::string& alias, std::string* errorText, bool utf8)
{
    return Exec("Detach Database " + alias, 0, 0, errorText, utf8);
}

bool SqliteDatabase::Backup(const SqliteDatabase& target, const std::string* targetName,
                            const std::string* sourceName, SubprogramPointer progress, bool namesUtf8)
{
    sqlite3* destination = target.GetHandle();
    if (!destination)
        return false;
    std::string engineTarget = EngineName(targetName, namesUtf8);
    std::string engineSource = EngineName(sourceName, namesUtf8);
    sqlite3_backup* backup =
        SqliteEngine().sqlite3_backup_init(destination, engineTarget.c_str(), handle_, engineSource.c_str());
    if (!backup)
        return false;
    // A source whose own connection holds a write transaction answers busy to every step: without
    // a limit the caller's thread would wait for ever.
    int waits = 0;
    int rc;
    do {
        rc = SqliteEngine().sqlite3_backup_step(backup, kBackupPagesPerStep);
        if (progress) {
            JumpToBackupProgress(progress, static_cast<std::uint32_t>(SqliteEngine().sqlite3_backup_remaining(backup)),
                                 static_cast<std::uint32_t>(SqliteEngine().sqlite3_backup_pagecount(backup)));
        }
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (waits == kBackupBusyWaitLimit)
                break;
            ++waits;
            SqliteEngine().sqlite3_sleep(kBackupBusyWaitMilliseconds);
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    // Finishing a backup that stopped on busy answers 0: the copy is incomplete all the same.
    bool finished = SqliteEngine().sqlite3_backup_finish(backup) == SQLITE_OK;
    return finished && rc == SQLITE_DONE;
}

int SqliteDatabase::Config(const std::string& parameterName, int value)
{
    return SqliteEngine().wxsqlite3_config(handle_, parameterName.c_str(), value);
}

int SqliteDatabase::ConfigCipher(const std::string& cipherName, const std::string& parameterName, int value)
{
    return SqliteEngine().wxsqlite3_config_cipher(handle_, cipherName.c_str(), parameterName.c_str(), value);
}

int SqliteDatabase::BusyTimeout(int milliseconds) { return SqliteEngine().sqlite3_busy_timeout(handle_, milliseconds); }

int SqliteDatabase::SetBusyHandler(std::uint32_t routine)
{
    if (routine == 0)
        return SqliteEngine().sqlite3_busy_handler(handle_, nullptr, nullptr);
    // Without its bridge the engine would be left with no handler at all; say so instead.
    if (!g_busyHandlerThunk)
        return SQLITE_ERROR;
    return SqliteEngine().sqlite3_busy_handler(handle_, reinterpret_cast<BusyCallback>(g_busyHandlerThunk),
                                               reinterpret_cast<void*>(static_cast<std::uintptr_t>(routine)));
}

std::string SqliteDatabase::GetFilename(const std::string* databaseName, bool utf8) const
{
    std::string name = EngineName(databaseName, utf8);
    const char* path = SqliteEngine().sqlite3_db_filename(handle_, name.c_str());
    if (!path || !*path)
        return {};
    return utf8 ? std::string(path) : Utf8ToGbk(path);
}

int SqliteDatabase::IsReadOnly(const std::string* databaseName, bool utf8) const
{
    std::string name = EngineName(databaseName, utf8);
    return SqliteEngine().sqlite3_db_readonly(handle_, name.c_str());
}

sqlite3_mutex* SqliteDatabase::GetMutex() const { return SqliteEngine().sqlite3_db_mutex(handle_); }

bool SqliteDatabase::GetAutocommit() const { return SqliteEngine().sqlite3_get_autocommit(handle_) != 0; }

SqlStatement SqliteDatabase::NextStatement(const SqlStatement& statement) const
{
    SqlStatement next;
    next.SetHandle(SqliteEngine().sqlite3_next_stmt(handle_, statement.GetHandle()));
    return next.Clone();
}
