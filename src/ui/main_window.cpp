#include "ui/main_window.h"

#include "ui/main_window_handlers.h"
#include "ui/history_grid_handlers.h"

FormTemplate MainWindowTemplate()
{
    FormTemplate layout;
    layout.className = "ChengjianMainWindow";
    layout.left = 50;
    layout.top = 50;
    layout.width = 554;
    layout.height = 581;
    layout.centreOnScreen = true;
    layout.sizable = false;
    layout.minimizeBox = true;
    layout.maximizeBox = false;
    return layout;
}

Form& MainWindow()
{
    static Form window(MainWindowTemplate());
    static const bool bound = [] {
        window.Bind(kFormMoved, OnMainWindowMoved);
        window.Bind(kFormLostFocus, OnMainWindowLostFocus);
        return true;
    }();
    (void)bound;
    return window;
}

Menu& TrayMenu()
{
    static Menu menu(MainWindow(), "托盘菜单",
                     {{"打开主窗口", OnTrayMenuOpenMainWindow}, {"-"}, {"关于", OnTrayMenuAbout},
                      {"退出", OnTrayMenuExit}});
    return menu;
}

Menu& GridMenu()
{
    static Menu menu(MainWindow(), "右键菜单", {{"复制", OnGridMenuCopy}, {"-"}, {"更多...", OnGridMenuMore}});
    return menu;
}

Menu& CellMenu()
{
    static Menu menu(MainWindow(), "单元格右键", {{"全选"}, {"复制", OnCellMenuCopy}});
    return menu;
}
