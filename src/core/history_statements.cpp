#include "core/history_statements.h"

#include "db/sqlite_engine.h"

namespace {

const char* HistoryStatementText(HistoryStatement which) noexcept
{
    switch (which) {
    case HistoryStatement::Begin: return "begin";
    case HistoryStatement::Commit: return "commit";
    case HistoryStatement::Rollback: return "rollback";
    // The four values in the template's order: TIME, TEXT, BYTE, FILE.
    case HistoryStatement::Insert: return "insert into data(TIME , TEXT , BYTE , FILE) values (?1 ,?2 , ?3 , ?4) ";
    case HistoryStatement::Count: return "select count(1) from data";
    // One statement per pass finds and deletes the oldest key, whatever characters the key holds.
    case HistoryStatement::DeleteOldest: return "delete from data where time = (select min(time) from data)";
    }
    return "";
}

} // namespace

HistoryStatements::~HistoryStatements()
{
    for (sqlite3_stmt* statement : statements_)
        SqliteEngine().sqlite3_finalize(statement);
}

sqlite3_stmt* HistoryStatements::Get(HistoryStatement which) noexcept
{
    sqlite3_stmt*& statement = statements_[static_cast<std::size_t>(which)];
    if (!statement)
        SqliteEngine().sqlite3_prepare_v2(connection_, HistoryStatementText(which), -1, &statement, nullptr);
    return statement;
}

int HistoryStatements::Run(HistoryStatement which) noexcept
{
    sqlite3_stmt* statement = Get(which);
    if (!statement)
        return SqliteEngine().sqlite3_errcode(connection_);
    int rc = SqliteEngine().sqlite3_step(statement);
    SqliteEngine().sqlite3_reset(statement);
    return rc;
}
