// Registering the caller's routines with the engine: SQL functions, aggregates, collations and the
// progress handler. The engine calls the bridges; the bridges find the routines again through the
// SqlCallbackBlock made here or through the user pointer.
#include "db/sqlite_database.h"

#include "db/callback_block.h"
#include "db/callback_dispatch.h"
#include "db/callback_thunks.h"
#include "db/sqlite_engine.h"
#include "db/text_conversion.h"

namespace {

using FunctionCallback = void (*)(sqlite3_context*, int, sqlite3_value**);
using FinalCallback = void (*)(sqlite3_context*);
using DestroyCallback = void (*)(void*);
using CompareCallback = int (*)(void*, int, const void*, int, const void*);
using ProgressCallback = int (*)(void*);

template <typename Callback>
Callback AsCallback(void* thunk)
{
    return reinterpret_cast<Callback>(thunk);
}

std::uint32_t Field(SubprogramPointer routine) { return static_cast<std::uint32_t>(routine); }

// The fields of one SqlCallbackBlock: the caller's routines (0 where the kind has none) and value.
struct SqlCallbackFields {
    SubprogramPointer first;
    SubprogramPointer step;
    SubprogramPointer final;
    SubprogramPointer destroy;
    std::uint32_t userValue;
};

// A SqlCallbackBlock with the given fields; null when the heap cannot supply one.
void* MakeSqlCallbackBlock(const SqlCallbackFields& fields) noexcept
{
    void* block = AllocCallbackBlock(kSqlCallbackBlockSize);
    if (!block)
        return nullptr;
    StoreDwordAt(block, kSqlFunctionOffset, Field(fields.first));
    StoreDwordAt(block, kSqlStepOffset, Field(fields.step));
    StoreDwordAt(block, kSqlFinalOffset, Field(fields.final));
    StoreDwordAt(block, kSqlDestroyOffset, Field(fields.destroy));
    StoreDwordAt(block, kSqlUserValueOffset, fields.userValue);
    return block;
}

// Who gives the block back when the engine refuses a registration.
enum class RefusedBlock {
    DestroyedByEngine,  // the engine runs the destroy bridge at once (functions and aggregates)
    OursToFree,         // the engine never calls it (collations)
};

// One registration of any kind: the engine's name, then the block, then `engineCall(engineName,
// block)`, which gives the engine's result code. The name comes first because its conversion may
// throw: a block made before it would be lost. True when the engine accepted.
template <typename EngineCall>
bool RegisterWithBlock(const std::string& name, bool utf8, const SqlCallbackFields& fields, RefusedBlock refused,
                       EngineCall engineCall)
{
    const std::string engineName = utf8 ? name : GbkToUtf8(name);
    void* block = MakeSqlCallbackBlock(fields);
    if (!block)
        return false;
    const int rc = engineCall(engineName.c_str(), block);
    if (rc != SQLITE_OK && refused == RefusedBlock::OursToFree)
        FreeCallbackBlock(block);
    return rc == SQLITE_OK;
}

} // namespace

bool SqliteDatabase::CreateFunction(const std::string& name, int argumentCount, std::uint32_t userValue,
                                    SubprogramPointer functionRoutine, SubprogramPointer destroyRoutine, bool utf8)
{
    // A registration without its bridges would hand the engine null callbacks, which deletes the
    // function instead of making it, and the block would never be freed.
    if (!g_sqlFunctionThunk || !g_sqlDestroyThunk)
        return false;
    return RegisterWithBlock(name, utf8, {functionRoutine, 0, 0, destroyRoutine, userValue},
                             RefusedBlock::DestroyedByEngine, [&](const char* engineName, void* block) {
                                 return SqliteEngine().sqlite3_create_function_v2(
                                     handle_, engineName, argumentCount, SQLITE_UTF8, block,
                                     AsCallback<FunctionCallback>(g_sqlFunctionThunk), nullptr, nullptr,
                                     AsCallback<DestroyCallback>(g_sqlDestroyThunk));
                             });
}

bool SqliteDatabase::CreateAggregate(const std::string& name, int argumentCount, std::uint32_t userValue,
                                     SubprogramPointer stepRoutine, SubprogramPointer finalRoutine,
                                     SubprogramPointer destroyRoutine, bool utf8)
{
    if (!g_sqlStepThunk || !g_sqlFinalThunk || !g_sqlDestroyThunk)
        return false;
    return RegisterWithBlock(name, utf8, {0, stepRoutine, finalRoutine, destroyRoutine, userValue},
                             RefusedBlock::DestroyedByEngine, [&](const char* engineName, void* block) {
                                 return SqliteEngine().sqlite3_create_function_v2(
                                     handle_, engineName, argumentCount, SQLITE_UTF8, block, nullptr,
                                     AsCallback<FunctionCallback>(g_sqlStepThunk),
                                     AsCallback<FinalCallback>(g_sqlFinalThunk),
                                     AsCallback<DestroyCallback>(g_sqlDestroyThunk));
                             });
}

bool SqliteDatabase::CreateCollation(const std::string& name, int textEncoding, std::uint32_t userValue,
                                     SubprogramPointer compareRoutine, SubprogramPointer destroyRoutine, bool utf8)
{
    if (!g_collationThunk || !g_sqlDestroyThunk)
        return false;
    // The engine takes the block only when it accepts the collation, and never calls the destroy
    // bridge on refusal: the block is ours to free, but the user value still belongs to the caller,
    // who frees it on a false answer; running the destroy routine here would free it twice.
    return RegisterWithBlock(name, utf8, {compareRoutine, 0, 0, destroyRoutine, userValue}, RefusedBlock::OursToFree,
                             [&](const char* engineName, void* block) {
                                 return SqliteEngine().sqlite3_create_collation_v2(
                                     handle_, engineName, textEncoding, block,
                                     AsCallback<CompareCallback>(g_collationThunk),
                                     AsCallback<DestroyCallback>(g_sqlDestroyThunk));
                             });
}

void SqliteDatabase::SetProgressHandler(int operationCount, SubprogramPointer routine)
{
    if (!routine || !g_progressThunk) {
        SqliteEngine().sqlite3_progress_handler(handle_, operationCount, nullptr, nullptr);
        return;
    }
    SqliteEngine().sqlite3_progress_handler(handle_, operationCount, AsCallback<ProgressCallback>(g_progressThunk),
                                            reinterpret_cast<void*>(routine));
}
