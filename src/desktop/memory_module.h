// MemoryModule: a 32-bit DLL image mapped from bytes held in memory, without a file and without
// the system's loader: headers and sections laid out at their virtual addresses, base relocations
// applied, imports resolved, the entry point run, exports found by name or ordinal.
//
// Holds: ImportResolver, MemoryModule, the loader's functions (LoadImageFromMemory, FreeImage,
// FindExport, GetImageEntryPoint, AlignUp) and a replaceable table of the platform calls they make.
//
// The image lives in one block of PAGE_EXECUTE_READWRITE memory; no protection is set per section.
// Only PE32 images are handled: no bound or delay-load imports, no TLS callbacks, no exception
// tables. The mapped DLL gets DLL_PROCESS_ATTACH and DLL_PROCESS_DETACH only, never the thread
// notices. Nothing here shows a message or raises. The loader keeps a record of the images it
// holds and takes no lock: one thread uses it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/byte_set.h"

// Answers one import in place of the system lookup: (address of the DLL name in the mapped image,
// address of the function name or of the decimal text of the ordinal, the caller's user value) ->
// the function's address, or 0 to leave the import to the system lookup.
using ImportResolver = std::uintptr_t(__stdcall*)(const char* dllName, const char* functionName, std::int32_t userValue);

class MemoryModule {
public:
    // Releasing the object does nothing: a held image stays mapped (it goes with the process).
    void FreeMembers() {}
    // A new object holding the same image base. The two share the image: only one may free it, and
    // the other's calls then answer 0 or false.
    MemoryModule Clone() const { return *this; }
    // Maps `image`. A held image is freed first (whatever that answers, it is no longer held).
    // True when an image is held afterwards; on failure the object holds none.
    bool Load(const ByteSet& image, ImportResolver resolver = nullptr, std::int32_t userValue = 0);
    // Detaches and releases the held image. True when no image is held afterwards (also when none
    // was); false when the mapped headers no longer match or the memory could not be released,
    // and the image then stays held.
    bool Free();
    // The address of the export named `nameOrOrdinal`, or of the export with that ordinal when the
    // text is a canonical decimal number ("5", "-1"; not "05", "+5" or " 5"). 0 for every miss,
    // and 0 when no image is held.
    std::uintptr_t GetProcAddress(const std::string& nameOrOrdinal) const;
    // Image base + AddressOfEntryPoint; 0 when no image is held or the image has no entry point.
    std::uintptr_t GetEntryPoint() const;
    // The image base; 0 when no image is held.
    std::uintptr_t GetBase() const { return base_; }

private:
    std::uintptr_t base_ = 0;
};

// Whether LoadImageFromMemory runs a DLL's entry point. With Skip none of the image's code runs:
// it is mapped without DLL_PROCESS_ATTACH and FreeImage releases it without DLL_PROCESS_DETACH
// (for a look at an image that is not trusted to run).
enum class EntryPoint { Call, Skip };

// Maps `length` bytes at `image`: the image base, or 0 when the bytes are not an x86 (machine
// 0x14C) PE32 (optional-header magic 0x10B) image this loader can map (a section, a relocated
// place or an import slot that would land on the headers included), memory could not be had, an
// import did not resolve or the entry point refused DLL_PROCESS_ATTACH. Nothing stays reserved
// after a failure; libraries loaded for the imports stay. The headers checked here are kept for
// the calls below, which never follow the writable copy in the block.
std::uintptr_t LoadImageFromMemory(const std::uint8_t* image, std::size_t length, ImportResolver resolver,
                                   std::int32_t userValue, EntryPoint entryPoint = EntryPoint::Call) noexcept;
// Calls the entry point of a mapped DLL with DLL_PROCESS_DETACH (when it had DLL_PROCESS_ATTACH)
// and releases its block. False, with the image left in place, when `base` is not an image this
// loader holds, the block no longer shows "MZ" and "PE" where they were checked, or VirtualFree
// fails.
bool FreeImage(std::uintptr_t base) noexcept;
// The export lookup of MemoryModule::GetProcAddress on the image mapped at `base`; every read stays
// inside its block. 0 for a base this loader does not hold.
std::uintptr_t FindExport(std::uintptr_t base, const std::string& nameOrOrdinal) noexcept;
// base + AddressOfEntryPoint as checked at mapping; 0 when AddressOfEntryPoint is 0 or the loader
// does not hold `base`.
std::uintptr_t GetImageEntryPoint(std::uintptr_t base) noexcept;
// The smallest multiple of `alignment` not below `value`; `value` itself for alignment 0.
std::uint64_t AlignUp(std::uint64_t value, std::uint32_t alignment) noexcept;
