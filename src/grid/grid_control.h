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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/byte_set.h"
#include "com/com_dispatch.h"
#include "activex/ax_host.h"
#include "activex/ax_values.h"
#include "grid/grid_accessors.h"
#include "grid/grid_data_source.h"
#include "grid/grid_indexed_accessors.h"
#include "grid/grid_node.h"
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

// Destroys the AxObject a host-object variable holds, then frees the variable.
struct HostObjectDeleter {
    void operator()(AxObjectVariable* variable) const noexcept
    {
        DestroyAxObject(variable);
        delete variable;
    }
};

struct GridPoint {
    std::int32_t x;
    std::int32_t y;
};

class GridControl {
public:
    // An empty control value and a host-object variable filled by NewAxObject.
    GridControl() noexcept;
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
    // Each is one by-name call of the member of its name; indexes and arguments go first in the
    // member's order, a put's value last. Arguments are sent as copies: nothing the control writes
    // back reaches the caller, except where an operation says so. An optional argument not given
    // takes the value named beside it, or else its zero value (0, false, the empty text); a VARIANT
    // passed as null, or holding VT_EMPTY, reaches the control as a missing argument. A VARIANT
    // result is new (the caller ends it with FreeVariantValue), an object result holds a new
    // reference (FreeComObjectValue).
    GRID_DECLARE_INDEXED_INTEGER(ColAlignment, col)
    GRID_DECLARE_INDEXED_INTEGER(ColWidth, col)
    // Row -1 writes the height of every row.
    virtual std::int32_t GetRowHeight(std::int32_t row) noexcept;
    virtual bool SetRowHeight(std::int32_t row, std::int32_t value) noexcept;
    GRID_DECLARE_INDEXED_BOOL(MergeRow, row)
    GRID_DECLARE_INDEXED_BOOL(MergeCol, col)
    GRID_DECLARE_INDEXED_INTEGER_PUT(RowPosition, row)
    GRID_DECLARE_INDEXED_INTEGER_PUT(ColPosition, col)
    virtual VARIANT* GetRowData(std::int32_t row) noexcept;
    virtual bool SetRowData(std::int32_t row, const VARIANT* value) noexcept;
    // The column's data converted to text; the empty text when it does not convert.
    virtual std::string GetColData(std::int32_t col) noexcept;
    virtual bool SetColData(std::int32_t col, const VARIANT* value) noexcept;
    // Inserts a row with `item` (tab-separated cell texts) at `row`; not given: after the last row.
    virtual void AddItem(const std::string& item, std::optional<std::int32_t> row = std::nullopt) noexcept;
    virtual void RemoveItem(std::int32_t row) noexcept;
    virtual std::string GetTextMatrix(std::int32_t row, std::int32_t col) noexcept;
    virtual bool SetTextMatrix(std::int32_t row, std::int32_t col, const std::string& value) noexcept;
    // The cell gets `value` unit for unit, without a code-page conversion: for what the user copied.
    // `value` is lent to the control for the call, not copied.
    virtual bool SetTextMatrix(std::int32_t row, std::int32_t col, BSTR value) noexcept;
    virtual void Clear(const VARIANT* where, const VARIANT* what) noexcept;
    virtual void EditCell() noexcept;
    // The cell's value as the control reports it (a 64-bit float).
    virtual double GetValueMatrix(std::int32_t row, std::int32_t col) noexcept;
    GRID_DECLARE_INDEXED_BOOL(IsSubtotal, row)
    virtual void Subtotal(std::int32_t function, std::optional<std::int32_t> groupOn = std::nullopt,
                          std::optional<std::int32_t> totalOn = std::nullopt,
                          std::optional<std::string> format = std::nullopt,
                          std::optional<std::int32_t> backColor = std::nullopt,
                          std::optional<std::int32_t> foreColor = std::nullopt,
                          std::optional<bool> fontBold = std::nullopt,
                          std::optional<std::string> caption = std::nullopt,
                          std::optional<std::int32_t> matchFrom = std::nullopt,
                          std::optional<bool> totalOnly = std::nullopt) noexcept;
    virtual void Refresh() noexcept;
    virtual void Outline(std::int16_t level) noexcept;
    GRID_DECLARE_INDEXED_INTEGER(FixedAlignment, col)
    GRID_DECLARE_INDEXED_BOOL_GET(RowIsVisible, row)
    GRID_DECLARE_INDEXED_BOOL_GET(ColIsVisible, col)
    GRID_DECLARE_INDEXED_INTEGER_GET(RowPos, row)
    GRID_DECLARE_INDEXED_INTEGER_GET(ColPos, col)
    GRID_DECLARE_INDEXED_BOOL(IsSelected, row)
    GRID_DECLARE_INDEXED_TEXT(TextArray, index)
    GRID_DECLARE_INDEXED_INTEGER(IsCollapsed, row)
    // Selects from (row, col) to (rowSel, colSel); each not given: the same as row or col.
    virtual void Select(std::int32_t row, std::int32_t col, std::optional<std::int32_t> rowSel = std::nullopt,
                        std::optional<std::int32_t> colSel = std::nullopt) noexcept;
    // Sizes columns col1 to col2; col2 not given: the last column (Cols - 1).
    virtual void AutoSize(std::optional<std::int32_t> col1 = std::nullopt,
                          std::optional<std::int32_t> col2 = std::nullopt, std::optional<bool> equal = std::nullopt,
                          std::optional<std::int32_t> extraSpace = std::nullopt) noexcept;
    virtual void DataRefresh() noexcept;
    virtual void CellBorder(std::int64_t color, std::int16_t left, std::int16_t top, std::int16_t right,
                            std::int16_t bottom, std::int16_t vertical, std::int16_t horizontal) noexcept;
    virtual void OLEDrag() noexcept;
    virtual void SaveGrid(const std::string& fileName, std::int32_t saveWhat,
                          const VARIANT* options = nullptr) noexcept;
    virtual void LoadGrid(const std::string& fileName, std::int32_t loadWhat,
                          const VARIANT* options = nullptr) noexcept;
    virtual void Archive(const std::string& arcFileName, const std::string& fileName, std::int32_t action) noexcept;
    virtual VARIANT* GetArchiveInfo(const std::string& arcFileName, std::int32_t infoType,
                                    const VARIANT* index) noexcept;
    GRID_DECLARE_INDEXED_INTEGER(ColSort, col)
    GRID_DECLARE_INDEXED_TEXT(ColFormat, col)
    GRID_DECLARE_INDEXED_INTEGER(ColDataType, col)
    // The setting of cells (row1, col1) to (row2, col2); each of row2 and col2 not given: the same
    // as row1 or col1, the single cell.
    virtual VARIANT* GetCell(std::int32_t setting, std::int32_t row1, std::int32_t col1,
                             std::optional<std::int32_t> row2 = std::nullopt,
                             std::optional<std::int32_t> col2 = std::nullopt) noexcept;
    virtual bool SetCell(std::int32_t setting, std::int32_t row1, std::int32_t col1, std::optional<std::int32_t> row2,
                         std::optional<std::int32_t> col2, const VARIANT* value) noexcept;
    GRID_DECLARE_INDEXED_INTEGER(RowStatus, row)
    virtual std::int32_t GetFindRow(const VARIANT* item, const VARIANT* row = nullptr, const VARIANT* col = nullptr,
                                    std::optional<bool> caseSensitive = std::nullopt,
                                    std::optional<bool> fullMatch = std::nullopt) noexcept;
    virtual std::int32_t GetFindRowRegex(const std::string& pattern, std::int32_t row, std::int32_t col) noexcept;
    virtual std::string GetComboItem(const VARIANT* index) noexcept;
    virtual std::string GetComboData(const VARIANT* index) noexcept;
    virtual void BindToArray(const VARIANT* variantArray, const VARIANT* rowDim = nullptr,
                             const VARIANT* colDim = nullptr, const VARIANT* pageDim = nullptr,
                             const VARIANT* currentPage = nullptr) noexcept;
    GRID_DECLARE_INDEXED_TEXT(ColEditMask, col)
    GRID_DECLARE_INDEXED_TEXT(ColComboList, col)
    // Read as an integer, written as 16 bits.
    virtual std::int32_t GetRowOutlineLevel(std::int32_t row) noexcept;
    virtual bool SetRowOutlineLevel(std::int32_t row, std::int16_t value) noexcept;
    GRID_DECLARE_INTEGER_GET(SelectedRows)
    GRID_DECLARE_INDEXED_INTEGER_GET(SelectedRow, index)
    GRID_DECLARE_BOOL(ScrollTips)
    GRID_DECLARE_TEXT(ScrollTipText)
    GRID_DECLARE_INDEXED_BOOL(RowHidden, row)
    GRID_DECLARE_INDEXED_BOOL(ColHidden, col)
    GRID_DECLARE_INTEGER(ColWidthMin)
    GRID_DECLARE_INTEGER(ColWidthMax)
    // By name with the range corners as values: the control's answer is not handed back (use
    // GetMergedRangeByDispId for it); the call's outcome stays in the last-call code.
    virtual void GetMergedRange(std::int32_t row, std::int32_t col, std::int32_t r1, std::int32_t c1, std::int32_t r2,
                                std::int32_t c2) noexcept;
    // The range of merged cells that holds (row, col), written into r1, c1, r2, c2 by the control.
    // Without a control nothing is written. Sets no last-call code.
    virtual void GetMergedRangeByDispId(std::int32_t row, std::int32_t col, std::int32_t& r1, std::int32_t& c1,
                                        std::int32_t& r2, std::int32_t& c2) noexcept;
    GRID_DECLARE_INTEGER(ShowComboButton)
    GRID_DECLARE_PICTURE(CellButtonPicture)
    GRID_DECLARE_INTEGER(ComboSearch)
    virtual void LoadArray(const VARIANT* variantArray, const VARIANT* rowDim = nullptr,
                           const VARIANT* colDim = nullptr, const VARIANT* pageDim = nullptr,
                           const VARIANT* currentPage = nullptr) noexcept;
    GRID_DECLARE_BOOL(AutoSizeMouse)
    // By name. When the call succeeds each given variable receives its corner of the selection
    // (row1 as VT_I4), read through GetSelectionByDispId; otherwise the variables keep their values.
    virtual void GetSelection(VARIANT* row1, std::int32_t* col1, std::int32_t* row2, std::int32_t* col2) noexcept;
    // The selection, ordered so that row1 <= row2 and col1 <= col2, written by the control. Without
    // a control nothing is written. Sets no last-call code.
    virtual void GetSelectionByDispId(std::int32_t& row1, std::int32_t& col1, std::int32_t& row2,
                                      std::int32_t& col2) noexcept;
    GRID_DECLARE_TEXT(ClipSeparators)
    virtual void PrintGrid(std::optional<std::string> docName = std::nullopt,
                           std::optional<bool> showDialog = std::nullopt,
                           std::optional<std::int32_t> orientation = std::nullopt,
                           std::optional<std::int32_t> marginLR = std::nullopt,
                           std::optional<std::int32_t> marginTB = std::nullopt) noexcept;
    GRID_DECLARE_INDEXED_INTEGER(ColImageList, col)
    GRID_DECLARE_INDEXED_TEXT(ColKey, col)
    virtual std::int32_t GetColIndex(const std::string& key) noexcept;
    GRID_DECLARE_INTEGER(FrozenRows)
    GRID_DECLARE_INTEGER(FrozenCols)
    GRID_DECLARE_INTEGER(AllowUserFreezing)
    GRID_DECLARE_COLOUR(BackColorFrozen)
    GRID_DECLARE_COLOUR(ForeColorFrozen)
    GRID_DECLARE_OBJECT(FlexDataSource)
    virtual std::int32_t GetNodeRow(std::int32_t row, std::int32_t which) noexcept;
    virtual std::string BuildComboList(std::int32_t rs, const std::string& fieldList, const VARIANT* keyField = nullptr,
                                       const VARIANT* backColor = nullptr) noexcept;
    GRID_DECLARE_PICTURE(NodeOpenPicture)
    GRID_DECLARE_PICTURE(NodeClosedPicture)
    virtual void ShowCell(std::int32_t row, std::int32_t col) noexcept;
    GRID_DECLARE_SINGLE(AutoSearchDelay)
    // The window of the control's cell editor; 0 while no cell is being edited.
    GRID_DECLARE_INTEGER_GET(EditWindow)
    GRID_DECLARE_PICTURE(WallPaper)
    GRID_DECLARE_INTEGER(WallPaperAlignment)
    virtual float GetAggregate(std::int32_t aggregate, std::int32_t row1, std::int32_t col1, std::int32_t row2,
                               std::int32_t col2) noexcept;
    // The control's Position for the row.
    virtual std::int32_t DragRow(std::int32_t row) noexcept;
    // A new node wrapper on the outline node of `row`, holding an empty value when the call fails;
    // the caller owns it (Destroy, then delete). Null only when it cannot allocate.
    virtual GridNode* GetNode(std::int32_t row) noexcept;
    virtual VARIANT* GetBookmark(std::int32_t row) noexcept;
    GRID_DECLARE_INDEXED_INTEGER(ColIndent, col)
    virtual void LoadGridURL(const std::string& url, std::int32_t loadWhat, const VARIANT* options) noexcept;
    virtual void FinishEditing(bool cancel) noexcept;
    GRID_DECLARE_TEXT(AccessibleName)
    GRID_DECLARE_TEXT(AccessibleDescription)
    GRID_DECLARE_TEXT(AccessibleValue)
    // A text carried in a VARIANT both ways; a role that does not convert reads as the empty text.
    GRID_DECLARE_TEXT(AccessibleRole)
    GRID_DECLARE_BOOL_GET(IsSearching)
    GRID_DECLARE_INTEGER(Flags)
    GRID_DECLARE_INTEGER(MergeCellsFixed)
    GRID_DECLARE_INTEGER(GroupCompare)
    // Picture objects both ways, as the control declares them.
    GRID_DECLARE_OBJECT(SortAscendingPicture)
    GRID_DECLARE_OBJECT(SortDescendingPicture)
    // Borders around cells (row1, col1) to (row2, col2); each of row2 and col2 not given: the same
    // as row1 or col1.
    virtual void CellBorderRange(std::int32_t row1, std::int32_t col1, std::optional<std::int32_t> row2,
                                 std::optional<std::int32_t> col2, std::int64_t color, std::int16_t left,
                                 std::int16_t top, std::int16_t right, std::int16_t bottom, std::int16_t vertical,
                                 std::int16_t horizontal) noexcept;
    // The selection to and from the clipboard as text.
    virtual void Cut() noexcept;
    virtual void Copy() noexcept;
    virtual void Paste() noexcept;
    virtual void Delete() noexcept;

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

    // Declared after every operation, so that its table entries follow the operations table.
    // Destroy releases; the destructor only frees what Destroy left.
    virtual ~GridControl();

    // The control's interface as GetDispatch gives it (owned, from the framework's allocator);
    // null or holding a null interface while there is no control.
    ComObjectValue* control = nullptr;
    // The owned host-object variable holding this object's AxObject.
    std::unique_ptr<AxObjectVariable, HostObjectDeleter> hostObject;
    // The "AtlAxWin" child window, null until created.
    HWND hostWindow = nullptr;

private:
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
