// The host's allocator hand-over and its text conversions at the COM boundary.
#include "grid/ax_values.h"

#include <new>

namespace {

RuntimeServiceFunction g_service = nullptr;

RuntimeServiceFunction Service() noexcept
{
    return g_service != nullptr ? g_service : RuntimeService;
}

// Characters of `text` in the ANSI code page, terminator included; 0 when it cannot convert.
int AnsiLength(const OLECHAR* text) noexcept
{
    return WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
}

} // namespace

void SetAxRuntimeService(RuntimeServiceFunction service) noexcept { g_service = service; }

void* AxRuntimeAllocate(std::uint32_t size) noexcept { return Service()(kRuntimeAllocate, nullptr, size); }

void AxRuntimeFree(void* block) noexcept
{
    if (block != nullptr)
        Service()(kRuntimeFree, block, 0);
}

UniqueBstr AnsiToWide(const char* text) noexcept
{
    if (text == nullptr)
        return nullptr;
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return nullptr;
    UniqueBstr wide(SysAllocStringLen(nullptr, length - 1));
    if (!wide || MultiByteToWideChar(CP_ACP, 0, text, -1, wide.get(), length) <= 0)
        return nullptr;
    return wide;
}

char* WideToRuntimeAnsi(const OLECHAR* text) noexcept
{
    if (text == nullptr)
        return nullptr;
    int length = AnsiLength(text);
    if (length <= 0)
        return nullptr;
    auto* ansi = static_cast<char*>(AxRuntimeAllocate(static_cast<std::uint32_t>(length)));
    if (ansi != nullptr && WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, length, nullptr, nullptr) <= 0) {
        AxRuntimeFree(ansi);
        return nullptr;
    }
    return ansi;
}

HostText WideToAnsi(const OLECHAR* text) noexcept
{
    if (text == nullptr)
        return nullptr;
    int length = AnsiLength(text);
    if (length <= 0)
        return nullptr;
    HostText ansi(new (std::nothrow) char[length]);
    if (ansi && WideCharToMultiByte(CP_ACP, 0, text, -1, ansi.get(), length, nullptr, nullptr) <= 0)
        return nullptr;
    return ansi;
}

ComObjectValue* NewComObjectValue(IUnknown* object) noexcept
{
    auto* value = static_cast<ComObjectValue*>(AxRuntimeAllocate(sizeof(ComObjectValue)));
    if (value == nullptr)
        return nullptr;
    value->object = object;
    value->reserved = 0;
    if (object != nullptr)
        object->AddRef();
    return value;
}
