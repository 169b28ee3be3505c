// GridControl's properties without an index, and the fill operations that write many cells with
// the grid's redrawing suspended.
#include "grid/grid_control.h"

#include "framework/exception_boundary.h"
#include "framework/text_split.h"

GRID_PROPERTIES_BEFORE_FILL(GRID_DEFINE_PROPERTY)

void GridControl::FillCells(const std::vector<std::string>& cells, std::int32_t rowCount, std::int32_t colCount,
                            std::optional<std::int32_t> firstRow, std::optional<std::int32_t> firstCol) noexcept
{
    SuspendRedraw();
    const std::int64_t count = static_cast<std::int64_t>(cells.size());
    for (std::int32_t i = 1; i <= rowCount; ++i) {
        for (std::int32_t j = 1; j <= colCount; ++j) {
            std::int64_t k = static_cast<std::int64_t>(i - 1) * colCount + j;
            if (k <= count)
                SetTextMatrix(firstRow.value_or(0) + i - 1, firstCol.value_or(0) + j - 1,
                              cells[static_cast<std::size_t>(k - 1)]);
        }
    }
    ResumeRedraw();
    Refresh();
}

void GridControl::FillPieces(const std::string& text, const std::optional<std::string>& delimiter, std::int32_t row,
                             std::int32_t col, std::int32_t rowStep, std::int32_t colStep) noexcept
{
    // Without memory for the pieces nothing is filled.
    std::vector<std::string> pieces;
    if (!RanToEnd([&] { pieces = SplitText(text, delimiter.value_or("|")); }))
        return;
    SuspendRedraw();
    for (const std::string& piece : pieces) {
        SetTextMatrix(row, col, piece);
        row += rowStep;
        col += colStep;
    }
    ResumeRedraw();
    Refresh();
}

void GridControl::FillColumn(const std::string& text, std::optional<std::string> delimiter, std::int32_t column,
                             std::optional<std::int32_t> firstRow) noexcept
{
    FillPieces(text, delimiter, firstRow.value_or(0), column, 1, 0);
}

void GridControl::FillRow(const std::string& text, std::optional<std::string> delimiter, std::int32_t row,
                          std::optional<std::int32_t> firstCol) noexcept
{
    FillPieces(text, delimiter, row, firstCol.value_or(0), 0, 1);
}

GRID_PROPERTIES_AFTER_FILL(GRID_DEFINE_PROPERTY)
