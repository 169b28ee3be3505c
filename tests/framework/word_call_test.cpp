// The one call by argument words: argument order, both conventions, the 64-bit and the floating
// result, the stack alignment the routine is entered with, and the registers a careless routine
// leaves changed.
#include "framework/word_call.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "support/x87_stack.h"

// A __stdcall routine of two words that changes ebx, esi and edi without keeping them and gives
// (first << 32 | second) in edx:eax: the compiler of the caller relies on all three.
extern "C" std::uint64_t __stdcall ClobberingPair(std::uint32_t first, std::uint32_t second);
asm(R"(
    .text
    .def _ClobberingPair@8; .scl 2; .type 32; .endef
_ClobberingPair@8:
    movl 4(%esp), %edx
    movl 8(%esp), %eax
    movl $0x11111111, %ebx
    movl $0x22222222, %esi
    movl $0x33333333, %edi
    ret $8
)");

// Gives the stack pointer it was entered with, which points at its return address.
extern "C" std::uintptr_t __cdecl EntryStackPointer();
asm(R"(
    .text
    .def _EntryStackPointer; .scl 2; .type 32; .endef
_EntryStackPointer:
    movl %esp, %eax
    ret
)");

namespace {

using Word = std::uint32_t;

// Each word weighted by its place, so that a word out of order or missing changes the sum.
Word __cdecl WeightedSixteen(Word a, Word b, Word c, Word d, Word e, Word f, Word g, Word h, Word i, Word j, Word k,
                             Word l, Word m, Word n, Word o, Word p)
{
    const Word words[] = {a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p};
    Word sum = 0;
    for (Word place = 0; place < 16; ++place)
        sum += (place + 1) * words[place];
    return sum;
}

Word __stdcall WeightedThree(Word a, Word b, Word c) { return a + 2 * b + 3 * c; }
Word __stdcall Nothing() { return 5; }

std::uintptr_t Address(auto* function) { return reinterpret_cast<std::uintptr_t>(function); }

TEST(CallWithWords, PassesTheWordsInOrderToEitherConvention)
{
    struct Case {
        const char* name;
        std::uintptr_t function;
        std::vector<Word> words;
        Word expected;
    };
    std::vector<Word> sixteen(16);
    std::iota(sixteen.begin(), sixteen.end(), 1u);
    const Case cases[] = {
        {"no words", Address(Nothing), {}, 5},
        {"__stdcall, three words", Address(WeightedThree), {100, 10, 1}, 100 + 20 + 3},
        {"__cdecl, sixteen words", Address(WeightedSixteen), sixteen, 1496},
    };
    for (const Case& c : cases) {
        // Many calls in a row: a stack pointer left off by either convention would soon crash or
        // corrupt this loop's locals.
        for (int round = 0; round < 500; ++round)
            ASSERT_EQ(static_cast<Word>(CallWithWords(c.function, c.words.data(), static_cast<Word>(c.words.size()))),
                      c.expected)
                << c.name << ", round " << round;
    }
}

// The address of a 16-byte-aligned local. GCC places it from the stack pointer at entry without
// realigning, trusting the i386 ABI's promise (esp + 4 a multiple of 16 there); kept out of the
// optimiser's reach so that it cannot assume the answer.
__attribute__((noipa)) std::uintptr_t __cdecl AlignedLocalAddress()
{
    alignas(16) volatile unsigned char block[16] = {};
    return reinterpret_cast<std::uintptr_t>(&block[0]);
}

TEST(CallWithWords, EntersTheRoutineOnTheStackAlignmentTheAbiPromisesForAnyWordCount)
{
    struct Case {
        const char* name;
        std::uintptr_t function;
        std::uintptr_t remainder;  // of the routine's answer, modulo 16
    };
    const Case cases[] = {
        {"stack pointer at entry", Address(EntryStackPointer), 12},
        {"alignas(16) local", Address(AlignedLocalAddress), 0},
    };
    const std::vector<Word> words(7, 0);
    for (const Case& c : cases) {
        for (Word count = 0; count <= 7; ++count) {
            const auto answer = static_cast<std::uintptr_t>(CallWithWords(c.function, words.data(), count));
            EXPECT_EQ(answer % 16, c.remainder) << c.name << ", " << count << " words";
        }
    }
}

double __stdcall HalfOf(Word value) { return value / 2.0; }
float __cdecl QuarterOf(Word value) { return static_cast<float>(value) / 4.0f; }

TEST(CallWithWords, GivesAFloatingResultFromTheX87StackAndLeavesItEmpty)
{
    struct Case {
        const char* name;
        std::uintptr_t function;
        Word word;
        double expected;
    };
    const Case cases[] = {
        {"__stdcall double", Address(HalfOf), 5, 2.5},
        {"__cdecl float", Address(QuarterOf), 3, 0.75},
    };
    for (const Case& c : cases) {
        // More rounds than the x87 stack has registers: a result left on it would turn into NaN.
        for (int round = 0; round < 20; ++round) {
            ASSERT_EQ(CallWithWordsFloating(c.function, &c.word, 1), c.expected) << c.name << ", round " << round;
            ASSERT_EQ(X87Depth(), 0) << c.name << ", round " << round;
        }
    }
}

TEST(CallWithWords, GivesEdxEaxAndKeepsTheCallersRegisters)
{
    const Word words[] = {0x89ABCDEF, 0x01234567};
    // Values the caller keeps in registers across the calls; the routine overwrites ebx, esi, edi.
    volatile Word kept[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    Word a = kept[0], b = kept[1], c = kept[2], d = kept[3], e = kept[4], f = kept[5];
    std::uint64_t last = 0;
    for (int round = 0; round < 100; ++round) {
        last = CallWithWords(Address(ClobberingPair), words, 2);
        a += 1, b += 2, c += 3, d += 4, e += 5, f += 6;
    }
    EXPECT_EQ(last, 0x89ABCDEF01234567ull);
    EXPECT_EQ(a + b + c + d + e + f, 21u + 100u * 21u);
}

} // namespace
