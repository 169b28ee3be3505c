// Reading the schema from sqlite_master and building schema statements from their parts. Names
// are spliced in as given: quoting them is the caller's part.
#include "db/sqlite_schema.h"

#include "db/sqlite_database.h"

namespace {

SqlStatement PrepareListing(SqliteDatabase& database, const std::string& sql, bool utf8)
{
    return database.Prepare(sql, nullptr, utf8);
}

std::string NamedListing(const char* type, const std::string& tableName)
{
    return std::string("select name,sql from sqlite_master where type='") + type + "' and tbl_name='" +
           tableName + "'";
}

} // namespace

std::string DoubleApostrophes(const std::string& text)
{
    std::string doubled;
    doubled.reserve(text.size());
    for (char c : text) {
        doubled += c;
        if (c == '\'')
            doubled += c;
    }
    return doubled;
}

std::string ColumnTypeName(std::int32_t type)
{
    switch (type) {
    case kColumnByte: return "Byte";
    case kColumnSmallint: return "Smallint";
    case kColumnInteger: return "Integer";
    case kColumnBigInt: return "BigInt";
    case kColumnDecimal: return "Decimal";
    case kColumnDouble: return "Double";
    case kColumnBit: return "Bit";
    case kColumnDateTime: return "DateTime";
    case kColumnVarChar: return "VarChar";
    case kColumnBlob: return "Blob";
    case kColumnText: return "Text";
    default: return "";
    }
}

std::string ColumnAttributeText(std::int32_t attributes)
{
    std::string text = (attributes & kColumnPrimaryKey) ? "Primary Key" : "";
    if (attributes & kColumnAutoIncrement)
        text += " AutoIncrement";
    if (attributes & kColumnNotNull)
        text += " Not Null";
    if (attributes & kColumnUnique)
        text += " Unique";
    return text;
}

std::string ColumnDefinitionText(const ColumnDefinition& column)
{
    std::string text = column.name + " " + ColumnTypeName(column.type);
    if (column.size != 0)
        text += "(" + std::to_string(column.size) + ")";
    if (column.attributes != 0)
        text += " " + ColumnAttributeText(column.attributes);
    if (!column.defaultValue.empty())
        text += " Default " + column.defaultValue;
    if (!column.check.empty())
        text += " Check(" + column.check + ")";
    return text;
}

SqlStatement SqliteDatabase::ListTables()
{
    return PrepareListing(*this, "select tbl_name,sql from sqlite_master where type='table' and tbl_name!='sqlite_sequence'",
                          true);
}

SqlStatement SqliteDatabase::ListIndexes(const std::string& tableName, bool utf8)
{
    return PrepareListing(*this, NamedListing("index", tableName), utf8);
}

SqlStatement SqliteDatabase::ListViews()
{
    return PrepareListing(*this, "select name,sql from sqlite_master where type='view'", true);
}

SqlStatement SqliteDatabase::ListTriggers(const std::string& tableName, bool utf8)
{
    return PrepareListing(*this, NamedListing("trigger", tableName), utf8);
}

bool SqliteDatabase::TableExists(const std::string& tableName, bool utf8)
{
    SqlStatement count = PrepareListing(
        *this, "select count(*) from sqlite_master where type='table' and tbl_name='" + tableName + "'",
        utf8);
    if (!count.GetHandle())
        return false;
    if (count.StepResult() != SQLITE_ROW) {
        count.Finalize();
        return false;
    }
    int found = count.ColumnInt(0);
    count.Finalize();
    return found != 0;
}

bool SqliteDatabase::CreateTable(const std::string& tableName, const std::vector<ColumnDefinition>& columns,
                                 std::string* errorText, const std::string& uniqueColumns,
                                 const std::string& primaryKeyColumns, bool utf8)
{
    std::string sql = "create table " + tableName;
    if (!columns.empty())
        sql += " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i != 0)
            sql += ",";
        sql += ColumnDefinitionText(columns[i]);
    }
    if (!uniqueColumns.empty())
        sql += ",Unique(" + uniqueColumns + ")";
    if (!primaryKeyColumns.empty())
        sql += ",primary key(" + primaryKeyColumns + ")";
    if (!columns.empty())
        sql += ")";
    return Exec(sql, 0, 0, errorText, utf8);
}

bool SqliteDatabase::DropTable(const std::string& tableName, std::string* errorText, bool utf8)
{
    return Exec("drop table if exists " + tableName, 0, 0, errorText, utf8);
}

bool SqliteDatabase::RenameTable(const std::string& tableName, const std::string& newName, std::string* errorText,
                                 bool utf8)
{
    return Exec("alter table " + tableName + " rename to " + newName, 0, 0, errorText, utf8);
}

bool SqliteDatabase::AddColumn(const std::string& tableName, const ColumnDefinition& column, std::string* errorText,
                               bool utf8)
{
    return Exec("alter table " + tableName + " add column " + ColumnDefinitionText(column), 0, 0, errorText, utf8);
}

bool SqliteDatabase::CreateIndex(const std::string& indexName, const std::string& tableName,
                                 const std::string& columns, bool unique, std::string* errorText, bool utf8)
{
    std::string sql = std::string("create ") + (unique ? "unique " : "") + "index if not exists " + indexName + " on " +
                      tableName + "(" + columns + ")";
    return Exec(sql, 0, 0, errorText, utf8);
}

bool SqliteDatabase::DropIndex(const std::string& indexName, std::string* errorText, bool utf8)
{
    return Exec("drop index if exists " + indexName, 0, 0, errorText, utf8);
}

bool SqliteDatabase::CreateView(const std::string& viewName, const std::string& selectStatement, bool temporary,
                                std::string* errorText, bool utf8)
{
    std::string sql = std::string("CREATE ") + (temporary ? "TEMPORARY " : "") + "VIEW " + viewName + " AS " +
                      selectStatement;
    return Exec(sql, 0, 0, errorText, utf8);
}

bool SqliteDatabase::DropView(const std::string& viewName, std::string* errorText, bool utf8)
{
    return Exec("DROP VIEW " + viewName, 0, 0, errorText, utf8);
}

namespace {

std::string TriggerTimingWord(int timing)
{
    switch (timing) {
    case 1: return "BEFORE ";
    case 2: return "AFTER ";
    default: return "";
    }
}

std::string TriggerEventWords(int event, const std::string& columns)
{
    switch (event) {
    case 0: return "INSERT ";
    case 1: return "DELETE ";
    case 2: return "UPDATE ";
    case 3: return "UPDATE OF " + columns + " ";
    default: return "";
    }
}

} // namespace

bool SqliteDatabase::CreateTrigger(const std::string& tableName, const std::string& triggerName,
                                   const std::string& body, int event, const std::string& columns, int timing,
                                   bool temporary, std::string* errorText, bool utf8)
{
    std::string sql = std::string("CREATE ") + (temporary ? "TEMPORARY " : "") + "TRIGGER " + triggerName + " " +
                      TriggerTimingWord(timing) + TriggerEventWords(event, columns) + "ON " + tableName + " BEGIN " +
                      body + " END";
    return Exec(sql, 0, 0, errorText, utf8);
}

bool SqliteDatabase::DropTrigger(const std::string& triggerName, std::string* errorText, bool utf8)
{
    return Exec("DROP TRIGGER " + triggerName, 0, 0, errorText, utf8);
}
