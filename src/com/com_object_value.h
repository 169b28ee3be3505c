// ComObjectValue: the 8-byte object value through which the application holds one COM interface
// reference, and the helpers that make, copy and end such values with the framework's allocator.
#pragma once

#include <unknwn.h>

#include <cstdint>
#include <memory>

#include "framework/runtime_service.h"

// An interface pointer (null when empty), then a word that every value the system makes holds 0.
struct ComObjectValue {
    IUnknown* object;
    std::uint32_t reserved;
};
static_assert(sizeof(ComObjectValue) == 8);

// A new value holding `object` with one new reference (empty for a null object), from `service`'s
// allocator (the framework's own unless a library was handed another); null only when it cannot
// allocate. The caller ends it with FreeComObjectValue and the same service.
ComObjectValue* AllocateComObjectValue(IUnknown* object, RuntimeServiceFunction service = RuntimeService) noexcept;
// Releases the reference `value` holds and gives the block back to `service`; null is ignored.
void FreeComObjectValue(ComObjectValue* value, RuntimeServiceFunction service = RuntimeService) noexcept;

struct ComObjectValueDeleter {
    void operator()(ComObjectValue* value) const noexcept { FreeComObjectValue(value); }
};
// Owns a value made by AllocateComObjectValue (or handed out by the mechanism or the host).
using UniqueComObjectValue = std::unique_ptr<ComObjectValue, ComObjectValueDeleter>;
