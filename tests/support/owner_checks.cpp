// Linked into every test program: a put() asked of an owner that still holds a value fails the
// running test at the place of the call (see unique_resource_checks::g_putOfHeldValue).
#include <gtest/gtest.h>

#include "support/owner_checks.h"

namespace {

void FailTheRunningTest(const std::source_location& where) noexcept
{
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
        << "put() of an owner that still holds a value: an out-parameter must come from an empty owner";
}

[[maybe_unused]] const bool g_checking = (unique_resource_checks::g_putOfHeldValue = &FailTheRunningTest, true);

}  // namespace
