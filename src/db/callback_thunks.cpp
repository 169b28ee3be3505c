// Building the bridges: machine code copied piece by piece into executable blocks.
#include "db/callback_thunks.h"

#include <windows.h>

#include <cstring>

#include <sqlite3.h>

#include "db/callback_dispatch.h"
#include "db/db_system_calls.h"
#include "framework/subprogram_pointer.h"

void* g_sqlFunctionThunk = nullptr;
void* g_sqlStepThunk = nullptr;
void* g_sqlFinalThunk = nullptr;
void* g_sqlDestroyThunk = nullptr;
void* g_execRowThunk = nullptr;
void* g_progressThunk = nullptr;
void* g_collationThunk = nullptr;
void* g_busyHandlerThunk = nullptr;

namespace {

void* VirtualAllocExecutable(std::size_t size)
{
    return g_dbSystemCalls.VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
}

// The code pieces of a bridge. After the frame set-up [ebp + 4] is the engine's return address and
// [ebp + 4k + 4] the k-th argument.
const ByteSet& FrameSetUp()  // push ebp; mov ebp, esp
{
    static const std::uint8_t code[] = {0x55, 0x8B, 0xEC};
    static const ByteSet piece(code, sizeof code);
    return piece;
}
const ByteSet& TargetLoadOpcode()  // mov eax, imm32 (the imm32 follows)
{
    static const std::uint8_t code[] = {0xB8};
    static const ByteSet piece(code, sizeof code);
    return piece;
}
const ByteSet& ArgumentPushOpcode()  // push dword [ebp + disp32] (the disp32 follows)
{
    static const std::uint8_t code[] = {0xFF, 0xB5};
    static const ByteSet piece(code, sizeof code);
    return piece;
}
const ByteSet& Closing()  // call eax; pop ebp; ret  (the target removed its own arguments)
{
    static const std::uint8_t code[] = {0xFF, 0xD0, 0x5D, 0xC3};
    static const ByteSet piece(code, sizeof code);
    return piece;
}

std::uint8_t* Append(std::uint8_t* at, const ByteSet& piece)
{
    std::memcpy(at, reinterpret_cast<const void*>(ByteSetDataPointer(piece)), piece.Size());
    return at + piece.Size();
}

std::uint8_t* AppendDword(std::uint8_t* at, std::uint32_t value)
{
    std::memcpy(at, &value, sizeof value);  // x86: least significant byte first
    return at + sizeof value;
}

// Only a noexcept entry: the engine's C frames sit between it and any catch.
template <typename Routine>
    requires NoexceptFunction<Routine>
void BuildOne(void*& global, Routine* entry, std::uint32_t argumentCount, int& rc)
{
    if (global)
        return;
    global = MakeStdcallThunk(reinterpret_cast<const void*>(entry), argumentCount);
    if (!global)
        rc = SQLITE_NOMEM;
}

} // namespace

std::uintptr_t ByteSetDataPointer(const ByteSet& bytes) noexcept
{
    return reinterpret_cast<std::uintptr_t>(bytes.Data());
}

void* MakeStdcallThunk(const void* target, std::uint32_t argumentCount) noexcept
{
    std::size_t size = 6 * argumentCount + 12;
    auto* block = static_cast<std::uint8_t*>(VirtualAllocExecutable(size));
    if (!block)
        return nullptr;
    std::uint8_t* at = Append(block, FrameSetUp());
    at = Append(at, TargetLoadOpcode());
    at = AppendDword(at, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(target)));
    for (std::uint32_t offset = 4 * argumentCount + 4; offset >= 8; offset -= 4) {
        at = Append(at, ArgumentPushOpcode());
        at = AppendDword(at, offset);
    }
    Append(at, Closing());
    FlushInstructionCache(GetCurrentProcess(), block, size);
    return block;
}

int BuildSqliteCallbackThunks() noexcept
{
    int rc = 0;
    BuildOne(g_sqlFunctionThunk, OnSqlFunction, 3, rc);
    BuildOne(g_sqlStepThunk, OnSqlStep, 3, rc);
    BuildOne(g_sqlFinalThunk, OnSqlFinal, 1, rc);
    BuildOne(g_sqlDestroyThunk, OnSqlDestroy, 1, rc);
    BuildOne(g_execRowThunk, OnExecRow, 4, rc);
    BuildOne(g_progressThunk, OnProgress, 1, rc);
    BuildOne(g_collationThunk, OnCollationCompare, 5, rc);
    BuildOne(g_busyHandlerThunk, OnBusyHandler, 2, rc);
    return rc;
}
