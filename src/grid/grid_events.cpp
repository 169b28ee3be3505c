// GridControl's event binding: BindEvent and one bind operation per event of the grid control's
// event interface. The host object keeps the bindings in its event table and calls the bound
// handler when the control fires the event.
#include "grid/grid_control.h"

void GridControl::BindEvent(DISPID dispId, SubprogramPointer handler) noexcept
{
    // The host reports whether the table holds the id; an unknown id or a missing control simply
    // leaves nothing bound.
    ::BindEvent(hostObject, dispId, handler, 0);
}

// The events by name and dispatch id, in the order of the operations table.
#define BIND_OPERATION(event, dispId) \
    void GridControl::Bind##event(SubprogramPointer handler) noexcept { BindEvent(dispId, handler); }

BIND_OPERATION(Click, -600)
BIND_OPERATION(DblClick, -601)
BIND_OPERATION(KeyDown, -602)
BIND_OPERATION(KeyUp, -604)
BIND_OPERATION(KeyPress, -603)
BIND_OPERATION(MouseDown, -605)
BIND_OPERATION(MouseMove, -606)
BIND_OPERATION(MouseUp, -607)
BIND_OPERATION(SelChange, 1)
BIND_OPERATION(RowColChange, 2)
BIND_OPERATION(EnterCell, 3)
BIND_OPERATION(LeaveCell, 4)
BIND_OPERATION(BeforeMouseDown, 5)
BIND_OPERATION(BeforeRowColChange, 6)
BIND_OPERATION(AfterRowColChange, 7)
BIND_OPERATION(BeforeSelChange, 8)
BIND_OPERATION(AfterSelChange, 9)
BIND_OPERATION(BeforeScroll, 10)
BIND_OPERATION(AfterScroll, 11)
BIND_OPERATION(Compare, 12)
BIND_OPERATION(BeforeSort, 13)
BIND_OPERATION(AfterSort, 14)
BIND_OPERATION(BeforeMoveColumn, 15)
BIND_OPERATION(AfterMoveColumn, 16)
BIND_OPERATION(BeforeUserResize, 17)
BIND_OPERATION(AfterUserResize, 18)
BIND_OPERATION(BeforeCollapse, 19)
BIND_OPERATION(AfterCollapse, 20)
BIND_OPERATION(BeforeEdit, 21)
BIND_OPERATION(StartEdit, 22)
BIND_OPERATION(ValidateEdit, 23)
BIND_OPERATION(AfterEdit, 24)
BIND_OPERATION(KeyPressEdit, 25)
BIND_OPERATION(KeyDownEdit, 26)
BIND_OPERATION(KeyUpEdit, 27)
BIND_OPERATION(ChangeEdit, 28)
BIND_OPERATION(BeforePageBreak, 29)
BIND_OPERATION(GetHeaderRow, 30)
BIND_OPERATION(StartPage, 31)
BIND_OPERATION(DrawCell, 32)
BIND_OPERATION(Error, 33)
BIND_OPERATION(CellButtonClick, 34)
BIND_OPERATION(BeforeScrollTip, 35)
BIND_OPERATION(AfterUserFreeze, 36)
BIND_OPERATION(OLEStartDrag, 37)
BIND_OPERATION(OLEGiveFeedback, 38)
BIND_OPERATION(OLESetData, 39)
BIND_OPERATION(OLECompleteDrag, 40)
BIND_OPERATION(OLEDragOver, 41)
BIND_OPERATION(OLEDragDrop, 42)
BIND_OPERATION(CellChanged, 43)
BIND_OPERATION(BeforeMoveRow, 44)
BIND_OPERATION(AfterMoveRow, 45)
BIND_OPERATION(SetupEditWindow, 46)
BIND_OPERATION(OLESetCustomDataObject, 47)
BIND_OPERATION(SetupEditStyle, 48)
BIND_OPERATION(ComboDropDown, 49)
BIND_OPERATION(ComboCloseUp, 50)
BIND_OPERATION(StartAutoSearch, 51)
BIND_OPERATION(EndAutoSearch, 52)
BIND_OPERATION(FilterData, 80)
BIND_OPERATION(BeforeDataRefresh, 81)
BIND_OPERATION(AfterDataRefresh, 82)

#undef BIND_OPERATION
