// The values that the ActiveX host and the application hand each other as 32-bit words: texts,
// COM object values, variants and byte arrays, allocated with the framework's allocator. Texts go
// in the system ANSI code page (framework/text_codec.h).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <memory>

#include "com/com_object_value.h"
#include "framework/runtime_service.h"
#include "framework/text_codec.h"


// A byte array block: a dimension count (1), the byte count, then the bytes.
struct ByteArrayBlock {
    std::uint32_t dimensions;
    std::uint32_t length;
    std::uint8_t bytes[1];
};

// Keeps `service` as the allocator of every value handed to the application; null means the
// framework's own service.
void SetAxRuntimeService(RuntimeServiceFunction service) noexcept;
// The service kept by SetAxRuntimeService: COM object values handed to the application come from
// AllocateComObjectValue with it.
RuntimeServiceFunction AxRuntimeService() noexcept;
// A zeroed block of `size` bytes from the framework's allocator; null when it cannot allocate.
void* AxRuntimeAllocate(std::uint32_t size) noexcept;
// Gives a block of AxRuntimeAllocate back; null is ignored.
void AxRuntimeFree(void* block) noexcept;

// An ANSI copy of a wide text from the framework's allocator, handed to the application; null
// for a null text or one that does not convert.
char* RuntimeAnsiFromWide(const OLECHAR* text) noexcept;

