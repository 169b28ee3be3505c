// SqliteDatabase: one engine connection (an sqlite3 handle; 0 = no connection).
//
// Creating an object opens nothing; copying shares the connection; destroying an object never
// closes it (Close or CloseV2 must be called). Texts are GBK on the program's side and UTF-8 at the
// engine unless a flag says otherwise. Nothing here shows a message or raises: results are engine
// result codes, truth values, texts or statement objects.
//
// The operations are declared in the order of the class's operation table. Optional texts whose
// absence differs from the empty text are passed as pointers (null = absent). Caller routines
// (SubprogramPointer) are __stdcall and take 32-bit arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "db/sql_statement.h"
#include "db/sqlite_schema.h"
#include "framework/byte_set.h"
#include "framework/subprogram_pointer.h"
#include "framework/text_array.h"

class SqliteDatabase {
public:
    SqliteDatabase() = default;
    // Releasing the object does nothing: the connection stays open.
    ~SqliteDatabase() = default;

    // A new object with the same handle.
    SqliteDatabase Clone() const { return *this; }
    sqlite3* GetHandle() const { return handle_; }
    // Stores `handle`; the previous one is neither closed nor kept.
    void SetHandle(sqlite3* handle) { handle_ = handle; }

    // sqlite3_open_v2 straight into the handle field (a held connection is not closed first; a
    // failed open keeps the engine's connection so that ErrMsg tells why). True on SQLITE_OK.
    bool Open(const std::string& fileName, int flags = SQLITE_OPEN_READWRITE, bool utf8 = false);
    // sqlite3_close / sqlite3_close_v2; the handle becomes 0 whatever the code. 1 without a connection.
    int Close();
    int CloseV2();
    // Cipher key; with a database name the _v2 form (the name converted only when `convertName`).
    // 1 without a connection.
    int Key(const ByteSet& key, const std::string* databaseName = nullptr, bool convertName = false);
    int Rekey(const ByteSet& newKey = ByteSet(), const std::string* databaseName = nullptr, bool convertName = false);
    // Runs `sql`; a row routine (int __stdcall (user value, column count, values, names)) is called
    // for every result row. `errorText` receives the engine's error text when there is one.
    bool Exec(const std::string& sql, SubprogramPointer rowRoutine = 0, std::uint32_t userValue = 0,
              std::string* errorText = nullptr, bool utf8 = false);
    int ErrCode() const;
    // The engine's last error text: UTF-8 as the engine gives it unless `toGbk`.
    std::string ErrMsg(bool toGbk = false) const;
    // Compiles the first statement of `sql`; the result has handle 0 on failure and is the caller's.
    SqlStatement Prepare(const std::string& sql, bool* succeeded = nullptr, bool utf8 = false);
    // The whole result as texts: row 1 the column names, then the data rows. The array is touched
    // only when there is at least one column; `rowCount` then counts the names row too.
    bool GetTable(const std::string& sql, TextArray2D* result = nullptr, int* rowCount = nullptr,
                  int* columnCount = nullptr, std::string* errorText = nullptr, bool utf8 = false);

    // --- Schema listing and building ---------------------------------------------------------
    // The listings return a new statement (handle 0 when the query does not compile) over rows of
    // (name, sql); the caller finalizes it. Every name, list and expression is spliced in as given:
    // the listings and TableExists put the table name between apostrophes, so a caller whose name
    // holds an apostrophe doubles it first (DoubleApostrophes); a name left unquoted makes the query
    // fail (handle 0, TableExists false). The building operations run their statement with Exec
    // (errorText and utf8 as there).
    SqlStatement ListTables();
    SqlStatement ListIndexes(const std::string& tableName, bool utf8 = false);
    SqlStatement ListViews();
    SqlStatement ListTriggers(const std::string& tableName, bool utf8 = false);
    // True when sqlite_master holds a table of exactly that name; a compiled query is always finalized.
    bool TableExists(const std::string& tableName, bool utf8 = false);
    bool CreateTable(const std::string& tableName, const std::vector<ColumnDefinition>& columns,
                     std::string* errorText = nullptr, const std::string& uniqueColumns = "",
                     const std::string& primaryKeyColumns = "", bool utf8 = false);
    bool DropTable(const std::string& tableName, std::string* errorText = nullptr, bool utf8 = false);
    bool RenameTable(const std::string& tableName, const std::string& newName, std::string* errorText = nullptr,
                     bool utf8 = false);
    bool AddColumn(const std::string& tableName, const ColumnDefinition& column, std::string* errorText = nullptr,
                   bool utf8 = false);
    bool CreateIndex(const std::string& indexName, const std::string& tableName, const std::string& columns,
                     bool unique = false, std::string* errorText = nullptr, bool utf8 = false);
    bool DropIndex(const std::string& indexName, std::string* errorText = nullptr, bool utf8 = false);
    bool CreateView(const std::string& viewName, const std::string& selectStatement, bool temporary = false,
                    std::string* errorText = nullptr, bool utf8 = false);
    bool DropView(const std::string& viewName, std::string* errorText = nullptr, bool utf8 = false);
    // event: 0 INSERT, 1 DELETE, 2 UPDATE, 3 UPDATE OF columns; timing: 1 BEFORE, 2 AFTER, else none.
    bool CreateTrigger(const std::string& tableName, const std::string& triggerName, const std::string& body,
                       int event, const std::string& columns = "", int timing = 0, bool temporary = false,
                       std::string* errorText = nullptr, bool utf8 = false);
    bool DropTrigger(const std::string& triggerName, std::string* errorText = nullptr, bool utf8 = false);

    // --- Transactions, changes, attach, backup, configuration ---------------------------------
    // Begin, Commit and Rollback run their statement through sqlite3_exec and answer its code;
    // savepoint names go unconverted. Begin: "SAVEPOINT name" when a name is given, else mode 0
    // "BEGIN", 1 "BEGIN IMMEDIATE", 2 "BEGIN EXCLUSIVE", any other mode runs nothing and answers 0.
    int Begin(const std::string* savepointName = nullptr, int mode = 0);
    // "COMMIT", or "RELEASE name".
    int Commit(const std::string* savepointName = nullptr);
    // "ROLLBACK", or "ROLLBACK TO name".
    int Rollback(const std::string* savepointName = nullptr);
    void Interrupt();
    int Changes() const;
    int TotalChanges() const;
    std::int64_t LastInsertRowId() const;
    // Exec of "VACUUM".
    bool Vacuum(std::string* errorText = nullptr, bool utf8 = false);
    // Exec of "Attach Database 'path' as alias" with the path as given: a caller whose path holds
    // an apostrophe doubles it first, else the statement fails.
    bool AttachDatabase(const std::string& path, const std::string& alias, std::string* errorText = nullptr,
                        bool utf8 = false);
    // Exec of "Detach Database alias".
    bool DetachDatabase(const std::string& alias, std::string* errorText = nullptr, bool utf8 = false);
    // Copies this connection's database `sourceName` (null = "main") into the target's `targetName`
    // (null = "main") in steps of 5 pages, calling progress (remaining pages, total pages) after
    // every step and waiting 250 ms whenever a step answers busy or locked. After
    // kBackupBusyWaitLimit such waits in one call (10 s) it gives up: the backup is finished and
    // the answer is false. False at once when the target holds no connection or the backup cannot
    // start; otherwise true exactly when sqlite3_backup_finish answers 0. Blocks the caller until
    // the copy ends or is given up.
    static constexpr int kBackupBusyWaitLimit = 40;
    bool Backup(const SqliteDatabase& target, const std::string* targetName, const std::string* sourceName,
                SubprogramPointer progress, bool namesUtf8);
    // wxsqlite3_config / wxsqlite3_config_cipher with the names unconverted; the codec's answer.
    int Config(const std::string& parameterName, int value);
    int ConfigCipher(const std::string& cipherName, const std::string& parameterName, int value);

    // --- Callback registrations ---------------------------------------------------------------
    // Each makes a SqlCallbackBlock that becomes the engine's user data and is freed when the
    // engine drops the registration (replaced, deleted, connection closed), after the destroy
    // routine (user value) has run. A function or aggregate the engine refuses is dropped by the
    // engine at once (destroy routine run, block freed); a refused collation is not, so there only
    // the block is freed and the destroy routine never runs: the caller still owns its data. False
    // without calling the engine when the block or a bridge is missing.
    // The name is converted to UTF-8 unless utf8, before anything is made: a conversion that throws
    // (no memory) leaves no block behind and the engine uncalled.
    // function routine: void __stdcall (sqlite3_context*, int argumentCount, sqlite3_value**).
    bool CreateFunction(const std::string& name, int argumentCount, std::uint32_t userValue,
                        SubprogramPointer functionRoutine, SubprogramPointer destroyRoutine = 0, bool utf8 = false);
    // step as the function routine; final routine: void __stdcall (sqlite3_context*).
    bool CreateAggregate(const std::string& name, int argumentCount, std::uint32_t userValue,
                         SubprogramPointer stepRoutine, SubprogramPointer finalRoutine,
                         SubprogramPointer destroyRoutine = 0, bool utf8 = false);
    // compare routine: int __stdcall (user value, length 1, text 1, length 2, text 2); routine 0
    // compares every pair equal. textEncoding goes to the engine unchanged (1 = SQLITE_UTF8).
    bool CreateCollation(const std::string& name, int textEncoding, std::uint32_t userValue,
                         SubprogramPointer compareRoutine, SubprogramPointer destroyRoutine = 0, bool utf8 = false);

    int BusyTimeout(int milliseconds);
    // 0 removes any busy handler and busy timeout. Any other value is a routine
    // int __stdcall (int retryCount) called while a table is locked: not 0 retries, 0 gives up
    // (the waiting call answers SQLITE_BUSY). The engine's code.
    int SetBusyHandler(std::uint32_t routine);
    // The file of database `databaseName` (null = "main"); "" when the engine knows none.
    std::string GetFilename(const std::string* databaseName = nullptr, bool utf8 = false) const;
    // 1 read-only, 0 read-write, -1 no database of that name.
    int IsReadOnly(const std::string* databaseName = nullptr, bool utf8 = false) const;
    sqlite3_mutex* GetMutex() const;
    // True when no transaction is open.
    bool GetAutocommit() const;
    // routine: int __stdcall (void) called every `operationCount` virtual-machine steps; not 0
    // interrupts the running statement. Routine 0 removes the handler.
    void SetProgressHandler(int operationCount, SubprogramPointer routine);
    // The connection's prepared statement after `statement` (its first when `statement` holds none);
    // the result shares the statement with whoever prepared it.
    SqlStatement NextStatement(const SqlStatement& statement) const;

private:
    sqlite3* handle_ = nullptr;
};
