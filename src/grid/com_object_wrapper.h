// ComObjectWrapper: the common part of the wrappers over the grid control's secondary interfaces
// (GridDataSource, GridNode): one owned object value and the operations that attach, hand out and
// release it. The operations are virtual and come first in each wrapper's operations table:
// Destroy, Clone, Attach, GetComObject, ReleaseComObject.
#pragma once

#include "com/com_dispatch.h"
#include "com/com_object_value.h"

class ComObjectWrapper {
public:
    // Releases the wrapped interface and frees the value; the caller then deletes the wrapper.
    virtual void Destroy() noexcept;
    // A new wrapper of the same class on the same object (one new reference); the caller owns it
    // (Destroy, then delete). Null when it cannot allocate.
    virtual ComObjectWrapper* Clone() noexcept = 0;
    // Takes a new reference to the object of `value` (asked for IUnknown), releasing the one held
    // before; an empty value leaves the wrapper as it was.
    virtual void Attach(const ComObjectValue* value) noexcept;
    // A new object value on the wrapped object (one new reference); the caller frees it with
    // FreeComObjectValue.
    virtual ComObjectValue* GetComObject() noexcept;
    // Releases the wrapped interface; the value stays, empty, and later calls fail with code -1.
    virtual void ReleaseComObject() noexcept;

    // The wrapped object, owned; holds a null interface while nothing is attached.
    ComObjectValue* object = nullptr;

protected:
    ComObjectWrapper() noexcept;
    // Not virtual: the table starts with Destroy; the destructor only frees what Destroy left.
    ~ComObjectWrapper();
    ComObjectWrapper(const ComObjectWrapper&) = delete;
    ComObjectWrapper& operator=(const ComObjectWrapper&) = delete;

    // Makes `copy` refer to the same object as this wrapper; gives `copy`.
    template <typename Wrapper>
    Wrapper* CloneInto(Wrapper* copy) noexcept
    {
        if (copy != nullptr)
            RtComCopyReference(copy->object, object);
        return copy;
    }
};
