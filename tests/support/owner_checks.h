// The test programs' check of UniqueResource::put(): an out-parameter asked of an owner that still
// holds a value fails the running test (tests/support/owner_checks.cpp, linked into every test
// program). HeldValuePuts counts such calls instead, and keeps the place of the last, while it
// lives, for a test that makes one on purpose.
#pragma once

#include <source_location>

#include "framework/unique_resource.h"

class HeldValuePuts {
public:
    HeldValuePuts() noexcept : saved_(unique_resource_checks::g_putOfHeldValue)
    {
        count_ = 0;
        unique_resource_checks::g_putOfHeldValue = &Counted;
    }
    ~HeldValuePuts() { unique_resource_checks::g_putOfHeldValue = saved_; }
    HeldValuePuts(const HeldValuePuts&) = delete;
    HeldValuePuts& operator=(const HeldValuePuts&) = delete;

    int Count() const noexcept { return count_; }
    // The place of the last such call.
    const std::source_location& Last() const noexcept { return last_; }

private:
    static void Counted(const std::source_location& where) noexcept
    {
        ++count_;
        last_ = where;
    }

    static inline int count_ = 0;
    static inline std::source_location last_;
    void (*saved_)(const std::source_location&) noexcept;
};
