// Schema listing, TableExists and the statements of the building operations.
#include "db/sqlite_schema.h"

#include <vector>

#include "database_fixture.h"

namespace {

TEST(ColumnText, TypeNamesAndAttributes)
{
    const std::pair<int, const char*> types[] = {{1, "Byte"},     {2, "Smallint"}, {3, "Integer"}, {4, "BigInt"},
                                                 {5, "Decimal"},  {6, "Double"},   {7, "Bit"},     {8, "DateTime"},
                                                 {9, ""},         {10, "VarChar"}, {11, "Blob"},   {12, "Text"},
                                                 {0, ""},         {13, ""},        {-1, ""}};
    for (const auto& [code, name] : types)
        EXPECT_EQ(ColumnTypeName(code), name) << code;

    const std::pair<int, const char*> attributes[] = {
        {0, ""},
        {1, "Primary Key"},
        {3, "Primary Key AutoIncrement"},
        {4, " Not Null"},
        {12, " Not Null Unique"},
        {15 | 64, "Primary Key AutoIncrement Not Null Unique"},
    };
    for (const auto& [bits, text] : attributes)
        EXPECT_EQ(ColumnAttributeText(bits), text) << bits;

    const std::pair<ColumnDefinition, const char*> columns[] = {
        {{"a", 99, 0, 0, "", ""}, "a "},
        {{"n", 10, 50, 4, "'x'", ""}, "n VarChar(50)  Not Null Default 'x'"},
        {{"z", 3, 0, 0, "0", "z >= 0"}, "z Integer Default 0 Check(z >= 0)"},
    };
    for (const auto& [column, text] : columns)
        EXPECT_EQ(ColumnDefinitionText(column), text);
}

class SchemaTest : public DatabaseFixture {};

TEST_F(SchemaTest, BuiltStatementTexts)
{
    ScopedSystemCalls engine(SqliteEngine());
    SqliteEngine().sqlite3_exec.function = ExecRecorder;
    g_execTexts.clear();
    std::vector<ColumnDefinition> columns = {{"id", 3, 0, 3, "", ""}, {"name", 10, 50, 4, "'x'", ""}};
    db.CreateTable("t", columns);
    db.CreateTable("u", {{"a", 12, 0, 0, "", ""}}, nullptr, "a", "a");
    db.DropTable("t");
    db.RenameTable("t", "t2");
    db.AddColumn("t", {"c", 6, 0, 8, "", ""});
    db.CreateIndex("i", "t", "a,b");
    db.CreateIndex("i", "t", "a", true);
    db.DropIndex("i");
    db.CreateView("v", "select 1");
    db.CreateView("v", "select 1", true);
    db.DropView("v");
    db.CreateTrigger("t", "tr", "select 1;", 0);
    db.CreateTrigger("t", "tr", "select 1;", 3, "a,b", 1, true);
    db.CreateTrigger("t", "tr", "select 1;", 1, "", 2);
    db.CreateTrigger("t", "tr", "select 1;", 2, "", 7);
    db.CreateTrigger("t", "tr", "select 1;", 5);
    db.DropTrigger("tr");
    db.CreateTable("表", {});
    EXPECT_EQ(g_execTexts,
              (std::vector<std::string>{
                  "create table t (id Integer Primary Key AutoIncrement,name VarChar(50)  Not Null Default 'x')",
                  "create table u (a Text,Unique(a),primary key(a))",
                  "drop table if exists t",
                  "alter table t rename to t2",
                  "alter table t add column c Double  Unique",
                  "create index if not exists i on t(a,b)",
                  "create unique index if not exists i on t(a)",
                  "drop index if exists i",
                  "CREATE VIEW v AS select 1",
                  "CREATE TEMPORARY VIEW v AS select 1",
                  "DROP VIEW v",
                  "CREATE TRIGGER tr INSERT ON t BEGIN select 1; END",
                  "CREATE TEMPORARY TRIGGER tr BEFORE UPDATE OF a,b ON t BEGIN select 1; END",
                  "CREATE TRIGGER tr AFTER DELETE ON t BEGIN select 1; END",
                  "CREATE TRIGGER tr UPDATE ON t BEGIN select 1; END",
                  "CREATE TRIGGER tr ON t BEGIN select 1; END",
                  "DROP TRIGGER tr",
                  "create table \xE8\xA1\xA8",  // converted to UTF-8 on the way
              }));
}

std::vector<std::string> Names(SqlStatement statement)
{
    std::vector<std::string> names;
    while (statement.Step())
        names.push_back(statement.ColumnText(0));
    statement.Finalize();
    return names;
}

TEST_F(SchemaTest, ListingsAndTableExists)
{
    std::vector<ColumnDefinition> columns = {{"id", 3, 0, 3, "", ""}, {"name", 10, 50, 12, "'x'", ""}};
    std::string error;
    ASSERT_TRUE(db.CreateTable("t", columns, &error)) << error;
    ASSERT_TRUE(db.Exec("insert into t(name) values ('a')"));  // makes sqlite_sequence
    ASSERT_TRUE(db.CreateTable("\"o'brien\"", {{"x", 12, 0, 0, "", ""}}, &error)) << error;
    ASSERT_TRUE(db.CreateIndex("t_name", "t", "name"));
    ASSERT_TRUE(db.CreateIndex("t_name", "t", "id"));  // exists already: nothing changes
    ASSERT_TRUE(db.CreateView("names", "select name from t"));
    ASSERT_TRUE(db.CreateTrigger("t", "t_ins", "select 1;", 0, "", 2));
    ASSERT_TRUE(db.CreateIndex("o_x", "\"o'brien\"", "x"));
    ASSERT_TRUE(db.CreateTrigger("\"o'brien\"", "o_ins", "select 1;", 0));

    EXPECT_EQ(Names(db.ListTables()), (std::vector<std::string>{"t", "o'brien"}));
    EXPECT_EQ(Names(db.ListIndexes("t")), (std::vector<std::string>{"sqlite_autoindex_t_1", "t_name"}));
    EXPECT_EQ(Names(db.ListViews()), (std::vector<std::string>{"names"}));
    EXPECT_EQ(Names(db.ListTriggers("t")), (std::vector<std::string>{"t_ins"}));
    // Quoting the name is the caller's part: pre-quoted it is found, raw it breaks the query.
    EXPECT_EQ(Names(db.ListTriggers("o''brien")), (std::vector<std::string>{"o_ins"}));
    EXPECT_EQ(Names(db.ListIndexes("o''brien")), (std::vector<std::string>{"o_x"}));
    EXPECT_EQ(Names(db.ListIndexes(DoubleApostrophes("o'brien"))), (std::vector<std::string>{"o_x"}));
    EXPECT_EQ(db.ListTriggers("o'brien").GetHandle(), nullptr) << "a raw apostrophe ends the text value early";
    EXPECT_EQ(db.ListIndexes("o'brien").GetHandle(), nullptr);

    SqlStatement indexes = db.ListIndexes("t");
    ASSERT_TRUE(indexes.Step());
    EXPECT_EQ(indexes.ColumnType(1), SQLITE_NULL);  // the engine's own index has no SQL
    ASSERT_TRUE(indexes.Step());
    EXPECT_EQ(indexes.ColumnText(1), "CREATE INDEX t_name on t(name)");
    indexes.Finalize();

    const std::pair<const char*, bool> exists[] = {
        {"t", true}, {"T", false}, {"sqlite_sequence", true}, {"o''brien", true}, {"o'brien", false}, {"names", false}, {"missing", false}};
    for (const auto& [name, found] : exists)
        EXPECT_EQ(db.TableExists(name), found) << name;
    EXPECT_EQ(db.NextStatement(SqlStatement()).GetHandle(), nullptr);  // every query was finalized
}

TEST_F(SchemaTest, WhatTheEngineAcceptsAndRefuses)
{
    ASSERT_TRUE(db.CreateTable("t", {{"a", 3, 0, 0, "", ""}, {"b", 12, 0, 0, "", ""}}));
    struct Case {
        const char* what;
        bool succeeds;
        bool (*run)(SqliteDatabase&, std::string*);
    };
    const Case cases[] = {
        {"drop missing table", true, [](SqliteDatabase& d, std::string* e) { return d.DropTable("nowhere", e); }},
        {"drop missing index", true, [](SqliteDatabase& d, std::string* e) { return d.DropIndex("nowhere", e); }},
        {"drop missing view", false, [](SqliteDatabase& d, std::string* e) { return d.DropView("nowhere", e); }},
        {"drop missing trigger", false, [](SqliteDatabase& d, std::string* e) { return d.DropTrigger("nowhere", e); }},
        {"empty column array", false, [](SqliteDatabase& d, std::string* e) { return d.CreateTable("x", {}, e); }},
        {"update of without columns", false,
         [](SqliteDatabase& d, std::string* e) { return d.CreateTrigger("t", "tr", "select 1;", 3, "", 0, false, e); }},
        {"trigger without event", false,
         [](SqliteDatabase& d, std::string* e) { return d.CreateTrigger("t", "tr", "select 1;", 4, "", 0, false, e); }},
        {"add column", true,
         [](SqliteDatabase& d, std::string* e) { return d.AddColumn("t", {"c", 12, 0, 0, "0", ""}, e); }},
        {"rename", true, [](SqliteDatabase& d, std::string* e) { return d.RenameTable("t", "t2", e); }},
        {"update-of trigger", true,
         [](SqliteDatabase& d, std::string* e) { return d.CreateTrigger("t2", "tr", "select 1;", 3, "a", 1, false, e); }},
        {"drop trigger", true, [](SqliteDatabase& d, std::string* e) { return d.DropTrigger("tr", e); }},
    };
    for (const Case& c : cases) {
        std::string error = "untouched";
        EXPECT_EQ(c.run(db, &error), c.succeeds) << c.what << ": " << error;
        EXPECT_EQ(error == "untouched", c.succeeds) << c.what;
    }
    ASSERT_TRUE(db.Exec("insert into t2(a) values (1)"));
    // The default given as the text 0 was written: the new row holds the text '0', not NULL.
    EXPECT_EQ(QueryInt("select count(*) from t2 where c = '0'"), 1);
    EXPECT_EQ(QueryInt("select count(*) from t2 where c is null"), 0);
}

} // namespace
