// The bridges' machine code, and every kind of engine callback reaching real __stdcall routines.
#include "db/callback_dispatch.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "database_fixture.h"
#include "db/db_system_calls.h"
#include "support/allocation_faults.h"

namespace {

std::vector<std::size_t> g_thunkSizes;

LPVOID WINAPI RecordThunkAllocation(LPVOID address, SIZE_T size, DWORD type, DWORD protection)
{
    g_thunkSizes.push_back(size);
    return ::VirtualAlloc(address, size, type, protection);
}

LPVOID WINAPI RefuseThunkAllocation(LPVOID, SIZE_T, DWORD, DWORD) { return nullptr; }

int __stdcall ThirdOfFive(int, int, int third, int, int) { return third; }
int g_seen[5];
int __stdcall RecordFive(int a, int b, int c, int d, int e)
{
    int values[5] = {a, b, c, d, e};
    std::memcpy(g_seen, values, sizeof values);
    return 55;
}
int __stdcall Twice(int a) { return 2 * a; }

TEST(MakeStdcallThunk, SizesAndBytes)
{
    ScopedSystemCalls dbCalls(g_dbSystemCalls);
    g_dbSystemCalls.VirtualAlloc = RecordThunkAllocation;
    g_thunkSizes.clear();
    for (std::uint32_t n : {1u, 3u, 4u, 5u})
        ASSERT_NE(MakeStdcallThunk(reinterpret_cast<const void*>(Twice), n), nullptr);
    EXPECT_EQ(g_thunkSizes, (std::vector<std::size_t>{18, 30, 36, 42}));

    auto* code = static_cast<const std::uint8_t*>(MakeStdcallThunk(reinterpret_cast<const void*>(0x11223344), 2));
    const std::uint8_t expected[] = {0x55, 0x8B, 0xEC,                    // push ebp; mov ebp, esp
                                     0xB8, 0x44, 0x33, 0x22, 0x11,        // mov eax, target
                                     0xFF, 0xB5, 0x0C, 0x00, 0x00, 0x00,  // push [ebp + 12]
                                     0xFF, 0xB5, 0x08, 0x00, 0x00, 0x00,  // push [ebp + 8]
                                     0xFF, 0xD0, 0x5D, 0xC3};             // call eax; pop ebp; ret
    EXPECT_EQ(std::memcmp(code, expected, sizeof expected), 0);
}

TEST(MakeStdcallThunk, HandsTheArgumentsOnInOrderAndRemovesNone)
{
    using Five = int (*)(int, int, int, int, int);  // the engine's convention: the caller cleans up
    auto third = reinterpret_cast<Five>(MakeStdcallThunk(reinterpret_cast<const void*>(ThirdOfFive), 5));
    auto record = reinterpret_cast<Five>(MakeStdcallThunk(reinterpret_cast<const void*>(RecordFive), 5));
    auto twice = reinterpret_cast<int (*)(int)>(MakeStdcallThunk(reinterpret_cast<const void*>(Twice), 1));
    // Called in a loop so that a bridge that unbalanced the stack would crash or corrupt `sum`.
    int sum = 0;
    for (int i = 0; i < 1000; ++i)
        sum += third(1, 2, 3 + i, 4, 5) - i + twice(i) - 2 * i;
    EXPECT_EQ(sum, 3000);
    EXPECT_EQ(record(-1, 20, 300, 4000, 50000), 55);
    EXPECT_EQ(std::vector<int>(g_seen, g_seen + 5), (std::vector<int>{-1, 20, 300, 4000, 50000}));
}

TEST(MakeStdcallThunk, AnswersNullWithoutMemory)
{
    ScopedSystemCalls dbCalls(g_dbSystemCalls);
    g_dbSystemCalls.VirtualAlloc = RefuseThunkAllocation;
    EXPECT_EQ(MakeStdcallThunk(reinterpret_cast<const void*>(Twice), 1), nullptr);
}

int __cdecl CdeclSum(int a, int b, int c, int d) { return a + b + c + d; }

TEST(JumpRoutines, RestoreTheStackWhateverTheRoutineRemoved)
{
    std::uint32_t total = 0;
    for (std::uint32_t i = 0; i < 1000; ++i)
        total += JumpToExecRowHandler(reinterpret_cast<SubprogramPointer>(CdeclSum), i, 1, 2, 3);
    EXPECT_EQ(total, 1000u * 999u / 2 + 6000u);
    EXPECT_EQ(JumpToCollationCompare(reinterpret_cast<SubprogramPointer>(ThirdOfFive), 1, 2, 33, 4, 5), 33u);
}

// --- Through the engine ------------------------------------------------------------------------

struct DestroyLog {
    std::vector<std::uint32_t> values;
} g_destroyed;

void __stdcall RecordDestroy(std::uint32_t userValue) noexcept { g_destroyed.values.push_back(userValue); }

// times(x): x multiplied by the registration's user value.
void __stdcall Times(sqlite3_context* context, int, sqlite3_value** values) noexcept
{
    SqliteEngineTable& engine = SqliteEngine();
    auto factor = static_cast<int>(ReadDwordAt(engine.sqlite3_user_data(context), kSqlUserValueOffset));
    engine.sqlite3_result_int(context, engine.sqlite3_value_int(values[0]) * factor);
}

void __stdcall SumStep(sqlite3_context* context, int, sqlite3_value** values) noexcept
{
    auto* sum = static_cast<int*>(SqliteEngine().sqlite3_aggregate_context(context, sizeof(int)));
    *sum += SqliteEngine().sqlite3_value_int(values[0]);
}

void __stdcall SumFinal(sqlite3_context* context) noexcept
{
    auto* sum = static_cast<int*>(SqliteEngine().sqlite3_aggregate_context(context, sizeof(int)));
    SqliteEngine().sqlite3_result_int(context, sum ? *sum + 1000 : -1);
}

int __stdcall StopAtFirstRow(std::uint32_t, int, char**, char**) noexcept { return 1; }

std::uint32_t g_compareUserValue;
// Sorts texts backwards.
int __stdcall Backwards(std::uint32_t userValue, int length1, const char* text1, int length2,
                        const char* text2) noexcept
{
    g_compareUserValue = userValue;
    int common = std::memcmp(text1, text2, static_cast<std::size_t>(length1 < length2 ? length1 : length2));
    return common != 0 ? -common : length2 - length1;
}

class CallbackBridgeTest : public DatabaseFixture {
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        g_destroyed = {};
        ASSERT_TRUE(db.Exec("create table n(v); insert into n values (3), (1), (2);"
                            "create table w(s); insert into w values ('b'), ('a'), ('c');"));
    }
    std::string Column(const std::string& sql)
    {
        TextArray2D rows;
        int count = 0;
        EXPECT_TRUE(db.GetTable(sql, &rows, &count));
        std::string joined;
        for (int r = 2; r <= count; ++r)
            joined += rows.At(r, 1) + ";";
        return joined;
    }
};

TEST_F(CallbackBridgeTest, ScalarFunctionAndItsDestroyRoutine)
{
    ASSERT_TRUE(db.CreateFunction("times", 1, 10, ToSubprogramPointer(Times), ToSubprogramPointer(RecordDestroy)));
    EXPECT_EQ(Column("select times(v) from n order by v"), "10;20;30;");
    // A second registration under the same name and argument count drops the first.
    ASSERT_TRUE(db.CreateFunction("times", 1, 100, ToSubprogramPointer(Times), ToSubprogramPointer(RecordDestroy)));
    EXPECT_EQ(g_destroyed.values, (std::vector<std::uint32_t>{10}));
    EXPECT_EQ(Column("select times(2)"), "200;");
    // Another argument count is another function.
    ASSERT_TRUE(db.CreateFunction("times", 2, 7, ToSubprogramPointer(Times), ToSubprogramPointer(RecordDestroy)));
    EXPECT_EQ(g_destroyed.values.size(), 1u);
    EXPECT_EQ(db.Close(), SQLITE_OK);
    // Closing destroys the two live registrations once each, in the engine's own order.
    std::sort(g_destroyed.values.begin() + 1, g_destroyed.values.end());
    EXPECT_EQ(g_destroyed.values, (std::vector<std::uint32_t>{10, 7, 100}));
}

TEST_F(CallbackBridgeTest, FunctionRoutineZeroYieldsNull)
{
    ASSERT_TRUE(db.CreateFunction("no_result", -1, 0, 0));
    EXPECT_EQ(QueryInt("select no_result(1, 2) is null"), 1);
    EXPECT_EQ(QueryInt("select count(*) from n where no_result(v) is null"), 3);
}

TEST_F(CallbackBridgeTest, AggregateStepsAndFinal)
{
    ASSERT_TRUE(db.CreateAggregate("total_plus", 1, 5, ToSubprogramPointer(SumStep), ToSubprogramPointer(SumFinal),
                                   ToSubprogramPointer(RecordDestroy)));
    EXPECT_EQ(QueryInt("select total_plus(v) from n"), 1006);
    EXPECT_EQ(QueryInt("select total_plus(v) from n where v > 1"), 1005);
    db.Close();
    EXPECT_EQ(g_destroyed.values, (std::vector<std::uint32_t>{5}));
}

// Every callback block handed out and given back, in order.
struct BlockLog {
    std::vector<void*> made;
    std::vector<void*> freed;
} g_blocks;

LPVOID WINAPI RecordBlockAlloc(HANDLE heap, DWORD flags, SIZE_T size)
{
    void* block = ::HeapAlloc(heap, flags, size);
    g_blocks.made.push_back(block);
    return block;
}
BOOL WINAPI RecordBlockFree(HANDLE heap, DWORD flags, LPVOID block)
{
    g_blocks.freed.push_back(block);
    return ::HeapFree(heap, flags, block);
}
LPVOID WINAPI RefuseBlock(HANDLE, DWORD, SIZE_T) { return nullptr; }

TEST_F(CallbackBridgeTest, ARefusedRegistrationFreesItsBlockOnceAndOnlyTheEngineRunsTheDestroyRoutine)
{
    struct Case {
        const char* what;
        bool (*run)(SqliteDatabase&);
        bool destroyRuns;  // the engine drops a refused function, never a refused collation
    };
    const Case cases[] = {
        {"function with more arguments than the engine allows", [](SqliteDatabase& d) {
             return d.CreateFunction("wide", 5000, 41, ToSubprogramPointer(Times), ToSubprogramPointer(RecordDestroy));
         }, true},
        {"aggregate with more arguments than the engine allows", [](SqliteDatabase& d) {
             return d.CreateAggregate("wide", 5000, 41, ToSubprogramPointer(SumStep), ToSubprogramPointer(SumFinal),
                                      ToSubprogramPointer(RecordDestroy));
         }, true},
        {"collation with an unknown text encoding", [](SqliteDatabase& d) {
             return d.CreateCollation("odd", 99, 41, ToSubprogramPointer(Backwards), ToSubprogramPointer(RecordDestroy));
         }, false},
    };
    ScopedSystemCalls dbCalls(g_dbSystemCalls);
    g_dbSystemCalls.HeapAlloc = RecordBlockAlloc;
    g_dbSystemCalls.HeapFree = RecordBlockFree;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_blocks = {};
        g_destroyed = {};
        EXPECT_FALSE(c.run(db));
        ASSERT_EQ(g_blocks.made.size(), 1u);
        EXPECT_EQ(g_blocks.freed, g_blocks.made) << "the block is given back, once";
        EXPECT_EQ(g_destroyed.values, c.destroyRuns ? std::vector<std::uint32_t>{41} : std::vector<std::uint32_t>{})
            << "a caller that frees its data on false must not see it freed for it";
    }
    g_blocks = {};
    db.Close();
    EXPECT_TRUE(g_blocks.freed.empty()) << "nothing of the refused registrations is left to drop";
    EXPECT_TRUE(g_destroyed.values.empty());
}

TEST_F(CallbackBridgeTest, AcceptedRegistrationsGiveTheirBlocksBackWhenTheEngineDropsThem)
{
    ScopedSystemCalls dbCalls(g_dbSystemCalls);
    g_dbSystemCalls.HeapAlloc = RecordBlockAlloc;
    g_dbSystemCalls.HeapFree = RecordBlockFree;
    g_blocks = {};
    ASSERT_TRUE(db.CreateFunction("times", 1, 1, ToSubprogramPointer(Times)));
    ASSERT_TRUE(db.CreateCollation("back", SQLITE_UTF8, 2, ToSubprogramPointer(Backwards)));
    EXPECT_FALSE(db.Exec("select 1", ToSubprogramPointer(StopAtFirstRow), 0)) << "stopped by its row routine";
    ASSERT_EQ(g_blocks.made.size(), 3u);
    EXPECT_EQ(g_blocks.freed, std::vector<void*>{g_blocks.made[2]}) << "the row block lives for one exec, stopped or not";
    db.Close();
    std::vector<void*> freed = g_blocks.freed;
    std::vector<void*> made = g_blocks.made;
    std::sort(freed.begin(), freed.end());
    std::sort(made.begin(), made.end());
    EXPECT_EQ(freed, made) << "closing drops both registrations";
}

TEST_F(CallbackBridgeTest, ANameThatCannotBeConvertedLeavesNoBlockBehind)
{
    // A GBK name long enough that its conversion to the engine's UTF-8 must allocate.
    struct Case {
        const char* what;
        bool (*run)(SqliteDatabase&);
    };
    const Case cases[] = {
        {"function", [](SqliteDatabase& d) {
             return d.CreateFunction("乘以一个相当长的函数名字", 1, 41, ToSubprogramPointer(Times),
                                     ToSubprogramPointer(RecordDestroy), false);
         }},
        {"aggregate", [](SqliteDatabase& d) {
             return d.CreateAggregate("加上一个相当长的聚合名字", 1, 41, ToSubprogramPointer(SumStep),
                                      ToSubprogramPointer(SumFinal), ToSubprogramPointer(RecordDestroy), false);
         }},
        {"collation", [](SqliteDatabase& d) {
             return d.CreateCollation("倒过来一个相当长的排序名字", SQLITE_UTF8, 41, ToSubprogramPointer(Backwards),
                                      ToSubprogramPointer(RecordDestroy), false);
         }},
    };
    ScopedSystemCalls dbCalls(g_dbSystemCalls);
    g_dbSystemCalls.HeapAlloc = RecordBlockAlloc;
    g_dbSystemCalls.HeapFree = RecordBlockFree;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Each allocation of the registration fails once, in turn, until it goes through.
        bool registered = false;
        long refused = 0;
        for (long first = 1; first <= 50 && !registered; ++first) {
            g_blocks = {};
            g_blocks.made.reserve(4);  // the log itself must not allocate while allocations fail
            g_blocks.freed.reserve(4);
            g_destroyed = {};
            bool threw = false;
            {
                RefusedAllocations refuse(first);
                try {
                    registered = c.run(db);
                } catch (const std::bad_alloc&) {
                    threw = true;
                }
            }
            if (!threw)
                break;
            ++refused;
            EXPECT_EQ(g_blocks.freed, g_blocks.made) << "allocation " << first << " refused: no block is kept";
            EXPECT_TRUE(g_destroyed.values.empty()) << "allocation " << first << " refused: the user value stays the caller's";
        }
        EXPECT_TRUE(registered);
        EXPECT_GT(refused, 0) << "the conversion allocates";
    }
}

TEST_F(CallbackBridgeTest, NoCallbackBlockMeansNoRegistration)
{
    {
        ScopedSystemCalls dbCalls(g_dbSystemCalls);
        g_dbSystemCalls.HeapAlloc = RefuseBlock;
        EXPECT_FALSE(db.CreateFunction("times", 1, 1, ToSubprogramPointer(Times)));
        EXPECT_FALSE(db.CreateAggregate("agg", 1, 1, ToSubprogramPointer(SumStep), ToSubprogramPointer(SumFinal)));
        EXPECT_FALSE(db.CreateCollation("back", SQLITE_UTF8, 1, ToSubprogramPointer(Backwards)));
    }
    EXPECT_FALSE(db.Exec("select times(1)"));
}

TEST_F(CallbackBridgeTest, CollationOrdersWithTheCompareRoutine)
{
    ASSERT_TRUE(db.CreateCollation("back", SQLITE_UTF8, 77, ToSubprogramPointer(Backwards),
                                   ToSubprogramPointer(RecordDestroy)));
    EXPECT_EQ(Column("select s from w order by s collate back"), "c;b;a;");
    EXPECT_EQ(g_compareUserValue, 77u);
    // A registration without a destroy routine still goes through the destroy bridge.
    ASSERT_TRUE(db.CreateCollation("same", SQLITE_UTF8, 0, 0));
    EXPECT_EQ(QueryInt("select 'abc' = 'xyz' collate same"), 1);
    EXPECT_EQ(QueryInt("select count(distinct s collate same) from w"), 1);
    db.Close();
    EXPECT_EQ(g_destroyed.values, (std::vector<std::uint32_t>{77}));
}

struct RowLog {
    std::uint32_t userValue = 0;
    std::vector<std::string> cells;
    int stopAfter = 0;
} g_rows;

int __stdcall CollectRow(std::uint32_t userValue, int columnCount, char** values, char** names) noexcept
{
    g_rows.userValue = userValue;
    for (int c = 0; c < columnCount; ++c)
        g_rows.cells.push_back(std::string(names[c]) + "=" + (values[c] ? values[c] : "NULL"));
    return static_cast<int>(g_rows.cells.size()) >= g_rows.stopAfter ? 1 : 0;
}

TEST_F(CallbackBridgeTest, ExecRowRoutineSeesEveryRowAndCanStop)
{
    g_rows = {};
    g_rows.stopAfter = 1000;
    ASSERT_TRUE(db.Exec("select v, null as z from n order by v", ToSubprogramPointer(CollectRow), 0xCAFE));
    EXPECT_EQ(g_rows.userValue, 0xCAFEu);
    EXPECT_EQ(g_rows.cells,
              (std::vector<std::string>{"v=1", "z=NULL", "v=2", "z=NULL", "v=3", "z=NULL"}));

    g_rows = {};
    g_rows.stopAfter = 1;
    std::string error;
    EXPECT_FALSE(db.Exec("select v from n order by v", ToSubprogramPointer(CollectRow), 0, &error));
    EXPECT_EQ(g_rows.cells, (std::vector<std::string>{"v=1"}));
    EXPECT_EQ(db.ErrCode(), SQLITE_ABORT);
    EXPECT_EQ(error, "query aborted");
}

int g_progressCalls;
int __stdcall CountProgress() noexcept { return ++g_progressCalls, 0; }
int __stdcall StopProgress() noexcept { return ++g_progressCalls, 1; }

TEST_F(CallbackBridgeTest, ProgressHandlerCountsInterruptsAndGoes)
{
    const char* longQuery = "with recursive c(x) as (select 1 union all select x + 1 from c where x < 20000) "
                            "select count(*) from c";
    g_progressCalls = 0;
    db.SetProgressHandler(100, ToSubprogramPointer(CountProgress));
    EXPECT_TRUE(db.Exec(longQuery));
    EXPECT_GT(g_progressCalls, 10);

    g_progressCalls = 0;
    db.SetProgressHandler(100, ToSubprogramPointer(StopProgress));
    EXPECT_FALSE(db.Exec(longQuery));
    EXPECT_EQ(db.ErrCode(), SQLITE_INTERRUPT);
    EXPECT_EQ(g_progressCalls, 1);

    db.SetProgressHandler(100, 0);
    EXPECT_TRUE(db.Exec(longQuery));
    EXPECT_EQ(g_progressCalls, 1);
}

} // namespace
