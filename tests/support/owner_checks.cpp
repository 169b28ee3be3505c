// Linked into every test program: a put() asked of an owner that still holds a value fails the
// running test at the place of the call (see unique_resource_checks::g_putOfHeldValue), also when
// it is asked inside a DLL of ours the test loads (the grid control), through the export below.
#include <gtest/gtest.h>

#include <type_traits>

#include "support/owner_checks.h"

namespace {

void FailTheRunningTest(const std::source_location& where) noexcept
{
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
        << "put() of an owner that still holds a value: an out-parameter must come from an empty owner";
}

[[maybe_unused]] const bool g_checking = (unique_resource_checks::g_putOfHeldValue = &FailTheRunningTest, true);

}  // namespace

// Looked up by name (unique_resource_checks::kProgramHookExport) by the put()s of a DLL, whose own
// hook no test sets; tells this program's hook, whichever a test has in place.
extern "C" __declspec(dllexport) void UniqueResourcePutOfHeldValue(const std::source_location& where) noexcept
{
    if (unique_resource_checks::g_putOfHeldValue != nullptr)
        unique_resource_checks::g_putOfHeldValue(where);
}
static_assert(std::is_same_v<decltype(&UniqueResourcePutOfHeldValue), unique_resource_checks::Hook>);
