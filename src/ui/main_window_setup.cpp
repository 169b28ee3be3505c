#include "ui/main_window_setup.h"

#include <cstdint>

#include "core/globals.h"
#include "core/history_view.h"
#include "desktop/grid_control_install.h"
#include "desktop/skin_engine.h"
#include "ui/history_grid.h"
#include "ui/history_grid_handlers.h"
#include "ui/main_window.h"
#include "ui/tray_callback.h"

namespace {

constexpr std::int32_t kFlexDTString = 8;
constexpr std::int32_t kFlexCFAutoClipboard = 2;
constexpr std::int32_t kFlexHighlightNever = 0;

// The history grid's starting layout: no rows, three columns of which the first is fixed, rows of
// 24 mm, editable cells, the last column stretched. The values left out take Create's defaults.
GridCreateValues HistoryGridValues()
{
    GridCreateValues values;
    values.x = 0;
    values.y = 0;
    values.borderStyle = 0;
    values.rows = 0;
    values.cols = 3;
    values.fixedRows = 0;
    values.fixedCols = 1;
    values.rowHeight = static_cast<std::int32_t>(MillimetresToTwips(24));
    values.allowUserResizing = 0;
    values.allowBigSelection = false;
    values.explorerBar = 0;
    values.editable = 2;
    values.extendLastCol = true;
    values.scrollTips = false;
    values.scrollTipText = std::string();
    values.scrollTrack = false;
    return values;
}

} // namespace

void SetUpMainWindow()
{
    Form& window = MainWindow();
    HWND handle = window.GetHandle();
    g_tray->Add(handle, nullptr, window.GetCaption());
    g_tray->HookWindow(ToSubprogramPointer(&OnTrayMouse));
    AttachSkin(g_skinModule, g_skinData, SkinResource());
    InstallGridControl();

    GridControl& grid = *g_grid;
    grid.Create(window.GetHandle(), HistoryGridValues());
    grid.SetAccessibleName("不告诉你");
    grid.SetColHidden(2, true);
    grid.SetBackColorBkg(0xFFFFFF);
    grid.SetWordWrap(true);
    grid.SetFontName("微软雅黑");
    grid.SetColWidth(-1, static_cast<std::int32_t>(MillimetresToTwips(42)));
    grid.SetColDataType(1, kFlexDTString);
    grid.SetFlags(kFlexCFAutoClipboard);
    grid.SetHighLight(kFlexHighlightNever);
    grid.ShowCell(0, 0);
    grid.BindDblClick(ToSubprogramPointer(&OnGridDoubleClick));
    grid.BindKeyDown(ToSubprogramPointer(&OnGridKeyDown));
    grid.BindMouseDown(ToSubprogramPointer(&OnGridMouseDown));
    grid.BindMouseUp(ToSubprogramPointer(&OnGridMouseUp));
    // Captures are shown as the grid's newest rows from now on.
    SetHistoryView(&AddGridRow);
}
