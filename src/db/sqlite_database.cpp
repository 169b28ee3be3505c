#include "db/sqlite_database.h"

#include "db/callback_block.h"
#include "db/callback_thunks.h"
#include "db/sqlite_engine.h"
#include "db/text_conversion.h"

namespace {

std::string ToEngine(const std::string& text, bool utf8)
{
    return utf8 ? text : GbkToUtf8(text);
}

using EngineCallback = int (*)(void*, int, char**, char**);

} // namespace

bool SqliteDatabase::Open(const std::string& fileName, int flags, bool utf8)
{
    std::string name = ToEngine(fileName, utf8);
    return SqliteEngine().sqlite3_open_v2(name.c_str(), &handle_, flags, nullptr) == SQLITE_OK;
}

int SqliteDatabase::Close()
{
    if (!handle_)
        return SQLITE_ERROR;
    int rc = SqliteEngine().sqlite3_close(handle_);
    handle_ = nullptr;
    return rc;
}

int SqliteDatabase::CloseV2()
{
    if (!handle_)
        return SQLITE_ERROR;
    int rc = SqliteEngine().sqlite3_close_v2(handle_);
    handle_ = nullptr;
    return rc;
}

namespace {

using KeyFunction = int (*)(sqlite3*, const void*, int);
using NamedKeyFunction = int (*)(sqlite3*, const char*, const void*, int);

// Key and Rekey differ only in the engine functions they reach.
int ApplyKey(sqlite3* handle, const ByteSet& key, const std::string* databaseName, bool convertName,
             KeyFunction unnamed, NamedKeyFunction named)
{
    if (!handle)
        return SQLITE_ERROR;
    int length = static_cast<int>(key.Size());
    if (!databaseName)
        return unnamed(handle, key.Data(), length);
    std::string name = convertName ? GbkToUtf8(*databaseName) : *databaseName;
    return named(handle, name.c_str(), key.Data(), length);
}

} // namespace

int SqliteDatabase::Key(const ByteSet& key, const std::string* databaseName, bool convertName)
{
    return ApplyKey(handle_, key, databaseName, convertName,
                    [](sqlite3* db, const void* k, int n) { return SqliteEngine().sqlite3_key(db, k, n); },
                    [](sqlite3* db, const char* name, const void* k, int n) {
                        return SqliteEngine().sqlite3_key_v2(db, name, k, n);
                    });
}

int SqliteDatabase::Rekey(const ByteSet& newKey, const std::string* databaseName, bool convertName)
{
    return ApplyKey(handle_, newKey, databaseName, convertName,
                    [](sqlite3* db, const void* k, int n) { return SqliteEngine().sqlite3_rekey(db, k, n); },
                    [](sqlite3* db, const char* name, const void* k, int n) {
                        return SqliteEngine().sqlite3_rekey_v2(db, name, k, n);
                    });
}

bool SqliteDatabase::Exec(const std::string& sql, SubprogramPointer rowRoutine, std::uint32_t userValue,
                          std::string* errorText, bool utf8)
{
    void* block = nullptr;
    if (rowRoutine) {
        // Without the row bridge the engine would run the statement but never call the routine.
        if (!g_execRowThunk)
            return false;
        block = AllocCallbackBlock(8);
        if (!block)
            return false;
        StoreDwordAt(block, 0, static_cast<std::uint32_t>(rowRoutine));
        StoreDwordAt(block, 4, userValue);
    }
    std::string engineSql = ToEngine(sql, utf8);
    char* engineError = nullptr;
    EngineCallback bridge = block ? reinterpret_cast<EngineCallback>(g_execRowThunk) : nullptr;
    int rc = SqliteEngine().sqlite3_exec(handle_, engineSql.c_str(), bridge, block, &engineError);
    if (engineError) {
        if (errorText)
            *errorText = utf8 ? std::string(engineError) : Utf8ToGbk(engineError);
        SqliteEngine().sqlite3_free(engineError);
    }
    FreeCallbackBlock(block);
    return rc == SQLITE_OK;
}

int SqliteDatabase::ErrCode() const { return SqliteEngine().sqlite3_errcode(handle_); }

std::string SqliteDatabase::ErrMsg(bool toGbk) const
{
    const char* message = SqliteEngine().sqlite3_errmsg(handle_);
    std::string text = message ? message : "";
    return toGbk ? Utf8TextToGbk(text) : text;
}

SqlStatement SqliteDatabase::Prepare(const std::string& sql, bool* succeeded, bool utf8)
{
    SqlStatement statement;
    std::string engineSql = ToEngine(sql, utf8);
    sqlite3_stmt* handle = nullptr;
    int rc = SqliteEngine().sqlite3_prepare_v2(handle_, engineSql.c_str(), -1, &handle, nullptr);
    if (succeeded)
        *succeeded = rc == SQLITE_OK;
    statement.SetHandle(handle);
    return statement;
}

bool SqliteDatabase::GetTable(const std::string& sql, TextArray2D* result, int* rowCount, int* columnCount,
                              std::string* errorText, bool utf8)
{
    std::string engineSql = ToEngine(sql, utf8);
    char** table = nullptr;
    int rows = 0;
    int columns = 0;
    char* engineError = nullptr;
    int rc = SqliteEngine().sqlite3_get_table(handle_, engineSql.c_str(), &table, &rows, &columns, &engineError);
    if (rowCount)
        *rowCount = rows;
    if (columnCount)
        *columnCount = columns;
    if (rc != SQLITE_OK) {
        if (errorText) {
            std::string text = engineError ? engineError : "";
            *errorText = utf8 ? text : Utf8TextToGbk(text);
        }
        SqliteEngine().sqlite3_free(engineError);
        SqliteEngine().sqlite3_free_table(table);
        return false;
    }
    if (columns == 0) {
        SqliteEngine().sqlite3_free_table(table);
        return true;
    }
    ++rows;
    if (rowCount)
        *rowCount = rows;
    if (result) {
        result->Redim(rows, columns);
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= columns; ++c) {
                const char* cell = table[(r - 1) * columns + (c - 1)];
                result->At(r, c) = utf8 ? std::string(cell ? cell : "") : Utf8ToGbk(cell);
            }
        }
    }
    SqliteEngine().sqlite3_free_table(table);
    return true;
}
