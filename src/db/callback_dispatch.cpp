// The bridges' entry routines, their dispatchers and the calls of the caller's routines.
#include "db/callback_dispatch.h"

#include "db/callback_block.h"
#include "db/sqlite_engine.h"
#include "framework/word_call.h"

namespace {

template <typename... Arguments>
std::uint32_t CallWith(SubprogramPointer routine, Arguments... arguments) noexcept
{
    const std::uint32_t words[sizeof...(Arguments) + 1] = {arguments..., 0};
    return static_cast<std::uint32_t>(CallWithWords(routine, words, sizeof...(Arguments)));
}

std::uint32_t Dword(int value) noexcept { return static_cast<std::uint32_t>(value); }
std::uint32_t Dword(const void* pointer) noexcept
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

void* ContextBlock(sqlite3_context* context) noexcept { return SqliteEngine().sqlite3_user_data(context); }

void DispatchThreeArgumentRoutine(std::uint32_t offset, sqlite3_context* context, int argumentCount,
                                  sqlite3_value** values) noexcept
{
    void* block = ContextBlock(context);
    if (!block)
        return;
    SubprogramPointer routine = ReadDwordAt(block, offset);
    if (routine)
        JumpToSqlFunction(routine, Dword(context), Dword(argumentCount), Dword(values));
}

} // namespace

std::uint32_t JumpToSqlFunction(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3) noexcept
{
    return CallWith(routine, a1, a2, a3);
}

std::uint32_t JumpToSqlFinal(SubprogramPointer routine, std::uint32_t a1) noexcept { return CallWith(routine, a1); }

std::uint32_t JumpToExecRowHandler(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                                   std::uint32_t a4) noexcept
{
    return CallWith(routine, a1, a2, a3, a4);
}

std::uint32_t JumpToProgressHandler(SubprogramPointer routine) noexcept { return CallWith(routine); }

std::uint32_t JumpToCollationCompare(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                                     std::uint32_t a4, std::uint32_t a5) noexcept
{
    return CallWith(routine, a1, a2, a3, a4, a5);
}

std::uint32_t JumpToBackupProgress(SubprogramPointer routine, std::uint32_t a1, std::uint32_t a2) noexcept
{
    return CallWith(routine, a1, a2);
}

std::uint32_t JumpToBusyHandler(SubprogramPointer routine, std::uint32_t a1) noexcept { return CallWith(routine, a1); }

void DispatchSqlFunction(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept
{
    DispatchThreeArgumentRoutine(kSqlFunctionOffset, context, argumentCount, values);
}

void DispatchSqlStep(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept
{
    DispatchThreeArgumentRoutine(kSqlStepOffset, context, argumentCount, values);
}

void DispatchSqlFinal(sqlite3_context* context) noexcept
{
    void* block = ContextBlock(context);
    if (!block)
        return;
    SubprogramPointer routine = ReadDwordAt(block, kSqlFinalOffset);
    if (routine)
        JumpToSqlFinal(routine, Dword(context));
}

void DispatchSqlDestroy(void* block) noexcept
{
    if (!block)
        return;
    SubprogramPointer routine = ReadDwordAt(block, kSqlDestroyOffset);
    if (routine)
        JumpToSqlFinal(routine, ReadDwordAt(block, kSqlUserValueOffset));
    FreeCallbackBlock(block);
}

int DispatchExecRow(void* block, int columnCount, char** values, char** names) noexcept
{
    if (!block)
        return 0;
    return static_cast<int>(JumpToExecRowHandler(ReadDwordAt(block, kExecRowRoutineOffset),
                                                 ReadDwordAt(block, kExecUserValueOffset), Dword(columnCount),
                                                 Dword(values), Dword(names)));
}

int DispatchProgress(void* routine) noexcept
{
    if (!routine)
        return 0;
    return static_cast<int>(JumpToProgressHandler(reinterpret_cast<SubprogramPointer>(routine)));
}

int DispatchCollation(void* block, int length1, const void* text1, int length2, const void* text2) noexcept
{
    if (!block)
        return 0;
    SubprogramPointer routine = ReadDwordAt(block, kSqlFunctionOffset);
    if (!routine)
        return 0;
    return static_cast<int>(JumpToCollationCompare(routine, ReadDwordAt(block, kSqlUserValueOffset), Dword(length1),
                                                   Dword(text1), Dword(length2), Dword(text2)));
}

int DispatchBusyHandler(void* routine, int retryCount) noexcept
{
    if (!routine)
        return 0;
    return static_cast<int>(JumpToBusyHandler(reinterpret_cast<SubprogramPointer>(routine), Dword(retryCount)));
}

void __stdcall OnSqlFunction(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept
{
    DispatchSqlFunction(context, argumentCount, values);
}

void __stdcall OnSqlStep(sqlite3_context* context, int argumentCount, sqlite3_value** values) noexcept
{
    DispatchSqlStep(context, argumentCount, values);
}

void __stdcall OnSqlFinal(sqlite3_context* context) noexcept { DispatchSqlFinal(context); }

void __stdcall OnSqlDestroy(void* block) noexcept { DispatchSqlDestroy(block); }

int __stdcall OnExecRow(void* block, int columnCount, char** values, char** names) noexcept
{
    return DispatchExecRow(block, columnCount, values, names);
}

int __stdcall OnProgress(void* routine) noexcept { return DispatchProgress(routine); }

int __stdcall OnCollationCompare(void* block, int length1, const void* text1, int length2, const void* text2) noexcept
{
    return DispatchCollation(block, length1, text1, length2, text2);
}

int __stdcall OnBusyHandler(void* routine, int retryCount) noexcept { return DispatchBusyHandler(routine, retryCount); }
