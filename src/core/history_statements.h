// HistoryStatements: the history store's statements, each prepared once on one connection, for a
// caller that stores entry after entry (the history writer): preparing a statement takes about as
// long as running one of these. Every statement is reset after each use, so that none holds the
// file between entries. The object must end before its connection is closed.
#pragma once

#include <sqlite3.h>

#include <array>

enum class HistoryStatement { Begin, Commit, Rollback, Insert, Count, DeleteOldest };

class HistoryStatements {
public:
    explicit HistoryStatements(sqlite3* connection) noexcept : connection_(connection) {}
    ~HistoryStatements();
    HistoryStatements(const HistoryStatements&) = delete;
    HistoryStatements& operator=(const HistoryStatements&) = delete;

    sqlite3* Connection() const noexcept { return connection_; }
    // The statement, prepared at its first use; null when it cannot be prepared.
    sqlite3_stmt* Get(HistoryStatement which) noexcept;
    // Steps the statement once and resets it: the step's result code.
    int Run(HistoryStatement which) noexcept;

private:
    sqlite3* connection_;
    std::array<sqlite3_stmt*, 6> statements_ = {};
};
