// FreedBlockQuarantine: catches a module that writes to memory it has already freed. While one is
// alive, the module's own `free` (its import from msvcrt.dll, which the operator delete it links in
// calls too) fills each block with a pattern and keeps it instead of giving it back; the test then
// asks how many kept blocks no longer hold the pattern. Reads after the free go unseen, writes do not.
#pragma once

#include <windows.h>

#include <cstddef>

namespace grid_test {

class FreedBlockQuarantine {
public:
    // Replaces the free that `module` imports from msvcrt.dll; Active() is false when it has none.
    // One quarantine at a time in a process.
    explicit FreedBlockQuarantine(HMODULE module);
    // Puts the module's free back and gives the kept blocks back for real.
    ~FreedBlockQuarantine();
    FreedBlockQuarantine(const FreedBlockQuarantine&) = delete;
    FreedBlockQuarantine& operator=(const FreedBlockQuarantine&) = delete;

    bool Active() const noexcept { return slot_ != nullptr; }
    // How many blocks the module freed since the quarantine began.
    std::size_t Kept() const noexcept;
    // How many of those were written to after they were freed.
    std::size_t Written() const noexcept;

private:
    void** slot_ = nullptr;  // the module's import address entry for free
    void* original_ = nullptr;
};

}  // namespace grid_test
