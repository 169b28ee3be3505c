// GridControl's life, creation with the starting layout, window operations on the host window,
// fonts and rows; the millimetre-to-twips conversions.
#include "grid/grid_control.h"

#include <new>

#include "framework/exception_boundary.h"

namespace {

constexpr const char* kGridProgId = "VSFlexGrid8.VSFlexGridADO.1";

SIZE ClientSize(HWND window) noexcept
{
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

double RoundToDouble(double value) noexcept
{
    volatile double stored = value;
    return stored;
}

} // namespace

GridControl::GridControl() noexcept
{
    control = AllocateComObjectValue(nullptr);
    hostObject.reset(new (std::nothrow) AxObjectVariable(nullptr));
    if (hostObject != nullptr)
        NewAxObject(hostObject.get());
}

GridControl::~GridControl()
{
    Destroy();
}

void GridControl::Destroy() noexcept
{
    RtComReleaseAndFree(control);
    hostObject.reset();
}

GridControl* GridControl::Clone() noexcept
{
    auto* copy = new (std::nothrow) GridControl();
    if (copy == nullptr)
        return nullptr;
    RtComCopyReference(copy->control, control);
    if (copy->hostObject != nullptr) {
        DestroyAxObject(copy->hostObject.get());
        CopyAxObject(copy->hostObject.get(), hostObject.get());
    }
    copy->hostWindow = hostWindow;
    return copy;
}

std::string GridControl::GetLastErrorText() noexcept
{
    return NoThrow(std::string(), [] { return RtComErrorText(); });
}

HWND GridControl::Create(HWND parent, const GridCreateValues& values) noexcept
{
    SIZE client = ClientSize(parent);
    hostWindow = CreateControl(hostObject.get(), parent, kGridProgId, values.x.value_or(0), values.y.value_or(0),
                               values.width.value_or(client.cx), values.height.value_or(client.cy),
                               values.borderStyle.value_or(0));
    FreeComObjectValue(control);
    control = GetDispatch(hostObject.get());
    ApplyCreateLayout(values);
    return hostWindow;
}

void GridControl::ApplyCreateLayout(const GridCreateValues& values) noexcept
{
    SetRows(values.rows.value_or(5));
    SetCols(values.cols.value_or(5));
    SetFixedRows(values.fixedRows.value_or(1));
    SetFixedCols(values.fixedCols.value_or(1));
    SetRowHeight(-1, values.rowHeight.value_or(340));
    SetEditable(values.editable.value_or(0));
    SetAllowUserResizing(values.allowUserResizing.value_or(0));
    SetAllowBigSelection(values.allowBigSelection.value_or(false));
    SetAutoSizeMouse(values.autoSizeMouse.value_or(true));
    SetExplorerBar(values.explorerBar.value_or(0));
    SetExtendLastCol(values.extendLastCol.value_or(false));
    std::int32_t gridLines = values.gridLines.value_or(1);
    SetGridLinesFixed(gridLines);
    SetGridLines(gridLines);
    std::int64_t gridColor = values.gridColor.value_or(0xC0C0C0u);
    SetGridColorFixed(gridColor);
    SetGridColor(gridColor);
    SetFocusRect(values.focusRect.value_or(1));
    SetScrollBars(values.scrollBars.value_or(3));
    SetScrollTips(values.scrollTips.value_or(false));
    static const std::string kNoTip;
    SetScrollTipText(values.scrollTipText ? *values.scrollTipText : kNoTip);  // a copy here could fail
    SetScrollTrack(values.scrollTrack.value_or(false));
}

BOOL GridControl::Show(std::optional<bool> visible) noexcept
{
    return ShowWindow(hostWindow, visible.value_or(true) ? SW_RESTORE : SW_HIDE);
}

HWND GridControl::SetParent(HWND parent) noexcept
{
    return ::SetParent(hostWindow, parent);
}

HWND GridControl::GetParent() noexcept
{
    return ::GetParent(hostWindow);
}

void GridControl::SuspendRedraw() noexcept
{
    SendMessageA(hostWindow, WM_SETREDRAW, FALSE, 0);
}

BOOL GridControl::SetDisabled(bool disabled) noexcept
{
    return EnableWindow(GetHostWindow(), disabled ? FALSE : TRUE);
}

void GridControl::Move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
                       std::optional<int> height) noexcept
{
    if (left == -1) {
        SIZE client = ClientSize(::GetParent(hostWindow));
        MoveWindow(hostWindow, 0, 0, client.cx, client.cy, TRUE);
        return;
    }
    // The window's own rectangle in the parent's client coordinates: a bordered window keeps its
    // place instead of creeping by its border at every move.
    RECT window{};
    GetWindowRect(hostWindow, &window);
    RECT placed = window;
    MapWindowPoints(nullptr, ::GetParent(hostWindow), reinterpret_cast<POINT*>(&placed), 2);
    int newLeft = left.has_value() && *left != 9999 ? *left : placed.left;
    int newTop = top.has_value() && *top != 9999 ? *top : placed.top;
    int newWidth = width.value_or(0) != 0 ? *width : window.right - window.left;
    int newHeight = height.value_or(0) != 0 ? *height : window.bottom - window.top;
    MoveWindow(hostWindow, newLeft, newTop, newWidth, newHeight, TRUE);
}

void GridControl::SetFocus() noexcept
{
    ::SetFocus(hostWindow);
    ::SetFocus(reinterpret_cast<HWND>(static_cast<std::intptr_t>(GethWnd())));
}

void GridControl::ResumeRedraw() noexcept
{
    SendMessageA(hostWindow, WM_SETREDRAW, TRUE, 0);
}

void GridControl::Validate() noexcept
{
    ValidateRect(hostWindow, nullptr);
}

HWND GridControl::GetHostWindow() noexcept
{
    return hostWindow;
}

void GridControl::GetBounds(std::int32_t* left, std::int32_t* top, std::int32_t* width, std::int32_t* height) noexcept
{
    RECT window{};
    GetWindowRect(hostWindow, &window);
    GridPoint origin = GetOriginInParent(hostWindow);
    if (left != nullptr)
        *left = origin.x;
    if (top != nullptr)
        *top = origin.y;
    if (width != nullptr)
        *width = window.right - window.left;
    if (height != nullptr)
        *height = window.bottom - window.top;
}

GridPoint GridControl::GetOriginInParent(HWND window) noexcept
{
    GridPoint screen = GetScreenOrigin(window);
    POINT point{screen.x, screen.y};
    ScreenToClient(::GetParent(window), &point);
    return GridPoint{point.x, point.y};
}

GridPoint GridControl::GetScreenOrigin(HWND window) noexcept
{
    POINT point{0, 0};
    ClientToScreen(window, &point);
    return GridPoint{point.x, point.y};
}

void GridControl::Update() noexcept
{
    UpdateWindow(hostWindow);
}

ComObjectValue* GridControl::GetComObject() noexcept
{
    return AllocateComObjectValue(control != nullptr ? control->object : nullptr);
}

void GridControl::ReleaseComObject() noexcept
{
    RtComRelease(control);
}

GRID_DEFINE_TEXT(FontName)
GRID_DEFINE_DOUBLE(FontSize)
GRID_DEFINE_BOOL(FontBold)
GRID_DEFINE_BOOL(FontItalic)
GRID_DEFINE_BOOL(FontStrikethru)
GRID_DEFINE_BOOL(FontUnderline)
GRID_DEFINE_INTEGER(Rows)

std::int32_t GridControl::GetDataRowCount() noexcept
{
    return GetRows() - GetFixedRows();
}

std::int32_t GridControl::GetDataColCount() noexcept
{
    return GetCols() - GetFixedCols();
}

// Each step of the conversions is rounded to a double, also where the x87 unit would keep more.
double MillimetresToInches(double millimetres) noexcept { return RoundToDouble(millimetres / 25.4); }
double InchesToPoints(double inches) noexcept { return RoundToDouble(inches * 72); }
double PointsToTwips(double points) noexcept { return RoundToDouble(points * 20); }
double MillimetresToPoints(double millimetres) noexcept { return InchesToPoints(MillimetresToInches(millimetres)); }
double MillimetresToTwips(double millimetres) noexcept { return PointsToTwips(MillimetresToPoints(millimetres)); }
