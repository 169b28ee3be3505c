// The exception edge: whatever a body throws, its caller gets its own fallback and the program goes on.
#include "framework/exception_boundary.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

enum class Thrown { kNothing, kBadAlloc, kOther, kNonStandard };

void Throw(Thrown what)
{
    switch (what) {
    case Thrown::kNothing:
        return;
    case Thrown::kBadAlloc:
        throw std::bad_alloc();
    case Thrown::kOther:
        throw std::runtime_error("refused");
    case Thrown::kNonStandard:
        throw 7;
    }
}

struct HrCase {
    const char* name;
    Thrown thrown;
    HRESULT expected;
};

TEST(NoThrowHrTest, MemoryThatRanOutIsOutOfMemoryAndAnythingElseUnexpected)
{
    const HrCase cases[] = {
        {"no exception keeps the body's result", Thrown::kNothing, S_FALSE},
        {"bad_alloc", Thrown::kBadAlloc, E_OUTOFMEMORY},
        {"runtime_error", Thrown::kOther, E_UNEXPECTED},
        {"an int", Thrown::kNonStandard, E_UNEXPECTED},
    };
    for (const HrCase& c : cases) {
        SCOPED_TRACE(c.name);
        const HRESULT hr = NoThrowHr([&]() -> HRESULT {
            Throw(c.thrown);
            return S_FALSE;
        });
        EXPECT_EQ(hr, c.expected);
    }
    static_assert(noexcept(NoThrowHr([]() -> HRESULT { return S_OK; })));
}

// Each fallback kind a caller gives: a window procedure's LRESULT, a count, a yes/no, a handle.
template <typename Result>
struct FallbackCase {
    Result fallback;
    Result produced;
};

template <typename Result>
void ExpectFallbackOnEveryThrow(FallbackCase<Result> kind)
{
    for (Thrown thrown : {Thrown::kNothing, Thrown::kBadAlloc, Thrown::kOther, Thrown::kNonStandard}) {
        SCOPED_TRACE(static_cast<int>(thrown));
        bool ranToEnd = false;
        const Result result = NoThrow(kind.fallback, [&] {
            Throw(thrown);
            ranToEnd = true;
            return kind.produced;
        });
        EXPECT_EQ(ranToEnd, thrown == Thrown::kNothing);
        EXPECT_EQ(result, thrown == Thrown::kNothing ? kind.produced : kind.fallback);
    }
}

TEST(NoThrowTest, EveryExceptionGivesTheCallersFallback)
{
    ExpectFallbackOnEveryThrow<LRESULT>({-1, 1});
    ExpectFallbackOnEveryThrow<LRESULT>({0, 42});
    ExpectFallbackOnEveryThrow<int>({0, 3});
    ExpectFallbackOnEveryThrow<bool>({false, true});
    ExpectFallbackOnEveryThrow<HRESULT>({E_UNEXPECTED, S_OK});
    ExpectFallbackOnEveryThrow<HWND>({nullptr, HWND_BROADCAST});
    static_assert(noexcept(NoThrow(0, [] { return 1; })));
}

TEST(NoThrowTest, ABodyGivingNothingStopsAtTheThrowAndSaysWhetherItRanToItsEnd)
{
    for (Thrown thrown : {Thrown::kNothing, Thrown::kBadAlloc, Thrown::kOther, Thrown::kNonStandard}) {
        SCOPED_TRACE(static_cast<int>(thrown));
        std::string trail;
        NoThrow([&] {
            trail += "a";
            Throw(thrown);
            trail += "b";
        });
        EXPECT_EQ(trail, thrown == Thrown::kNothing ? "ab" : "a");

        trail.clear();
        const bool ranToEnd = RanToEnd([&] {
            trail += "a";
            Throw(thrown);
            trail += "b";
        });
        EXPECT_EQ(ranToEnd, thrown == Thrown::kNothing);
        EXPECT_EQ(trail, thrown == Thrown::kNothing ? "ab" : "a");
    }
    static_assert(noexcept(NoThrow([] {})));
    static_assert(noexcept(RanToEnd([] {})));
}

}  // namespace
