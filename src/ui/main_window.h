// MainWindow: the history window, a form of 554 x 581 pixels with a fixed border and only a
// minimise button, centred on the screen; and its three menus, used only as pop-ups: TrayMenu
// ("托盘菜单"), GridMenu ("右键菜单") and CellMenu ("单元格右键").
#pragma once

#include "framework/form.h"
#include "framework/menu.h"

FormTemplate MainWindowTemplate();
// The one main window. Its moved and lost-focus events are bound here; the created and may-close
// events belong to the start-up.
Form& MainWindow();

Menu& TrayMenu();
Menu& GridMenu();
// Exists with the window; nothing pops it up.
Menu& CellMenu();
