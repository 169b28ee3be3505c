// PictureVault: the compressed cell pictures of every grid in the process, held in memory up to a
// budget; past it the oldest move to a temporary file of the control's own and are read back on
// demand. The file is opened delete-on-close, so it goes when the module unloads or the process ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "framework/unique_resource.h"

namespace vsflex {

// What the vault holds now, and how often a full picture was decoded (painting never should).
struct PictureCounters {
    LONG pictures;
    LONG spilledPictures;
    LONG fullDecodes;
    DWORD residentBytes;
};

class PictureVault {
public:
    using Id = std::uint32_t;

    // The process's vault.
    static PictureVault& Instance() noexcept;
    ~PictureVault();

    // Takes `bytes` in and gives back their id; moves the oldest held pictures to the file while
    // the held bytes exceed the budget (64 MB, or VSFLEX_PICTURE_BUDGET bytes when that is set).
    // Throws std::bad_alloc when no memory is left.
    Id Add(std::vector<std::uint8_t> bytes);
    // The bytes stored under `id`; empty when they cannot be read back.
    std::vector<std::uint8_t> Read(Id id) const;
    // Forgets `id` (its room in the file is used again).
    void Remove(Id id) noexcept;

    PictureCounters Counters() const noexcept;
    void CountFullDecode() noexcept { InterlockedIncrement(&fullDecodes_); }

private:
    // Pages of their own for each picture's bytes: heap blocks of a few hundred kilobytes, freed
    // in any order, leave holes the next picture's bytes do not fit, and the process keeps growing.
    class Pages {
    public:
        Pages() noexcept = default;
        explicit Pages(const std::vector<std::uint8_t>& bytes);  // throws std::bad_alloc
        ~Pages() { Reset(); }
        Pages(Pages&& other) noexcept : data_(other.data_) { other.data_ = nullptr; }
        Pages& operator=(Pages&& other) noexcept;
        Pages(const Pages&) = delete;
        Pages& operator=(const Pages&) = delete;
        const std::uint8_t* data() const noexcept { return data_; }
        void Reset() noexcept;

    private:
        std::uint8_t* data_ = nullptr;
    };
    struct Item {
        Pages bytes;  // empty once in the file
        std::uint64_t offset = 0;
        std::uint32_t size = 0;
        bool spilled = false;
    };
    class Lock;

    PictureVault() noexcept;
    static std::size_t Budget() noexcept;
    bool SpillOldest() noexcept;
    bool OpenFile() noexcept;
    std::uint64_t TakeRoom(std::uint32_t size);
    void GiveRoom(std::uint64_t offset, std::uint64_t size) noexcept;

    mutable CRITICAL_SECTION lock_;
    std::map<Id, Item> items_;
    std::set<Id> held_;  // ids whose bytes are in memory, oldest first
    std::size_t heldBytes_ = 0;
    Id next_ = 1;
    UniqueFile file_;
    bool fileFailed_ = false;
    std::uint64_t fileEnd_ = 0;
    std::map<std::uint64_t, std::uint64_t> freeRoom_;  // offset -> size of unused runs in the file
    LONG fullDecodes_ = 0;
};

}  // namespace vsflex
