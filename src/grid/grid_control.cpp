#include "grid/grid_control.h"

#include <new>


GridControl::GridControl() noexcept
{
    control = NewComObjectValue(nullptr);
    hostObject = new (std::nothrow) AxObjectVariable(nullptr);
    if (hostObject != nullptr)
        NewAxObject(hostObject);
}

GridControl::~GridControl()
{
    Destroy();
}

void GridControl::Destroy() noexcept
{
    if (control != nullptr) {
        if (control->object != nullptr)
            control->object->Release();
        AxRuntimeFree(control);
        control = nullptr;
    }
    if (hostObject != nullptr) {
        DestroyAxObject(hostObject);
        delete hostObject;
        hostObject = nullptr;
    }
}
