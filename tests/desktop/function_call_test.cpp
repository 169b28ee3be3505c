// CallFunctionPointer with routines of both calling conventions, and the two address functions.
#include "desktop/function_call.h"

#include <gtest/gtest.h>

namespace {

using Word = std::uint32_t;

Word __stdcall WeightedSix(Word a, Word b, Word c, Word d, Word e, Word f)
{
    return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f;
}

Word __cdecl WeightedTen(Word a, Word b, Word c, Word d, Word e, Word f, Word g, Word h, Word i, Word j)
{
    return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f + 7 * g + 8 * h + 9 * i + 10 * j;
}

Word __stdcall NoArguments() { return 77; }

TEST(CallFunctionPointer, CallsBothConventionsAndKeepsTheStackBalanced)
{
    auto six = reinterpret_cast<std::uintptr_t>(WeightedSix);
    auto ten = reinterpret_cast<std::uintptr_t>(WeightedTen);
    // Many calls in a row: a stack pointer left 40 bytes off by either kind would soon crash or
    // corrupt the locals of this loop.
    Word sum = 0;
    for (Word n = 0; n < 1000; ++n) {
        sum += CallFunctionPointer(six, n, 1, 1, 1, 1, 1) - n;
        sum += CallFunctionPointer(ten, 1, 1, 1, 1, 1, 1, 1, 1, 1, n) - 10 * n;
    }
    EXPECT_EQ(sum, 1000u * (20 + 45));
    EXPECT_EQ(CallFunctionPointer(reinterpret_cast<std::uintptr_t>(NoArguments)), 77u);
}

TEST(CallFunctionPointer, ArgumentsNotGivenAreZero)
{
    auto ten = reinterpret_cast<std::uintptr_t>(WeightedTen);
    EXPECT_EQ(CallFunctionPointer(ten, 1000, 100, 10), 1000u + 200 + 30);
    EXPECT_EQ(CallFunctionPointer(ten), 0u);
}

TEST(CallAddresses, AreThoseOfTheFirstByteAndCharacter)
{
    EXPECT_EQ(ByteSetAddress(ByteSet()), 0u);
    ByteSet bytes = ByteSet::FromText("abc");
    EXPECT_EQ(ByteSetAddress(bytes), reinterpret_cast<std::uintptr_t>(bytes.Data()));
    std::string text = "password";
    EXPECT_EQ(TextAddress(text), reinterpret_cast<std::uintptr_t>(text.c_str()));
    EXPECT_EQ(TextAddress(std::string()), 0u);
}

} // namespace
