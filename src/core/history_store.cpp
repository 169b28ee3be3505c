#include "core/history_store.h"

#include <cstdint>
#include <cstring>

#include "core/globals.h"
#include "db/sqlite_engine.h"

namespace {

// Binds the UTF-8 value without a copy: `value` outlives the statement's one step.
bool BindUtf8(sqlite3_stmt* statement, int index, const std::string& value) noexcept
{
    return SqliteEngine().sqlite3_bind_text(statement, index, value.c_str(), static_cast<int>(value.size()),
                                            SQLITE_STATIC) == SQLITE_OK;
}

// The statements a call runs: the caller's prepared ones, or `own`, prepared as needed and
// finalized when the call ends.
HistoryStatements& StatementsFor(HistoryStatements* prepared, HistoryStatements& own) noexcept
{
    return prepared && prepared->Connection() == g_database->GetHandle() ? *prepared : own;
}

// Steps the bound insert once, then lets go of its values, which do not outlive this call.
bool StepInsert(sqlite3_stmt* insert) noexcept
{
    bool done = SqliteEngine().sqlite3_step(insert) == SQLITE_DONE;
    SqliteEngine().sqlite3_reset(insert);
    SqliteEngine().sqlite3_clear_bindings(insert);
    return done;
}

} // namespace

bool InsertEntry(const std::string& timeKey, const std::string& text, const std::string& pictureText,
                 const std::string& files, HistoryStatements* prepared)
{
    HistoryStatements own(g_database->GetHandle());
    // The values are bound as they are, not spliced into the statement: a text of many megabytes
    // is then never converted nor copied into a statement, a literal and a record besides.
    sqlite3_stmt* insert = StatementsFor(prepared, own).Get(HistoryStatement::Insert);
    if (!insert)
        return false;
    const std::string* values[] = {&timeKey, &text, &pictureText, &files};
    for (int i = 0; i < 4; ++i) {
        if (!BindUtf8(insert, i + 1, *values[i])) {
            SqliteEngine().sqlite3_clear_bindings(insert);
            return false;
        }
    }
    return StepInsert(insert);
}

void TrimHistory(HistoryStatements* prepared)
{
    HistoryStatements own(g_database->GetHandle());
    HistoryStatements& statements = StatementsFor(prepared, own);
    int passes = 0;
    if (sqlite3_stmt* count = statements.Get(HistoryStatement::Count)) {
        if (SqliteEngine().sqlite3_step(count) == SQLITE_ROW)
            passes = SqliteEngine().sqlite3_column_int(count, 0) - kHistoryRowLimit;
        SqliteEngine().sqlite3_reset(count);
    }
    for (int i = 0; i < passes; ++i)
        statements.Run(HistoryStatement::DeleteOldest);
}

std::string MakePictureText(const ByteSet& picture)
{
    if (picture.Empty())
        return {};
    std::uint32_t fileSize = 0;
    if (picture.Size() >= 6)
        std::memcpy(&fileSize, picture.Data() + 2, sizeof fileSize);
    return "BM" + std::to_string(fileSize);
}
