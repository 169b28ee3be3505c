#include "core/history_store.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/globals.h"
#include "db/sqlite_schema.h"

namespace {

constexpr std::string_view kInsertTemplate =
    "insert into data(TIME , TEXT , BYTE , FILE) values ('【TIME】' ,'【TEXT】' , '【BYTE】' , '【FILE】') ";
constexpr std::array<std::string_view, 4> kPlaceholders = {"【TIME】", "【TEXT】", "【BYTE】", "【FILE】"};

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

bool InsertEntry(const std::string& timeKey, const std::string& text, const std::string& pictureText,
                 const std::string& files)
{
    // The placeholders are filled in the template itself, left to right, so that a value that
    // contains a placeholder text is never searched again.
    const std::array<const std::string*, 4> values = {&timeKey, &text, &pictureText, &files};
    std::string statement;
    size_t from = 0;
    for (size_t i = 0; i < kPlaceholders.size(); ++i) {
        size_t at = kInsertTemplate.find(kPlaceholders[i], from);
        statement.append(kInsertTemplate.substr(from, at - from));
        statement.append(*values[i]);
        from = at + kPlaceholders[i].size();
    }
    statement.append(kInsertTemplate.substr(from));
    return g_database->Exec(statement);
}

void TrimHistory()
{
    SqlStatement count = g_database->Prepare("select count(1) from data");
    int passes = count.StepScalarInt() - kHistoryRowLimit;
    count.Finalize();
    for (int i = 0; i < passes; ++i) {
        SqlStatement oldest = g_database->Prepare("select min(time) from data");
        std::string timeKey = oldest.StepScalarText();
        oldest.Finalize();
        // A row written by another program may hold apostrophes in its key.
        g_database->Exec(ReplaceAll("delete from data where time = 'XXX'", "XXX", DoubleApostrophes(timeKey)));
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
