// GridControl: the wrapper over the hosted grid control. It holds the control's interface, its
// host object and the host window, and reaches every property, method and event of the control
// through operations of its own. The operations are virtual and declared in the order of the
// class's fixed operations table (callers may reach one by its place): keep that order.
#pragma once

#include <windows.h>

#include <cstdint>

#include "grid/ax_host.h"
#include "grid/ax_values.h"

class GridControl {
public:
    // An empty control value and a host-object variable filled by NewAxObject.
    GridControl() noexcept;
    // Not virtual: the operations table starts with Destroy. Destroy releases; the destructor only
    // frees what Destroy left.
    ~GridControl();
    GridControl(const GridControl&) = delete;
    GridControl& operator=(const GridControl&) = delete;

    // ---- Life, window operations, fonts and rows (grid_control.cpp)
    // Releases the control, frees the control value and destroys the host object.
    virtual void Destroy() noexcept;

    // ---- Properties without an index and the fill operations (grid_properties.cpp)
    // The control's window (its hWnd property); 0 without a control.
    virtual std::int32_t GethWnd() noexcept;

    // ---- Indexed properties and methods (grid_indexed.cpp)
    // The window of the control's cell editor (its EditWindow property); 0 while no cell is edited.
    virtual std::int32_t GetEditWindow() noexcept;

    // ---- Event binding (grid_events.cpp)

    // The control's interface as GetDispatch gives it (owned, from the framework's allocator);
    // null or holding a null interface while there is no control.
    ComObjectValue* control = nullptr;
    // The owned host-object variable holding this object's AxObject.
    AxObjectVariable* hostObject = nullptr;
    // The "AtlAxWin" child window, null until created.
    HWND hostWindow = nullptr;
};
