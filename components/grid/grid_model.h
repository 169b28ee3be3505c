// GridModel: the grid's cells, layout and look, in the units of the control's members (twips, OLE colours).
// It knows nothing of windows or COM; grid_window.cpp draws it and grid_members.cpp changes it.
#pragma once

#include "picture_store.h"
#include "stored_text.h"

#include <windows.h>
#include <olectl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace vsflex {

struct GridCell {
    StoredText text;
    std::shared_ptr<const StoredPicture> picture;
};

struct GridRowData {
    std::vector<GridCell> cells;
    int height = -1;  // twips; -1 = the default height
    bool hidden = false;
};

struct GridColData {
    int width = -1;  // twips; -1 = the default width
    bool hidden = false;
};

// One of the grid's two directions: the rows, sized by their heights, or the columns, sized by their
// widths. What is the same along both (sizes, hidden lines, the layout in view) is written once.
enum class Axis { Rows, Cols };

class GridModel {
public:
    GridModel() { SetRows(50); SetCols(10); }

    int rows() const noexcept { return int(rows_.size()); }
    int cols() const noexcept { return int(cols_.size()); }

    // Resizing keeps the cells that still fit; new cells are empty.
    void SetRows(int count)
    {
        rows_.resize(std::size_t(std::max(count, 0)));
        for (auto& row : rows_)
            row.cells.resize(cols_.size());
        ClampPositions();
    }
    void SetCols(int count)
    {
        cols_.resize(std::size_t(std::max(count, 0)));
        for (auto& row : rows_)
            row.cells.resize(cols_.size());
        ClampPositions();
    }
    // Inserts a row at `at` (clamped to 0..rows) holding the tab-separated pieces of `item`.
    void InsertRow(int at, const std::wstring& item)
    {
        at = std::clamp(at, 0, rows());
        GridRowData row;
        row.cells.resize(cols_.size());
        std::size_t start = 0;
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            std::size_t end = item.find(L'\t', start);
            const std::size_t stop = end == std::wstring::npos ? item.size() : end;
            row.cells[c].text = StoredText(item.data() + start, stop - start);
            if (end == std::wstring::npos)
                break;
            start = end + 1;
        }
        rows_.insert(rows_.begin() + at, std::move(row));
    }
    // Removes one row; false when there is no such row.
    bool RemoveRow(int at)
    {
        if (at < 0 || at >= rows())
            return false;
        rows_.erase(rows_.begin() + at);
        ClampPositions();
        return true;
    }

    bool ValidCell(int r, int c) const noexcept { return r >= 0 && c >= 0 && r < rows() && c < cols(); }
    GridCell* cell(int r, int c) noexcept { return ValidCell(r, c) ? &rows_[r].cells[c] : nullptr; }
    int RowHeight(int r) const noexcept { return LineSize(Axis::Rows, r); }
    int ColWidth(int c) const noexcept { return LineSize(Axis::Cols, c); }

    // Along an axis: its lines (rows or columns), how many of them are fixed, and the first scrolled
    // one in view. A line index must be below Lines().
    int Lines(Axis axis) const noexcept { return axis == Axis::Rows ? rows() : cols(); }
    int FixedLines(Axis axis) const noexcept { return axis == Axis::Rows ? fixedRows : fixedCols; }
    int FirstScrolled(Axis axis) const noexcept { return axis == Axis::Rows ? topRow : leftCol; }
    // A line's size in twips: its own, or the axis's default when it has none of its own.
    int LineSize(Axis axis, int i) const noexcept
    {
        const int own = axis == Axis::Rows ? rows_[i].height : cols_[i].width;
        return own < 0 ? (axis == Axis::Rows ? defaultRowHeight : defaultColWidth) : own;
    }
    // Gives one line a size of its own.
    void SetLineSize(Axis axis, int i, int twips) noexcept
    {
        (axis == Axis::Rows ? rows_[i].height : cols_[i].width) = twips;
    }
    // Sets the axis's default size and lets every line take it: their own sizes are dropped.
    void SetDefaultLineSize(Axis axis, int twips) noexcept
    {
        (axis == Axis::Rows ? defaultRowHeight : defaultColWidth) = twips;
        for (int i = 0; i < Lines(axis); ++i)
            SetLineSize(axis, i, -1);
    }
    bool LineHidden(Axis axis, int i) const noexcept { return axis == Axis::Rows ? rows_[i].hidden : cols_[i].hidden; }
    void SetLineHidden(Axis axis, int i, bool hidden) noexcept
    {
        (axis == Axis::Rows ? rows_[i].hidden : cols_[i].hidden) = hidden;
    }

    // The selection as an ordered range.
    int SelTop() const noexcept { return std::min(row_, rowSel_); }
    int SelBottom() const noexcept { return std::max(row_, rowSel_); }
    int SelLeft() const noexcept { return std::min(col_, colSel_); }
    int SelRight() const noexcept { return std::max(col_, colSel_); }

    void ClampPositions() noexcept
    {
        fixedRows = std::clamp(fixedRows, 0, rows());
        fixedCols = std::clamp(fixedCols, 0, cols());
        auto clampTo = [](int v, int lo, int count) { return count <= lo ? lo : std::clamp(v, lo, count - 1); };
        row_ = clampTo(row_, fixedRows, rows());
        rowSel_ = clampTo(rowSel_, fixedRows, rows());
        col_ = clampTo(col_, fixedCols, cols());
        colSel_ = clampTo(colSel_, fixedCols, cols());
        topRow = clampTo(topRow, fixedRows, rows());
        leftCol = clampTo(leftCol, fixedCols, cols());
    }

    int row_ = 1, col_ = 1, rowSel_ = 1, colSel_ = 1;
    int topRow = 1, leftCol = 1;
    int fixedRows = 1, fixedCols = 1;
    int defaultRowHeight = 285, defaultColWidth = 960;
    int mouseRow = -1, mouseCol = -1;
    int editable = 0, flags = 0, gridLines = 1, gridLinesFixed = 1, scrollBars = 3, highLight = 1, focusRect = 1;
    bool extendLastCol = false, wordWrap = false, redraw = true;
    OLE_COLOR backColor = 0x80000005, foreColor = 0x80000008, backColorFixed = 0x8000000F,
              foreColorFixed = 0x80000012, backColorSel = 0x8000000D, foreColorSel = 0x8000000E,
              backColorBkg = 0x8000000C, gridColor = 0xC0C0C0, gridColorFixed = 0x808080;
    std::wstring fontName = L"Tahoma";
    double fontSize = 8.25;
    bool fontBold = false, fontItalic = false, fontUnderline = false, fontStrikethru = false;

private:
    std::vector<GridRowData> rows_;
    std::vector<GridColData> cols_;
};

}  // namespace vsflex
