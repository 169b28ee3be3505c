// The vault's file keeps a list of free runs so that the room of removed pictures is reused: the
// history drops old rows as new ones come, and the file should not grow with every capture.
#include "picture_vault.h"

#include "framework/exception_boundary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

namespace vsflex {

class PictureVault::Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) noexcept : section_(section) { EnterCriticalSection(&section_); }
    ~Lock() { LeaveCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

PictureVault::Pages::Pages(const std::vector<std::uint8_t>& bytes)
    : data_(static_cast<std::uint8_t*>(
          VirtualAlloc(nullptr, std::max<std::size_t>(bytes.size(), 1), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
{
    if (!data_)
        throw std::bad_alloc();
    std::memcpy(data_, bytes.data(), bytes.size());
}

PictureVault::Pages& PictureVault::Pages::operator=(Pages&& other) noexcept
{
    if (this != &other) {
        Reset();
        data_ = other.data_;
        other.data_ = nullptr;
    }
    return *this;
}

void PictureVault::Pages::Reset() noexcept
{
    if (data_)
        VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
}

PictureVault& PictureVault::Instance() noexcept
{
    static PictureVault vault;
    return vault;
}

PictureVault::PictureVault() noexcept { InitializeCriticalSection(&lock_); }

PictureVault::~PictureVault()
{
    DeleteCriticalSection(&lock_);
}

std::size_t PictureVault::Budget() noexcept
{
    constexpr std::size_t kDefaultBudget = 64u << 20;
    char text[32] = {};
    DWORD length = GetEnvironmentVariableA("VSFLEX_PICTURE_BUDGET", text, sizeof text);
    if (length == 0 || length >= sizeof text)
        return kDefaultBudget;
    char* end = nullptr;
    unsigned long value = std::strtoul(text, &end, 10);
    return end != text ? std::size_t(value) : kDefaultBudget;
}

PictureVault::Id PictureVault::Add(std::vector<std::uint8_t> bytes)
{
    Lock lock(lock_);
    const Id id = next_++;
    Item item;
    item.size = std::uint32_t(bytes.size());
    item.bytes = Pages(bytes);
    std::vector<std::uint8_t>().swap(bytes);
    auto placed = items_.emplace(id, std::move(item)).first;
    try {
        held_.insert(id);
    } catch (...) {
        items_.erase(placed);
        throw;
    }
    heldBytes_ += placed->second.size;
    const std::size_t budget = Budget();
    while (heldBytes_ > budget && SpillOldest()) {
    }
    return id;
}

std::vector<std::uint8_t> PictureVault::Read(Id id) const
{
    Lock lock(lock_);
    auto found = items_.find(id);
    if (found == items_.end())
        return {};
    const Item& item = found->second;
    if (!item.spilled)
        return std::vector<std::uint8_t>(item.bytes.data(), item.bytes.data() + item.size);
    std::vector<std::uint8_t> bytes(item.size);
    OVERLAPPED at = {};
    at.Offset = DWORD(item.offset);
    at.OffsetHigh = DWORD(item.offset >> 32);
    DWORD read = 0;
    if (!ReadFile(file_.get(), bytes.data(), item.size, &read, &at) || read != item.size)
        return {};
    return bytes;
}

void PictureVault::Remove(Id id) noexcept
{
    Lock lock(lock_);
    auto found = items_.find(id);
    if (found == items_.end())
        return;
    Item& item = found->second;
    if (item.spilled)
        GiveRoom(item.offset, item.size);
    else
        heldBytes_ -= item.size;
    held_.erase(id);
    items_.erase(found);
}

PictureCounters PictureVault::Counters() const noexcept
{
    Lock lock(lock_);
    PictureCounters counters{LONG(items_.size()), LONG(items_.size() - held_.size()), fullDecodes_, DWORD(heldBytes_)};
    return counters;
}

// Writes the oldest held picture to the file and frees its memory; false when nothing more can go
// (no held picture, or the file cannot be made or written: then the pictures stay in memory).
bool PictureVault::SpillOldest() noexcept
{
    if (held_.empty() || !OpenFile())
        return false;
    const Id id = *held_.begin();
    Item& item = items_.at(id);
    std::uint64_t offset = 0;
    if (!RanToEnd([&] { offset = TakeRoom(item.size); }))
        return false;
    OVERLAPPED at = {};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD written = 0;
    if (!WriteFile(file_.get(), item.bytes.data(), item.size, &written, &at) || written != item.size) {
        GiveRoom(offset, item.size);
        fileFailed_ = true;
        return false;
    }
    item.offset = offset;
    item.spilled = true;
    item.bytes.Reset();
    held_.erase(held_.begin());
    heldBytes_ -= item.size;
    return true;
}

bool PictureVault::OpenFile() noexcept
{
    if (file_)
        return true;
    if (fileFailed_)
        return false;
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length > 0 && length < MAX_PATH && GetTempFileNameW(folder, L"vsf", 0, path) != 0)
        file_.reset(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file_) {
        if (path[0])
            DeleteFileW(path);
        fileFailed_ = true;
        return false;
    }
    return true;
}

// The offset of `size` free bytes in the file: the first free run that fits, else the file's end.
std::uint64_t PictureVault::TakeRoom(std::uint32_t size)
{
    for (auto run = freeRoom_.begin(); run != freeRoom_.end(); ++run) {
        if (run->second < size)
            continue;
        const std::uint64_t offset = run->first;
        const std::uint64_t left = run->second - size;
        freeRoom_.erase(run);
        if (left > 0)
            freeRoom_.emplace(offset + size, left);
        return offset;
    }
    const std::uint64_t offset = fileEnd_;
    fileEnd_ += size;
    return offset;
}

void PictureVault::GiveRoom(std::uint64_t offset, std::uint64_t size) noexcept
{
    if (size == 0)
        return;
    // Without memory for the list the run is not reused; the file only grows by it.
    NoThrow([&] {
        auto after = freeRoom_.lower_bound(offset);
        if (after != freeRoom_.end() && offset + size == after->first) {
            size += after->second;
            after = freeRoom_.erase(after);
        }
        if (after != freeRoom_.begin()) {
            auto before = std::prev(after);
            if (before->first + before->second == offset) {
                offset = before->first;
                size += before->second;
                freeRoom_.erase(before);
            }
        }
        if (offset + size == fileEnd_)
            fileEnd_ = offset;
        else
            freeRoom_.emplace(offset, size);
    });
}

}  // namespace vsflex

// For tests and diagnostics: what the vault holds and how many full decodes there were.
extern "C" void VsFlexPictureCounters(vsflex::PictureCounters* counters) noexcept
{
    if (counters)
        *counters = vsflex::PictureVault::Instance().Counters();
}
