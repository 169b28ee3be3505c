// ConnectionLock: holds a connection's own mutex for a scope, so that a run of engine calls and
// the error text read after them are not interleaved with another thread's use of the same
// connection. The engine is built serialized, so every single call is safe without it.
#pragma once

#include <sqlite3.h>

#include "db/sqlite_engine.h"

class ConnectionLock {
public:
    // A connection of 0 (or an engine without mutexes) locks nothing.
    explicit ConnectionLock(sqlite3* connection) noexcept
        : mutex_(connection ? SqliteEngine().sqlite3_db_mutex(connection) : nullptr)
    {
        if (mutex_)
            SqliteEngine().sqlite3_mutex_enter(mutex_);
    }
    ~ConnectionLock()
    {
        if (mutex_)
            SqliteEngine().sqlite3_mutex_leave(mutex_);
    }
    ConnectionLock(const ConnectionLock&) = delete;
    ConnectionLock& operator=(const ConnectionLock&) = delete;

private:
    sqlite3_mutex* mutex_;
};
