// TextArray2D: a two-dimensional array of texts whose rows and columns are both counted from 1.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class TextArray2D {
public:
    // Re-dimensions to rows x columns; every text it held is released and every cell starts empty.
    void Redim(int rows, int columns)
    {
        rows_ = rows > 0 ? rows : 0;
        columns_ = columns > 0 ? columns : 0;
        cells_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(columns_), std::string());
    }
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    // Cell (row, column), both counted from 1.
    std::string& At(int row, int column) { return cells_[Index(row, column)]; }
    const std::string& At(int row, int column) const { return cells_[Index(row, column)]; }

private:
    std::size_t Index(int row, int column) const
    {
        return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(column - 1);
    }
    int rows_ = 0;
    int columns_ = 0;
    std::vector<std::string> cells_;
};
