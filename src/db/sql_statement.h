// SqlStatement: one prepared engine statement (an sqlite3_stmt handle; 0 = none).
//
// Copies share the statement; destroying an object never finalizes it: only Finalize ends the
// statement, for every copy. Texts passed in are GBK unless `utf8` says they are UTF-8 already;
// texts returned are GBK unless `utf8` asks for the engine's bytes. Nothing here shows a message.
#pragma once

#include <cstdint>
#include <string>

#include <sqlite3.h>

#include "framework/byte_set.h"
#include "framework/unique_resource.h"

class SqlStatement {
public:
    SqlStatement() = default;

    SqlStatement Clone() const { return *this; }
    sqlite3_stmt* GetHandle() const { return handle_; }
    // Stores `handle`; the statement it replaces is not finalized.
    void SetHandle(sqlite3_stmt* handle) { handle_ = handle; }
    // sqlite3_finalize; the handle is 0 afterwards whatever the code. 1 without a statement.
    int Finalize();
    std::string GetSql(bool utf8 = false) const;

    // Bind by parameter name (written as in the SQL, prefix included); true when the bind answered 0.
    bool BindBlob(const std::string& name, const ByteSet& value, bool utf8 = false);
    bool BindText(const std::string& name, const std::string& value, bool utf8 = false);
    bool BindInt(const std::string& name, int value, bool utf8 = false);
    bool BindInt64(const std::string& name, std::int64_t value, bool utf8 = false);
    bool BindDouble(const std::string& name, double value, bool utf8 = false);
    bool BindNull(const std::string& name, bool utf8 = false);
    bool ClearBindings();
    int GetParameterCount() const;
    int GetParameterIndex(const std::string& name, bool utf8 = false) const;
    std::string GetParameterName(int index, bool utf8 = false) const;

    // One sqlite3_step: true exactly on SQLITE_ROW.
    bool Step();
    // One sqlite3_step: its result code (1 without a statement).
    int StepResult();
    // One step, then column 0 of the row it yields (0 / "" when none). Neither resets nor finalizes.
    int StepScalarInt();
    std::string StepScalarText(bool utf8 = false);
    bool Reset();

    int DataCount() const;
    int ColumnCount() const;
    int ColumnBytes(int column) const;
    std::string ColumnName(int column, bool utf8 = false) const;
    std::string ColumnTableName(int column, bool utf8 = false) const;
    std::string ColumnDatabaseName(int column, bool utf8 = false) const;
    // Index of the first result column named `name`; -1 when none.
    int ColumnIndex(const std::string& name, bool utf8 = false) const;
    std::string ColumnDeclType(int column, bool utf8 = false) const;
    std::string ColumnOriginName(int column, bool utf8 = false) const;
    int ColumnType(int column) const;

    // These hand the handle, 0 included, to the engine untested.
    std::string ColumnText(int column, bool utf8 = false) const;
    int ColumnInt(int column) const;
    std::int64_t ColumnInt64(int column) const;
    double ColumnDouble(int column) const;
    ByteSet ColumnBlob(int column) const;
    std::string ExpandedSql(bool utf8 = false) const;
    bool IsBusy() const;
    bool IsReadOnly() const;
    sqlite3* GetDatabaseHandle() const;
    // Rows the statement yields with its current bindings, counted by a wrapping query.
    int CountRows() const;

private:
    int ParameterIndex(const std::string& name, bool utf8) const;

    sqlite3_stmt* handle_ = nullptr;
};

namespace sql_statement_calls {
inline void FinalizeStatement(sqlite3_stmt* handle) noexcept
{
    SqlStatement statement;
    statement.SetHandle(handle);
    statement.Finalize();
}
}  // namespace sql_statement_calls

// Finalizes the statement whose handle it holds when the scope ends, whichever way it ends
// (SqlStatement itself never does): a statement left open keeps its connection from closing and
// its read lock held. Read through the SqlStatement as before; do not finalize it yourself.
using UniqueStatement = UniqueResource<sqlite3_stmt*, &sql_statement_calls::FinalizeStatement, nullptr>;
