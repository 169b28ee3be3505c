// The executable bridges through which the engine calls the program's routines.
//
// The engine calls its callbacks as plain C functions (the caller removes the arguments); the
// program's entry routines remove their own (__stdcall). A bridge is a few bytes of x86 code that
// takes the engine's call, hands the same arguments in the same order to one entry routine, and
// returns that routine's result without removing anything itself.
//
// Holds: the bridge globals, MakeStdcallThunk, BuildSqliteCallbackThunks and ByteSetDataPointer. The
// bridges' memory comes from g_dbSystemCalls.VirtualAlloc, which a test may refuse.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/byte_set.h"

// Each global holds 0 until BuildSqliteCallbackThunks has run; afterwards its bridge, until exit.
extern void* g_sqlFunctionThunk;  // (context, argument count, values)       -> OnSqlFunction
extern void* g_sqlStepThunk;      // (context, argument count, values)       -> OnSqlStep
extern void* g_sqlFinalThunk;     // (context)                               -> OnSqlFinal
extern void* g_sqlDestroyThunk;   // (SqlCallbackBlock)                      -> OnSqlDestroy
extern void* g_execRowThunk;      // (ExecCallbackBlock, count, values, names) -> OnExecRow
extern void* g_progressThunk;     // (progress routine)                      -> OnProgress
extern void* g_collationThunk;    // (SqlCallbackBlock, len1, text1, len2, text2) -> OnCollationCompare
extern void* g_busyHandlerThunk;  // (busy routine, retry count)             -> OnBusyHandler

// Builds every bridge above, in the order listed, the first time it runs; later calls change
// nothing. Returns 0 when every bridge exists, SQLITE_NOMEM (7) when executable memory could not be
// had for one of them (that global stays 0 and the registrations that need it answer false).
int BuildSqliteCallbackThunks() noexcept;

// A new bridge of 6n + 12 bytes in its own PAGE_EXECUTE_READWRITE block that calls `target`, a
// __stdcall routine of `argumentCount` 32-bit arguments. Null when no memory could be had. The
// block is never freed.
void* MakeStdcallThunk(const void* target, std::uint32_t argumentCount) noexcept;

// The address of the first byte of `bytes`; 0 for an empty array.
std::uintptr_t ByteSetDataPointer(const ByteSet& bytes) noexcept;
