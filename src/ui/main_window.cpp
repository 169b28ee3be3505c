#include "ui/main_window.h"

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
    return window;
}
