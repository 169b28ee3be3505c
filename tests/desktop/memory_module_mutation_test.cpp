// Damaged copies of the fixture DLLs and of the skin engine, mapped without running any of their
// code: whatever the damage, the loader answers without faulting, and what it maps it reads,
// fixes up and frees inside its own block. The damage comes from a fixed seed, so a failing image
// is made again by the next run.
#include "desktop/memory_module.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "desktop/desktop_system_calls.h"
#include "desktop/skin_engine.h"
#include "fixture_image.h"
#include "support/system_calls_scope.h"

namespace {

constexpr std::uint32_t kSeed = 20261211;
constexpr int kImagesPerSource = 1500;
constexpr SIZE_T kPage = 0x1000;
// A damaged size beyond this is refused as if memory had run out, which keeps the run short.
constexpr SIZE_T kLargestBlock = 16 << 20;

// The one block handed out at a time, with a no-access page on either side. The block starts at
// the start of its pages or ends at the end of them, so that a read or write one byte before or
// one byte past it faults.
struct GuardedBlock {
    std::uint8_t* reservation = nullptr;
    std::uint8_t* block = nullptr;
    SIZE_T size = 0;
};
GuardedBlock g_block;
bool g_blockAtPageEnd = false;

LPVOID WINAPI GuardedAlloc(LPVOID address, SIZE_T size, DWORD, DWORD protect)
{
    // Refusing the preferred base makes every image move, so its relocations are written.
    if (address || size == 0 || size > kLargestBlock || g_block.reservation)
        return nullptr;
    SIZE_T pages = (size + kPage - 1) / kPage;
    auto* reservation = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, (pages + 2) * kPage, MEM_RESERVE, PAGE_NOACCESS));
    if (!reservation)
        return nullptr;
    if (!VirtualAlloc(reservation + kPage, pages * kPage, MEM_COMMIT, protect)) {
        VirtualFree(reservation, 0, MEM_RELEASE);
        return nullptr;
    }
    std::uint8_t* block = reservation + kPage + (g_blockAtPageEnd ? pages * kPage - size : 0);
    g_block = {reservation, block, size};
    return block;
}

BOOL WINAPI GuardedFree(LPVOID address, SIZE_T, DWORD)
{
    if (!g_block.reservation || address != g_block.block) {
        ADD_FAILURE() << "freed an address the loader was not given";
        return FALSE;
    }
    VirtualFree(g_block.reservation, 0, MEM_RELEASE);
    g_block = GuardedBlock();
    return TRUE;
}

// No library is loaded for a damaged name: every import is the resolver's.
HMODULE WINAPI NoLibrary(LPCSTR) { return nullptr; }
FARPROC WINAPI NoProc(HMODULE, LPCSTR) { return nullptr; }

bool InBlock(const char* text)
{
    auto* byte = reinterpret_cast<const std::uint8_t*>(text);
    return byte >= g_block.block && byte < g_block.block + g_block.size;
}

int g_importsCalled = 0;
extern "C" int ImportStandIn() { return ++g_importsCalled; }

// Reads both texts to their ends (a text not ended inside the block runs into a guard page) and
// answers every import.
std::uintptr_t __stdcall AnswerEveryImport(const char* dll, const char* function, std::int32_t)
{
    EXPECT_TRUE(InBlock(dll));
    EXPECT_TRUE(InBlock(function) || std::strspn(function, "0123456789") == std::strlen(function)) << function;
    return std::strlen(dll) + std::strlen(function) > 0 ? reinterpret_cast<std::uintptr_t>(ImportStandIn) : 0;
}

// The image being tried, for the report of a fault that ends the program.
char g_case[160];
LONG WINAPI ReportCase(EXCEPTION_POINTERS*)
{
    std::fputs(g_case, stderr);
    std::fputs("\n", stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Where damage does most: the headers, and the sections holding the export, import and relocation
// tables (names and address tables included), as ranges of file offsets.
struct Range {
    std::size_t begin;
    std::size_t end;
};

std::vector<Range> TableRanges(const std::vector<std::uint8_t>& image)
{
    IMAGE_NT_HEADERS32 nt;
    std::uint32_t ntOffset;
    std::memcpy(&ntOffset, image.data() + 60, sizeof ntOffset);
    std::memcpy(&nt, image.data() + ntOffset, sizeof nt);
    std::size_t sectionTable = ntOffset + sizeof nt;
    std::vector<Range> ranges = {{0, sectionTable + nt.FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)}};
    for (int entry : {IMAGE_DIRECTORY_ENTRY_EXPORT, IMAGE_DIRECTORY_ENTRY_IMPORT, IMAGE_DIRECTORY_ENTRY_BASERELOC}) {
        std::uint32_t rva = nt.OptionalHeader.DataDirectory[entry].VirtualAddress;
        for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            std::memcpy(&section, image.data() + sectionTable + i * sizeof section, sizeof section);
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                ranges.push_back({section.PointerToRawData, section.PointerToRawData + section.SizeOfRawData});
        }
    }
    return ranges;
}

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : random_(seed) {}

    // One to three kinds of damage: a field set to a telling value or moved a little, a byte
    // anywhere, the bytes cut short.
    void Damage(std::vector<std::uint8_t>& image, const std::vector<Range>& tables)
    {
        for (std::uint32_t n = 1 + Below(3); n > 0; --n) {
            std::uint32_t kind = Below(10);
            if (kind == 0) {
                image.resize(Below(static_cast<std::uint32_t>(image.size())));
                continue;
            }
            if (kind == 1) {
                if (!image.empty())
                    image[Below(static_cast<std::uint32_t>(image.size()))] = static_cast<std::uint8_t>(random_());
                continue;
            }
            const Range& range = tables[Below(static_cast<std::uint32_t>(tables.size()))];
            std::size_t offset = range.begin + Below(static_cast<std::uint32_t>(range.end - range.begin));
            if (kind < 8)
                offset &= ~std::size_t{3};  // most fields sit on their own alignment
            if (offset + 4 > image.size())
                continue;
            std::uint32_t value;
            std::memcpy(&value, image.data() + offset, sizeof value);
            value = kind == 2 ? value + Nudge() : Telling(image);
            std::size_t width = kind == 3 ? 2 : 4;
            std::memcpy(image.data() + offset, &value, width);
        }
    }

private:
    std::uint32_t Below(std::uint32_t bound) { return bound ? random_() % bound : 0; }
    std::uint32_t Nudge()
    {
        static const std::uint32_t nudges[] = {1, 2, 4, 8, 0x1000, 0xFFFFFFFFu, 0xFFFFFFFCu, 0xFFFFF000u};
        return nudges[Below(sizeof nudges / sizeof nudges[0])];
    }
    // Values that sit on a boundary the loader checks: the headers, a page, the image's end, 2 GiB, 4 GiB.
    std::uint32_t Telling(const std::vector<std::uint8_t>& image)
    {
        const std::uint32_t values[] = {0, 1, 0x20, 0x3C, 0x40, 0x80, 0xF8, 0x3FF, 0x400, 0x1000, 0x7FFF, 0x8000,
                                        0xFFFF, 0x10000, static_cast<std::uint32_t>(image.size()),
                                        static_cast<std::uint32_t>(image.size()) - 4, 0x7FFFFFFF, 0x80000000u,
                                        0x80000009u, 0xFFFFFFF0u, 0xFFFFFFFFu, random_()};
        return values[Below(sizeof values / sizeof values[0])];
    }

    std::mt19937 random_;
};

class MemoryModuleMutationTest : public ::testing::Test {
public:
    void SetUp() override
    {
        g_desktopSystemCalls.VirtualAlloc = GuardedAlloc;
        g_desktopSystemCalls.VirtualFree = GuardedFree;
        g_desktopSystemCalls.LoadLibraryA = NoLibrary;
        g_desktopSystemCalls.GetProcAddress = NoProc;
        previousFilter_ = SetUnhandledExceptionFilter(ReportCase);
    }
    void TearDown() override
    {
        SetUnhandledExceptionFilter(previousFilter_);
    }

    // Maps `count` damaged copies of `source`; returns how many mapped.
    int TryDamagedCopies(const char* name, const ByteSet& source, int count, Mutator& mutator)
    {
        std::vector<std::uint8_t> original(source.Data(), source.Data() + source.Size());
        std::vector<Range> tables = TableRanges(original);
        int mapped = 0;
        for (int i = 0; i < count; ++i) {
            std::snprintf(g_case, sizeof g_case, "damaged copy %d of %s (seed %u)", i, name, kSeed);
            std::vector<std::uint8_t> image = original;
            mutator.Damage(image, tables);
            g_blockAtPageEnd = i % 2 != 0;
            if (TryImage(image))
                ++mapped;
            if (HasFailure()) {
                ADD_FAILURE() << g_case;
                break;
            }
        }
        return mapped;
    }

private:
    // True when the image mapped; its exports were then looked up and it was freed.
    bool TryImage(const std::vector<std::uint8_t>& image)
    {
        std::uintptr_t base = LoadImageFromMemory(image.data(), image.size(), AnswerEveryImport, 0, EntryPoint::Skip);
        if (!base) {
            EXPECT_EQ(g_block.reservation, nullptr) << "a failed load kept its block";
            return false;
        }
        EXPECT_EQ(base, reinterpret_cast<std::uintptr_t>(g_block.block));
        for (const char* name : {"Add", "Multiply", "TimesNine", "ReadValue", "SkinH_AttachRes", "SkinH_Detach", "1",
                                 "2", "5", "7", "0", "-1", "65535", "Missing"})
            FindExport(base, name);
        GetImageEntryPoint(base);
        EXPECT_TRUE(FreeImage(base));
        EXPECT_EQ(g_block.reservation, nullptr) << "a freed image kept its block";
        return true;
    }

    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter_ = nullptr;
    ScopedSystemCalls<DesktopSystemCalls> desktopCalls_{g_desktopSystemCalls};
};

TEST_F(MemoryModuleMutationTest, DamagedImagesNeitherFaultNorReachOutsideTheirBlock)
{
    Mutator mutator(kSeed);
    const struct {
        const char* name;
        ByteSet image;
    } sources[] = {
        {"loader_fixture.dll", FixtureImage("loader_fixture.dll")},
        {"skin_recorder.dll", FixtureImage("skin_recorder.dll")},
        {"the skin engine", SkinEngineImage()},
    };
    g_importsCalled = 0;
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        ASSERT_GT(source.image.Size(), 1024u);
        int mapped = TryDamagedCopies(source.name, source.image, kImagesPerSource, mutator);
        // Enough of them map for the lookups and the release to be tried, and enough fail for
        // the checks to be.
        EXPECT_GT(mapped, kImagesPerSource / 10);
        EXPECT_LT(mapped, kImagesPerSource * 9 / 10);
        std::printf("%s: %d of %d damaged copies mapped\n", source.name, mapped, kImagesPerSource);
    }
    EXPECT_EQ(g_importsCalled, 0) << "code of a damaged image ran";
}

} // namespace
