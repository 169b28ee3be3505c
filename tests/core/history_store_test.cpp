// Inserting captured entries into table "data" and trimming it to 1000 rows.
#include "core/history_store.h"

#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/history_database.h"
#include "support/scratch_folder.h"
#include "support/utf8_text.h"

namespace {

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_database = &database;
        ASSERT_TRUE(OpenHistoryDatabase(folder.File("data.db")));
    }
    void TearDown() override
    {
        database.Close();
        g_database = nullptr;
    }

    int Count()
    {
        SqlStatement count = database.Prepare("select count(1) from data");
        int n = count.StepScalarInt();
        count.Finalize();
        return n;
    }

    // Fills "data" with `rows` entries whose keys sort as 0000, 0001, ...
    void Fill(int rows, int firstKey = 0)
    {
        ASSERT_TRUE(database.Exec("begin"));
        for (int i = 0; i < rows; ++i) {
            char key[64];
            wsprintfA(key, "2020-01-01 00:00:00 %04d", firstKey + i);
            ASSERT_TRUE(InsertEntry(key, "t", "", ""));
        }
        ASSERT_TRUE(database.Exec("commit"));
    }

    ScratchFolder folder;
    SqliteDatabase database;
};

TEST_F(HistoryStoreTest, StoredValuesEqualWhatTheCaptureHandedOver)
{
    // The capture hands over UTF-8; the row holds those bytes, whatever they are.
    struct Case {
        std::string text;
        std::string files;
    };
    const Case cases[] = {
        {"it's", "C:\\a'b.txt|C:\\c.txt"},
        {"''doubled''", ""},
        {Utf8(u8"【BYTE】 and 【FILE】"), Utf8(u8"【FILE】")},
        {Utf8(u8"【TIME】【TEXT】"), ""},
        {Utf8(u8"多行\r\n文本"), Utf8(u8"D:\\图片\\一.png")},
        {Utf8(u8"emoji 😀 한국어 ελληνικά עברית ∑ 𠀀 end"), Utf8(u8"C:\\😀\\עברית.txt")},
        {"lone \xED\xA0\xBD surrogate", "C:\\\xED\xB8\x80.txt"},
    };
    int i = 0;
    for (const Case& c : cases) {
        std::string key = "2020-11-20 09:05:03 00" + std::to_string(i++);
        ASSERT_TRUE(InsertEntry(key, c.text, "BM30454", c.files)) << c.text << ": " << database.ErrMsg();
        SqlStatement read = database.Prepare("select text, byte, file from data where time = '" + key + "'");
        ASSERT_TRUE(read.Step());
        EXPECT_EQ(read.ColumnText(0, true), c.text);
        EXPECT_EQ(read.ColumnText(1, true), "BM30454");
        EXPECT_EQ(read.ColumnText(2, true), c.files);
        read.Finalize();
    }
}

TEST_F(HistoryStoreTest, InsertFailureIsReported)
{
    ASSERT_TRUE(database.Exec("drop table data"));
    EXPECT_FALSE(InsertEntry("k", "t", "", ""));
    EXPECT_EQ(database.ErrMsg(), "no such table: data");
}

TEST_F(HistoryStoreTest, TrimKeepsTheNewestThousand)
{
    struct Case {
        int before;
        int after;
        const char* oldestLeft;
    };
    const Case cases[] = {
        {999, 999, "2020-01-01 00:00:00 0000"},
        {1000, 1000, "2020-01-01 00:00:00 0000"},
        {1001, 1000, "2020-01-01 00:00:00 0001"},
        {1500, 1000, "2020-01-01 00:00:00 0500"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(database.Exec("delete from data"));
        Fill(c.before);
        TrimHistory();
        EXPECT_EQ(Count(), c.after) << c.before;
        SqlStatement oldest = database.Prepare("select min(time) from data");
        EXPECT_EQ(oldest.StepScalarText(), c.oldestLeft) << c.before;
        oldest.Finalize();
    }
}

TEST_F(HistoryStoreTest, RowsSharingTheOldestKeyGoInOnePass)
{
    Fill(999, 1);
    ASSERT_TRUE(InsertEntry("2020-01-01 00:00:00 0000", "twin a", "", ""));
    ASSERT_TRUE(InsertEntry("2020-01-01 00:00:00 0000", "twin b", "", ""));
    TrimHistory();
    EXPECT_EQ(Count(), 999);
}

TEST_F(HistoryStoreTest, AForeignKeyWithApostrophesIsTrimmedLikeAnyOther)
{
    // Rows written by another program: their keys are no time keys and may hold apostrophes. They
    // sort before every time key, so they are the oldest; written here as SQL literals.
    for (const char* literal : {"'0'''", "'1 it''s'", "'2 x'' or time <> '''"})
        ASSERT_TRUE(database.Exec(std::string("insert into data(time) values (") + literal + ")"));
    Fill(1000);
    TrimHistory();
    EXPECT_EQ(Count(), 1000);
    SqlStatement foreign = database.Prepare("select count(1) from data where time not like '2020-%'");
    EXPECT_EQ(foreign.StepScalarInt(), 0) << "a foreign row stayed";
    foreign.Finalize();
    SqlStatement oldest = database.Prepare("select min(time) from data");
    EXPECT_EQ(oldest.StepScalarText(), "2020-01-01 00:00:00 0000") << "a time key went instead";
    oldest.Finalize();
}

TEST(PictureText, IsBoundedAndWellFormed)
{
    EXPECT_EQ(MakePictureText(ByteSet()), "");
    ByteSet bmp(54);
    bmp[0] = 'B';
    bmp[1] = 'M';
    // bfSize 30454 = 0x76F6 with a byte that reads as an apostrophe next to it.
    bmp[2] = 0xF6;
    bmp[3] = 0x76;
    bmp[4] = 0x27;
    bmp[5] = 0x00;
    EXPECT_EQ(MakePictureText(bmp), "BM" + std::to_string(0x002776F6));
}

} // namespace
