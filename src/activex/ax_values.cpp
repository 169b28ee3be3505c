// The host's allocator hand-over and the values made with it.
#include "activex/ax_values.h"

#include <cstring>
#include <string>

#include "framework/exception_boundary.h"

namespace {

RuntimeServiceFunction g_service = nullptr;

} // namespace

RuntimeServiceFunction AxRuntimeService() noexcept { return g_service != nullptr ? g_service : RuntimeService; }

void SetAxRuntimeService(RuntimeServiceFunction service) noexcept { g_service = service; }

void* AxRuntimeAllocate(std::uint32_t size) noexcept { return AxRuntimeService()(kRuntimeAllocate, nullptr, size); }

void AxRuntimeFree(void* block) noexcept
{
    if (block != nullptr)
        AxRuntimeService()(kRuntimeFree, block, 0);
}

char* RuntimeAnsiFromWide(const OLECHAR* text) noexcept
{
    if (text == nullptr)
        return nullptr;
    return NoThrow(static_cast<char*>(nullptr), [&]() -> char* {
        const std::string ansi = AnsiFromWide(text);
        if (ansi.empty() && *text != L'\0')
            return nullptr;
        auto* copy = static_cast<char*>(AxRuntimeAllocate(static_cast<std::uint32_t>(ansi.size() + 1)));
        if (copy != nullptr)
            std::memcpy(copy, ansi.c_str(), ansi.size() + 1);
        return copy;
    });
}

