// Test support for GridControl against the program's own grid control: registers vsflex8.ocx
// in-process once, gives each test a hidden parent window and a GridControl hosting the grid with
// cells of 100 x 20 pixels, and reaches the grid by dispatch id where a test checks what a
// wrapper operation did.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "grid/grid_control.h"
#include "grid_registration.h"

class GridControlTest : public ::testing::Test {
protected:
    static constexpr DISPID kRows = 224, kCols = 1, kFixedRows = 4, kFixedCols = 5, kRow = 10, kCol = 11,
                            kHwnd = 88, kEditable = 67, kColWidth = 119, kRowHeight = 120, kEditWindow = 199;

    static void SetUpTestSuite()
    {
        // Progress must survive a crash inside a control call.
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        CoInitialize(nullptr);
        ASSERT_EQ(AxHostNotify(1, RuntimeService), 0);
        HMODULE ocx = nullptr;
        LoadAndRegisterGridControl(&ocx);
    }

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
        grid_->hostWindow = CreateControl(grid_->hostObject, parent_, "VSFlexGrid8.VSFlexGridADO.1", 0, 0, 380, 260, 0);
        ASSERT_NE(grid_->hostWindow, nullptr);
        ComObjectValue* dispatch = GetDispatch(grid_->hostObject);
        ASSERT_NE(dispatch, nullptr);
        if (grid_->control != nullptr && grid_->control->object != nullptr)
            grid_->control->object->Release();
        AxRuntimeFree(grid_->control);
        grid_->control = dispatch;
        Put(kRows, "0I", {5});
        Put(kCols, "0I", {3});
        Put(kFixedRows, "0I", {1});
        Put(kFixedCols, "0I", {1});
        Put(kRowHeight, "0I0I", {static_cast<std::uint32_t>(-1), 300});
        Put(kColWidth, "0I0I", {static_cast<std::uint32_t>(-1), 1500});
    }

    AxObject& Host() const { return **grid_->hostObject; }

    std::uint64_t Call(DISPID id, WORD flags, const char* signature, const std::vector<std::uint32_t>& words) const
    {
        return InvokeByDispId(grid_->hostObject, id, flags, signature, 0,
                              static_cast<std::int32_t>(std::strlen(signature) / 2), words.data());
    }
    void Put(DISPID id, const char* signature, const std::vector<std::uint32_t>& words) const
    {
        ASSERT_EQ(Call(id, DISPATCH_PROPERTYPUT, signature, words), 0u) << "member " << id;
    }
    std::int32_t GetNumber(DISPID id) const
    {
        return static_cast<std::int32_t>(Call(id, DISPATCH_PROPERTYGET, "", {}));
    }
    HWND GridWindow() const { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(GetNumber(kHwnd))); }
    // Client point of the middle of a cell.
    static LPARAM CellPoint(int row, int col) { return MAKELPARAM(col * 100 + 50, row * 20 + 10); }

    HWND parent_ = nullptr;
    std::unique_ptr<GridControl> grid_;
};
