#include "db/sql_statement.h"

#include <windows.h>

#include <cstring>

#include "db/sqlite_engine.h"
#include "db/text_conversion.h"

namespace {

std::string EngineText(const char* text, bool utf8)
{
    if (!text)
        return {};
    return utf8 ? std::string(text) : Utf8ToGbk(text);
}

std::string EngineText(const unsigned char* text, bool utf8)
{
    return EngineText(reinterpret_cast<const char*>(text), utf8);
}

std::string ToEngine(const std::string& text, bool utf8)
{
    return utf8 ? text : GbkToUtf8(text);
}

} // namespace

int SqlStatement::Finalize()
{
    if (!handle_)
        return SQLITE_ERROR;
    int rc = SqliteEngine().sqlite3_finalize(handle_);
    handle_ = nullptr;
    return rc;
}

std::string SqlStatement::GetSql(bool utf8) const
{
    if (!handle_)
        return {};
    return EngineText(SqliteEngine().sqlite3_sql(handle_), utf8);
}

int SqlStatement::ParameterIndex(const std::string& name, bool utf8) const
{
    std::string engineName = ToEngine(name, utf8);
    return SqliteEngine().sqlite3_bind_parameter_index(handle_, engineName.c_str());
}

bool SqlStatement::BindBlob(const std::string& name, const ByteSet& value, bool utf8)
{
    if (!handle_)
        return false;
    int index = ParameterIndex(name, utf8);
    return SqliteEngine().sqlite3_bind_blob(handle_, index, value.Data(), static_cast<int>(value.Size()),
                                            SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqlStatement::BindText(const std::string& name, const std::string& value, bool utf8)
{
    if (!handle_)
        return false;
    int index = ParameterIndex(name, utf8);
    std::string text = ToEngine(value, utf8);
    return SqliteEngine().sqlite3_bind_text(handle_, index, text.c_str(), static_cast<int>(std::strlen(text.c_str())),
                                            SQLITE_TRANSIENT) == SQLITE_OK;
}

bool SqlStatement::BindInt(const std::string& name, int value, bool utf8)
{
    if (!handle_)
        return false;
    return SqliteEngine().sqlite3_bind_int(handle_, ParameterIndex(name, utf8), value) == SQLITE_OK;
}

bool SqlStatement::BindInt64(const std::string& name, std::int64_t value, bool utf8)
{
    if (!handle_)
        return false;
    return SqliteEngine().sqlite3_bind_int64(handle_, ParameterIndex(name, utf8), value) == SQLITE_OK;
}

bool SqlStatement::BindDouble(const std::string& name, double value, bool utf8)
{
    if (!handle_)
        return false;
    return SqliteEngine().sqlite3_bind_double(handle_, ParameterIndex(name, utf8), value) == SQLITE_OK;
}

bool SqlStatement::BindNull(const std::string& name, bool utf8)
{
    if (!handle_)
        return false;
    return SqliteEngine().sqlite3_bind_null(handle_, ParameterIndex(name, utf8)) == SQLITE_OK;
}

bool SqlStatement::ClearBindings()
{
    return handle_ && SqliteEngine().sqlite3_clear_bindings(handle_) == SQLITE_OK;
}

int SqlStatement::GetParameterCount() const
{
    return handle_ ? SqliteEngine().sqlite3_bind_parameter_count(handle_) : 0;
}

int SqlStatement::GetParameterIndex(const std::string& name, bool utf8) const
{
    return handle_ ? ParameterIndex(name, utf8) : 0;
}

std::string SqlStatement::GetParameterName(int index, bool utf8) const
{
    if (!handle_)
        return {};
    return EngineText(SqliteEngine().sqlite3_bind_parameter_name(handle_, index), utf8);
}

bool SqlStatement::Step()
{
    return handle_ && SqliteEngine().sqlite3_step(handle_) == SQLITE_ROW;
}

int SqlStatement::StepResult()
{
    return handle_ ? SqliteEngine().sqlite3_step(handle_) : SQLITE_ERROR;
}

int SqlStatement::StepScalarInt()
{
    if (!handle_ || SqliteEngine().sqlite3_step(handle_) != SQLITE_ROW)
        return 0;
    return SqliteEngine().sqlite3_column_int(handle_, 0);
}

std::string SqlStatement::StepScalarText(bool utf8)
{
    if (!handle_ || SqliteEngine().sqlite3_step(handle_) != SQLITE_ROW)
        return {};
    return EngineText(SqliteEngine().sqlite3_column_text(handle_, 0), utf8);
}

bool SqlStatement::Reset()
{
    return handle_ && SqliteEngine().sqlite3_reset(handle_) == SQLITE_OK;
}

int SqlStatement::DataCount() const { return handle_ ? SqliteEngine().sqlite3_data_count(handle_) : 0; }

int SqlStatement::ColumnCount() const { return handle_ ? SqliteEngine().sqlite3_column_count(handle_) : 0; }

int SqlStatement::ColumnBytes(int column) const
{
    return handle_ ? SqliteEngine().sqlite3_column_bytes(handle_, column) : 0;
}

std::string SqlStatement::ColumnName(int column, bool utf8) const
{
    return handle_ ? EngineText(SqliteEngine().sqlite3_column_name(handle_, column), utf8) : std::string();
}

std::string SqlStatement::ColumnTableName(int column, bool utf8) const
{
    return handle_ ? EngineText(SqliteEngine().sqlite3_column_table_name(handle_, column), utf8) : std::string();
}

std::string SqlStatement::ColumnDatabaseName(int column, bool utf8) const
{
    return handle_ ? EngineText(SqliteEngine().sqlite3_column_database_name(handle_, column), utf8) : std::string();
}

int SqlStatement::ColumnIndex(const std::string& name, bool utf8) const
{
    if (!handle_)
        return -1;
    int count = SqliteEngine().sqlite3_column_count(handle_);
    for (int i = 0; i < count; ++i) {
        const char* columnName = SqliteEngine().sqlite3_column_name(handle_, i);
        if (utf8) {
            if (lstrcmpA(columnName ? columnName : "", name.c_str()) == 0)
                return i;
        } else if (Utf8ToGbk(columnName) == name) {
            return i;
        }
    }
    return -1;
}

std::string SqlStatement::ColumnDeclType(int column, bool utf8) const
{
    return handle_ ? EngineText(SqliteEngine().sqlite3_column_decltype(handle_, column), utf8) : std::string();
}

std::string SqlStatement::ColumnOriginName(int column, bool utf8) const
{
    return handle_ ? EngineText(SqliteEngine().sqlite3_column_origin_name(handle_, column), utf8) : std::string();
}

int SqlStatement::ColumnType(int column) const
{
    return handle_ ? SqliteEngine().sqlite3_column_type(handle_, column) : 0;
}

std::string SqlStatement::ColumnText(int column, bool utf8) const
{
    return EngineText(SqliteEngine().sqlite3_column_text(handle_, column), utf8);
}

int SqlStatement::ColumnInt(int column) const { return SqliteEngine().sqlite3_column_int(handle_, column); }

std::int64_t SqlStatement::ColumnInt64(int column) const
{
    return SqliteEngine().sqlite3_column_int64(handle_, column);
}

double SqlStatement::ColumnDouble(int column) const { return SqliteEngine().sqlite3_column_double(handle_, column); }

ByteSet SqlStatement::ColumnBlob(int column) const
{
    const void* data = SqliteEngine().sqlite3_column_blob(handle_, column);
    if (!data)
        return {};
    int size = SqliteEngine().sqlite3_column_bytes(handle_, column);
    return ByteSet(data, static_cast<std::size_t>(size > 0 ? size : 0));
}

std::string SqlStatement::ExpandedSql(bool utf8) const
{
    char* expanded = SqliteEngine().sqlite3_expanded_sql(handle_);
    if (!expanded)
        return {};
    std::string text = utf8 ? std::string(expanded) : Utf8ToGbk(expanded);
    SqliteEngine().sqlite3_free(expanded);
    return text;
}

bool SqlStatement::IsBusy() const { return SqliteEngine().sqlite3_stmt_busy(handle_) != 0; }

bool SqlStatement::IsReadOnly() const { return SqliteEngine().sqlite3_stmt_readonly(handle_) != 0; }

sqlite3* SqlStatement::GetDatabaseHandle() const { return SqliteEngine().sqlite3_db_handle(handle_); }

int SqlStatement::CountRows() const
{
    char* expanded = SqliteEngine().sqlite3_expanded_sql(handle_);
    if (!expanded)
        return 0;
    std::string query = std::string("select count(*) from (") + expanded + ")";
    SqliteEngine().sqlite3_free(expanded);
    sqlite3* db = SqliteEngine().sqlite3_db_handle(handle_);
    if (!db)
        return 0;
    sqlite3_stmt* counter = nullptr;
    if (SqliteEngine().sqlite3_prepare_v2(db, query.c_str(), -1, &counter, nullptr) != SQLITE_OK)
        return 0;
    int count = 0;
    if (SqliteEngine().sqlite3_step(counter) == SQLITE_ROW)
        count = SqliteEngine().sqlite3_column_int(counter, 0);
    SqliteEngine().sqlite3_finalize(counter);
    return count;
}
