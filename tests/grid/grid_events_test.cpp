// GridControl's event binding with the program's own grid control: every bind operation binds the
// event of its name in the control's event interface, at its place in the operations table, and
// real window messages reach the bound handlers with their arguments.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <ocidl.h>

#include "framework/com_ref.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"
#include "grid_test_support.h"

namespace {

using BindOperation = void (GridControl::*)(SubprogramPointer) noexcept;

struct BindRow {
    const char* event;
    BindOperation bind;
};

// The bind operations in the order of the operations table.
const BindRow kBindRows[] = {
    {"Click", &GridControl::BindClick},
    {"DblClick", &GridControl::BindDblClick},
    {"KeyDown", &GridControl::BindKeyDown},
    {"KeyUp", &GridControl::BindKeyUp},
    {"KeyPress", &GridControl::BindKeyPress},
    {"MouseDown", &GridControl::BindMouseDown},
    {"MouseMove", &GridControl::BindMouseMove},
    {"MouseUp", &GridControl::BindMouseUp},
    {"SelChange", &GridControl::BindSelChange},
    {"RowColChange", &GridControl::BindRowColChange},
    {"EnterCell", &GridControl::BindEnterCell},
    {"LeaveCell", &GridControl::BindLeaveCell},
    {"BeforeMouseDown", &GridControl::BindBeforeMouseDown},
    {"BeforeRowColChange", &GridControl::BindBeforeRowColChange},
    {"AfterRowColChange", &GridControl::BindAfterRowColChange},
    {"BeforeSelChange", &GridControl::BindBeforeSelChange},
    {"AfterSelChange", &GridControl::BindAfterSelChange},
    {"BeforeScroll", &GridControl::BindBeforeScroll},
    {"AfterScroll", &GridControl::BindAfterScroll},
    {"Compare", &GridControl::BindCompare},
    {"BeforeSort", &GridControl::BindBeforeSort},
    {"AfterSort", &GridControl::BindAfterSort},
    {"BeforeMoveColumn", &GridControl::BindBeforeMoveColumn},
    {"AfterMoveColumn", &GridControl::BindAfterMoveColumn},
    {"BeforeUserResize", &GridControl::BindBeforeUserResize},
    {"AfterUserResize", &GridControl::BindAfterUserResize},
    {"BeforeCollapse", &GridControl::BindBeforeCollapse},
    {"AfterCollapse", &GridControl::BindAfterCollapse},
    {"BeforeEdit", &GridControl::BindBeforeEdit},
    {"StartEdit", &GridControl::BindStartEdit},
    {"ValidateEdit", &GridControl::BindValidateEdit},
    {"AfterEdit", &GridControl::BindAfterEdit},
    {"KeyPressEdit", &GridControl::BindKeyPressEdit},
    {"KeyDownEdit", &GridControl::BindKeyDownEdit},
    {"KeyUpEdit", &GridControl::BindKeyUpEdit},
    {"ChangeEdit", &GridControl::BindChangeEdit},
    {"BeforePageBreak", &GridControl::BindBeforePageBreak},
    {"GetHeaderRow", &GridControl::BindGetHeaderRow},
    {"StartPage", &GridControl::BindStartPage},
    {"DrawCell", &GridControl::BindDrawCell},
    {"Error", &GridControl::BindError},
    {"CellButtonClick", &GridControl::BindCellButtonClick},
    {"BeforeScrollTip", &GridControl::BindBeforeScrollTip},
    {"AfterUserFreeze", &GridControl::BindAfterUserFreeze},
    {"OLEStartDrag", &GridControl::BindOLEStartDrag},
    {"OLEGiveFeedback", &GridControl::BindOLEGiveFeedback},
    {"OLESetData", &GridControl::BindOLESetData},
    {"OLECompleteDrag", &GridControl::BindOLECompleteDrag},
    {"OLEDragOver", &GridControl::BindOLEDragOver},
    {"OLEDragDrop", &GridControl::BindOLEDragDrop},
    {"CellChanged", &GridControl::BindCellChanged},
    {"BeforeMoveRow", &GridControl::BindBeforeMoveRow},
    {"AfterMoveRow", &GridControl::BindAfterMoveRow},
    {"SetupEditWindow", &GridControl::BindSetupEditWindow},
    {"OLESetCustomDataObject", &GridControl::BindOLESetCustomDataObject},
    {"SetupEditStyle", &GridControl::BindSetupEditStyle},
    {"ComboDropDown", &GridControl::BindComboDropDown},
    {"ComboCloseUp", &GridControl::BindComboCloseUp},
    {"StartAutoSearch", &GridControl::BindStartAutoSearch},
    {"EndAutoSearch", &GridControl::BindEndAutoSearch},
    {"FilterData", &GridControl::BindFilterData},
    {"BeforeDataRefresh", &GridControl::BindBeforeDataRefresh},
    {"AfterDataRefresh", &GridControl::BindAfterDataRefresh},
};

// The place of a virtual operation in the class's operations table: the compiler keeps a virtual
// member pointer as one plus the byte offset of its slot.
template <typename Operation>
std::ptrdiff_t TableSlot(Operation operation)
{
    struct {
        std::ptrdiff_t pointer;
        std::ptrdiff_t adjustment;
    } parts;
    static_assert(sizeof(parts) == sizeof(operation));
    std::memcpy(&parts, &operation, sizeof(parts));
    return (parts.pointer - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

struct Received {
    int clicks, doubleClicks, mouseDowns, firstKeyDowns, keyDowns, beforeEdits;
    std::uint32_t user;
    std::uint32_t button, shift;
    float x, y;
    std::int16_t keyCode;
    std::int32_t editRow, editCol;
};
Received g_received;

std::uint64_t __stdcall OnClick(std::uint32_t user) noexcept
{
    ++g_received.clicks;
    g_received.user = user;
    return 0;
}

std::uint64_t __stdcall OnDoubleClick(std::uint32_t user) noexcept
{
    ++g_received.doubleClicks;
    g_received.user = user;
    return 0;
}

std::uint64_t __stdcall OnMouseDown(std::uint32_t user, std::uint32_t button, std::uint32_t shift, std::uint32_t x,
                                    std::uint32_t y) noexcept
{
    ++g_received.mouseDowns;
    g_received.user = user;
    g_received.button = button;
    g_received.shift = shift;
    std::memcpy(&g_received.x, &x, sizeof(float));
    std::memcpy(&g_received.y, &y, sizeof(float));
    return 0;
}

std::uint64_t __stdcall OnFirstKeyDown(std::uint32_t, std::int16_t*, std::uint32_t) noexcept
{
    ++g_received.firstKeyDowns;
    return 0;
}

std::uint64_t __stdcall OnKeyDown(std::uint32_t user, std::int16_t* keyCode, std::uint32_t shift) noexcept
{
    ++g_received.keyDowns;
    g_received.user = user;
    g_received.keyCode = *keyCode;
    g_received.shift = shift & 0xFFFF;
    return 0;
}

std::uint64_t __stdcall OnBeforeEditCancel(std::uint32_t, std::int32_t row, std::int32_t col,
                                           VARIANT_BOOL* cancel) noexcept
{
    ++g_received.beforeEdits;
    g_received.editRow = row;
    g_received.editCol = col;
    *cancel = 1;
    return 0;
}

// A second sink advised on the control after the host: the control calls its sinks in that order
// with the same arguments, so this one sees the Cancel flag exactly as the host left it for the
// control.
class CancelWitness final : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override
    {
        *out = iid == IID_IUnknown || iid == IID_IDispatch ? static_cast<IDispatch*>(this) : nullptr;
        return *out != nullptr ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) noexcept override
    {
        if (id == kBeforeEdit && params->cArgs == 3 && V_VT(&params->rgvarg[0]) == (VT_BYREF | VT_BOOL))
            seen.push_back(*V_BOOLREF(&params->rgvarg[0]));
        return S_OK;
    }

    static constexpr DISPID kBeforeEdit = 21;
    std::vector<VARIANT_BOOL> seen;
};

class GridEventsTest : public GridControlTest {
protected:
    void SetUp() override
    {
        GridControlTest::SetUp();
        g_received = {};
    }

    int BoundCount() const
    {
        int bound = 0;
        for (std::int32_t i = 0; i < Host().entryCount; ++i)
            bound += Host().eventTable[i].handler != 0 ? 1 : 0;
        return bound;
    }
    const AxEventEntry* FirstBound() const
    {
        for (std::int32_t i = 0; i < Host().entryCount; ++i) {
            if (Host().eventTable[i].handler != 0)
                return &Host().eventTable[i];
        }
        return nullptr;
    }
    // The name that the control's event interface gives `dispId`.
    std::string EventName(DISPID dispId) const
    {
        auto dispatch = QueryFor<IDispatch>(Host().control.Get(), IID_IDispatch);
        ComRef<ITypeInfo> info;
        ComRef<ITypeLib> library;
        ComRef<ITypeInfo> events;
        UINT index = 0, count = 0;
        UniqueBstr name;
        if (!dispatch || FAILED(dispatch->GetTypeInfo(0, 0, info.Put())) ||
            FAILED(info->GetContainingTypeLib(library.Put(), &index)) ||
            FAILED(library->GetTypeInfoOfGuid(Host().sourceIid, events.Put())) ||
            FAILED(events->GetNames(dispId, name.put(), 1, &count)) || count != 1)
            return {};
        return AnsiFromBstr(name.get());
    }
    void SetCtrlKey(bool down)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
};

TEST_F(GridEventsTest, BindOperationsFollowBindEventInTheTableOrder)
{
    const std::ptrdiff_t first = TableSlot(&GridControl::BindEvent) + 1;
    for (std::size_t i = 0; i < std::size(kBindRows); ++i)
        EXPECT_EQ(TableSlot(kBindRows[i].bind), first + static_cast<std::ptrdiff_t>(i)) << kBindRows[i].event;
}

TEST_F(GridEventsTest, EachBindOperationBindsTheEventOfItsName)
{
    CreateGrid();
    ASSERT_EQ(Host().entryCount, 63);
    const SubprogramPointer handler = ToSubprogramPointer(OnClick);
    std::set<DISPID> bound;
    for (const BindRow& row : kBindRows) {
        ((*grid_).*row.bind)(handler);
        ASSERT_EQ(BoundCount(), 1) << row.event;
        const AxEventEntry* entry = FirstBound();
        EXPECT_EQ(EventName(entry->dispId), row.event);
        EXPECT_EQ(entry->userValue, 0u);
        bound.insert(entry->dispId);
        ((*grid_).*row.bind)(0);
        EXPECT_EQ(BoundCount(), 0) << "a null handler unbinds " << row.event;
    }
    EXPECT_EQ(bound.size(), std::size(kBindRows)) << "every event of the interface has its own operation";
}

TEST_F(GridEventsTest, BindingNeedsTheControlsTableAndAKnownEvent)
{
    grid_->BindClick(ToSubprogramPointer(OnClick));
    CreateGrid();
    EXPECT_EQ(BoundCount(), 0) << "a binding made before the control exists has no effect";

    grid_->BindEvent(99, ToSubprogramPointer(OnClick));
    EXPECT_EQ(BoundCount(), 0) << "no event has dispatch id 99";
    grid_->BindEvent(-600, ToSubprogramPointer(OnClick));
    ASSERT_EQ(BoundCount(), 1);
    EXPECT_EQ(FirstBound()->dispId, -600);

    CreateGrid();
    EXPECT_EQ(BoundCount(), 0) << "a new control starts with nothing bound";
}

TEST_F(GridEventsTest, MouseButtonsReachClickAndMouseDownHandlers)
{
    CreateGrid();
    grid_->BindClick(ToSubprogramPointer(OnClick));
    grid_->BindMouseDown(ToSubprogramPointer(OnMouseDown));
    const HWND grid = GridWindow();

    SendMessageW(grid, WM_RBUTTONDOWN, MK_RBUTTON, CellPoint(2, 1));
    SendMessageW(grid, WM_RBUTTONUP, 0, CellPoint(2, 1));
    EXPECT_EQ(g_received.mouseDowns, 1);
    EXPECT_EQ(g_received.button & 0xFFFF, 2u) << "the right button";
    EXPECT_EQ(g_received.shift & 0xFFFF, 0u);
    EXPECT_FLOAT_EQ(g_received.x, 150.0f * 15) << "X in twips, as float bits";
    EXPECT_FLOAT_EQ(g_received.y, 50.0f * 15);
    EXPECT_EQ(g_received.clicks, 0) << "only the left button clicks";

    g_received.user = 0xFFFFFFFF;
    SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, CellPoint(3, 2));
    SendMessageW(grid, WM_LBUTTONUP, 0, CellPoint(3, 2));
    EXPECT_EQ(g_received.clicks, 1);
    EXPECT_EQ(g_received.mouseDowns, 2);
    EXPECT_EQ(g_received.button & 0xFFFF, 1u);
    EXPECT_EQ(g_received.user, 0u) << "every binding passes the user value 0";
}

TEST_F(GridEventsTest, DoubleClickHandlerGetsOnlyTheUserValue)
{
    CreateGrid();
    grid_->BindDblClick(ToSubprogramPointer(OnDoubleClick));
    g_received.user = 0xFFFFFFFF;
    SendMessageW(GridWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, CellPoint(2, 1));
    EXPECT_EQ(g_received.doubleClicks, 1);
    EXPECT_EQ(g_received.user, 0u);
}

TEST_F(GridEventsTest, KeyDownRebindKeepsTheSecondHandlerWhichReadsTheKeyCode)
{
    CreateGrid();
    grid_->BindKeyDown(ToSubprogramPointer(OnFirstKeyDown));
    grid_->BindKeyDown(ToSubprogramPointer(OnKeyDown));
    EXPECT_EQ(BoundCount(), 1);

    SetCtrlKey(true);
    SendMessageW(GridWindow(), WM_KEYDOWN, 'C', 0);
    SetCtrlKey(false);
    EXPECT_EQ(g_received.firstKeyDowns, 0);
    EXPECT_EQ(g_received.keyDowns, 1);
    EXPECT_EQ(g_received.keyCode, 67) << "read through the key code's address";
    EXPECT_EQ(g_received.shift, 2u) << "Ctrl";
}

TEST_F(GridEventsTest, BeforeEditHandlerCancelsTheEdit)
{
    CreateGrid();
    ASSERT_TRUE(grid_->SetEditable(2));
    ASSERT_TRUE(grid_->SetRow(2));
    ASSERT_TRUE(grid_->SetCol(1));
    grid_->BindBeforeEdit(ToSubprogramPointer(OnBeforeEditCancel));
    auto container = QueryFor<IConnectionPointContainer>(Host().control.Get(), IID_IConnectionPointContainer);
    ASSERT_TRUE(container);
    ComRef<IConnectionPoint> point;
    ASSERT_EQ(S_OK, container->FindConnectionPoint(Host().sourceIid, point.Put()));
    CancelWitness witness;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, point->Advise(&witness, &cookie));

    SendMessageW(GridWindow(), WM_KEYDOWN, VK_F2, 0);
    EXPECT_EQ(g_received.beforeEdits, 1);
    EXPECT_EQ(g_received.editRow, 2);
    EXPECT_EQ(g_received.editCol, 1);
    EXPECT_EQ(std::vector<VARIANT_BOOL>{VARIANT_TRUE}, witness.seen) << "a Cancel of 1 reaches the control as -1";
    EXPECT_EQ(grid_->GetEditWindow(), 0) << "a Cancel of 1 stops the edit";

    grid_->BindBeforeEdit(0);
    SendMessageW(GridWindow(), WM_KEYDOWN, VK_F2, 0);
    EXPECT_EQ(g_received.beforeEdits, 1);
    EXPECT_EQ((std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_FALSE}), witness.seen);
    EXPECT_NE(grid_->GetEditWindow(), 0) << "unbound, the edit starts";
    point->Unadvise(cookie);
}

} // namespace
