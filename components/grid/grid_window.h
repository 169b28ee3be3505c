// GridWindow: the grid's child window (drawing, mouse, keyboard, scrolling, the in-place editor and
// the clipboard copy), as operations on a GridObject that the members and the window procedure share.
#pragma once

#include "grid_object.h"

namespace vsflex {

class GridWindow {
public:
    // Redraws the window and brings the scroll bars up to date; nothing when there is no window.
    static void Refresh(GridObject& grid) noexcept;
    // Moves the current cell and selection; with `fire`, tells the sinks as a user's move would.
    static void MoveTo(GridObject& grid, int row, int col, int rowSel, int colSel, bool fire) noexcept;
    // Scrolls so that the cell is in view (fixed cells are always in view).
    static void ShowCell(GridObject& grid, int row, int col) noexcept;
    // Starts editing the current cell when the grid is editable and the sinks agree; `initial` replaces the text.
    static bool StartEdit(GridObject& grid, const wchar_t* initial = nullptr) noexcept;
    // Ends editing: `accept` writes the editor's text to the cell unless ValidateEdit cancels. False when refused.
    // A ValidateEdit handler that ends the edit itself, or takes the editor away, leaves the cell as it was.
    static bool FinishEdit(GridObject& grid, bool accept) noexcept;
    // The editor's window while a cell is edited, else null.
    static HWND EditWindow(const GridObject& grid) noexcept;
    // Puts the selection on the clipboard as tab/CR-LF separated text, owned by the grid's window.
    static bool CopySelection(GridObject& grid) noexcept;
    // The selection as text, rows separated by CR-LF and cells by tabs.
    static std::wstring SelectionText(GridObject& grid);
};

}  // namespace vsflex
