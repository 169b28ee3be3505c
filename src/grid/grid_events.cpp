// GridControl's event binding: BindEvent and one bind operation per event of the grid control's
// event interface. The host object keeps the bindings in its event table and calls the bound
// handler when the control fires the event.
#include "grid/grid_control.h"

void GridControl::BindEvent(DISPID dispId, SubprogramPointer handler) noexcept
{
    // The host reports whether the table holds the id; an unknown id or a missing control simply
    // leaves nothing bound.
    ::BindEvent(hostObject.get(), dispId, handler, 0);
}

// The events by name and dispatch id, in the order of the operations table.
#define GRID_DEFINE_BIND(event, dispId) \
    void GridControl::Bind##event(SubprogramPointer handler) noexcept { BindEvent(dispId, handler); }

GRID_DEFINE_BIND(Click, -600)
GRID_DEFINE_BIND(DblClick, -601)
GRID_DEFINE_BIND(KeyDown, -602)
GRID_DEFINE_BIND(KeyUp, -604)
GRID_DEFINE_BIND(KeyPress, -603)
GRID_DEFINE_BIND(MouseDown, -605)
GRID_DEFINE_BIND(MouseMove, -606)
GRID_DEFINE_BIND(MouseUp, -607)
GRID_DEFINE_BIND(SelChange, 1)
GRID_DEFINE_BIND(RowColChange, 2)
GRID_DEFINE_BIND(EnterCell, 3)
GRID_DEFINE_BIND(LeaveCell, 4)
GRID_DEFINE_BIND(BeforeMouseDown, 5)
GRID_DEFINE_BIND(BeforeRowColChange, 6)
GRID_DEFINE_BIND(AfterRowColChange, 7)
GRID_DEFINE_BIND(BeforeSelChange, 8)
GRID_DEFINE_BIND(AfterSelChange, 9)
GRID_DEFINE_BIND(BeforeScroll, 10)
GRID_DEFINE_BIND(AfterScroll, 11)
GRID_DEFINE_BIND(Compare, 12)
GRID_DEFINE_BIND(BeforeSort, 13)
GRID_DEFINE_BIND(AfterSort, 14)
GRID_DEFINE_BIND(BeforeMoveColumn, 15)
GRID_DEFINE_BIND(AfterMoveColumn, 16)
GRID_DEFINE_BIND(BeforeUserResize, 17)
GRID_DEFINE_BIND(AfterUserResize, 18)
GRID_DEFINE_BIND(BeforeCollapse, 19)
GRID_DEFINE_BIND(AfterCollapse, 20)
GRID_DEFINE_BIND(BeforeEdit, 21)
GRID_DEFINE_BIND(StartEdit, 22)
GRID_DEFINE_BIND(ValidateEdit, 23)
GRID_DEFINE_BIND(AfterEdit, 24)
GRID_DEFINE_BIND(KeyPressEdit, 25)
GRID_DEFINE_BIND(KeyDownEdit, 26)
GRID_DEFINE_BIND(KeyUpEdit, 27)
GRID_DEFINE_BIND(ChangeEdit, 28)
GRID_DEFINE_BIND(BeforePageBreak, 29)
GRID_DEFINE_BIND(GetHeaderRow, 30)
GRID_DEFINE_BIND(StartPage, 31)
GRID_DEFINE_BIND(DrawCell, 32)
GRID_DEFINE_BIND(Error, 33)
GRID_DEFINE_BIND(CellButtonClick, 34)
GRID_DEFINE_BIND(BeforeScrollTip, 35)
GRID_DEFINE_BIND(AfterUserFreeze, 36)
GRID_DEFINE_BIND(OLEStartDrag, 37)
GRID_DEFINE_BIND(OLEGiveFeedback, 38)
GRID_DEFINE_BIND(OLESetData, 39)
GRID_DEFINE_BIND(OLECompleteDrag, 40)
GRID_DEFINE_BIND(OLEDragOver, 41)
GRID_DEFINE_BIND(OLEDragDrop, 42)
GRID_DEFINE_BIND(CellChanged, 43)
GRID_DEFINE_BIND(BeforeMoveRow, 44)
GRID_DEFINE_BIND(AfterMoveRow, 45)
GRID_DEFINE_BIND(SetupEditWindow, 46)
GRID_DEFINE_BIND(OLESetCustomDataObject, 47)
GRID_DEFINE_BIND(SetupEditStyle, 48)
GRID_DEFINE_BIND(ComboDropDown, 49)
GRID_DEFINE_BIND(ComboCloseUp, 50)
GRID_DEFINE_BIND(StartAutoSearch, 51)
GRID_DEFINE_BIND(EndAutoSearch, 52)
GRID_DEFINE_BIND(FilterData, 80)
GRID_DEFINE_BIND(BeforeDataRefresh, 81)
GRID_DEFINE_BIND(AfterDataRefresh, 82)

#undef GRID_DEFINE_BIND
