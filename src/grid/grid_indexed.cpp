// GridControl's indexed properties and methods: members that take a row, column or item index
// besides the value, the control's methods and the plain properties declared among them.
#include "grid/grid_control.h"

#include "framework/exception_boundary.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"

namespace {

// The dispatch ids of the two methods that hand their results back through the caller's variables.
constexpr DISPID kGetMergedRangeId = 175;
constexpr DISPID kGetSelectionId = 181;

// VARIANTs of the operation's own, cleared when the operation ends: each is built zeroed, as an
// empty owner's is, and then handed to its owner. A text is a wide string (an empty BSTR for the
// empty text).
UniqueVariant TextVariant(const std::string& text) noexcept
{
    VARIANT value{};
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = BstrFromAnsi(text).release();
    return UniqueVariant(value);
}

UniqueVariant Int32Variant(std::int32_t number) noexcept
{
    VARIANT value{};
    V_VT(&value) = VT_I4;
    V_I4(&value) = number;
    return UniqueVariant(value);
}

UniqueVariant BoolVariant(bool truth) noexcept
{
    VARIANT value{};
    V_VT(&value) = VT_BOOL;
    V_BOOL(&value) = truth ? VARIANT_TRUE : VARIANT_FALSE;
    return UniqueVariant(value);
}

// The text of a VARIANT read from the control, which is then cleared and freed; the empty text for
// a value that does not change to a wide string or has no memory for its GBK copy.
std::string TakeVariantText(VARIANT* read) noexcept
{
    UniqueVariant wide;
    std::string text;
    if (read != nullptr && SUCCEEDED(VariantChangeType(wide.put(), read, 0, VT_BSTR)))
        text = NoThrow(std::string(), [&] { return AnsiFromBstr(V_BSTR(&wide.get())); });
    FreeVariantValue(read);
    return text;
}

std::uint32_t AddressWord(std::int32_t& variable) noexcept
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&variable));
}

}  // namespace

GRID_DEFINE_INDEXED_INTEGER(ColAlignment, col)
GRID_DEFINE_INDEXED_INTEGER(ColWidth, col)

std::int32_t GridControl::GetRowHeight(std::int32_t row) noexcept
{
    return TruncateToInt32(RtComGetNumber(control, "RowHeight", {ComArgument::Int32(row)}));
}

bool GridControl::SetRowHeight(std::int32_t row, std::int32_t value) noexcept
{
    return RtComSetProperty(control, "RowHeight", {ComArgument::Int32(row)}, ComArgument::Int32(value));
}

GRID_DEFINE_INDEXED_BOOL(MergeRow, row)
GRID_DEFINE_INDEXED_BOOL(MergeCol, col)
GRID_DEFINE_INDEXED_INTEGER_PUT(RowPosition, row)
GRID_DEFINE_INDEXED_INTEGER_PUT(ColPosition, col)

VARIANT* GridControl::GetRowData(std::int32_t row) noexcept
{
    return RtComGetVariant(control, "RowData", {ComArgument::Int32(row)});
}

bool GridControl::SetRowData(std::int32_t row, const VARIANT* value) noexcept
{
    return RtComSetProperty(control, "RowData", {ComArgument::Int32(row)}, ComArgument::Variant(value));
}

std::string GridControl::GetColData(std::int32_t col) noexcept
{
    return TakeVariantText(RtComGetVariant(control, "ColData", {ComArgument::Int32(col)}));
}

bool GridControl::SetColData(std::int32_t col, const VARIANT* value) noexcept
{
    return RtComSetProperty(control, "ColData", {ComArgument::Int32(col)}, ComArgument::Variant(value));
}

void GridControl::AddItem(const std::string& item, std::optional<std::int32_t> row) noexcept
{
    const std::int32_t place = row.has_value() ? *row : GetRows();
    RtComCall(control, "AddItem", {ComArgument::Text(item), ComArgument::Int32(place)});
}

void GridControl::RemoveItem(std::int32_t row) noexcept
{
    RtComCall(control, "RemoveItem", {ComArgument::Int32(row)});
}

std::string GridControl::GetTextMatrix(std::int32_t row, std::int32_t col) noexcept
{
    return RtComGetText(control, "TextMatrix", {ComArgument::Int32(row), ComArgument::Int32(col)});
}

bool GridControl::SetTextMatrix(std::int32_t row, std::int32_t col, const std::string& value) noexcept
{
    return RtComSetProperty(control, "TextMatrix", {ComArgument::Int32(row), ComArgument::Int32(col)},
                            ComArgument::BorrowedText(value));
}

bool GridControl::SetTextMatrix(std::int32_t row, std::int32_t col, BSTR value) noexcept
{
    return RtComSetProperty(control, "TextMatrix", {ComArgument::Int32(row), ComArgument::Int32(col)},
                            ComArgument::BorrowedBstr(value));
}

void GridControl::Clear(const VARIANT* where, const VARIANT* what) noexcept
{
    RtComCall(control, "Clear", {ComArgument::Variant(where), ComArgument::Variant(what)});
}

void GridControl::EditCell() noexcept
{
    RtComCall(control, "EditCell");
}

double GridControl::GetValueMatrix(std::int32_t row, std::int32_t col) noexcept
{
    return RtComGetNumber(control, "ValueMatrix", {ComArgument::Int32(row), ComArgument::Int32(col)});
}

GRID_DEFINE_INDEXED_BOOL(IsSubtotal, row)

void GridControl::Subtotal(std::int32_t function, std::optional<std::int32_t> groupOn,
                           std::optional<std::int32_t> totalOn, std::optional<std::string> format,
                           std::optional<std::int32_t> backColor, std::optional<std::int32_t> foreColor,
                           std::optional<bool> fontBold, std::optional<std::string> caption,
                           std::optional<std::int32_t> matchFrom, std::optional<bool> totalOnly) noexcept
{
    RtComCall(control, "Subtotal",
              {ComArgument::Int32(function), ComArgument::Int32(groupOn.value_or(0)),
               ComArgument::Int32(totalOn.value_or(0)), ComArgument::Text(format.value_or("")),
               ComArgument::Int32(backColor.value_or(0)), ComArgument::Int32(foreColor.value_or(0)),
               ComArgument::Bool(fontBold.value_or(false)), ComArgument::Text(caption.value_or("")),
               ComArgument::Int32(matchFrom.value_or(0)), ComArgument::Bool(totalOnly.value_or(false))});
}

void GridControl::Refresh() noexcept
{
    RtComCall(control, "Refresh");
}

void GridControl::Outline(std::int16_t level) noexcept
{
    RtComCall(control, "Outline", {ComArgument::Int16(level)});
}

GRID_DEFINE_INDEXED_INTEGER(FixedAlignment, col)
GRID_DEFINE_INDEXED_BOOL_GET(RowIsVisible, row)
GRID_DEFINE_INDEXED_BOOL_GET(ColIsVisible, col)
GRID_DEFINE_INDEXED_INTEGER_GET(RowPos, row)
GRID_DEFINE_INDEXED_INTEGER_GET(ColPos, col)
GRID_DEFINE_INDEXED_BOOL(IsSelected, row)
GRID_DEFINE_INDEXED_TEXT(TextArray, index)
GRID_DEFINE_INDEXED_INTEGER(IsCollapsed, row)

void GridControl::Select(std::int32_t row, std::int32_t col, std::optional<std::int32_t> rowSel,
                         std::optional<std::int32_t> colSel) noexcept
{
    RtComCall(control, "Select",
              {ComArgument::Int32(row), ComArgument::Int32(col), ComArgument::Int32(rowSel.value_or(row)),
               ComArgument::Int32(colSel.value_or(col))});
}

void GridControl::AutoSize(std::optional<std::int32_t> col1, std::optional<std::int32_t> col2,
                           std::optional<bool> equal, std::optional<std::int32_t> extraSpace) noexcept
{
    // The last column's index, worked out as the control's number would be.
    const std::int32_t last = col2.has_value() ? *col2 : TruncateToInt32(static_cast<double>(GetCols()) - 1.0);
    RtComCall(control, "AutoSize",
              {ComArgument::Int32(col1.value_or(0)), ComArgument::Int32(last), ComArgument::Bool(equal.value_or(false)),
               ComArgument::Int32(extraSpace.value_or(0))});
}

void GridControl::DataRefresh() noexcept
{
    RtComCall(control, "DataRefresh");
}

void GridControl::CellBorder(std::int64_t color, std::int16_t left, std::int16_t top, std::int16_t right,
                             std::int16_t bottom, std::int16_t vertical, std::int16_t horizontal) noexcept
{
    RtComCall(control, "CellBorder",
              {ComArgument::Int64(color), ComArgument::Int16(left), ComArgument::Int16(top), ComArgument::Int16(right),
               ComArgument::Int16(bottom), ComArgument::Int16(vertical), ComArgument::Int16(horizontal)});
}

void GridControl::OLEDrag() noexcept
{
    RtComCall(control, "OLEDrag");
}

void GridControl::SaveGrid(const std::string& fileName, std::int32_t saveWhat, const VARIANT* options) noexcept
{
    RtComCall(control, "SaveGrid",
              {ComArgument::Text(fileName), ComArgument::Int32(saveWhat), ComArgument::Variant(options)});
}

void GridControl::LoadGrid(const std::string& fileName, std::int32_t loadWhat, const VARIANT* options) noexcept
{
    RtComCall(control, "LoadGrid",
              {ComArgument::Text(fileName), ComArgument::Int32(loadWhat), ComArgument::Variant(options)});
}

void GridControl::Archive(const std::string& arcFileName, const std::string& fileName, std::int32_t action) noexcept
{
    RtComCall(control, "Archive",
              {ComArgument::Text(arcFileName), ComArgument::Text(fileName), ComArgument::Int32(action)});
}

VARIANT* GridControl::GetArchiveInfo(const std::string& arcFileName, std::int32_t infoType,
                                     const VARIANT* index) noexcept
{
    return RtComGetVariant(control, "ArchiveInfo",
                           {ComArgument::Text(arcFileName), ComArgument::Int32(infoType), ComArgument::Variant(index)});
}

GRID_DEFINE_INDEXED_INTEGER(ColSort, col)
GRID_DEFINE_INDEXED_TEXT(ColFormat, col)
GRID_DEFINE_INDEXED_INTEGER(ColDataType, col)

VARIANT* GridControl::GetCell(std::int32_t setting, std::int32_t row1, std::int32_t col1,
                              std::optional<std::int32_t> row2, std::optional<std::int32_t> col2) noexcept
{
    return RtComGetVariant(control, "Cell",
                           {ComArgument::Int32(setting), ComArgument::Int32(row1), ComArgument::Int32(col1),
                            ComArgument::Int32(row2.value_or(row1)), ComArgument::Int32(col2.value_or(col1))});
}

bool GridControl::SetCell(std::int32_t setting, std::int32_t row1, std::int32_t col1, std::optional<std::int32_t> row2,
                          std::optional<std::int32_t> col2, const VARIANT* value) noexcept
{
    return RtComSetProperty(control, "Cell",
                            {ComArgument::Int32(setting), ComArgument::Int32(row1), ComArgument::Int32(col1),
                             ComArgument::Int32(row2.value_or(row1)), ComArgument::Int32(col2.value_or(col1))},
                            ComArgument::Variant(value));
}

GRID_DEFINE_INDEXED_INTEGER(RowStatus, row)

std::int32_t GridControl::GetFindRow(const VARIANT* item, const VARIANT* row, const VARIANT* col,
                                     std::optional<bool> caseSensitive, std::optional<bool> fullMatch) noexcept
{
    return TruncateToInt32(RtComGetNumber(control, "FindRow",
                                          {ComArgument::Variant(item), ComArgument::Variant(row),
                                           ComArgument::Variant(col), ComArgument::Bool(caseSensitive.value_or(false)),
                                           ComArgument::Bool(fullMatch.value_or(false))}));
}

std::int32_t GridControl::GetFindRowRegex(const std::string& pattern, std::int32_t row, std::int32_t col) noexcept
{
    return TruncateToInt32(RtComGetNumber(
        control, "FindRowRegex", {ComArgument::Text(pattern), ComArgument::Int32(row), ComArgument::Int32(col)}));
}

std::string GridControl::GetComboItem(const VARIANT* index) noexcept
{
    return RtComGetText(control, "ComboItem", {ComArgument::Variant(index)});
}

std::string GridControl::GetComboData(const VARIANT* index) noexcept
{
    return RtComGetText(control, "ComboData", {ComArgument::Variant(index)});
}

void GridControl::BindToArray(const VARIANT* variantArray, const VARIANT* rowDim, const VARIANT* colDim,
                              const VARIANT* pageDim, const VARIANT* currentPage) noexcept
{
    RtComCall(control, "BindToArray",
              {ComArgument::Variant(variantArray), ComArgument::Variant(rowDim), ComArgument::Variant(colDim),
               ComArgument::Variant(pageDim), ComArgument::Variant(currentPage)});
}

GRID_DEFINE_INDEXED_TEXT(ColEditMask, col)
GRID_DEFINE_INDEXED_TEXT(ColComboList, col)
GRID_DEFINE_INDEXED_INTEGER_GET(RowOutlineLevel, row)

bool GridControl::SetRowOutlineLevel(std::int32_t row, std::int16_t value) noexcept
{
    return RtComSetProperty(control, "RowOutlineLevel", {ComArgument::Int32(row)}, ComArgument::Int16(value));
}

GRID_DEFINE_INTEGER_GET(SelectedRows)
GRID_DEFINE_INDEXED_INTEGER_GET(SelectedRow, index)
GRID_DEFINE_BOOL(ScrollTips)
GRID_DEFINE_TEXT(ScrollTipText)
GRID_DEFINE_INDEXED_BOOL(RowHidden, row)
GRID_DEFINE_INDEXED_BOOL(ColHidden, col)
GRID_DEFINE_INTEGER(ColWidthMin)
GRID_DEFINE_INTEGER(ColWidthMax)

void GridControl::GetMergedRange(std::int32_t row, std::int32_t col, std::int32_t r1, std::int32_t c1, std::int32_t r2,
                                 std::int32_t c2) noexcept
{
    RtComCall(control, "GetMergedRange",
              {ComArgument::Int32(row), ComArgument::Int32(col), ComArgument::Int32(r1), ComArgument::Int32(c1),
               ComArgument::Int32(r2), ComArgument::Int32(c2)});
}

void GridControl::GetMergedRangeByDispId(std::int32_t row, std::int32_t col, std::int32_t& r1, std::int32_t& c1,
                                         std::int32_t& r2, std::int32_t& c2) noexcept
{
    const std::uint32_t words[] = {static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(col), AddressWord(r1),
                                   AddressWord(c1), AddressWord(r2), AddressWord(c2)};
    InvokeByDispId(hostObject.get(), kGetMergedRangeId, DISPATCH_METHOD, "0I0I1I1I1I1I", 0, 6, words);
}

GRID_DEFINE_INTEGER(ShowComboButton)
GRID_DEFINE_PICTURE(CellButtonPicture)
GRID_DEFINE_INTEGER(ComboSearch)

void GridControl::LoadArray(const VARIANT* variantArray, const VARIANT* rowDim, const VARIANT* colDim,
                            const VARIANT* pageDim, const VARIANT* currentPage) noexcept
{
    RtComCall(control, "LoadArray",
              {ComArgument::Variant(variantArray), ComArgument::Variant(rowDim), ComArgument::Variant(colDim),
               ComArgument::Variant(pageDim), ComArgument::Variant(currentPage)});
}

GRID_DEFINE_BOOL(AutoSizeMouse)

void GridControl::GetSelection(VARIANT* row1, std::int32_t* col1, std::int32_t* row2, std::int32_t* col2) noexcept
{
    // The control declares the four corners as inputs, so the by-name call writes nothing back; an
    // output variable not yet holding a value goes as 0 rather than as a missing argument.
    const bool firstRowSet = row1 != nullptr && V_VT(row1) != VT_EMPTY;
    RtComCall(control, "GetSelection",
              {firstRowSet ? ComArgument::VariantVariable(row1) : ComArgument::Int32(0),
               ComArgument::Int32Variable(col1), ComArgument::Int32Variable(row2), ComArgument::Int32Variable(col2)});
    if (RtComLastCode() != kRtComOk)
        return;
    std::int32_t top = 0, left = 0, bottom = 0, right = 0;
    GetSelectionByDispId(top, left, bottom, right);
    if (row1 != nullptr)
        ReplaceVariant(*row1, Int32Variant(top));
    for (auto [variable, value] : {std::pair{col1, left}, std::pair{row2, bottom}, std::pair{col2, right}}) {
        if (variable != nullptr)
            *variable = value;
    }
}

void GridControl::GetSelectionByDispId(std::int32_t& row1, std::int32_t& col1, std::int32_t& row2,
                                       std::int32_t& col2) noexcept
{
    const std::uint32_t words[] = {AddressWord(row1), AddressWord(col1), AddressWord(row2), AddressWord(col2)};
    InvokeByDispId(hostObject.get(), kGetSelectionId, DISPATCH_METHOD, "1I1I1I1I", 0, 4, words);
}

GRID_DEFINE_TEXT(ClipSeparators)

void GridControl::PrintGrid(std::optional<std::string> docName, std::optional<bool> showDialog,
                            std::optional<std::int32_t> orientation, std::optional<std::int32_t> marginLR,
                            std::optional<std::int32_t> marginTB) noexcept
{
    UniqueVariant document = TextVariant(docName.value_or(""));
    UniqueVariant dialog = BoolVariant(showDialog.value_or(false));
    UniqueVariant turn = Int32Variant(orientation.value_or(0));
    UniqueVariant sides = Int32Variant(marginLR.value_or(0));
    UniqueVariant ends = Int32Variant(marginTB.value_or(0));
    RtComCall(control, "PrintGrid",
              {ComArgument::Variant(document.addressof()), ComArgument::Variant(dialog.addressof()),
               ComArgument::Variant(turn.addressof()), ComArgument::Variant(sides.addressof()),
               ComArgument::Variant(ends.addressof())});
}

GRID_DEFINE_INDEXED_INTEGER(ColImageList, col)
GRID_DEFINE_INDEXED_TEXT(ColKey, col)

std::int32_t GridControl::GetColIndex(const std::string& key) noexcept
{
    return TruncateToInt32(RtComGetNumber(control, "ColIndex", {ComArgument::Text(key)}));
}

GRID_DEFINE_INTEGER(FrozenRows)
GRID_DEFINE_INTEGER(FrozenCols)
GRID_DEFINE_INTEGER(AllowUserFreezing)
GRID_DEFINE_COLOUR(BackColorFrozen)
GRID_DEFINE_COLOUR(ForeColorFrozen)
GRID_DEFINE_OBJECT(FlexDataSource)

std::int32_t GridControl::GetNodeRow(std::int32_t row, std::int32_t which) noexcept
{
    return TruncateToInt32(
        RtComCallNumber(control, "GetNodeRow", {ComArgument::Int32(row), ComArgument::Int32(which)}));
}

std::string GridControl::BuildComboList(std::int32_t rs, const std::string& fieldList, const VARIANT* keyField,
                                        const VARIANT* backColor) noexcept
{
    return RtComCallText(control, "BuildComboList",
                         {ComArgument::Int32(rs), ComArgument::Text(fieldList), ComArgument::Variant(keyField),
                          ComArgument::Variant(backColor)});
}

GRID_DEFINE_PICTURE(NodeOpenPicture)
GRID_DEFINE_PICTURE(NodeClosedPicture)

void GridControl::ShowCell(std::int32_t row, std::int32_t col) noexcept
{
    RtComCall(control, "ShowCell", {ComArgument::Int32(row), ComArgument::Int32(col)});
}

GRID_DEFINE_SINGLE(AutoSearchDelay)
GRID_DEFINE_INTEGER_GET(EditWindow)
GRID_DEFINE_PICTURE(WallPaper)
GRID_DEFINE_INTEGER(WallPaperAlignment)

float GridControl::GetAggregate(std::int32_t aggregate, std::int32_t row1, std::int32_t col1, std::int32_t row2,
                                std::int32_t col2) noexcept
{
    return static_cast<float>(RtComGetNumber(control, "Aggregate",
                                             {ComArgument::Int32(aggregate), ComArgument::Int32(row1),
                                              ComArgument::Int32(col1), ComArgument::Int32(row2),
                                              ComArgument::Int32(col2)}));
}

std::int32_t GridControl::DragRow(std::int32_t row) noexcept
{
    return TruncateToInt32(RtComCallNumber(control, "DragRow", {ComArgument::Int32(row)}));
}

GridNode* GridControl::GetNode(std::int32_t row) noexcept
{
    GridNode local;
    UniqueComObjectValue node(RtComCallObject(control, "GetNode", {ComArgument::Int32(row)}));
    local.Attach(node.get());
    node.reset();
    return local.Clone();
}

VARIANT* GridControl::GetBookmark(std::int32_t row) noexcept
{
    return RtComGetVariant(control, "Bookmark", {ComArgument::Int32(row)});
}

GRID_DEFINE_INDEXED_INTEGER(ColIndent, col)

void GridControl::LoadGridURL(const std::string& url, std::int32_t loadWhat, const VARIANT* options) noexcept
{
    RtComCall(control, "LoadGridURL",
              {ComArgument::Text(url), ComArgument::Int32(loadWhat), ComArgument::Variant(options)});
}

void GridControl::FinishEditing(bool cancel) noexcept
{
    RtComCall(control, "FinishEditing", {ComArgument::Bool(cancel)});
}

GRID_DEFINE_TEXT(AccessibleName)
GRID_DEFINE_TEXT(AccessibleDescription)
GRID_DEFINE_TEXT(AccessibleValue)

std::string GridControl::GetAccessibleRole() noexcept
{
    return TakeVariantText(RtComGetVariant(control, "AccessibleRole"));
}

bool GridControl::SetAccessibleRole(const std::string& value) noexcept
{
    UniqueVariant role = TextVariant(value);
    return RtComSetProperty(control, "AccessibleRole", ComArgument::Variant(role.addressof()));
}

GRID_DEFINE_BOOL_GET(IsSearching)
GRID_DEFINE_INTEGER(Flags)
GRID_DEFINE_INTEGER(MergeCellsFixed)
GRID_DEFINE_INTEGER(GroupCompare)
GRID_DEFINE_OBJECT(SortAscendingPicture)
GRID_DEFINE_OBJECT(SortDescendingPicture)

void GridControl::CellBorderRange(std::int32_t row1, std::int32_t col1, std::optional<std::int32_t> row2,
                                  std::optional<std::int32_t> col2, std::int64_t color, std::int16_t left,
                                  std::int16_t top, std::int16_t right, std::int16_t bottom, std::int16_t vertical,
                                  std::int16_t horizontal) noexcept
{
    RtComCall(control, "CellBorderRange",
              {ComArgument::Int32(row1), ComArgument::Int32(col1), ComArgument::Int32(row2.value_or(row1)),
               ComArgument::Int32(col2.value_or(col1)), ComArgument::Int64(color), ComArgument::Int16(left),
               ComArgument::Int16(top), ComArgument::Int16(right), ComArgument::Int16(bottom),
               ComArgument::Int16(vertical), ComArgument::Int16(horizontal)});
}

void GridControl::Cut() noexcept
{
    RtComCall(control, "Cut");
}

void GridControl::Copy() noexcept
{
    RtComCall(control, "Copy");
}

void GridControl::Paste() noexcept
{
    RtComCall(control, "Paste");
}

void GridControl::Delete() noexcept
{
    RtComCall(control, "Delete");
}
