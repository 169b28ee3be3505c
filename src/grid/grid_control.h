// GridControl: the wrapper over the hosted grid control. It holds the control's interface, its
// host object and the host window, and reaches every property, method and event of the control
// through operations of its own. The operations are virtual and declared in the order of the
// class's fixed operations table (callers may reach one by its place): keep that order.
//
// Optional arguments are std::optional; an operation names the value it fills in when one is not
// given. Texts are GBK. Sizes are twips unless an operation says pixels. Property reads answer the
// empty value of their kind when the call fails and writes answer false; the cause stays in the
// calling thread's last-call code, whose text GetLastErrorText gives.
//
// Also here: GridCreateValues (the optional values of Create), GridPoint, and the unit
// conversions from millimetres to twips.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/byte_set.h"
#include "framework/com_dispatch.h"
#include "grid/ax_host.h"
#include "grid/ax_values.h"
#include "grid/grid_accessors.h"
#include "grid/grid_data_source.h"
#include "grid/grid_property_list.h"

// The values of GridControl::Create after the parent window, in their order; each one not given
// takes the default named beside it.
struct GridCreateValues {
    std::optional<int> x = std::nullopt;                      // 0
    std::optional<int> y = std::nullopt;                      // 0
    std::optional<int> width = std::nullopt;                  // the parent's client width
    std::optional<int> height = std::nullopt;                 // the parent's client height
    std::optional<std::int32_t> borderStyle = std::nullopt;   // 0, no border (1 to 5: ApplyBorderStyle)
    std::optional<std::int32_t> rows = std::nullopt;          // 5
    std::optional<std::int32_t> cols = std::nullopt;          // 5
    std::optional<std::int32_t> fixedRows = std::nullopt;     // 1
    std::optional<std::int32_t> fixedCols = std::nullopt;     // 1
    std::optional<std::int32_t> rowHeight = std::nullopt;     // 340 twips (6 mm), for all rows
    std::optional<std::int32_t> allowUserResizing = std::nullopt;// 0
    std::optional<bool> allowBigSelection = std::nullopt;     // false
    std::optional<bool> autoSizeMouse = std::nullopt;         // true
    std::optional<std::int32_t> explorerBar = std::nullopt;   // 0
    std::optional<std::int32_t> gridLines = std::nullopt;     // 1, for GridLinesFixed and GridLines
    std::optional<std::uint32_t> gridColor = std::nullopt;    // 0xC0C0C0, for GridColorFixed and GridColor
    std::optional<std::int32_t> editable = std::nullopt;      // 0
    std::optional<bool> extendLastCol = std::nullopt;         // false
    std::optional<std::int32_t> focusRect = std::nullopt;     // 1
    std::optional<std::int32_t> scrollBars = std::nullopt;    // 3
    std::optional<bool> scrollTips = std::nullopt;            // false
    std::optional<std::string> scrollTipText = std::nullopt;  // the empty text
    std::optional<bool> scrollTrack = std::nullopt;           // false
};

struct GridPoint {
    std::int32_t x;
    std::int32_t y;
};

class GridControl final {
public:
    // An empty control value and a host-object variable filled by NewAxObject.
    GridControl() noexcept;
    // Not virtual: the operations table starts with Destroy. Destroy releases; the destructor only
    // frees what Destroy left.
    ~GridControl();
    GridControl(const GridControl&) = delete;
    GridControl& operator=(const GridControl&) = delete;

    // ---- Life, window operations, fonts and rows (grid_control.cpp)
    // Releases the control, frees the control value and destroys the host object; the host window
    // is left to its parent.
    virtual void Destroy() noexcept;
    // A new object on the same control (one new reference) with a host object of its own: a
    // second event sink with nothing bound; the same host window. The caller owns it (Destroy,
    // then delete); null when it cannot allocate.
    virtual GridControl* Clone() noexcept;
    // The text of the calling thread's last by-name call; the empty text after a success.
    virtual std::string GetLastErrorText() noexcept;
    // Hosts a new grid control in a child window of `parent` and sets its starting layout. Gives
    // the host window; 0 when the window could not be made (the control value is then empty).
    virtual HWND Create(HWND parent, const GridCreateValues& values = {}) noexcept;
    // ShowWindow with SW_RESTORE (visible, the default) or SW_HIDE; non-zero when it was visible.
    virtual BOOL Show(std::optional<bool> visible = std::nullopt) noexcept;
    // Gives the previous parent.
    virtual HWND SetParent(HWND parent) noexcept;
    virtual HWND GetParent() noexcept;
    // Stops the host window's redrawing until ResumeRedraw.
    virtual void SuspendRedraw() noexcept;
    // EnableWindow(!disabled); non-zero when the window was disabled before.
    virtual BOOL SetDisabled(bool disabled) noexcept;
    // Left -1 fills the parent's client area. Otherwise a left or top not given (or 9999) keeps the
    // current one, a width or height not given (or 0) keeps the current one. Pixels.
    virtual void Move(std::optional<int> left = std::nullopt, std::optional<int> top = std::nullopt,
                      std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt) noexcept;
    // Focuses the host window, then the control's own window.
    virtual void SetFocus() noexcept;
    virtual void ResumeRedraw() noexcept;
    // Validates the host window's whole client area.
    virtual void Validate() noexcept;
    virtual HWND GetHostWindow() noexcept;
    // Writes each given variable: the host window's origin in its parent's client area and its
    // outer width and height, in pixels.
    virtual void GetBounds(std::int32_t* left = nullptr, std::int32_t* top = nullptr, std::int32_t* width = nullptr,
                           std::int32_t* height = nullptr) noexcept;
    // The client-area origin of `window` in its parent's client coordinates.
    virtual GridPoint GetOriginInParent(HWND window) noexcept;
    // The screen position of the client-area origin of `window`.
    virtual GridPoint GetScreenOrigin(HWND window) noexcept;
    virtual void Update() noexcept;
    // A new object value on the control (one new reference); the caller frees it with
    // FreeComObjectValue.
    virtual ComObjectValue* GetComObject() noexcept;
    // Releases the control; the value stays, empty, and later by-name calls fail with code -1.
    virtual void ReleaseComObject() noexcept;
    GRID_DECLARE_TEXT(FontName)
    // The size as the control reports it (a 64-bit float both ways).
    GRID_DECLARE_DOUBLE(FontSize)
    GRID_DECLARE_BOOL(FontBold)
    GRID_DECLARE_BOOL(FontItalic)
    GRID_DECLARE_BOOL(FontStrikethru)
    GRID_DECLARE_BOOL(FontUnderline)
    GRID_DECLARE_INTEGER(Rows)
    // Rows less fixed rows; columns less fixed columns.
    virtual std::int32_t GetDataRowCount() noexcept;
    virtual std::int32_t GetDataColCount() noexcept;

    // ---- Properties without an index and the fill operations (grid_properties.cpp)
    GRID_PROPERTIES_BEFORE_FILL(GRID_DECLARE_PROPERTY)
    // Writes `cells` row by row into `rowCount` x `colCount` cells from (firstRow, firstCol), 0 when
    // not given; cells beyond the list are left alone. Redraws once at the end.
    virtual void FillCells(const std::vector<std::string>& cells, std::int32_t rowCount, std::int32_t colCount,
                           std::optional<std::int32_t> firstRow = std::nullopt,
                           std::optional<std::int32_t> firstCol = std::nullopt) noexcept;
    // Writes the pieces of `text` split at `delimiter` ("|" when not given) down `column` from
    // `firstRow` (0 when not given). A GBK double-byte character is never split.
    virtual void FillColumn(const std::string& text, std::optional<std::string> delimiter, std::int32_t column,
                            std::optional<std::int32_t> firstRow = std::nullopt) noexcept;
    // The same along `row` from `firstCol`.
    virtual void FillRow(const std::string& text, std::optional<std::string> delimiter, std::int32_t row,
                         std::optional<std::int32_t> firstCol = std::nullopt) noexcept;
    GRID_PROPERTIES_AFTER_FILL(GRID_DECLARE_PROPERTY)

    // ---- Indexed properties and methods (grid_indexed.cpp)
    // Row -1 writes the height of every row.
    virtual std::int32_t GetRowHeight(std::int32_t row) noexcept;
    virtual bool SetRowHeight(std::int32_t row, std::int32_t value) noexcept;
    virtual std::string GetTextMatrix(std::int32_t row, std::int32_t col) noexcept;
    virtual bool SetTextMatrix(std::int32_t row, std::int32_t col, const std::string& value) noexcept;
    virtual void Refresh() noexcept;
    GRID_DECLARE_BOOL(ScrollTips)
    GRID_DECLARE_TEXT(ScrollTipText)
    GRID_DECLARE_BOOL(AutoSizeMouse)
    // The window of the control's cell editor; 0 while no cell is being edited.
    GRID_DECLARE_INTEGER_GET(EditWindow)

    // ---- Event binding (grid_events.cpp)

    // The control's interface as GetDispatch gives it (owned, from the framework's allocator);
    // null or holding a null interface while there is no control.
    ComObjectValue* control = nullptr;
    // The owned host-object variable holding this object's AxObject.
    AxObjectVariable* hostObject = nullptr;
    // The "AtlAxWin" child window, null until created.
    HWND hostWindow = nullptr;

private:
    // Releases the control's interface; the value stays.
    void Teardown() noexcept;
    // Makes the twenty layout puts of Create.
    void ApplyCreateLayout(const GridCreateValues& values) noexcept;
    // Writes the pieces of `text` from cell (row, col), stepping by (rowStep, colStep).
    void FillPieces(const std::string& text, const std::optional<std::string>& delimiter, std::int32_t row,
                    std::int32_t col, std::int32_t rowStep, std::int32_t colStep) noexcept;
};

// Unit conversions on doubles; callers that need whole twips truncate toward zero.
double MillimetresToInches(double millimetres) noexcept;
double InchesToPoints(double inches) noexcept;
double PointsToTwips(double points) noexcept;
double MillimetresToPoints(double millimetres) noexcept;
double MillimetresToTwips(double millimetres) noexcept;
