// GridControl: the wrapper over the hosted grid control. It holds the control's interface, its
// host object and the host window, and reaches every property, method and event of the control
// through operations of its own. The operations are virtual and declared in the order of the
// class's fixed operations table (callers may reach one by its place): keep that order.
#pragma once

#include <windows.h>

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

    // ---- Indexed properties and methods (grid_indexed.cpp)

    // ---- Event binding (grid_events.cpp)
    // Binds `handler` to the control's event `dispId` with the user value 0, replacing an earlier
    // binding of that event; a null handler unbinds it. Before Create, or for an id that the control's
    // event interface lacks, nothing is stored; nothing is reported either way. The host calls the
    // handler with the user value, then one word per event argument in declaration order: a short in
    // the low 16 bits, a float as its bits, a BOOL as 1 or 0, a by-reference argument as the address
    // of the control's own variable; a by-reference VARIANT_BOOL left non-zero reaches the control as
    // VARIANT_TRUE.
    virtual void BindEvent(DISPID dispId, SubprogramPointer handler) noexcept;
    // One operation per event of the control's event interface, each BindEvent with that event's
    // dispatch id; the comments give the id and the handler's arguments. The order is the operations
    // table's: KeyUp before KeyPress, OLESetCustomDataObject after SetupEditWindow.
    // -600: (user)
    virtual void BindClick(SubprogramPointer handler) noexcept;
    // -601: (user)
    virtual void BindDblClick(SubprogramPointer handler) noexcept;
    // -602: (user, short* KeyCode, short Shift)
    virtual void BindKeyDown(SubprogramPointer handler) noexcept;
    // -604: (user, short* KeyCode, short Shift)
    virtual void BindKeyUp(SubprogramPointer handler) noexcept;
    // -603: (user, short* KeyAscii)
    virtual void BindKeyPress(SubprogramPointer handler) noexcept;
    // -605: (user, short Button, short Shift, float X, float Y)
    virtual void BindMouseDown(SubprogramPointer handler) noexcept;
    // -606: (user, short Button, short Shift, float X, float Y)
    virtual void BindMouseMove(SubprogramPointer handler) noexcept;
    // -607: (user, short Button, short Shift, float X, float Y)
    virtual void BindMouseUp(SubprogramPointer handler) noexcept;
    // 1: (user)
    virtual void BindSelChange(SubprogramPointer handler) noexcept;
    // 2: (user)
    virtual void BindRowColChange(SubprogramPointer handler) noexcept;
    // 3: (user)
    virtual void BindEnterCell(SubprogramPointer handler) noexcept;
    // 4: (user)
    virtual void BindLeaveCell(SubprogramPointer handler) noexcept;
    // 5: (user, short Button, short Shift, float X, float Y, VARIANT_BOOL* Cancel)
    virtual void BindBeforeMouseDown(SubprogramPointer handler) noexcept;
    // 6: (user, int OldRow, int OldCol, int NewRow, int NewCol, VARIANT_BOOL* Cancel)
    virtual void BindBeforeRowColChange(SubprogramPointer handler) noexcept;
    // 7: (user, int OldRow, int OldCol, int NewRow, int NewCol)
    virtual void BindAfterRowColChange(SubprogramPointer handler) noexcept;
    // 8: (user, int OldRowSel, int OldColSel, int NewRowSel, int NewColSel, VARIANT_BOOL* Cancel)
    virtual void BindBeforeSelChange(SubprogramPointer handler) noexcept;
    // 9: (user, int OldRowSel, int OldColSel, int NewRowSel, int NewColSel)
    virtual void BindAfterSelChange(SubprogramPointer handler) noexcept;
    // 10: (user, int OldTopRow, int OldLeftCol, int NewTopRow, int NewLeftCol, VARIANT_BOOL* Cancel)
    virtual void BindBeforeScroll(SubprogramPointer handler) noexcept;
    // 11: (user, int OldTopRow, int OldLeftCol, int NewTopRow, int NewLeftCol)
    virtual void BindAfterScroll(SubprogramPointer handler) noexcept;
    // 12: (user, int Row1, int Row2, short* Cmp)
    virtual void BindCompare(SubprogramPointer handler) noexcept;
    // 13: (user, int Col, short* Order)
    virtual void BindBeforeSort(SubprogramPointer handler) noexcept;
    // 14: (user, int Col, short* Order)
    virtual void BindAfterSort(SubprogramPointer handler) noexcept;
    // 15: (user, int Col, int* Position)
    virtual void BindBeforeMoveColumn(SubprogramPointer handler) noexcept;
    // 16: (user, int Col, int* Position)
    virtual void BindAfterMoveColumn(SubprogramPointer handler) noexcept;
    // 17: (user, int Row, int Col, VARIANT_BOOL* Cancel)
    virtual void BindBeforeUserResize(SubprogramPointer handler) noexcept;
    // 18: (user, int Row, int Col)
    virtual void BindAfterUserResize(SubprogramPointer handler) noexcept;
    // 19: (user, int Row, short State, VARIANT_BOOL* Cancel)
    virtual void BindBeforeCollapse(SubprogramPointer handler) noexcept;
    // 20: (user, int Row, short State)
    virtual void BindAfterCollapse(SubprogramPointer handler) noexcept;
    // 21: (user, int Row, int Col, VARIANT_BOOL* Cancel)
    virtual void BindBeforeEdit(SubprogramPointer handler) noexcept;
    // 22: (user, int Row, int Col, VARIANT_BOOL* Cancel)
    virtual void BindStartEdit(SubprogramPointer handler) noexcept;
    // 23: (user, int Row, int Col, VARIANT_BOOL* Cancel)
    virtual void BindValidateEdit(SubprogramPointer handler) noexcept;
    // 24: (user, int Row, int Col)
    virtual void BindAfterEdit(SubprogramPointer handler) noexcept;
    // 25: (user, int Row, int Col, short* KeyAscii)
    virtual void BindKeyPressEdit(SubprogramPointer handler) noexcept;
    // 26: (user, int Row, int Col, short* KeyCode, short Shift)
    virtual void BindKeyDownEdit(SubprogramPointer handler) noexcept;
    // 27: (user, int Row, int Col, short* KeyCode, short Shift)
    virtual void BindKeyUpEdit(SubprogramPointer handler) noexcept;
    // 28: (user)
    virtual void BindChangeEdit(SubprogramPointer handler) noexcept;
    // 29: (user, int Row, VARIANT_BOOL* BreakOK)
    virtual void BindBeforePageBreak(SubprogramPointer handler) noexcept;
    // 30: (user, int Row, int* HeaderRow)
    virtual void BindGetHeaderRow(SubprogramPointer handler) noexcept;
    // 31: (user, int hDC, int Page, VARIANT_BOOL* Cancel)
    virtual void BindStartPage(SubprogramPointer handler) noexcept;
    // 32: (user, int hDC, int Row, int Col, int Left, int Top, int Right, int Bottom, VARIANT_BOOL* Done)
    virtual void BindDrawCell(SubprogramPointer handler) noexcept;
    // 33: (user, int ErrorCode, VARIANT_BOOL* ShowMsgBox)
    virtual void BindError(SubprogramPointer handler) noexcept;
    // 34: (user, int Row, int Col)
    virtual void BindCellButtonClick(SubprogramPointer handler) noexcept;
    // 35: (user, int Row)
    virtual void BindBeforeScrollTip(SubprogramPointer handler) noexcept;
    // 36: (user)
    virtual void BindAfterUserFreeze(SubprogramPointer handler) noexcept;
    // 37: (user, IDispatch** Data, int* AllowedEffects)
    virtual void BindOLEStartDrag(SubprogramPointer handler) noexcept;
    // 38: (user, int* Effect, VARIANT_BOOL* DefaultCursors)
    virtual void BindOLEGiveFeedback(SubprogramPointer handler) noexcept;
    // 39: (user, IDispatch** Data, short* DataFormat)
    virtual void BindOLESetData(SubprogramPointer handler) noexcept;
    // 40: (user, int* Effect)
    virtual void BindOLECompleteDrag(SubprogramPointer handler) noexcept;
    // 41: (user, IDispatch** Data, int* Effect, short Button, short Shift, float X, float Y, short* State)
    virtual void BindOLEDragOver(SubprogramPointer handler) noexcept;
    // 42: (user, IDispatch** Data, int* Effect, short Button, short Shift, float X, float Y)
    virtual void BindOLEDragDrop(SubprogramPointer handler) noexcept;
    // 43: (user, int Row, int Col)
    virtual void BindCellChanged(SubprogramPointer handler) noexcept;
    // 44: (user, int Row, int* Position)
    virtual void BindBeforeMoveRow(SubprogramPointer handler) noexcept;
    // 45: (user, int Row, int* Position)
    virtual void BindAfterMoveRow(SubprogramPointer handler) noexcept;
    // 46: (user, int Row, int Col, int EditWindow, BOOL IsCombo)
    virtual void BindSetupEditWindow(SubprogramPointer handler) noexcept;
    // 47: (user, VARIANT* CustomDataObject)
    virtual void BindOLESetCustomDataObject(SubprogramPointer handler) noexcept;
    // 48: (user, int Row, int Col, BOOL IsCombo, int* Style, int* StyleEx)
    virtual void BindSetupEditStyle(SubprogramPointer handler) noexcept;
    // 49: (user, int Row, int Col)
    virtual void BindComboDropDown(SubprogramPointer handler) noexcept;
    // 50: (user, int Row, int Col, VARIANT_BOOL* FinishEdit)
    virtual void BindComboCloseUp(SubprogramPointer handler) noexcept;
    // 51: (user)
    virtual void BindStartAutoSearch(SubprogramPointer handler) noexcept;
    // 52: (user)
    virtual void BindEndAutoSearch(SubprogramPointer handler) noexcept;
    // 80: (user, int Row, int Col, BSTR* Value, BOOL SavingToDB, VARIANT_BOOL* WantThisCol)
    virtual void BindFilterData(SubprogramPointer handler) noexcept;
    // 81: (user, VARIANT_BOOL* Cancel)
    virtual void BindBeforeDataRefresh(SubprogramPointer handler) noexcept;
    // 82: (user)
    virtual void BindAfterDataRefresh(SubprogramPointer handler) noexcept;

    // The control's interface as GetDispatch gives it (owned, from the framework's allocator);
    // null or holding a null interface while there is no control.
    ComObjectValue* control = nullptr;
    // The owned host-object variable holding this object's AxObject.
    AxObjectVariable* hostObject = nullptr;
    // The "AtlAxWin" child window, null until created.
    HWND hostWindow = nullptr;
};
