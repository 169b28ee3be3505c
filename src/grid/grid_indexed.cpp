// GridControl's indexed properties and methods: members that take a row, column or item index
// besides the value, the control's methods and the plain properties declared among them.
#include "grid/grid_control.h"

std::int32_t GridControl::GetRowHeight(std::int32_t row) noexcept
{
    return TruncateToInt32(RtComGetNumber(control, "RowHeight", {ComArgument::Int32(row)}));
}

bool GridControl::SetRowHeight(std::int32_t row, std::int32_t value) noexcept
{
    return RtComSetProperty(control, "RowHeight", {ComArgument::Int32(row)}, ComArgument::Int32(value));
}

std::string GridControl::GetTextMatrix(std::int32_t row, std::int32_t col) noexcept
{
    return RtComGetText(control, "TextMatrix", {ComArgument::Int32(row), ComArgument::Int32(col)});
}

bool GridControl::SetTextMatrix(std::int32_t row, std::int32_t col, const std::string& value) noexcept
{
    return RtComSetProperty(control, "TextMatrix", {ComArgument::Int32(row), ComArgument::Int32(col)},
                            ComArgument::Text(value));
}

void GridControl::Refresh() noexcept
{
    RtComCall(control, "Refresh");
}

GRID_DEFINE_BOOL(ScrollTips)
GRID_DEFINE_TEXT(ScrollTipText)
GRID_DEFINE_BOOL(AutoSizeMouse)
GRID_DEFINE_INTEGER_GET(EditWindow)
