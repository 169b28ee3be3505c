// MemoryModule against loader_fixture.dll: mapping at the preferred base and elsewhere, imports by
// name and ordinal, the resolver, the entry point's calls, the export lookup, and images made
// malformed on purpose, which must fail without leaving memory reserved.
#include "desktop/memory_module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "call_log.h"
#include "desktop/desktop_system_calls.h"
#include "desktop/function_call.h"
#include "fixture_image.h"
#include "support/system_calls_scope.h"

namespace {

constexpr std::uintptr_t kPreferredBase = 0x30000000;

// The loader's platform calls, recorded; allocation and release can be made to fail.
struct PlatformRecord {
    std::vector<std::uintptr_t> allocAddresses;  // the address asked for (0 = anywhere)
    std::vector<SIZE_T> allocSizes;
    std::vector<std::uintptr_t> frees;
    bool refuseAlloc = false;
    bool refuseFree = false;
};
PlatformRecord g_record;

LPVOID WINAPI RecordingAlloc(LPVOID address, SIZE_T size, DWORD type, DWORD protect)
{
    g_record.allocAddresses.push_back(reinterpret_cast<std::uintptr_t>(address));
    g_record.allocSizes.push_back(size);
    return g_record.refuseAlloc ? nullptr : ::VirtualAlloc(address, size, type, protect);
}

BOOL WINAPI RecordingFree(LPVOID address, SIZE_T size, DWORD type)
{
    g_record.frees.push_back(reinterpret_cast<std::uintptr_t>(address));
    return g_record.refuseFree ? FALSE : ::VirtualFree(address, size, type);
}

class MemoryModuleTest : public ::testing::Test {
public:
    void SetUp() override
    {
        g_record = PlatformRecord();
        g_desktopSystemCalls.VirtualAlloc = RecordingAlloc;
        g_desktopSystemCalls.VirtualFree = RecordingFree;
        CallLogClear();
        image_ = FixtureImage("loader_fixture.dll");
        ASSERT_GT(image_.Size(), 1024u);
    }
    void TearDown() override
    {
        g_record.refuseFree = false;
        module_.Free();
    }

    IMAGE_NT_HEADERS32& Nt() { return At<IMAGE_NT_HEADERS32>(NtOffset()); }
    std::uint32_t NtOffset() { return At<std::uint32_t>(60); }
    IMAGE_SECTION_HEADER& Section(int index) { return At<IMAGE_SECTION_HEADER>(NtOffset() + 248 + 40 * index); }
    IMAGE_SECTION_HEADER& SectionNamed(const char* name)
    {
        for (int i = 0; i < Nt().FileHeader.NumberOfSections; ++i) {
            if (std::strncmp(reinterpret_cast<const char*>(Section(i).Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0)
                return Section(i);
        }
        ADD_FAILURE() << "no section " << name;
        return Section(0);
    }
    template <typename T>
    T& At(std::uint32_t offset) { return *reinterpret_cast<T*>(image_.Data() + offset); }
    // The file offset of an RVA inside a section's raw data.
    std::uint32_t FileOffset(std::uint32_t rva)
    {
        for (int i = 0; i < Nt().FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER& s = Section(i);
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        ADD_FAILURE() << "rva " << rva << " not in any section";
        return 0;
    }
    // Renames the imported call_log.dll to a DLL that does not exist.
    void RenameImportedDll()
    {
        const char* name = "call_log.dll";
        auto* bytes = reinterpret_cast<char*>(image_.Data());
        for (std::size_t i = 0; i + std::strlen(name) <= image_.Size(); ++i) {
            if (std::memcmp(bytes + i, name, std::strlen(name)) == 0) {
                std::memcpy(bytes + i, "call_nop", 8);
                return;
            }
        }
        FAIL() << "import name not found";
    }

    // Starts one case of a table: the linked image with `spoil` applied, nothing recorded yet.
    void StartCase(const ByteSet& linked, const std::function<void(MemoryModuleTest&)>& spoil)
    {
        image_ = linked;
        g_record = PlatformRecord();
        CallLogClear();
        spoil(*this);
    }
    // Loads a spoiled copy of `linked` and expects it refused, with no module base left.
    void ExpectRefused(const ByteSet& linked, const std::function<void(MemoryModuleTest&)>& spoil)
    {
        StartCase(linked, spoil);
        EXPECT_FALSE(module_.Load(image_));
        EXPECT_EQ(module_.GetBase(), 0u);
    }

    std::uint32_t Call(const char* exportName, std::uint32_t a = 0, std::uint32_t b = 0)
    {
        std::uintptr_t address = module_.GetProcAddress(exportName);
        EXPECT_NE(address, 0u) << exportName;
        return address ? CallFunctionPointer(address, a, b) : 0;
    }
    void ExpectTheFixtureWorks()
    {
        EXPECT_EQ(Call("Add", 2, 3), 5u);
        EXPECT_EQ(Call("Multiply", 6, 7), 42u);
        EXPECT_EQ(Call("TimesNine", 5), 45u);  // imported from call_log.dll by ordinal
        EXPECT_EQ(Call("ReadValue"), 42u);
    }
    // The entry point calls logged so far, as (module, reason) pairs.
    static std::vector<std::pair<std::uintptr_t, DWORD>> EntryCalls()
    {
        std::vector<std::pair<std::uintptr_t, DWORD>> calls;
        for (int i = 0; i < CallLogCount(); ++i) {
            const CallLogEntry* entry = CallLogAt(i);
            if (entry->kind == CALL_LOG_ENTRY_POINT) {
                EXPECT_EQ(entry->args[2], 0u) << "reserved argument";
                calls.emplace_back(entry->args[0], entry->args[1]);
            }
        }
        return calls;
    }

    // Before the module, so that a module still held when the test ends is freed through the recording calls.
    ScopedSystemCalls<DesktopSystemCalls> desktopCalls_{g_desktopSystemCalls};
    ByteSet image_;
    MemoryModule module_;
};

TEST_F(MemoryModuleTest, AnEmptyObjectHoldsNothing)
{
    EXPECT_TRUE(module_.Free());
    EXPECT_EQ(module_.GetProcAddress("Add"), 0u);
    EXPECT_EQ(module_.GetEntryPoint(), 0u);
    EXPECT_EQ(module_.GetBase(), 0u);
    EXPECT_FALSE(module_.Load(ByteSet()));
    EXPECT_TRUE(g_record.allocAddresses.empty());
}

TEST_F(MemoryModuleTest, MapsAtThePreferredBaseRunsTheEntryPointAndFrees)
{
    ASSERT_TRUE(module_.Load(image_));
    std::uintptr_t base = module_.GetBase();
    ASSERT_EQ(base, kPreferredBase);
    EXPECT_EQ(g_record.allocAddresses, (std::vector<std::uintptr_t>{kPreferredBase}));
    EXPECT_EQ(EntryCalls(), (std::vector<std::pair<std::uintptr_t, DWORD>>{{base, DLL_PROCESS_ATTACH}}));
    EXPECT_EQ(module_.GetEntryPoint(), base + Nt().OptionalHeader.AddressOfEntryPoint);
    ExpectTheFixtureWorks();

    // At the preferred base the relocated values stay as linked.
    std::uintptr_t pointerRva = module_.GetProcAddress("ValuePointer") - base;
    EXPECT_EQ(*reinterpret_cast<std::uint32_t*>(module_.GetProcAddress("ValuePointer")),
              At<std::uint32_t>(FileOffset(static_cast<std::uint32_t>(pointerRva))));
    // The headers are copied as they are, ImageBase included.
    EXPECT_EQ(std::memcmp(reinterpret_cast<void*>(base), image_.Data(), 512), 0);

    EXPECT_TRUE(module_.Free());
    EXPECT_EQ(module_.GetBase(), 0u);
    EXPECT_EQ(g_record.frees, (std::vector<std::uintptr_t>{base}));
    EXPECT_EQ(EntryCalls(), (std::vector<std::pair<std::uintptr_t, DWORD>>{{base, DLL_PROCESS_ATTACH},
                                                                            {base, DLL_PROCESS_DETACH}}));
}

TEST_F(MemoryModuleTest, RelocatesWhenThePreferredBaseIsTaken)
{
    std::uint32_t imageSize = Nt().OptionalHeader.SizeOfImage;
    void* taken = VirtualAlloc(reinterpret_cast<void*>(kPreferredBase), imageSize, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(taken, nullptr);

    ASSERT_TRUE(module_.Load(image_));
    std::uintptr_t base = module_.GetBase();
    EXPECT_NE(base, kPreferredBase);
    EXPECT_EQ(g_record.allocAddresses, (std::vector<std::uintptr_t>{kPreferredBase, 0}));
    ExpectTheFixtureWorks();
    // ValuePointer held preferred base + rva of g_value; it now points into the mapped image.
    std::uintptr_t pointerRva = module_.GetProcAddress("ValuePointer") - base;
    std::uint32_t linked = At<std::uint32_t>(FileOffset(static_cast<std::uint32_t>(pointerRva)));
    EXPECT_EQ(*reinterpret_cast<std::uint32_t*>(base + pointerRva), linked - kPreferredBase + base);

    EXPECT_TRUE(module_.Free());
    VirtualFree(taken, 0, MEM_RELEASE);
}

TEST_F(MemoryModuleTest, FindsExportsByNameAndByCanonicalOrdinal)
{
    ASSERT_TRUE(module_.Load(image_));
    std::uintptr_t add = module_.GetProcAddress("Add");
    std::uintptr_t hidden = module_.GetProcAddress("5");
    ASSERT_NE(add, 0u);
    ASSERT_NE(hidden, 0u);
    EXPECT_EQ(CallFunctionPointer(hidden), 5u);

    // Ordinals 1 to 7 (base 1, seven functions), 4 unused; Hidden has no name.
    const struct {
        const char* text;
        std::uintptr_t expected;
    } cases[] = {
        {"1", add},    {"5", hidden}, {"05", 0},     {"+5", 0}, {" 5", 0}, {"5 ", 0},  {"4", 0},
        {"8", 0},      {"0", 0},      {"-1", 0},     {"", 0},   {"add", 0}, {"ADD", 0}, {"Hidden", 0},
        {"Missing", 0}, {"4294967297", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(module_.GetProcAddress(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(module_.GetProcAddress("7"), module_.GetProcAddress("ReadValue"));
}

TEST_F(MemoryModuleTest, RejectsMalformedImagesWithoutReservingMemory)
{
    const struct {
        const char* name;
        std::function<void(MemoryModuleTest&)> spoil;
    } cases[] = {
        {"63 bytes", [](MemoryModuleTest& t) { t.image_ = ByteSet(t.image_.Data(), 63); }},
        {"no MZ", [](MemoryModuleTest& t) { t.image_[1] = 'X'; }},
        {"too short for the NT headers",
         [](MemoryModuleTest& t) { t.image_ = ByteSet(t.image_.Data(), t.NtOffset() + 247); }},
        {"negative e_lfanew", [](MemoryModuleTest& t) { t.At<std::int32_t>(60) = -16; }},
        {"wrong PE signature", [](MemoryModuleTest& t) { t.Nt().Signature = 0x4551; }},
        {"an x64 machine type", [](MemoryModuleTest& t) { t.Nt().FileHeader.Machine = IMAGE_FILE_MACHINE_AMD64; }},
        {"a PE32+ optional header", [](MemoryModuleTest& t) { t.Nt().OptionalHeader.Magic = IMAGE_NT_OPTIONAL_HDR64_MAGIC; }},
        {"not an executable image",
         [](MemoryModuleTest& t) { t.Nt().FileHeader.Characteristics &= ~IMAGE_FILE_EXECUTABLE_IMAGE; }},
        {"section table past the bytes",
         [](MemoryModuleTest& t) {
             t.Nt().FileHeader.NumberOfSections = static_cast<WORD>((t.image_.Size() - t.NtOffset() - 248) / 40 + 1);
         }},
        {"section data past the bytes",
         [](MemoryModuleTest& t) { t.Section(0).PointerToRawData = static_cast<DWORD>(t.image_.Size() - 16); }},
        {"no sections and no SizeOfImage",
         [](MemoryModuleTest& t) {
             t.Nt().FileHeader.NumberOfSections = 0;
             t.Nt().OptionalHeader.SizeOfImage = 0;
         }},
        {"section beyond 4 GiB",
         [](MemoryModuleTest& t) {
             t.Section(0).VirtualAddress = 0xFFFFF000;
             t.Section(0).Misc.VirtualSize = 0x2000;
         }},
        {"entry point outside the image",
         [](MemoryModuleTest& t) { t.Nt().OptionalHeader.AddressOfEntryPoint = 0x7FFFFFF0; }},
        // Copied over e_lfanew, the relocations would send every later header read astray.
        {"section over the DOS header", [](MemoryModuleTest& t) { t.SectionNamed(".reloc").VirtualAddress = 0x20; }},
        {"section past the copied headers but inside SizeOfHeaders",
         [](MemoryModuleTest& t) { t.SectionNamed(".reloc").VirtualAddress = t.Nt().OptionalHeader.SizeOfHeaders - 0x10; }},
    };
    ByteSet original = image_;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRefused(original, c.spoil);
        EXPECT_TRUE(g_record.allocAddresses.empty());
        EXPECT_TRUE(EntryCalls().empty());
    }
}

TEST_F(MemoryModuleTest, BrokenTablesInTheMappedImageFailAndReleaseTheBlock)
{
    const IMAGE_DATA_DIRECTORY relocations = Nt().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    const IMAGE_DATA_DIRECTORY imports = Nt().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_GT(relocations.Size, 0u);
    ASSERT_GT(imports.VirtualAddress, 0u);
    auto firstRelocation = [&](MemoryModuleTest& t) -> IMAGE_BASE_RELOCATION& {
        return t.At<IMAGE_BASE_RELOCATION>(t.FileOffset(relocations.VirtualAddress));
    };
    auto firstImport = [&](MemoryModuleTest& t) -> IMAGE_IMPORT_DESCRIPTOR& {
        return t.At<IMAGE_IMPORT_DESCRIPTOR>(t.FileOffset(imports.VirtualAddress));
    };
    const struct {
        const char* name;
        std::function<void(MemoryModuleTest&)> spoil;
    } cases[] = {
        // A block of size 0 would never let the walk move on.
        {"relocation block shorter than its header",
         [&](MemoryModuleTest& t) { firstRelocation(t).SizeOfBlock = 0; }},
        {"relocation block past the image",
         [&](MemoryModuleTest& t) { firstRelocation(t).SizeOfBlock = 0x7FFFFFF0; }},
        {"relocated place past the image",
         [&](MemoryModuleTest& t) { firstRelocation(t).VirtualAddress = 0x7FFFF000; }},
        {"imported DLL name past the image",
         [&](MemoryModuleTest& t) { firstImport(t).Name = 0x7FFFFFF0; }},
        {"import address table past the image",
         [&](MemoryModuleTest& t) { firstImport(t).FirstThunk = 0x7FFFFFF0; }},
        {"relocated place on e_lfanew",
         [&](MemoryModuleTest& t) {
             IMAGE_BASE_RELOCATION& block = firstRelocation(t);
             block.VirtualAddress = 1;
             reinterpret_cast<std::uint16_t*>(&block + 1)[0] = IMAGE_REL_BASED_HIGHLOW << 12 | 0x3B;
         }},
        // The DLL's own slots stay unfilled: without an entry point it is not run if mapped.
        {"import address table in the DOS stub",
         [&](MemoryModuleTest& t) {
             t.At<std::uint32_t>(0x40) = IMAGE_ORDINAL_FLAG32 | 9;
             t.At<std::uint32_t>(0x44) = 0;
             firstImport(t).FirstThunk = 0x40;
             t.Nt().OptionalHeader.AddressOfEntryPoint = 0;
         }},
        {"imported DLL does not exist", [](MemoryModuleTest& t) { t.RenameImportedDll(); }},
    };
    ByteSet original = image_;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectRefused(original, c.spoil);
        EXPECT_EQ(g_record.allocAddresses.size(), 1u);
        EXPECT_EQ(g_record.frees.size(), 1u);
        EXPECT_TRUE(EntryCalls().empty());
    }
}

TEST_F(MemoryModuleTest, OddButUsableHeadersStillMap)
{
    const SIZE_T linkedSize = Nt().OptionalHeader.SizeOfImage;
    const struct {
        const char* name;
        void (*spoil)(MemoryModuleTest&);
        std::size_t entryCalls;
    } cases[] = {
        // The sections give the size.
        {"SizeOfImage 0", [](MemoryModuleTest& t) { t.Nt().OptionalHeader.SizeOfImage = 0; }, 1},
        {"SectionAlignment 0", [](MemoryModuleTest& t) { t.Nt().OptionalHeader.SectionAlignment = 0; }, 1},
        // Nothing to call: the DLL is mapped without a call into its headers.
        {"no entry point", [](MemoryModuleTest& t) { t.Nt().OptionalHeader.AddressOfEntryPoint = 0; }, 0},
    };
    ByteSet original = image_;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartCase(original, c.spoil);
        ASSERT_TRUE(module_.Load(image_));
        EXPECT_EQ(g_record.allocSizes, (std::vector<SIZE_T>{linkedSize}));
        EXPECT_EQ(EntryCalls().size(), c.entryCalls);
        EXPECT_EQ(module_.GetEntryPoint() != 0, c.entryCalls != 0);
        ExpectTheFixtureWorks();
        EXPECT_TRUE(module_.Free());
        EXPECT_EQ(EntryCalls().size(), 2 * c.entryCalls);
    }
}

TEST_F(MemoryModuleTest, AnEntryPointThatRefusesIsDetachedAndTheBlockReleased)
{
    CallLogSetAnswer(FALSE);
    EXPECT_FALSE(module_.Load(image_));
    EXPECT_EQ(module_.GetBase(), 0u);
    ASSERT_EQ(g_record.frees.size(), 1u);
    std::uintptr_t base = g_record.frees[0];
    EXPECT_EQ(EntryCalls(), (std::vector<std::pair<std::uintptr_t, DWORD>>{{base, DLL_PROCESS_ATTACH},
                                                                            {base, DLL_PROCESS_DETACH}}));
}

TEST_F(MemoryModuleTest, AnImageWithoutTheDllFlagIsMappedWithoutItsEntryPoint)
{
    Nt().FileHeader.Characteristics &= ~IMAGE_FILE_DLL;
    ASSERT_TRUE(module_.Load(image_));
    ExpectTheFixtureWorks();
    EXPECT_TRUE(module_.Free());
    EXPECT_TRUE(EntryCalls().empty());
}

TEST_F(MemoryModuleTest, ASecondLoadFreesTheFirstImageFirst)
{
    ASSERT_TRUE(module_.Load(image_));
    std::uintptr_t first = module_.GetBase();
    ASSERT_TRUE(module_.Load(image_));
    std::uintptr_t second = module_.GetBase();
    EXPECT_EQ(EntryCalls(), (std::vector<std::pair<std::uintptr_t, DWORD>>{
                                {first, DLL_PROCESS_ATTACH}, {first, DLL_PROCESS_DETACH}, {second, DLL_PROCESS_ATTACH}}));
    EXPECT_EQ(g_record.frees, (std::vector<std::uintptr_t>{first}));
    EXPECT_EQ(g_record.allocAddresses.size(), 2u);  // the first block was gone before the second was asked for
    ExpectTheFixtureWorks();

    // A failed load of the next image leaves nothing held.
    EXPECT_FALSE(module_.Load(ByteSet(image_.Data(), 63)));
    EXPECT_EQ(module_.GetBase(), 0u);
    EXPECT_EQ(g_record.frees.back(), second);
}

TEST_F(MemoryModuleTest, FreeKeepsTheImageWhenTheHeadersOrTheReleaseFail)
{
    ASSERT_TRUE(module_.Load(image_));
    std::uintptr_t base = module_.GetBase();

    g_record.refuseFree = true;
    EXPECT_FALSE(module_.Free());
    EXPECT_EQ(module_.GetBase(), base);
    g_record.refuseFree = false;

    auto* magic = reinterpret_cast<char*>(base);
    magic[0] = 'X';
    EXPECT_FALSE(module_.Free());
    EXPECT_EQ(module_.GetBase(), base);
    EXPECT_EQ(module_.GetProcAddress("Add"), 0u);
    magic[0] = 'M';

    EXPECT_TRUE(module_.Free());
    EXPECT_EQ(module_.GetBase(), 0u);
}

TEST_F(MemoryModuleTest, FailsWhenNoMemoryCanBeHad)
{
    g_record.refuseAlloc = true;
    EXPECT_FALSE(module_.Load(image_));
    EXPECT_EQ(g_record.allocAddresses, (std::vector<std::uintptr_t>{kPreferredBase, 0}));
    EXPECT_TRUE(EntryCalls().empty());
}

TEST_F(MemoryModuleTest, ACloneSharesTheImage)
{
    ASSERT_TRUE(module_.Load(image_));
    MemoryModule copy = module_.Clone();
    EXPECT_EQ(copy.GetBase(), module_.GetBase());
    EXPECT_EQ(copy.GetProcAddress("Add"), module_.GetProcAddress("Add"));
    copy.FreeMembers();  // releasing a copy leaves the image mapped
    ExpectTheFixtureWorks();
}

// The resolver's view of the imports, and functions it can answer with.
struct ResolverCall {
    std::string dll;
    std::string name;
    std::int32_t user;
};
std::vector<ResolverCall> g_resolverCalls;
std::vector<std::pair<int, DWORD>> g_ownLog;

extern "C" void OwnLogAdd(int kind, DWORD module, DWORD reason, DWORD, DWORD, DWORD, DWORD)
{
    g_ownLog.emplace_back(kind, reason);
}
extern "C" int OwnAnswer() { return TRUE; }
extern "C" int OwnTimesNine(int value) { return 1000 + value; }

std::uintptr_t __stdcall RecordingResolver(const char* dll, const char* name, std::int32_t user)
{
    g_resolverCalls.push_back({dll, name, user});
    return 0;
}

std::uintptr_t __stdcall AnsweringResolver(const char* dll, const char* name, std::int32_t user)
{
    g_resolverCalls.push_back({dll, name, user});
    std::string function = name;
    if (function == "CallLogAdd")
        return reinterpret_cast<std::uintptr_t>(OwnLogAdd);
    if (function == "CallLogAnswer")
        return reinterpret_cast<std::uintptr_t>(OwnAnswer);
    if (function == "9")
        return reinterpret_cast<std::uintptr_t>(OwnTimesNine);
    return 0;
}

TEST_F(MemoryModuleTest, AResolverThatAnswersNothingLeavesTheImportsToTheSystem)
{
    g_resolverCalls.clear();
    ASSERT_TRUE(module_.Load(image_, RecordingResolver, 77));
    ExpectTheFixtureWorks();
    std::vector<std::string> names;
    for (const ResolverCall& call : g_resolverCalls) {
        EXPECT_EQ(call.dll, "call_log.dll");
        EXPECT_EQ(call.user, 77);
        names.push_back(call.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"9", "CallLogAdd", "CallLogAnswer"}));
}

TEST_F(MemoryModuleTest, TheResolversAnswersAreUsedEvenWhenTheDllIsMissing)
{
    g_resolverCalls.clear();
    g_ownLog.clear();
    RenameImportedDll();
    ASSERT_TRUE(module_.Load(image_, AnsweringResolver, -3));
    EXPECT_EQ(g_ownLog, (std::vector<std::pair<int, DWORD>>{{CALL_LOG_ENTRY_POINT, DLL_PROCESS_ATTACH}}));
    EXPECT_EQ(Call("TimesNine", 5), 1005u);
    ASSERT_FALSE(g_resolverCalls.empty());
    EXPECT_EQ(g_resolverCalls[0].dll, "call_nop.dll");
    EXPECT_EQ(g_resolverCalls[0].user, -3);
    EXPECT_TRUE(EntryCalls().empty());  // the real call_log.dll was never reached
}

TEST(AlignUp, RoundsUpToTheAlignment)
{
    EXPECT_EQ(AlignUp(0, 0x1000), 0u);
    EXPECT_EQ(AlignUp(1, 0x1000), 0x1000u);
    EXPECT_EQ(AlignUp(0x1000, 0x1000), 0x1000u);
    EXPECT_EQ(AlignUp(0x1001, 0x200), 0x1200u);
    EXPECT_EQ(AlignUp(0xFFFFFFFFull, 0x1000), 0x100000000ull);
    EXPECT_EQ(AlignUp(0x1234, 0), 0x1234u);
}

} // namespace
