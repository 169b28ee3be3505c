// The main window's set-up: tray icon, skin, grid control installation, creation and layout.
#pragma once

void SetUpMainWindow();
