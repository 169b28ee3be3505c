// Test support for GridControl against the program's own grid control: registers vsflex8.ocx
// in-process once and gives each test a hidden parent window and a GridControl, which CreateGrid
// makes host the grid with cells of 100 x 20 pixels.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>

#include "grid/grid_control.h"
#include "grid_registration.h"

class GridControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartGridTestProcess(); }

    void SetUp() override
    {
        parent_ = CreateWindowExA(0, "STATIC", "grid test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        grid_ = std::make_unique<GridControl>();
        ASSERT_NE(grid_->hostObject, nullptr);
    }

    void TearDown() override
    {
        grid_.reset();
        DestroyWindow(parent_);
    }

    // Hosts the grid: 5 rows and 3 columns, one of each fixed, rows 20 and columns 100 pixels.
    void CreateGrid()
    {
        GridCreateValues values;
        values.width = 380;
        values.height = 260;
        values.rows = 5;
        values.cols = 3;
        values.rowHeight = 300;
        ASSERT_NE(grid_->Create(parent_, values), nullptr);
        ASSERT_TRUE(grid_->SetColWidth(-1, 1500));
    }

    AxObject& Host() const { return **grid_->hostObject; }
    HWND GridWindow() const { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(grid_->GethWnd())); }
    // Client point of the middle of a cell.
    static LPARAM CellPoint(int row, int col) { return MAKELPARAM(col * 100 + 50, row * 20 + 10); }

    HWND parent_ = nullptr;
    std::unique_ptr<GridControl> grid_;
};
