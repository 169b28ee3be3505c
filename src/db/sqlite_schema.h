// Column descriptions for the table-building operations of SqliteDatabase, and the two functions
// that turn a column's type code and attribute bits into SQL text.
#pragma once

#include <cstdint>
#include <string>

// ColumnType codes (there is no 9).
enum ColumnType : std::int32_t {
    kColumnByte = 1,
    kColumnSmallint = 2,
    kColumnInteger = 3,
    kColumnBigInt = 4,
    kColumnDecimal = 5,
    kColumnDouble = 6,
    kColumnBit = 7,
    kColumnDateTime = 8,
    kColumnVarChar = 10,
    kColumnBlob = 11,
    kColumnText = 12,
};

// ColumnAttribute bits; other bits are ignored.
enum ColumnAttribute : std::int32_t {
    kColumnPrimaryKey = 1,
    kColumnAutoIncrement = 2,
    kColumnNotNull = 4,
    kColumnUnique = 8,
};

// One column of CreateTable / AddColumn. Every text is spliced into the statement as given.
struct ColumnDefinition {
    std::string name;
    std::int32_t type = 0;        // a ColumnType code
    std::int32_t size = 0;        // written as "(size)" after the type name; 0 = none
    std::int32_t attributes = 0;  // ColumnAttribute bits; 0 = none
    std::string defaultValue;     // written after " Default "; empty = none
    std::string check;            // written as " Check(...)"; empty = none
};

// The type name of a ColumnType code ("Integer", "VarChar", ...); "" for any other code.
std::string ColumnTypeName(std::int32_t type);
// "Primary Key" for bit 1, then " AutoIncrement", " Not Null", " Unique" for bits 2, 4, 8, in that
// order; without bit 1 the text therefore starts with a blank.
std::string ColumnAttributeText(std::int32_t attributes);
// The column's text in a CREATE TABLE or ADD COLUMN statement: name, blank, type name, "(size)",
// blank and attribute text, " Default " value, " Check(" check ")", each only when given.
std::string ColumnDefinitionText(const ColumnDefinition& column);
// `text` with every apostrophe doubled, for use between apostrophes as an SQL text value.
std::string DoubleApostrophes(const std::string& text);
