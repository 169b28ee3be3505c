// SqliteDatabase: one engine connection (an sqlite3 handle; 0 = no connection).
//
// Creating an object opens nothing; copying shares the connection; destroying an object never
// closes it (Close or CloseV2 must be called). Texts are GBK on the program's side and UTF-8 at the
// engine unless a flag says otherwise. Nothing here shows a message or raises: results are engine
// result codes, truth values, texts or statement objects.
#pragma once

#include <cstdint>
#include <string>

#include <sqlite3.h>

#include "db/sql_statement.h"
#include "framework/byte_set.h"
#include "framework/subprogram_pointer.h"
#include "framework/text_array.h"

class SqliteDatabase {
public:
    SqliteDatabase() = default;

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

private:
    sqlite3* handle_ = nullptr;
};
