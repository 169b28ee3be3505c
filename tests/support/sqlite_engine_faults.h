// Engine calls that fail on purpose: SqliteEngineFaultScope makes the nth call that can fail
// (a prepare, a text bind or a step) fail the way a full disk or a failed read would, and puts the
// engine table back as it found it when the scope ends.
//
// The engine is mimicked as far as its caller can tell: a failed prepare hands back no statement;
// a failed step is reported again by the statement's reset; the connection's error code and text
// name the failure until a later prepare, bind or step on it reaches the engine (after a call that
// works the engine leaves them undefined); and where the failure undoes the whole transaction, as
// the engine may for SQLITE_FULL, SQLITE_IOERR or SQLITE_BUSY, the connection is back in
// autocommit when the call returns. The other calls always reach the engine: they cannot fail
// there (a reset or a finalize only repeats its statement's failure).
#pragma once

#include <atomic>

#include "db/sqlite_engine.h"
#include "support/system_calls_scope.h"

// What the engine undid when the call failed.
enum class FailureUndoes {
    Statement,    // the failing statement's own work only
    Transaction,  // the connection's whole transaction
};

struct SqliteEngineFault {
    int rc;  // the failing call's result code
    FailureUndoes undoes;
};

namespace engine_faults {

// The engine's own functions, looked up when a scope begins.
struct RealCalls {
    decltype(&::sqlite3_prepare_v2) prepare = nullptr;
    decltype(&::sqlite3_bind_text) bindText = nullptr;
    decltype(&::sqlite3_step) step = nullptr;
    decltype(&::sqlite3_reset) reset = nullptr;
    decltype(&::sqlite3_errcode) errcode = nullptr;
    decltype(&::sqlite3_errmsg) errmsg = nullptr;
    decltype(&::sqlite3_errstr) errstr = nullptr;
    decltype(&::sqlite3_db_handle) dbHandle = nullptr;
    decltype(&::sqlite3_get_autocommit) getAutocommit = nullptr;
    decltype(&::sqlite3_exec) exec = nullptr;
};

// The replaced entries are plain function pointers, so what they share lives here. The calls may
// come from another thread than the test's (the history writer's).
inline RealCalls g_real;
inline SqliteEngineFault g_fault{};
inline std::atomic<int> g_calls{0};
inline int g_failAt = 0;
inline std::atomic<sqlite3*> g_failedConnection{nullptr};   // whose error is the made-up one
inline std::atomic<sqlite3_stmt*> g_failedStatement{nullptr};  // whose next reset repeats it

template <typename Pointer>
Pointer Real(const char* name) noexcept
{
    return reinterpret_cast<Pointer>(LookupSqliteEngineFunction(name));
}

// Counts the call; true when it is the one to fail. A real call on the connection that failed
// makes its error the engine's own again.
inline bool FailsNow(sqlite3* connection) noexcept
{
    if (++g_calls == g_failAt) {
        g_failedConnection = connection;
        return true;
    }
    sqlite3* expected = connection;
    g_failedConnection.compare_exchange_strong(expected, nullptr);
    return false;
}

inline void UndoTransaction(sqlite3* connection) noexcept
{
    if (g_fault.undoes == FailureUndoes::Transaction && !g_real.getAutocommit(connection))
        g_real.exec(connection, "rollback", nullptr, nullptr, nullptr);
}

inline int FailingPrepare(sqlite3* connection, const char* sql, int bytes, sqlite3_stmt** statement,
                          const char** tail) noexcept
{
    if (!FailsNow(connection))
        return g_real.prepare(connection, sql, bytes, statement, tail);
    *statement = nullptr;
    if (tail)
        *tail = sql;
    return g_fault.rc;
}

inline int FailingBindText(sqlite3_stmt* statement, int index, const char* value, int bytes,
                           void (*destructor)(void*)) noexcept
{
    if (!FailsNow(g_real.dbHandle(statement)))
        return g_real.bindText(statement, index, value, bytes, destructor);
    // The engine lets go of a value it was given to own even when the bind fails.
    if (destructor != SQLITE_STATIC && destructor != SQLITE_TRANSIENT)
        destructor(const_cast<char*>(value));
    return g_fault.rc;
}

inline int FailingStep(sqlite3_stmt* statement) noexcept
{
    sqlite3* connection = g_real.dbHandle(statement);
    if (!FailsNow(connection))
        return g_real.step(statement);
    UndoTransaction(connection);
    g_failedStatement = statement;
    return g_fault.rc;
}

inline int RepeatingReset(sqlite3_stmt* statement) noexcept
{
    int rc = g_real.reset(statement);
    sqlite3_stmt* expected = statement;
    return g_failedStatement.compare_exchange_strong(expected, nullptr) ? g_fault.rc : rc;
}

inline int FailedErrcode(sqlite3* connection) noexcept
{
    return connection && connection == g_failedConnection ? g_fault.rc : g_real.errcode(connection);
}

inline const char* FailedErrmsg(sqlite3* connection) noexcept
{
    return connection && connection == g_failedConnection ? g_real.errstr(g_fault.rc) : g_real.errmsg(connection);
}

} // namespace engine_faults

// While it lives, the `failAt`th engine call that can fail (counting from 1, on any thread, any
// connection) fails with `fault`; every other call reaches the engine. One scope at a time; the
// engine table is restored when it ends.
class SqliteEngineFaultScope {
public:
    SqliteEngineFaultScope(int failAt, SqliteEngineFault fault) noexcept
    {
        using namespace engine_faults;
        g_real.prepare = Real<decltype(g_real.prepare)>("sqlite3_prepare_v2");
        g_real.bindText = Real<decltype(g_real.bindText)>("sqlite3_bind_text");
        g_real.step = Real<decltype(g_real.step)>("sqlite3_step");
        g_real.reset = Real<decltype(g_real.reset)>("sqlite3_reset");
        g_real.errcode = Real<decltype(g_real.errcode)>("sqlite3_errcode");
        g_real.errmsg = Real<decltype(g_real.errmsg)>("sqlite3_errmsg");
        g_real.errstr = Real<decltype(g_real.errstr)>("sqlite3_errstr");
        g_real.dbHandle = Real<decltype(g_real.dbHandle)>("sqlite3_db_handle");
        g_real.getAutocommit = Real<decltype(g_real.getAutocommit)>("sqlite3_get_autocommit");
        g_real.exec = Real<decltype(g_real.exec)>("sqlite3_exec");
        g_fault = fault;
        g_failAt = failAt;
        g_calls = 0;
        g_failedConnection = nullptr;
        g_failedStatement = nullptr;
        SqliteEngineTable& engine = SqliteEngine();
        engine.sqlite3_prepare_v2.function = FailingPrepare;
        engine.sqlite3_bind_text.function = FailingBindText;
        engine.sqlite3_step.function = FailingStep;
        engine.sqlite3_reset.function = RepeatingReset;
        engine.sqlite3_errcode.function = FailedErrcode;
        engine.sqlite3_errmsg.function = FailedErrmsg;
    }
    SqliteEngineFaultScope(const SqliteEngineFaultScope&) = delete;
    SqliteEngineFaultScope& operator=(const SqliteEngineFaultScope&) = delete;

    // The calls that could have failed, made so far.
    int Calls() const noexcept { return engine_faults::g_calls; }
    // True once the call chosen to fail has been made (and failed).
    bool Failed() const noexcept { return Calls() >= engine_faults::g_failAt; }

private:
    ScopedSystemCalls<SqliteEngineTable> engine_{SqliteEngine()};
};
