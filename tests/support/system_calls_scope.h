// The one way a test replaces platform calls: ScopedSystemCalls saves a table of calls (a
// subsystem's g_xxxSystemCalls or the SQLite engine table) when it is made and puts the saved
// entries back when it ends, so that a test assigns the entries it needs and never undoes them by
// hand, and a failing assertion cannot leave a replaced call behind for the next test.
#pragma once

template <typename Table>
class ScopedSystemCalls {
public:
    explicit ScopedSystemCalls(Table& table) noexcept : table_(table), saved_(table) {}
    ~ScopedSystemCalls() { table_ = saved_; }
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

private:
    Table& table_;
    const Table saved_;
};
