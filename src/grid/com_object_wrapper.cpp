// The object-value handling shared by the grid's interface wrappers.
#include "grid/com_object_wrapper.h"

#include "framework/com_ref.h"

ComObjectWrapper::ComObjectWrapper() noexcept : object(AllocateComObjectValue(nullptr)) {}

ComObjectWrapper::~ComObjectWrapper()
{
    FreeComObjectValue(object);
}

void ComObjectWrapper::Destroy() noexcept { RtComReleaseAndFree(object); }

void ComObjectWrapper::Attach(const ComObjectValue* value) noexcept
{
    if (value == nullptr || value->object == nullptr || object == nullptr)
        return;
    ComRef<IUnknown> unknown = QueryFor<IUnknown>(value->object, IID_IUnknown);
    if (!unknown)
        return;
    RtComRelease(object);
    object->object = unknown.Get();
    object->object->AddRef();
}

ComObjectValue* ComObjectWrapper::GetComObject() noexcept
{
    return AllocateComObjectValue(object != nullptr ? object->object : nullptr);
}

void ComObjectWrapper::ReleaseComObject() noexcept
{
    RtComRelease(object);
}
