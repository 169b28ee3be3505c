#include "ui/main_window_setup.h"

void SetUpMainWindow() {}
