// The grid's child window: layout in pixels from the model's twips, painting, hit testing, mouse and
// keyboard handling with the events a user expects, scrolling, the in-place editor and copying.
#include "grid_window.h"

#include "grid_dispids.h"
#include "module.h"

#include "framework/exception_boundary.h"
#include "framework/window_procedure.h"

#include <windowsx.h>

#include <type_traits>

namespace vsflex {
namespace {

constexpr wchar_t kWindowClass[] = L"VSFlexGrid8Window";
constexpr wchar_t kEditorOwnerProp[] = L"VSFlexGridEditorOwner";
constexpr wchar_t kEditorProcProp[] = L"VSFlexGridEditorProc";
constexpr int kTwipsPerPixel = 15;  // 96 dots per inch
constexpr UINT_PTR kScrollBarTimer = 1;
constexpr UINT kScrollBarDelayMs = 300;

int Px(int twips) noexcept
{
    return twips <= 0 ? 0 : (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

COLORREF Rgb(OLE_COLOR colour) noexcept
{
    COLORREF rgb = 0;
    return SUCCEEDED(OleTranslateColor(colour, nullptr, &rgb)) ? rgb : 0;
}

// An event argument with its whole value field zeroed, so that a 16-bit value reads as its 32-bit
// zero extension to sinks that take the value word as it stands.
VARIANT Blank() noexcept
{
    VARIANT x;
    ZeroMemory(&x, sizeof x);
    return x;
}

VARIANT Long(LONG v) noexcept
{
    VARIANT x = Blank();
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}

VARIANT Short(SHORT v) noexcept
{
    VARIANT x = Blank();
    x.vt = VT_I2;
    x.iVal = v;
    return x;
}

VARIANT ShortRef(SHORT* v) noexcept
{
    VARIANT x = Blank();
    x.vt = VT_I2 | VT_BYREF;
    x.piVal = v;
    return x;
}

VARIANT Float(float v) noexcept
{
    VARIANT x = Blank();
    x.vt = VT_R4;
    x.fltVal = v;
    return x;
}

SHORT ShiftState() noexcept
{
    return SHORT((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                 (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

GridObject* From(HWND window) noexcept
{
    return reinterpret_cast<GridObject*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// A sink may let the control go from inside an event (its host destroyed with the window): the grid's
// window and its editor hold the control through every message they handle, so that it stays alive
// until the message that fired the event is done with it.
template <typename Handler>
    requires std::is_nothrow_invocable_r_v<LRESULT, Handler&>
LRESULT HoldingControl(GridObject& grid, Handler&& handle) noexcept
{
    grid.AddRef();
    const LRESULT result = handle();
    grid.Release();
    return result;
}

// Pixel layout of the visible rows or columns: fixed ones first, then from the first scrolled one.
struct Span {
    int index;
    int start;
    int size;
};

// A line's size in view: none while it is hidden.
int ShownPx(const GridModel& m, Axis axis, int i) noexcept
{
    return m.LineHidden(axis, i) ? 0 : Px(m.LineSize(axis, i));
}

// The lines along `axis` that are in view within `extent` pixels. With ExtendLastCol the last column,
// when in view, reaches the window's edge.
std::vector<Span> Spans(const GridModel& m, Axis axis, int extent)
{
    std::vector<Span> spans;
    int at = 0;
    auto add = [&](int i) {
        if (m.LineHidden(axis, i))
            return;
        const int size = Px(m.LineSize(axis, i));
        spans.push_back({i, at, size});
        at += size;
    };
    const int lines = m.Lines(axis);
    for (int i = 0; i < m.FixedLines(axis) && i < lines; ++i)
        add(i);
    for (int i = m.FirstScrolled(axis); i < lines && at < extent; ++i)
        add(i);
    if (axis == Axis::Cols && m.extendLastCol && !spans.empty() && spans.back().index == lines - 1 &&
        spans.back().start + spans.back().size < extent)
        spans.back().size = extent - spans.back().start;
    return spans;
}

RECT ClientOf(HWND window) noexcept
{
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

// The cell rectangle in client pixels; false when the cell is not in view.
bool CellRect(GridObject& grid, int row, int col, RECT* rect)
{
    RECT client = ClientOf(grid.window_ ? grid.window_ : nullptr);
    bool rowFound = false, colFound = false;
    for (const Span& s : Spans(grid.model, Axis::Rows, client.bottom))
        if (s.index == row) {
            rect->top = s.start;
            rect->bottom = s.start + s.size;
            rowFound = true;
        }
    for (const Span& s : Spans(grid.model, Axis::Cols, client.right))
        if (s.index == col) {
            rect->left = s.start;
            rect->right = s.start + s.size;
            colFound = true;
        }
    return rowFound && colFound;
}

void HitTest(GridObject& grid, int x, int y, int* row, int* col)
{
    RECT client = ClientOf(grid.window_);
    *row = -1;
    *col = -1;
    for (const Span& s : Spans(grid.model, Axis::Rows, client.bottom))
        if (y >= s.start && y < s.start + s.size)
            *row = s.index;
    for (const Span& s : Spans(grid.model, Axis::Cols, client.right))
        if (x >= s.start && x < s.start + s.size)
            *col = s.index;
}

// The number of scrollable rows that fit below the fixed rows, at least one.
int PageRows(GridModel& m, int height) noexcept
{
    int used = 0;
    for (int r = 0; r < m.fixedRows && r < m.rows(); ++r)
        used += ShownPx(m, Axis::Rows, r);
    int count = 0;
    for (int r = m.topRow; r < m.rows(); ++r) {
        used += ShownPx(m, Axis::Rows, r);
        if (used > height)
            break;
        ++count;
    }
    return count > 0 ? count : 1;
}

void UpdateScrollBars(GridObject& grid) noexcept
{
    GridModel& m = grid.model;
    RECT client = ClientOf(grid.window_);
    GridObject::ScrollState next;
    next.valid = true;
    int scrollable = m.rows() - m.fixedRows;
    next.maxV = scrollable > 0 ? scrollable - 1 : 0;
    next.pageV = PageRows(m, client.bottom);
    next.posV = m.topRow - m.fixedRows;
    next.vertical = (m.scrollBars & 2) && scrollable > next.pageV;
    int scrollableCols = m.cols() - m.fixedCols;
    int totalWidth = 0;
    for (int c = 0; c < m.cols(); ++c)
        totalWidth += ShownPx(m, Axis::Cols, c);
    next.horizontal = (m.scrollBars & 1) && totalWidth > client.right && scrollableCols > 1;
    next.maxH = scrollableCols - 1;
    next.posH = m.leftCol - m.fixedCols;
    // Showing or setting a scroll bar redraws the window's frame: skipped when nothing changed,
    // as after most cell changes.
    const GridObject::ScrollState previous = grid.scrollState;
    if (next == previous)
        return;
    grid.scrollState = next;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    if (!previous.valid || next.vertical != previous.vertical)
        ShowScrollBar(grid.window_, SB_VERT, next.vertical);
    if (next.vertical) {
        info.nMax = next.maxV;
        info.nPage = UINT(next.pageV);
        info.nPos = next.posV;
        SetScrollInfo(grid.window_, SB_VERT, &info, FALSE);
    }
    if (!previous.valid || next.horizontal != previous.horizontal)
        ShowScrollBar(grid.window_, SB_HORZ, next.horizontal);
    if (next.horizontal) {
        info.nMax = next.maxH;
        info.nPage = 1;
        info.nPos = next.posH;
        SetScrollInfo(grid.window_, SB_HORZ, &info, FALSE);
    }
    // Drawing the bars is costly next to drawing the rows: they are drawn once the changes have
    // paused for a moment (each change restarts the timer), not for every new row of a burst.
    SetTimer(grid.window_, kScrollBarTimer, kScrollBarDelayMs, nullptr);
}

// Whether the fixed lines along `axis` and the scrolled ones from `first` to `last` fit in `limit` pixels.
bool RangeFits(const GridModel& m, Axis axis, int first, int last, int limit) noexcept
{
    int used = 0;
    for (int i = 0; i < m.FixedLines(axis); ++i)
        used += ShownPx(m, axis, i);
    for (int i = first; i <= last; ++i)
        used += ShownPx(m, axis, i);
    return used <= limit;
}

// Scrolls to a new first row and column, unless a sink cancels BeforeScroll.
void ScrollTo(GridObject& grid, int top, int left) noexcept
{
    GridModel& m = grid.model;
    int oldTop = m.topRow, oldLeft = m.leftCol;
    int maxTop = m.rows() - 1, maxLeft = m.cols() - 1;
    top = std::clamp(top, m.fixedRows, std::max(maxTop, m.fixedRows));
    left = std::clamp(left, m.fixedCols, std::max(maxLeft, m.fixedCols));
    if (top == oldTop && left == oldLeft)
        return;
    if (grid.FireCancellable(kEventBeforeScroll, {Long(oldTop), Long(oldLeft), Long(top), Long(left)}))
        return;
    if (grid.editor)
        GridWindow::FinishEdit(grid, true);
    m.topRow = top;
    m.leftCol = left;
    GridWindow::Refresh(grid);
    grid.Fire(kEventAfterScroll, {Long(oldTop), Long(oldLeft), Long(top), Long(left)});
}

HFONT CreateGridFont(const GridModel& m) noexcept
{
    LOGFONTW font{};
    UniqueWindowDc screen = GetWindowDc();
    font.lfHeight = -MulDiv(int(m.fontSize * 100 + 0.5), GetDeviceCaps(screen.get().dc, LOGPIXELSY), 7200);
    font.lfWeight = m.fontBold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = m.fontItalic;
    font.lfUnderline = m.fontUnderline;
    font.lfStrikeOut = m.fontStrikethru;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, m.fontName.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

// How much of a text of `length` characters can show in `box`: every glyph is at least a pixel
// wide and a line ends at the box's width, so no more than (visible lines + 1) x (width + 2)
// characters can reach the box. Laying out only that much keeps a cell of megabytes as cheap to
// paint as a short one, and what shows is the same.
int VisibleTextLength(HDC dc, const RECT& box, std::size_t length, bool wrap) noexcept
{
    TEXTMETRICW metrics{};
    const int lineHeight = GetTextMetricsW(dc, &metrics) && metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    const std::size_t width = std::size_t(std::max<LONG>(box.right - box.left, 0)) + 2;
    const std::size_t lines = wrap ? std::size_t(std::max<LONG>(box.bottom - box.top, 0) / lineHeight) + 2 : 1;
    return int(std::min(length, lines * width));
}

void PaintCell(GridObject& grid, HDC dc, const RECT& box, int r, int c)
{
    GridModel& m = grid.model;
    const bool fixed = r < m.fixedRows || c < m.fixedCols;
    const bool selected = !fixed && m.highLight != 0 && r >= m.SelTop() && r <= m.SelBottom() &&
                          c >= m.SelLeft() && c <= m.SelRight();
    COLORREF back = Rgb(fixed ? m.backColorFixed : selected ? m.backColorSel : m.backColor);
    COLORREF fore = Rgb(fixed ? m.foreColorFixed : selected ? m.foreColorSel : m.foreColor);
    UniqueBrush brush(CreateSolidBrush(back));
    FillRect(dc, &box, brush.get());
    GridCell* cell = m.cell(r, c);
    RECT inner{box.left + 2, box.top + 1, box.right - 2, box.bottom - 1};
    if (cell && cell->picture)
        cell->picture->Draw(dc, inner);
    if (cell && !cell->text.empty()) {
        SetTextColor(dc, fore);
        SetBkMode(dc, TRANSPARENT);
        UINT format = DT_NOPREFIX | DT_LEFT | (m.wordWrap ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS));
        // Without memory for the visible start the cell stays blank in this paint.
        NoThrow([&] {
            const std::wstring shown = cell->text.Start(VisibleTextLength(dc, inner, cell->text.Units(), m.wordWrap));
            DrawTextW(dc, shown.c_str(), int(shown.size()), &inner, format);
        });
    }
    const int lines = fixed ? m.gridLinesFixed : m.gridLines;
    if (lines != 0) {
        UniquePen pen(CreatePen(lines == 2 ? PS_DOT : PS_SOLID, 1, Rgb(fixed ? m.gridColorFixed : m.gridColor)));
        SelectedObject usePen(dc, pen.get());
        MoveToEx(dc, box.right - 1, box.top, nullptr);
        LineTo(dc, box.right - 1, box.bottom - 1);
        LineTo(dc, box.left - 1, box.bottom - 1);
    }
    if (!fixed && m.focusRect != 0 && r == m.row_ && c == m.col_ && GetFocus() == grid.window_) {
        RECT focus{box.left + 1, box.top + 1, box.right - 2, box.bottom - 2};
        DrawFocusRect(dc, &focus);
    }
}

void Paint(GridObject& grid, HDC target)
{
    GridModel& m = grid.model;
    RECT client = ClientOf(grid.window_);
    UniqueMemoryDc buffer(CreateCompatibleDC(target));
    UniqueBitmap bitmap(CreateCompatibleBitmap(target, std::max<int>(client.right, 1), std::max<int>(client.bottom, 1)));
    SelectedObject useBitmap(buffer.get(), bitmap.get());
    UniqueBrush background(CreateSolidBrush(Rgb(m.backColorBkg)));
    FillRect(buffer.get(), &client, background.get());
    UniqueFont font(CreateGridFont(m));
    SelectedObject useFont(buffer.get(), font.get());
    const auto rows = Spans(m, Axis::Rows, client.bottom);
    const auto cols = Spans(m, Axis::Cols, client.right);
    for (const Span& r : rows)
        for (const Span& c : cols) {
            RECT box{c.start, r.start, c.start + c.size, r.start + r.size};
            PaintCell(grid, buffer.get(), box, r.index, c.index);
        }
    BitBlt(target, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
}

// The end of the editor's window, bound or not: the editor's font is its own on every road out
// (finished, cancelled, or destroyed with the grid or the control).
LRESULT ForgetEditor(HWND editor, WNDPROC previous, WPARAM wParam, LPARAM lParam) noexcept
{
    RemovePropW(editor, kEditorOwnerProp);
    RemovePropW(editor, kEditorProcProp);
    UniqueFont font(reinterpret_cast<HFONT>(CallWindowProcW(previous, editor, WM_GETFONT, 0, 0)));
    return CallWindowProcW(previous, editor, WM_NCDESTROY, wParam, lParam);
}

LRESULT HandleEditorMessage(GridObject& grid, HWND editor, WNDPROC previous, UINT message, WPARAM wParam,
                           LPARAM lParam) noexcept
{
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | CallWindowProcW(previous, editor, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_TAB) {
            GridWindow::FinishEdit(grid, true);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            GridWindow::FinishEdit(grid, false);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r' || wParam == 27 || wParam == '\t')
            return 0;
        break;
    case WM_KILLFOCUS:
        if (!grid.endingEdit)
            GridWindow::FinishEdit(grid, true);
        break;
    case WM_NCDESTROY:
        if (grid.editor == editor)
            grid.editor = nullptr;
        return ForgetEditor(editor, previous, wParam, lParam);
    }
    return CallWindowProcW(previous, editor, message, wParam, lParam);
}

// The editor is subclassed for Enter, Escape and Tab, and to end the edit when it loses the focus.
LRESULT CALLBACK EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* grid = static_cast<GridObject*>(GetPropW(editor, kEditorOwnerProp));
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(editor, kEditorProcProp));
    if (!grid) {
        if (message == WM_NCDESTROY)
            return ForgetEditor(editor, previous, wParam, lParam);
        return CallWindowProcW(previous, editor, message, wParam, lParam);
    }
    return HoldingControl(*grid, [&]() noexcept {
        return HandleEditorMessage(*grid, editor, previous, message, wParam, lParam);
    });
}

void SelectFromMouse(GridObject& grid, int x, int y, bool extend) noexcept
{
    int row = -1, col = -1;
    HitTest(grid, x, y, &row, &col);
    GridModel& m = grid.model;
    if (row < m.fixedRows || col < m.fixedCols)
        return;
    if (extend)
        GridWindow::MoveTo(grid, m.row_, m.col_, row, col, true);
    else
        GridWindow::MoveTo(grid, row, col, row, col, true);
}

void OnMouseButton(GridObject& grid, UINT message, WPARAM keys, int x, int y) noexcept
{
    GridModel& m = grid.model;
    HitTest(grid, x, y, &m.mouseRow, &m.mouseCol);
    SHORT button = 0;
    bool down = false;
    switch (message) {
    case WM_LBUTTONDOWN: button = 1; down = true; break;
    case WM_RBUTTONDOWN: button = 2; down = true; break;
    case WM_MBUTTONDOWN: button = 4; down = true; break;
    case WM_LBUTTONUP: button = 1; break;
    case WM_RBUTTONUP: button = 2; break;
    case WM_MBUTTONUP: button = 4; break;
    }
    const SHORT shift = ShiftState();
    // The list's array lives as long as `args`: the three events share it without a copy.
    const std::initializer_list<VARIANT> args{Short(button), Short(shift), Float(float(x * kTwipsPerPixel)),
                                              Float(float(y * kTwipsPerPixel))};
    if (down) {
        if (grid.editor)
            GridWindow::FinishEdit(grid, true);
        SetFocus(grid.window_);
        if (button == 1) {
            if (grid.FireCancellable(kEventBeforeMouseDown, args))
                return;
            SelectFromMouse(grid, x, y, (keys & MK_SHIFT) != 0);
            grid.selecting = true;
            SetCapture(grid.window_);
        }
        grid.Fire(kEventMouseDown, args);
        return;
    }
    if (button == 1 && grid.selecting) {
        grid.selecting = false;
        ReleaseCapture();
    }
    grid.Fire(kEventMouseUp, args);
    if (button == 1)
        grid.Fire(kEventClick);
}

void OnMouseMove(GridObject& grid, WPARAM keys, int x, int y) noexcept
{
    GridModel& m = grid.model;
    HitTest(grid, x, y, &m.mouseRow, &m.mouseCol);
    SHORT button = SHORT(((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) | ((keys & MK_MBUTTON) ? 4 : 0));
    if (grid.selecting && (keys & MK_LBUTTON))
        SelectFromMouse(grid, x, y, true);
    grid.Fire(kEventMouseMove, {Short(button), Short(ShiftState()), Float(float(x * kTwipsPerPixel)),
                                Float(float(y * kTwipsPerPixel))});
}

// Cursor keys move the current cell (with Shift they extend the selection); F2 starts an edit.
void OnNavigationKey(GridObject& grid, WPARAM key) noexcept
{
    GridModel& m = grid.model;
    RECT client = ClientOf(grid.window_);
    int row = (GetKeyState(VK_SHIFT) < 0) ? m.rowSel_ : m.row_;
    int col = (GetKeyState(VK_SHIFT) < 0) ? m.colSel_ : m.col_;
    const int page = PageRows(m, client.bottom);
    switch (key) {
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_LEFT: --col; break;
    case VK_RIGHT: ++col; break;
    case VK_PRIOR: row -= page; break;
    case VK_NEXT: row += page; break;
    case VK_HOME: col = m.fixedCols; break;
    case VK_END: col = m.cols() - 1; break;
    case VK_F2: GridWindow::StartEdit(grid); return;
    default: return;
    }
    row = std::clamp(row, m.fixedRows, std::max(m.rows() - 1, m.fixedRows));
    col = std::clamp(col, m.fixedCols, std::max(m.cols() - 1, m.fixedCols));
    while (col < m.cols() - 1 && m.LineHidden(Axis::Cols, col))
        ++col;
    if (GetKeyState(VK_SHIFT) < 0)
        GridWindow::MoveTo(grid, m.row_, m.col_, row, col, true);
    else
        GridWindow::MoveTo(grid, row, col, row, col, true);
    GridWindow::ShowCell(grid, row, col);
}

void OnKeyDown(GridObject& grid, WPARAM key) noexcept
{
    SHORT code = SHORT(key);
    grid.Fire(kEventKeyDown, {ShortRef(&code), Short(ShiftState())});
    if (code == 0)
        return;
    if (code == 'C' && GetKeyState(VK_CONTROL) < 0 && (grid.model.flags & 2)) {
        GridWindow::CopySelection(grid);
        return;
    }
    OnNavigationKey(grid, WPARAM(code));
}

void OnChar(GridObject& grid, WPARAM ch) noexcept
{
    SHORT ascii = SHORT(ch);
    grid.Fire(kEventKeyPress, {ShortRef(&ascii)});
    if (ascii >= 32 && grid.model.editable) {
        wchar_t text[2] = {wchar_t(ascii), 0};
        GridWindow::StartEdit(grid, text);
    } else if (ascii == '\r' && grid.model.editable) {
        GridWindow::StartEdit(grid);
    }
}

LRESULT HandleMessage(GridObject* grid, HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    return NoThrow(LRESULT(0), [&]() -> LRESULT {
        switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            Paint(*grid, dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(*grid, reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:
            if (wParam != kScrollBarTimer)
                break;
            KillTimer(window, kScrollBarTimer);
            SendMessageW(window, WM_NCPAINT, 1, 0);
            return 0;
        case WM_SIZE:
            UpdateScrollBars(*grid);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
        case WM_LBUTTONUP: case WM_RBUTTONUP: case WM_MBUTTONUP:
            OnMouseButton(*grid, message, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONDBLCLK:
            grid->Fire(kEventDblClick);
            if (grid->model.editable)
                GridWindow::StartEdit(*grid);
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(*grid, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(*grid, wParam);
            return 0;
        case WM_KEYUP: {
            SHORT code = SHORT(wParam);
            grid->Fire(kEventKeyUp, {ShortRef(&code), Short(ShiftState())});
            return 0;
        }
        case WM_CHAR:
            OnChar(*grid, wParam);
            return 0;
        case WM_VSCROLL: case WM_HSCROLL: {
            const bool vertical = message == WM_VSCROLL;
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_ALL;
            GetScrollInfo(window, vertical ? SB_VERT : SB_HORZ, &info);
            int pos = info.nPos;
            switch (LOWORD(wParam)) {
            case SB_LINEUP: --pos; break;
            case SB_LINEDOWN: ++pos; break;
            case SB_PAGEUP: pos -= int(info.nPage); break;
            case SB_PAGEDOWN: pos += int(info.nPage); break;
            case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = info.nTrackPos; break;
            case SB_TOP: pos = 0; break;
            case SB_BOTTOM: pos = info.nMax; break;
            default: return 0;
            }
            GridModel& m = grid->model;
            if (vertical)
                ScrollTo(*grid, m.fixedRows + pos, m.leftCol);
            else
                ScrollTo(*grid, m.topRow, m.fixedCols + pos);
            return 0;
        }
        case WM_MOUSEWHEEL: {
            int lines = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * 3;
            ScrollTo(*grid, grid->model.topRow - lines, grid->model.leftCol);
            return 0;
        }
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lParam) == grid->editor && HIWORD(wParam) == EN_CHANGE)
                grid->Fire(kEventChangeEdit);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            if (grid->window_ == window)
                grid->window_ = nullptr;
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

LRESULT CALLBACK GridProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    GridObject* grid = From(window);
    if (!grid)
        return DefWindowProcW(window, message, wParam, lParam);
    return HoldingControl(*grid, [&]() noexcept { return HandleMessage(grid, window, message, wParam, lParam); });
}

bool RegisterWindowClass() noexcept
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(ModuleInstance(), kWindowClass, &wc))
        return true;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
    return ::RegisterWindowClass(wc, WindowProcedure::Wrap<&GridProc>()) != 0;
}

}  // namespace

bool GridObject::CreateGridWindow(HWND parent, const RECT& rect) noexcept
{
    if (!RegisterWindowClass())
        return false;
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL,
                              rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                              ModuleInstance(), this);
    scrollState = {};
    if (window_)
        UpdateScrollBars(*this);
    return window_ != nullptr;
}

// Both windows are unbound before either is destroyed. Called from the destructor, a message that held
// the control would free it a second time, and the editor's end does send some: its focus moves to the
// grid's window.
void GridObject::DestroyGridWindow() noexcept
{
    const HWND window = window_;
    window_ = nullptr;
    if (window)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (editor) {
        endingEdit = true;
        RemovePropW(editor, kEditorOwnerProp);
        DestroyWindow(editor);
        editor = nullptr;
        endingEdit = false;
    }
    if (window)
        DestroyWindow(window);
}

void GridWindow::Refresh(GridObject& grid) noexcept
{
    if (!grid.window_)
        return;
    UpdateScrollBars(grid);
    if (grid.model.redraw)
        InvalidateRect(grid.window_, nullptr, FALSE);
}

void GridWindow::MoveTo(GridObject& grid, int row, int col, int rowSel, int colSel, bool fire) noexcept
{
    GridModel& m = grid.model;
    if (!m.ValidCell(row, col) || !m.ValidCell(rowSel, colSel))
        return;
    const int oldRow = m.row_, oldCol = m.col_;
    const int oldRowSel = m.rowSel_, oldColSel = m.colSel_;
    const bool cellChanges = row != oldRow || col != oldCol;
    const bool selChanges = cellChanges || rowSel != oldRowSel || colSel != oldColSel;
    if (fire && cellChanges &&
        grid.FireCancellable(kEventBeforeRowColChange, {Long(oldRow), Long(oldCol), Long(row), Long(col)}))
        return;
    if (fire && selChanges &&
        grid.FireCancellable(kEventBeforeSelChange, {Long(oldRowSel), Long(oldColSel), Long(rowSel), Long(colSel)}))
        return;
    if (cellChanges && grid.editor)
        FinishEdit(grid, true);
    if (fire && cellChanges)
        grid.Fire(kEventLeaveCell);
    m.row_ = row;
    m.col_ = col;
    m.rowSel_ = rowSel;
    m.colSel_ = colSel;
    Refresh(grid);
    if (!fire)
        return;
    if (cellChanges) {
        grid.Fire(kEventRowColChange);
        grid.Fire(kEventEnterCell);
        grid.Fire(kEventAfterRowColChange, {Long(oldRow), Long(oldCol), Long(row), Long(col)});
    }
    if (selChanges) {
        grid.Fire(kEventSelChange);
        grid.Fire(kEventAfterSelChange, {Long(oldRowSel), Long(oldColSel), Long(rowSel), Long(colSel)});
    }
}

void GridWindow::ShowCell(GridObject& grid, int row, int col) noexcept
{
    GridModel& m = grid.model;
    if (!m.ValidCell(row, col))
        return;
    const RECT client = grid.window_ ? ClientOf(grid.window_) : RECT{};
    int top = m.topRow, left = m.leftCol;
    if (row >= m.fixedRows) {
        if (row < top)
            top = row;
        while (top < row && !RangeFits(m, Axis::Rows, top, row, client.bottom))
            ++top;
    }
    if (col >= m.fixedCols) {
        if (col < left)
            left = col;
        while (left < col && !RangeFits(m, Axis::Cols, left, col, client.right))
            ++left;
    }
    ScrollTo(grid, top, left);
}

bool GridWindow::StartEdit(GridObject& grid, const wchar_t* initial) noexcept
{
    GridModel& m = grid.model;
    if (grid.editor || !m.editable || !grid.window_)
        return false;
    const int row = m.row_, col = m.col_;
    GridCell* cell = m.cell(row, col);
    if (!cell || row < m.fixedRows || col < m.fixedCols)
        return false;
    if (grid.FireCancellable(kEventBeforeEdit, {Long(row), Long(col)}))
        return false;
    if (grid.FireCancellable(kEventStartEdit, {Long(row), Long(col)}))
        return false;
    // A handler may have taken the window away or started an edit of its own.
    if (!grid.window_ || grid.editor)
        return false;
    ShowCell(grid, row, col);
    RECT box{};
    if (!CellRect(grid, row, col, &box))
        return false;
    std::wstring text;
    if (!RanToEnd([&] { text = initial ? std::wstring(initial) : cell->text.Wide(); }))
        return false;
    HWND editor = CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_LEFT,
                                  box.left, box.top, box.right - box.left - 1, box.bottom - box.top - 1,
                                  grid.window_, nullptr, ModuleInstance(), nullptr);
    if (!editor)
        return false;
    UniqueFont font(CreateGridFont(m));
    SendMessageW(editor, WM_SETFONT, reinterpret_cast<WPARAM>(font.release()), FALSE);
    SetPropW(editor, kEditorOwnerProp, &grid);
    SetPropW(editor, kEditorProcProp,
             reinterpret_cast<HANDLE>(ReplaceWindowProcedureW(editor, SubclassProcedure::Wrap<&EditorProc>())));
    grid.editor = editor;
    grid.editRow = row;
    grid.editCol = col;
    SetFocus(editor);
    if (initial)
        SendMessageW(editor, EM_SETSEL, text.size(), text.size());
    else
        SendMessageW(editor, EM_SETSEL, 0, -1);
    return true;
}

bool GridWindow::FinishEdit(GridObject& grid, bool accept) noexcept
{
    if (!grid.editor || grid.endingEdit)
        return false;
    const HWND editor = grid.editor;
    const int row = grid.editRow, col = grid.editCol;
    if (accept && grid.FireCancellable(kEventValidateEdit, {Long(row), Long(col)}))
        return false;
    // A handler may have ended the edit itself, or taken the editor away with the window: its text is gone.
    if (grid.editor != editor)
        return true;
    std::wstring text;
    accept = RanToEnd([&] {
                 text.resize(std::size_t(GetWindowTextLengthW(editor)) + 1);
                 text.resize(std::size_t(GetWindowTextW(editor, text.data(), int(text.size()))));
             }) && accept;
    grid.endingEdit = true;
    grid.editor = nullptr;
    const bool hadFocus = GetFocus() == editor;
    DestroyWindow(editor);
    grid.endingEdit = false;
    if (hadFocus && grid.window_)
        SetFocus(grid.window_);
    if (GridCell* cell = grid.model.cell(row, col); cell && accept) {
        if (!RanToEnd([&] { cell->text = StoredText(text); }))
            return true;  // no memory for the edited text: the cell keeps its old one
        Refresh(grid);
        grid.Fire(kEventAfterEdit, {Long(row), Long(col)});
    }
    return true;
}

HWND GridWindow::EditWindow(const GridObject& grid) noexcept
{
    return grid.editor;
}

std::wstring GridWindow::SelectionText(GridObject& grid)
{
    GridModel& m = grid.model;
    std::wstring text;
    for (int r = m.SelTop(); r <= m.SelBottom(); ++r) {
        if (r > m.SelTop())
            text += L"\r\n";
        for (int c = m.SelLeft(); c <= m.SelRight(); ++c) {
            if (c > m.SelLeft())
                text += L'\t';
            if (GridCell* cell = m.cell(r, c))
                cell->text.AppendTo(text);
        }
    }
    return text;
}

bool GridWindow::CopySelection(GridObject& grid) noexcept
{
    return NoThrow(false, [&] {
        const std::wstring text = SelectionText(grid);
        UniqueClipboard clipboard = OpenClipboardRetrying(grid.window_);
        if (!clipboard || !EmptyClipboard())
            return false;
        // A block that could not be filled is freed here, and the copy fails: an unfilled block on
        // the clipboard would hand the next program whatever the allocator left in it.
        UniqueGlobal memory = CopyToGlobal(text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        if (!memory || !SetClipboardData(CF_UNICODETEXT, memory.get()))
            return false;
        memory.release();  // the clipboard's now
        return true;
    });
}

}  // namespace vsflex
