// What the bridges call: the entry routines (__stdcall, one per kind of engine callback), their
// dispatchers, which find the caller's routine in a callback block or the user pointer, and the
// Jump routines, which call a caller's __stdcall routine by its address.
//
// Block layouts (32-bit fields, zero-filled heap blocks from AllocCallbackBlock):
//   ExecCallbackBlock (8 bytes):  row routine, user value.
//   SqlCallbackBlock (20 bytes):  function or compare routine, step routine, final routine,
//                                 destroy routine, user value. A field that does not apply is 0.
// A SqlCallbackBlock is the engine's user data of one function or collation; only
// DispatchSqlDestroy frees it.
#pragma once

#include <cstdint>

#include <sqlite3.h>

#include "framework/subprogram_pointer.h"

// Byte offsets of the block fields.
constexpr std::uint32_t kExecRowRoutineOffset = 0;
constexpr std::uint32_t kExecUserValueOffset = 4;
constexpr std::uint32_t kSqlCallbackBlockSize = 20;
constexpr std::uint32_t kSqlFunctionOffset = 0;  // also the compare routine of a collation
constexpr std::uint32_t kSqlStepOffset = 4;
constexpr std::uint32_t kSqlFinalOffset = 8;
constexpr std::uint32_t kSqlDestroyOffset = 12;
constexpr std::uint32_t kSqlUserValueOffset = 16;

// Entry routines: each passes its arguments unchanged to its dispatcher and removes them on return.
void __stdcall OnSqlFunction(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept;
void __stdcall OnSqlStep(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept;
void __stdcall OnSqlFinal(sqlite3_context* context) noexcept;
void __stdcall OnSqlDestroy(void* block) noexcept;
int __stdcall OnExecRow(void* block, int columnCount, char** values, char** names) noexcept;
int __stdcall OnProgress(void* routine) noexcept;
int __stdcall OnCollationCompare(void* block, int length1, const void* text1, int length2, const void* text2) noexcept;
int __stdcall OnBusyHandler(void* routine, int retryCount) noexcept;

// Dispatchers. Where the block or the routine is missing they do nothing and answer 0.
// Function / step / final: routine (context[, argument count, values]) of the block that is the
// context's user data; the routine answers through the engine's result functions.
void DispatchSqlFunction(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept;
void DispatchSqlStep(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept;
void DispatchSqlFinal(sqlite3_context* context) noexcept;
// Runs the destroy routine (user value) when there is one, then frees the block in every case.
void DispatchSqlDestroy(void* block) noexcept;
// The row routine's answer for (user value, column count, values, names); not 0 stops sqlite3_exec.
int DispatchExecRow(void* block, int columnCount, char** values, char** names) noexcept;
// The routine (no argument) is its own user pointer; not 0 interrupts the running statement.
int DispatchProgress(void* routine) noexcept;
// Compare routine (user value, length 1, text 1, length 2, text 2); 0 (equal) without one.
int DispatchCollation(void* block, int length1, const void* text1, int length2, const void* text2) noexcept;
// Busy routine (retry count); the routine is its own user pointer. Not 0 asks the engine to retry,
// 0 makes the waiting call answer SQLITE_BUSY. 0 without a routine.
int DispatchBusyHandler(void* routine, int retryCount) noexcept;

// Jump routines: call the __stdcall routine at `routine` with the arguments as if called directly
// and answer its 32-bit result. The caller's stack is restored afterwards whatever the routine
// removed, so a routine of the wrong convention cannot unbalance it.
std::uint32_t JumpToSqlFunction(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3) noexcept;
std::uint32_t JumpToSqlFinal(SubprogramPointer routine, std::uint32_t a1) noexcept;
std::uint32_t JumpToExecRowHandler(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                                   std::uint32_t a4) noexcept;
std::uint32_t JumpToProgressHandler(SubprogramPointer routine) noexcept;
std::uint32_t JumpToCollationCompare(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                                     std::uint32_t a4, std::uint32_t a5) noexcept;
std::uint32_t JumpToBackupProgress(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2) noexcept;
std::uint32_t JumpToBusyHandler(SubprogramPointer routine, std::uint32_t a1) noexcept;
