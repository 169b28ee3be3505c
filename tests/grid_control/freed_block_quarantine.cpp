// The quarantine's free: a poisoned block kept back instead of freed, so that a later write to it by the
// module shows as a changed pattern rather than as someone else's data quietly corrupted.
#include "freed_block_quarantine.h"

#include <malloc.h>

#include <cstring>
#include <vector>

namespace grid_test {
namespace {

constexpr unsigned char kPoison = 0xA5;
// Room for the blocks is taken before the module's free is replaced: the replacement allocates nothing.
constexpr std::size_t kRoom = 1 << 16;

struct Block {
    unsigned char* data;
    std::size_t size;
};

using FreeFn = void(__cdecl*)(void*);

std::vector<Block> g_kept;
FreeFn g_realFree = nullptr;

void __cdecl KeepPoisoned(void* memory)
{
    if (!memory)
        return;
    if (g_kept.size() == g_kept.capacity()) {
        g_realFree(memory);  // no room left to keep it: freed unwatched
        return;
    }
    const std::size_t size = _msize(memory);
    std::memset(memory, kPoison, size);
    g_kept.push_back({static_cast<unsigned char*>(memory), size});
}

// The import address entry through which `module` calls `target` of msvcrt.dll, or null.
void** ImportEntry(HMODULE module, void* target)
{
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "msvcrt.dll") != 0)
            continue;
        for (auto* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); entry->u1.Function; ++entry)
            if (reinterpret_cast<void*>(entry->u1.Function) == target)
                return reinterpret_cast<void**>(&entry->u1.Function);
    }
    return nullptr;
}

// Writes an import address entry, which the loader may have left read-only.
void Store(void** entry, void* value)
{
    DWORD old = 0;
    VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old);
    *entry = value;
    VirtualProtect(entry, sizeof *entry, old, &old);
}

}  // namespace

FreedBlockQuarantine::FreedBlockQuarantine(HMODULE module)
{
    HMODULE runtime = GetModuleHandleW(L"msvcrt.dll");
    original_ = runtime ? reinterpret_cast<void*>(GetProcAddress(runtime, "free")) : nullptr;
    if (!module || !original_)
        return;
    slot_ = ImportEntry(module, original_);
    if (!slot_)
        return;
    g_realFree = reinterpret_cast<FreeFn>(original_);
    g_kept.clear();
    g_kept.reserve(kRoom);
    Store(slot_, reinterpret_cast<void*>(&KeepPoisoned));
}

FreedBlockQuarantine::~FreedBlockQuarantine()
{
    if (!slot_)
        return;
    Store(slot_, original_);
    for (const Block& block : g_kept)
        g_realFree(block.data);
    g_kept.clear();
}

std::size_t FreedBlockQuarantine::Kept() const noexcept
{
    return g_kept.size();
}

std::size_t FreedBlockQuarantine::Written() const noexcept
{
    std::size_t written = 0;
    for (const Block& block : g_kept) {
        for (std::size_t i = 0; i < block.size; ++i) {
            if (block.data[i] != kPoison) {
                ++written;
                break;
            }
        }
    }
    return written;
}

}  // namespace grid_test
