#include "core/history_store.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/globals.h"
#include "db/sqlite_engine.h"
#include "db/text_conversion.h"

namespace {

// The insert's four values in the template's order: TIME, TEXT, BYTE, FILE.
constexpr char kInsertStatement[] = "insert into data(TIME , TEXT , BYTE , FILE) values (?1 ,?2 , ?3 , ?4) ";

// One prepared statement, finalized when the owner ends.
class PreparedStatement {
public:
    explicit PreparedStatement(const char* sql) noexcept
    {
        SqliteEngine().sqlite3_prepare_v2(g_database->GetHandle(), sql, -1, &handle_, nullptr);
    }
    ~PreparedStatement() { SqliteEngine().sqlite3_finalize(handle_); }
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    sqlite3_stmt* get() const noexcept { return handle_; }

private:
    sqlite3_stmt* handle_ = nullptr;
};

// Binds the UTF-8 value without a copy: `value` outlives the statement's one step.
bool BindUtf8(sqlite3_stmt* statement, int index, const std::string& value) noexcept
{
    return SqliteEngine().sqlite3_bind_text(statement, index, value.c_str(), static_cast<int>(value.size()),
                                            SQLITE_STATIC) == SQLITE_OK;
}

} // namespace

bool InsertEntry(const std::string& timeKey, const std::string& text, const std::string& pictureText,
                 const std::string& files)
{
    // The values are bound, not spliced into the statement: a text of many megabytes is then
    // converted to UTF-8 once and never copied into a statement, a literal and a record besides.
    PreparedStatement insert(kInsertStatement);
    if (!insert.get())
        return false;
    const std::string* values[] = {&timeKey, &text, &pictureText, &files};
    std::string engineValues[4];
    for (int i = 0; i < 4; ++i) {
        engineValues[i] = GbkToUtf8(*values[i]);
        if (!BindUtf8(insert.get(), i + 1, engineValues[i]))
            return false;
    }
    return SqliteEngine().sqlite3_step(insert.get()) == SQLITE_DONE;
}

void TrimHistory()
{
    SqlStatement count = g_database->Prepare("select count(1) from data");
    int passes = count.StepScalarInt() - kHistoryRowLimit;
    count.Finalize();
    if (passes <= 0)
        return;
    // One statement per pass finds and deletes the oldest key, whatever characters the key holds.
    PreparedStatement deleteOldest("delete from data where time = (select min(time) from data)");
    for (int i = 0; i < passes && deleteOldest.get(); ++i) {
        SqliteEngine().sqlite3_step(deleteOldest.get());
        SqliteEngine().sqlite3_reset(deleteOldest.get());
    }
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
