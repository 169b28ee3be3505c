// The in-memory loader's steps: header checks, the block, the copies, relocations, imports, the
// entry point and the export lookup. Every read of the image goes through a bounds-checked view.
#include "desktop/memory_module.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include "desktop/desktop_system_calls.h"
#include "desktop/function_call.h"
#include "framework/exception_boundary.h"

namespace {

static_assert(sizeof(IMAGE_DOS_HEADER) == 64);
static_assert(sizeof(IMAGE_NT_HEADERS32) == 248);
static_assert(sizeof(IMAGE_SECTION_HEADER) == 40);
static_assert(sizeof(IMAGE_IMPORT_DESCRIPTOR) == 20);
static_assert(sizeof(IMAGE_EXPORT_DIRECTORY) == 40);

constexpr std::uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr std::uint32_t kNtSignature = 0x4550;   // "PE\0\0"
constexpr std::uint16_t kMachineI386 = IMAGE_FILE_MACHINE_I386;             // 0x14C
constexpr std::uint16_t kOptionalHeaderPe32 = IMAGE_NT_OPTIONAL_HDR32_MAGIC;  // 0x10B
constexpr std::uint32_t kMaxImageSize = 0xFFFFFFFFu;

// Bytes that may be read only inside [data, data + size): the image as given, or the mapped block.
class ByteView {
public:
    ByteView(const std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {}

    std::uint64_t Size() const { return size_; }
    bool Has(std::uint64_t offset, std::uint64_t count) const { return offset <= size_ && count <= size_ - offset; }

    template <typename T>
    bool Read(std::uint64_t offset, T& value) const
    {
        if (!Has(offset, sizeof value))
            return false;
        std::memcpy(&value, data_ + offset, sizeof value);
        return true;
    }

    // The zero-terminated text at `offset`, or null when its end is not inside the view.
    const char* Text(std::uint64_t offset) const
    {
        if (!Has(offset, 1))
            return nullptr;
        const void* end = std::memchr(data_ + offset, 0, static_cast<std::size_t>(size_ - offset));
        return end ? reinterpret_cast<const char*>(data_ + offset) : nullptr;
    }

private:
    const std::uint8_t* data_;
    std::uint64_t size_;
};

// The headers of one image, read from the given bytes or from the mapped block.
struct ImageHeaders {
    std::uint32_t ntOffset = 0;  // e_lfanew
    IMAGE_NT_HEADERS32 nt = {};

    std::uint16_t SectionCount() const { return nt.FileHeader.NumberOfSections; }
    // The section table follows a 224-byte optional header, whatever SizeOfOptionalHeader says.
    std::uint64_t SectionOffset(std::uint32_t index) const
    {
        return std::uint64_t{ntOffset} + sizeof(IMAGE_NT_HEADERS32) + std::uint64_t{index} * sizeof(IMAGE_SECTION_HEADER);
    }
    // DOS header, stub, NT headers and section table.
    std::uint64_t HeaderBytes() const { return SectionOffset(SectionCount()); }
    // The bytes that no section, relocation or import may write: the copied headers and whatever
    // more SizeOfHeaders claims for them. The later steps trust the copied e_lfanew and signature.
    std::uint64_t HeaderEnd() const
    {
        std::uint64_t claimed = nt.OptionalHeader.SizeOfHeaders;
        return claimed > HeaderBytes() ? claimed : HeaderBytes();
    }
    const IMAGE_DATA_DIRECTORY& Directory(int entry) const { return nt.OptionalHeader.DataDirectory[entry]; }
    bool IsDll() const { return (nt.FileHeader.Characteristics & IMAGE_FILE_DLL) != 0; }
};

// "MZ", an NT header inside the bytes and the PE signature.
bool ReadNtHeaders(const ByteView& bytes, ImageHeaders& headers)
{
    IMAGE_DOS_HEADER dos;
    if (!bytes.Read(0, dos) || dos.e_magic != kDosSignature)
        return false;
    headers.ntOffset = static_cast<std::uint32_t>(dos.e_lfanew);  // a negative offset reads as a huge one
    return bytes.Read(headers.ntOffset, headers.nt) && headers.nt.Signature == kNtSignature;
}

// The checks on the bytes as given, before any memory is reserved. A PE32+ or foreign-machine
// image has its fields at other offsets: read as PE32, its entry point would be garbage.
bool ReadImageHeaders(const ByteView& bytes, ImageHeaders& headers)
{
    if (!ReadNtHeaders(bytes, headers))
        return false;
    if (headers.nt.FileHeader.Machine != kMachineI386 || headers.nt.OptionalHeader.Magic != kOptionalHeaderPe32)
        return false;
    if (!(headers.nt.FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE))
        return false;
    return bytes.Has(0, headers.HeaderBytes());
}

IMAGE_SECTION_HEADER SectionAt(const std::uint8_t* headerBytes, const ImageHeaders& headers, std::uint32_t index)
{
    IMAGE_SECTION_HEADER section;
    std::memcpy(&section, headerBytes + headers.SectionOffset(index), sizeof section);
    return section;
}

// SizeOfImage, grown to cover every section's raw data and virtual extent. `headerBytes` holds the
// section table.
std::uint64_t ImageSize(const std::uint8_t* headerBytes, const ImageHeaders& headers)
{
    std::uint64_t size = headers.nt.OptionalHeader.SizeOfImage;
    for (std::uint32_t i = 0; i < headers.SectionCount(); ++i) {
        IMAGE_SECTION_HEADER section = SectionAt(headerBytes, headers, i);
        std::uint64_t extent = section.SizeOfRawData > section.Misc.VirtualSize ? section.SizeOfRawData : section.Misc.VirtualSize;
        std::uint64_t aligned = AlignUp(section.VirtualAddress + extent, headers.nt.OptionalHeader.SectionAlignment);
        if (aligned > size)
            size = aligned;
    }
    return size;
}

// The block also holds the copied headers, even when SizeOfImage and the sections say less.
std::uint64_t BlockSize(std::uint64_t imageSize, const ImageHeaders& headers)
{
    return imageSize > headers.HeaderBytes() ? imageSize : headers.HeaderBytes();
}

bool SectionIsCopied(const IMAGE_SECTION_HEADER& section)
{
    return section.SizeOfRawData > 0 && section.VirtualAddress != 0;
}

// Every section that is copied has its raw data inside the given bytes and lands past the header
// area.
bool SectionsFit(const ByteView& bytes, const ImageHeaders& headers, const std::uint8_t* image)
{
    for (std::uint32_t i = 0; i < headers.SectionCount(); ++i) {
        IMAGE_SECTION_HEADER section = SectionAt(image, headers, i);
        if (!SectionIsCopied(section))
            continue;
        if (!bytes.Has(section.PointerToRawData, section.SizeOfRawData) || section.VirtualAddress < headers.HeaderEnd())
            return false;
    }
    return true;
}

std::uint8_t* AllocImageMemory(std::uint32_t preferredBase, std::uint32_t size)
{
    void* preferred = reinterpret_cast<void*>(static_cast<std::uintptr_t>(preferredBase));
    void* block = g_desktopSystemCalls.VirtualAlloc(preferred, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    if (!block)
        block = g_desktopSystemCalls.VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    return static_cast<std::uint8_t*>(block);
}

bool ReleaseImageMemory(std::uintptr_t base)
{
    return g_desktopSystemCalls.VirtualFree(reinterpret_cast<void*>(base), 0, MEM_RELEASE) != 0;
}

// The mapped block: its address, size and a view over it.
struct MappedImage {
    std::uint8_t* base;
    ByteView view;

    std::uint32_t Address() const { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(base)); }
    // The caller has checked the bounds through `view`.
    void WriteDword(std::uint64_t offset, std::uint32_t value) { std::memcpy(base + offset, &value, sizeof value); }
};

void CopyHeadersAndSections(MappedImage& mapped, const std::uint8_t* image, const ImageHeaders& headers)
{
    std::memcpy(mapped.base, image, static_cast<std::size_t>(headers.HeaderBytes()));
    for (std::uint32_t i = 0; i < headers.SectionCount(); ++i) {
        IMAGE_SECTION_HEADER section = SectionAt(image, headers, i);
        if (SectionIsCopied(section))
            std::memcpy(mapped.base + section.VirtualAddress, image + section.PointerToRawData, section.SizeOfRawData);
    }
}

// Adds the distance from the preferred base to every HIGHLOW place; other entry types are skipped.
// The table ends at a block whose VirtualAddress is 0 (or at the end of the block). False for a
// block shorter than its own header, a block or a place outside the image, a place in the headers.
bool ApplyRelocations(MappedImage& mapped, const ImageHeaders& headers)
{
    std::uint32_t delta = mapped.Address() - headers.nt.OptionalHeader.ImageBase;
    std::uint64_t offset = headers.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).VirtualAddress;
    for (;;) {
        if (offset == mapped.view.Size())
            return true;
        IMAGE_BASE_RELOCATION block;
        if (!mapped.view.Read(offset, block))
            return false;
        if (block.VirtualAddress == 0)
            return true;
        if (block.SizeOfBlock < sizeof block || !mapped.view.Has(offset, block.SizeOfBlock))
            return false;
        std::uint32_t count = (block.SizeOfBlock - sizeof block) / 2;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint16_t entry = 0;
            mapped.view.Read(offset + sizeof block + 2 * i, entry);
            if (entry >> 12 != IMAGE_REL_BASED_HIGHLOW)
                continue;
            std::uint64_t place = std::uint64_t{block.VirtualAddress} + (entry & 0x0FFF);
            std::uint32_t value;
            if (place < headers.HeaderEnd() || !mapped.view.Read(place, value))
                return false;
            mapped.WriteDword(place, value + delta);
        }
        offset += block.SizeOfBlock;
    }
}

// One import address table entry: through the resolver first, then the system lookup in `module`
// (which is null when the DLL did not load). 0 when neither answers.
std::uintptr_t ResolveImport(const MappedImage& mapped, const char* dllName, HMODULE module, std::uint32_t entry,
                             ImportResolver resolver, std::int32_t userValue)
{
    char ordinalText[8];
    const char* name;
    LPCSTR lookup;
    if (entry & IMAGE_ORDINAL_FLAG32) {
        std::uint16_t ordinal = static_cast<std::uint16_t>(entry & 0xFFFF);
        *std::to_chars(ordinalText, ordinalText + sizeof ordinalText - 1, ordinal).ptr = 0;
        name = ordinalText;
        lookup = MAKEINTRESOURCEA(ordinal);
    } else {
        name = mapped.view.Text(std::uint64_t{entry} + 2);  // past the 16-bit hint
        if (!name)
            return 0;
        lookup = name;
    }
    std::uintptr_t address = resolver ? resolver(dllName, name, userValue) : 0;
    if (!address && module)
        address = reinterpret_cast<std::uintptr_t>(g_desktopSystemCalls.GetProcAddress(module, lookup));
    return address;
}

// Fills every import address table in place, descriptor after descriptor until one whose
// FirstThunk is 0. False at the first import that does not resolve, a table outside the image or a
// table slot in the headers.
// The libraries loaded here stay loaded.
bool ResolveImports(MappedImage& mapped, const ImageHeaders& headers, ImportResolver resolver, std::int32_t userValue)
{
    std::uint64_t offset = headers.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress;
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        if (!mapped.view.Read(offset, descriptor))
            return false;
        if (descriptor.FirstThunk == 0)
            return true;
        const char* dllName = mapped.view.Text(descriptor.Name);
        if (!dllName)
            return false;
        HMODULE module = g_desktopSystemCalls.LoadLibraryA(dllName);
        for (std::uint64_t slot = descriptor.FirstThunk;; slot += 4) {
            std::uint32_t entry;
            if (slot < headers.HeaderEnd() || !mapped.view.Read(slot, entry))
                return false;
            if (entry == 0)
                break;
            std::uintptr_t address = ResolveImport(mapped, dllName, module, entry, resolver, userValue);
            if (!address)
                return false;
            mapped.WriteDword(slot, static_cast<std::uint32_t>(address));
        }
    }
}

bool CallEntryPoint(std::uintptr_t entry, std::uintptr_t base, DWORD reason)
{
    return CallFunctionPointer(entry, static_cast<std::uint32_t>(base), reason, 0) != 0;
}

// The size of the block the image needs, or 0 when the bytes are not an image this loader maps.
// Fills `headers` from the bytes as given.
std::uint64_t CheckedBlockSize(const ByteView& bytes, const std::uint8_t* image, ImageHeaders& headers)
{
    if (!ReadImageHeaders(bytes, headers) || !SectionsFit(bytes, headers, image))
        return 0;
    std::uint64_t imageSize = ImageSize(image, headers);
    if (imageSize == 0)
        return 0;
    std::uint64_t size = BlockSize(imageSize, headers);
    if (size > kMaxImageSize || (headers.IsDll() && headers.nt.OptionalHeader.AddressOfEntryPoint >= size))
        return 0;
    return size;
}

// The base relocations and the imports of the mapped copy, each when the image has them.
bool FixUp(MappedImage& mapped, const ImageHeaders& headers, ImportResolver resolver, std::int32_t userValue)
{
    if (headers.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size > 0 && !ApplyRelocations(mapped, headers))
        return false;
    return headers.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress == 0 ||
           ResolveImports(mapped, headers, resolver, userValue);
}

// DLL_PROCESS_ATTACH; a refusal is answered with DLL_PROCESS_DETACH before the block goes.
bool Attach(std::uintptr_t entry, std::uintptr_t base)
{
    if (CallEntryPoint(entry, base, DLL_PROCESS_ATTACH))
        return true;
    CallEntryPoint(entry, base, DLL_PROCESS_DETACH);
    return false;
}

// What the loader checked of one image it mapped and still holds. The later calls take the headers
// from here, not from the copy in the block, which the image's own code (or anyone) can write.
struct LoadedImage {
    std::uintptr_t base;
    std::uint64_t size;  // of the block
    ImageHeaders headers;
    bool attached;  // the entry point was given DLL_PROCESS_ATTACH and is owed DLL_PROCESS_DETACH
};
// The images mapped and not yet released; used on one thread, like the rest of the loader.
std::vector<LoadedImage> g_loaded;

// False when the record cannot be had; the image is then not to be mapped.
bool Record(const LoadedImage& image) noexcept
{
    return RanToEnd([&] { g_loaded.push_back(image); });
}

void Forget(std::uintptr_t base)
{
    g_loaded.erase(std::remove_if(g_loaded.begin(), g_loaded.end(), [base](const LoadedImage& image) { return image.base == base; }),
                   g_loaded.end());
}

// The image held at `base`, while the block still shows "MZ" and the PE signature where they were
// checked; null otherwise.
const LoadedImage* LoadedImageAt(std::uintptr_t base)
{
    auto found = std::find_if(g_loaded.begin(), g_loaded.end(), [base](const LoadedImage& image) { return image.base == base; });
    if (found == g_loaded.end())
        return nullptr;
    ByteView view(reinterpret_cast<const std::uint8_t*>(base), found->size);
    std::uint16_t magic = 0;
    std::uint32_t signature = 0;
    if (!view.Read(0, magic) || !view.Read(found->headers.ntOffset, signature))
        return nullptr;
    return magic == kDosSignature && signature == kNtSignature ? &*found : nullptr;
}

// The text is an ordinal when it is the canonical decimal form of a 32-bit integer.
bool ParseOrdinal(const std::string& text, std::int32_t& ordinal)
{
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, ordinal);
    if (error != std::errc() || stop != end)
        return false;
    char again[16];
    auto written = std::to_chars(again, again + sizeof again, ordinal).ptr;
    return std::string_view(again, static_cast<std::size_t>(written - again)) == text;
}

std::uintptr_t ExportAt(const ByteView& view, std::uintptr_t base, const IMAGE_EXPORT_DIRECTORY& exports, std::uint64_t index)
{
    std::uint32_t rva;
    if (index >= exports.NumberOfFunctions || !view.Read(exports.AddressOfFunctions + 4 * index, rva) || rva == 0)
        return 0;
    return static_cast<std::uint32_t>(base + rva);
}

std::uintptr_t FindExportByName(const ByteView& view, std::uintptr_t base, const IMAGE_EXPORT_DIRECTORY& exports,
                                const std::string& name)
{
    for (std::uint64_t i = 0; i < exports.NumberOfNames; ++i) {
        std::uint32_t nameRva;
        std::uint16_t index;
        if (!view.Read(exports.AddressOfNames + 4 * i, nameRva) || !view.Read(exports.AddressOfNameOrdinals + 2 * i, index))
            return 0;
        if (index >= exports.NumberOfFunctions)
            continue;
        const char* exported = view.Text(nameRva);
        if (!exported || name != exported)
            continue;
        if (std::uintptr_t address = ExportAt(view, base, exports, index))
            return address;
    }
    return 0;
}

} // namespace

std::uint64_t AlignUp(std::uint64_t value, std::uint32_t alignment) noexcept
{
    if (alignment == 0)
        return value;
    return (value + alignment - 1) / alignment * alignment;
}

std::uintptr_t LoadImageFromMemory(const std::uint8_t* image, std::size_t length, ImportResolver resolver,
                                   std::int32_t userValue, EntryPoint entryPoint) noexcept
{
    ByteView bytes(image, image ? length : 0);
    ImageHeaders headers;
    std::uint64_t size = CheckedBlockSize(bytes, image, headers);
    if (size == 0)
        return 0;
    std::uint8_t* block = AllocImageMemory(headers.nt.OptionalHeader.ImageBase, static_cast<std::uint32_t>(size));
    if (!block)
        return 0;
    MappedImage mapped{block, ByteView(block, size)};
    auto base = reinterpret_cast<std::uintptr_t>(block);
    CopyHeadersAndSections(mapped, image, headers);

    std::uint32_t entryRva = headers.nt.OptionalHeader.AddressOfEntryPoint;
    bool attach = entryPoint == EntryPoint::Call && headers.IsDll() && entryRva != 0;
    if (!FixUp(mapped, headers, resolver, userValue) || !Record({base, size, headers, attach})) {
        ReleaseImageMemory(base);
        return 0;
    }
    if (attach && !Attach(base + entryRva, base)) {
        Forget(base);
        ReleaseImageMemory(base);
        return 0;
    }
    return base;
}

bool FreeImage(std::uintptr_t base) noexcept
{
    const LoadedImage* image = LoadedImageAt(base);
    if (!image)
        return false;
    if (image->attached)
        CallEntryPoint(base + image->headers.nt.OptionalHeader.AddressOfEntryPoint, base, DLL_PROCESS_DETACH);
    if (!ReleaseImageMemory(base))
        return false;
    Forget(base);
    return true;
}

std::uintptr_t FindExport(std::uintptr_t base, const std::string& nameOrOrdinal) noexcept
{
    const LoadedImage* image = LoadedImageAt(base);
    if (!image)
        return 0;
    const IMAGE_DATA_DIRECTORY& directory = image->headers.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (directory.Size == 0)
        return 0;
    ByteView view(reinterpret_cast<const std::uint8_t*>(base), image->size);
    IMAGE_EXPORT_DIRECTORY exports;
    if (!view.Read(directory.VirtualAddress, exports))
        return 0;
    std::int32_t ordinal;
    if (!ParseOrdinal(nameOrOrdinal, ordinal))
        return FindExportByName(view, base, exports, nameOrOrdinal);
    std::int64_t index = std::int64_t{ordinal} - std::int64_t{exports.Base};
    return index < 0 ? 0 : ExportAt(view, base, exports, static_cast<std::uint64_t>(index));
}

std::uintptr_t GetImageEntryPoint(std::uintptr_t base) noexcept
{
    const LoadedImage* image = LoadedImageAt(base);
    if (!image || image->headers.nt.OptionalHeader.AddressOfEntryPoint == 0)
        return 0;
    return static_cast<std::uint32_t>(base + image->headers.nt.OptionalHeader.AddressOfEntryPoint);
}

bool MemoryModule::Load(const ByteSet& image, ImportResolver resolver, std::int32_t userValue)
{
    if (base_) {
        Free();
        base_ = 0;
    }
    base_ = LoadImageFromMemory(image.Data(), image.Size(), resolver, userValue);
    return base_ != 0;
}

bool MemoryModule::Free()
{
    if (!base_)
        return true;
    if (!FreeImage(base_))
        return false;
    base_ = 0;
    return true;
}

std::uintptr_t MemoryModule::GetProcAddress(const std::string& nameOrOrdinal) const
{
    return base_ ? FindExport(base_, nameOrOrdinal) : 0;
}

std::uintptr_t MemoryModule::GetEntryPoint() const
{
    return base_ ? GetImageEntryPoint(base_) : 0;
}
