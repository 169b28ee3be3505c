// Object values from the framework's allocator.
#include "com/com_object_value.h"

#include "framework/runtime_service.h"

ComObjectValue* AllocateComObjectValue(IUnknown* object) noexcept
{
    auto* value = static_cast<ComObjectValue*>(RuntimeService(kRuntimeAllocate, nullptr, sizeof(ComObjectValue)));
    if (value != nullptr && object != nullptr)
        object->AddRef();
    if (value != nullptr)
        *value = ComObjectValue{object, 0};
    return value;
}

void FreeComObjectValue(ComObjectValue* value) noexcept
{
    if (value == nullptr)
        return;
    if (value->object != nullptr)
        value->object->Release();
    RuntimeService(kRuntimeFree, value, 0);
}
