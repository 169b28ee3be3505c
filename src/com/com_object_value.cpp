// Object values from a runtime service's allocator.
#include "com/com_object_value.h"


ComObjectValue* AllocateComObjectValue(IUnknown* object, RuntimeServiceFunction service) noexcept
{
    auto* value = static_cast<ComObjectValue*>(service(kRuntimeAllocate, nullptr, sizeof(ComObjectValue)));
    if (value != nullptr && object != nullptr)
        object->AddRef();
    if (value != nullptr)
        *value = ComObjectValue{object, 0};
    return value;
}

void FreeComObjectValue(ComObjectValue* value, RuntimeServiceFunction service) noexcept
{
    if (value == nullptr)
        return;
    if (value->object != nullptr)
        value->object->Release();
    service(kRuntimeFree, value, 0);
}
