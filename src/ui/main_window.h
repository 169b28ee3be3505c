// MainWindow: the history window, a form of 554 x 581 pixels with a fixed border and only a
// minimise button, centred on the screen.
#pragma once

#include "framework/form.h"

FormTemplate MainWindowTemplate();
Form& MainWindow();
