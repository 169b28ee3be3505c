// The one owner template: a counting fake close function shows that every value is given back
// exactly once whatever the owner goes through (end, release, reset, put, moves), for handle-like
// values and for records initialised in place; then the real aliases on what they own: a VARIANT's
// reference, a locked block's lock count and the clipboard held by another thread.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/unique_resource.h"
#include "support/owner_checks.h"

namespace {

std::vector<int> g_closed;

void CloseCounted(int value) noexcept { g_closed.push_back(value); }

// -1 is "nothing held", so 0 is a value like any other (as a CryptoAPI handle of 0 is not).
using CountedOwner = UniqueResource<int, &CloseCounted, -1>;

class OwnerTest : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

struct LifeCase {
    const char* name;
    std::function<void()> run;
    std::vector<int> closed;
};

TEST_F(OwnerTest, EveryValueIsClosedExactlyOnceWhateverTheOwnerGoesThrough)
{
    const LifeCase cases[] = {
        {"ending closes the value", [] { CountedOwner owner(7); }, {7}},
        {"an empty owner closes nothing", [] { CountedOwner owner; }, {}},
        {"zero is held, not empty", [] { CountedOwner owner(0); EXPECT_TRUE(owner); }, {0}},
        {"release hands the value over unclosed",
         [] {
             CountedOwner owner(7);
             EXPECT_EQ(owner.release(), 7);
             EXPECT_FALSE(owner);
             EXPECT_EQ(owner.get(), -1);
         },
         {}},
        {"reset closes at once and empties",
         [] {
             CountedOwner owner(7);
             owner.reset();
             EXPECT_EQ(g_closed, std::vector<int>{7}) << "closed when reset, not when the owner ends";
             EXPECT_FALSE(owner);
         },
         {7}},
        {"reset to a value closes the old one first",
         [] {
             CountedOwner owner(7);
             owner.reset(8);
             EXPECT_EQ(owner.get(), 8);
         },
         {7, 8}},
        {"put closes the old value before the new one is written",
         [] {
             CountedOwner owner(7);
             HeldValuePuts puts;
             int* place = owner.put();
             EXPECT_EQ(puts.Count(), 1) << "a put() of a held owner is told to the check";
             EXPECT_EQ(g_closed, std::vector<int>{7});
             *place = 8;
             EXPECT_EQ(owner.get(), 8);
         },
         {7, 8}},
        {"put of an empty owner is no fault",
         [] {
             CountedOwner owner;
             HeldValuePuts puts;
             *owner.put() = 8;
             EXPECT_EQ(puts.Count(), 0);
         },
         {8}},
        {"addressof leaves the value held", [] { CountedOwner owner(7); EXPECT_EQ(*owner.addressof(), 7); }, {7}},
        {"a moved-from owner is empty and closes nothing",
         [] {
             CountedOwner first(7);
             CountedOwner second(std::move(first));
             EXPECT_FALSE(first);
             EXPECT_EQ(second.get(), 7);
         },
         {7}},
        {"move assignment closes what the target held",
         [] {
             CountedOwner first(7);
             CountedOwner second(8);
             second = std::move(first);
             EXPECT_EQ(g_closed, std::vector<int>{8});
         },
         {8, 7}},
        {"moving an owner onto itself keeps its value",
         [] {
             CountedOwner owner(7);
             CountedOwner& same = owner;
             owner = std::move(same);
             EXPECT_EQ(owner.get(), 7);
         },
         {7}},
    };
    for (const LifeCase& lifeCase : cases) {
        g_closed.clear();
        lifeCase.run();
        EXPECT_EQ(g_closed, lifeCase.closed) << lifeCase.name;
    }
}

TEST_F(OwnerTest, APutOfAHeldOwnerFailsTheRunningTestAtThePlaceOfTheCall)
{
    // The check every test program installs.
    EXPECT_NONFATAL_FAILURE(
        {
            CountedOwner owner(7);
            *owner.put() = 8;
        },
        "an out-parameter must come from an empty owner");
    EXPECT_EQ(g_closed, (std::vector<int>{7, 8})) << "the values are still closed once";

    // It is told the caller's place, not the owner's.
    HeldValuePuts puts;
    CountedOwner owner(7);
    const int line = __LINE__ + 1;
    owner.put();
    ASSERT_EQ(puts.Count(), 1);
    EXPECT_EQ(puts.Last().line(), static_cast<std::uint_least32_t>(line));
    EXPECT_NE(std::string(puts.Last().file_name()).find("unique_resource_test.cpp"), std::string::npos)
        << puts.Last().file_name();
}

// A DLL of ours (the grid control) has its own copy of the check, which no test sets: its put()s
// reach the test program's check through the hook the program exports, with their own place.
TEST_F(OwnerTest, APutOfAHeldOwnerInsideADllOfOursReachesTheTestProgram)
{
    HMODULE fixture = LoadLibraryA("owner_check_fixture.dll");
    ASSERT_NE(fixture, nullptr);
    using PutOverHeldValue = int (*)() noexcept;
    const auto putOverHeldValue =
        reinterpret_cast<PutOverHeldValue>(reinterpret_cast<void*>(GetProcAddress(fixture, "PutOverHeldValue")));
    ASSERT_NE(putOverHeldValue, nullptr);

    EXPECT_NONFATAL_FAILURE(putOverHeldValue(), "an out-parameter must come from an empty owner");
    {
        HeldValuePuts puts;
        const int line = putOverHeldValue();
        ASSERT_EQ(puts.Count(), 1);
        EXPECT_EQ(puts.Last().line(), static_cast<std::uint_least32_t>(line));
        EXPECT_NE(std::string(puts.Last().file_name()).find("owner_check_fixture.cpp"), std::string::npos)
            << puts.Last().file_name();
    }
    FreeLibrary(fixture);
}

std::vector<void*> g_closedHandles;

void CloseCountedHandle(void* handle) noexcept { g_closedHandles.push_back(handle); }

TEST_F(OwnerTest, APointerWhoseEmptyValueIsMinusOneClosesNull)
{
    g_closedHandles.clear();
    {
        UniqueResource<void*, &CloseCountedHandle, -1> empty;
        EXPECT_EQ(empty.get(), INVALID_HANDLE_VALUE);
        EXPECT_FALSE(empty);
        UniqueResource<void*, &CloseCountedHandle, -1> null(nullptr);
        EXPECT_TRUE(null);
    }
    EXPECT_EQ(g_closedHandles, std::vector<void*>{nullptr});
    EXPECT_EQ(UniqueFile().get(), INVALID_HANDLE_VALUE);
}

// A record initialised in place, as a VARIANT is: its close function sees every record let go.
struct Record {
    int payload;
};

void InitialiseRecord(Record* record) noexcept { record->payload = 0; }
void CloseRecord(Record* record) noexcept { g_closed.push_back(record->payload); }

using RecordOwner = UniqueResource<Record, &CloseRecord, &InitialiseRecord>;

TEST_F(OwnerTest, ARecordInitialisedInPlaceIsClosedOnceAndLeftInitialised)
{
    {
        RecordOwner owner;
        EXPECT_EQ(owner.get().payload, 0) << "initialised, not garbage";
        owner.addressof()->payload = 5;
        RecordOwner moved(std::move(owner));
        EXPECT_EQ(owner.get().payload, 0) << "the source is initialised again";
        EXPECT_EQ(moved.release().payload, 5);
        moved.put()->payload = 6;
    }
    // put let go of the emptied record (0), then the end let go of 6 and of the moved-from owner's
    // record (0); 5 was handed over and never closed.
    EXPECT_EQ(g_closed, (std::vector<int>{0, 6, 0}));
}

// A record laid out as a VARIANT is, a type and a pointer, initialised and closed as VariantInit and
// VariantClear treat a VARIANT before Windows 8.1: only the type is set (Wine's and later Windows'
// VariantInit clears every byte, which would hide a stray pointer).
struct TypedPointer {
    int type;
    void* pointer;
};

void InitialiseTypeOnly(TypedPointer* record) noexcept { record->type = 0; }
void CloseTypedPointer(TypedPointer* record) noexcept
{
    g_closed.push_back(record->type);
    record->type = 0;
}

using TypedPointerOwner = UniqueResource<TypedPointer, &CloseTypedPointer, &InitialiseTypeOnly>;

TEST_F(OwnerTest, EveryWayOfEmptyingARecordLeavesNoStrayPointer)
{
    // An emptied VARIANT is handed on as it is (an argument slot, a by-reference cell the control
    // fills): it must not carry the pointer of what it let go of.
    struct Case {
        const char* name;
        void (*empty)(TypedPointerOwner& owner);
        std::vector<int> closed;
    };
    const Case cases[] = {
        {"release", [](TypedPointerOwner& owner) { EXPECT_EQ(owner.release().type, 13); }, {}},
        {"reset", [](TypedPointerOwner& owner) { owner.reset(); }, {13}},
        {"put", [](TypedPointerOwner& owner) {
             HeldValuePuts puts;
             owner.put();
             EXPECT_EQ(puts.Count(), 1);
         }, {13}},
        {"move", [](TypedPointerOwner& owner) { TypedPointerOwner taker(std::move(owner)); }, {13}},
    };
    int object = 0;
    for (const Case& c : cases) {
        g_closed.clear();
        TypedPointerOwner owner(TypedPointer{13, &object});
        c.empty(owner);
        EXPECT_EQ(g_closed, c.closed) << c.name;
        EXPECT_EQ(owner.get().type, 0) << c.name;
        EXPECT_EQ(owner.get().pointer, nullptr) << c.name;
        HeldValuePuts puts;
        owner.put();
        EXPECT_EQ(puts.Count(), 0) << c.name << ": the emptied owner is empty to put() as well";
    }
}

// A counting IUnknown: the references a VARIANT holds on it.
class CountedObject final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) noexcept override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return static_cast<ULONG>(--references); }
    LONG references = 0;
};

UniqueVariant HoldingObject(CountedObject& object)
{
    VARIANT value{};
    V_VT(&value) = VT_UNKNOWN;
    V_UNKNOWN(&value) = &object;
    object.AddRef();
    return UniqueVariant(value);
}

TEST(UniqueVariantTest, ItsReferencesAreGivenBackWhenTheOwnerEndsOrIsReplaced)
{
    CountedObject first;
    CountedObject second;
    {
        UniqueVariant held = HoldingObject(first);
        UniqueVariant moved(std::move(held));
        EXPECT_EQ(V_VT(&held.get()), VT_EMPTY);
        EXPECT_EQ(first.references, 1);
    }
    EXPECT_EQ(first.references, 0);

    // A caller's output VARIANT: what it held goes, what replaces it stays.
    VARIANT output = HoldingObject(first).release();
    ReplaceVariant(output, HoldingObject(second));
    EXPECT_EQ(first.references, 0);
    EXPECT_EQ(second.references, 1);
    EXPECT_EQ(V_UNKNOWN(&output), &second);
    VariantClear(&output);
    EXPECT_EQ(second.references, 0);
}

TEST(UniqueVariantTest, AnEmptyOneCarriesNoStrayPointer)
{
    // VariantInit sets only the type; an empty owner handed on (a by-reference array that travels
    // without an array) must not carry whatever the memory held before.
    alignas(UniqueVariant) unsigned char place[sizeof(UniqueVariant)];
    std::memset(place, 0xCC, sizeof place);
    auto* empty = new (place) UniqueVariant();
    EXPECT_EQ(V_VT(&empty->get()), VT_EMPTY);
    EXPECT_EQ(V_ARRAY(&empty->get()), nullptr);
    empty->~UniqueVariant();
}

UINT LockCount(HGLOBAL block) { return GlobalFlags(block) & GMEM_LOCKCOUNT; }

TEST(UniqueGlobalLockTest, ALockIsUndoneOnceAndAFailedLockIsNeverUndone)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
    ASSERT_NE(block, nullptr);
    {
        UniqueGlobalLock lock = LockGlobal(block);
        ASSERT_TRUE(lock);
        EXPECT_NE(lock.get().data, nullptr);
        EXPECT_EQ(LockCount(block), 1u);
        UniqueGlobalLock moved(std::move(lock));
        EXPECT_EQ(LockCount(block), 1u);
    }
    EXPECT_EQ(LockCount(block), 0u);
    EXPECT_EQ(GlobalFree(block), nullptr) << "unlocked only: the block is the caller's to free";

    // A moveable block of no bytes is discarded: it cannot be locked.
    HGLOBAL discarded = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(discarded, nullptr);
    EXPECT_FALSE(LockGlobal(discarded));
    EXPECT_FALSE(LockGlobal(nullptr));
    GlobalFree(discarded);
}

TEST(UniqueGlobalLockTest, ACopyIsHandedOutFilledAndUnlockedOrNotAtAll)
{
    const char text[] = "copied";
    UniqueGlobal block = CopyToGlobal(text, sizeof text);
    ASSERT_TRUE(block);
    EXPECT_EQ(LockCount(block.get()), 0u) << "the clipboard takes only unlocked blocks";
    {
        UniqueGlobalLock lock = LockGlobal(block.get());
        ASSERT_TRUE(lock);
        EXPECT_STREQ(static_cast<const char*>(lock.get().data), text);
    }
    // No bytes: the block is discarded and cannot be filled, so none is handed out.
    EXPECT_FALSE(CopyToGlobal(text, 0));
}

// Holds the clipboard open from a thread and window of its own, as another program does, for
// `holdMs` or until released.
class ClipboardHolder {
public:
    explicit ClipboardHolder(DWORD holdMs) : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        UniqueHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        thread_ = std::thread([this, holdMs, event = ready.get()] {
            window_ = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            opened_ = OpenClipboard(window_) != FALSE;
            SetEvent(event);
            WaitForSingleObject(release_.get(), holdMs);
            if (opened_)
                CloseClipboard();
            DestroyWindow(window_);
        });
        WaitForSingleObject(ready.get(), 10000);
    }
    ~ClipboardHolder()
    {
        Release();
        thread_.join();
    }
    void Release() { SetEvent(release_.get()); }
    ClipboardHolder(const ClipboardHolder&) = delete;
    ClipboardHolder& operator=(const ClipboardHolder&) = delete;

    bool Opened() const { return opened_; }
    HWND Window() const { return window_; }

private:
    UniqueHandle release_;
    std::thread thread_;
    HWND window_ = nullptr;
    bool opened_ = false;
};

class ClipboardOpenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = CreateWindowExA(0, "STATIC", "opener", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }

    HWND window_ = nullptr;
};

TEST_F(ClipboardOpenerTest, OpensOnceAShortHolderLetsGoAndClosesWhenTheOwnerEnds)
{
    ClipboardHolder holder(30);
    ASSERT_TRUE(holder.Opened());
    {
        UniqueClipboard clipboard = OpenClipboardRetrying(window_);
        ASSERT_TRUE(clipboard) << "a holder of a few milliseconds is waited for";
        EXPECT_EQ(GetOpenClipboardWindow(), window_);
    }
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
}

TEST_F(ClipboardOpenerTest, GivesUpAfterAFifthOfASecondAndLeavesTheHolderOpen)
{
    // The holder keeps the clipboard until the opener has answered: an opener that waited for it
    // would find it free only after a minute. How long the tries take depends on the machine.
    ClipboardHolder holder(60000);
    ASSERT_TRUE(holder.Opened());
    ULONGLONG start = GetTickCount64();
    {
        UniqueClipboard clipboard = OpenClipboardRetrying(window_);
        EXPECT_FALSE(clipboard) << "a window handler must not freeze while another program holds it";
    }
    ULONGLONG waited = GetTickCount64() - start;
    EXPECT_GE(waited, 180u);
    EXPECT_LT(waited, 30000u) << "a window handler must not freeze while another program holds it";
    EXPECT_EQ(GetOpenClipboardWindow(), holder.Window()) << "the empty owner must not close the holder's clipboard";
    holder.Release();
}

}  // namespace
