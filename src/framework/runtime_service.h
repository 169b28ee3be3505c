// The framework's service function: the one allocator through which values cross between the
// framework and the libraries that hand texts, objects and variants to the application.
#pragma once

#include <cstdint>

enum RuntimeServiceRequest : std::uint32_t {
    kRuntimeAllocate = 1,  // block: unused; size: bytes wanted; result: a zeroed block or null
    kRuntimeFree = 2,      // block: a block from kRuntimeAllocate or null; result: null
};

using RuntimeServiceFunction = void*(__stdcall*)(std::uint32_t request, void* block, std::uint32_t size);

// The framework's own service function (the process heap). Never raises.
void* __stdcall RuntimeService(std::uint32_t request, void* block, std::uint32_t size) noexcept;
