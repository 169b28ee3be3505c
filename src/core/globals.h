// The program's global objects and variables; they live from start to exit.
#pragma once

#include <windows.h>

#include "db/sqlite_database.h"
#include "desktop/memory_module.h"
#include "desktop/tray_icon.h"
#include "framework/byte_set.h"
#include "grid/grid_control.h"

extern GridControl* g_grid;
extern SqliteDatabase* g_database;
extern TrayIcon* g_tray;
extern MemoryModule* g_skinModule;

extern HWND g_runningInstanceWindow;  // main window of an already running instance, from "system"
extern ByteSet g_skinData;            // the skin resource while the skin is attached
extern ByteSet g_viewerPicture;       // the picture that the picture viewer shows

// Makes the four global objects: grid, database, tray icon (initialised at once), DLL loader.
void CreateGlobalObjects();
// Releases them in the same order: grid, database, tray icon, skin data, loader, viewer picture.
void ReleaseGlobalObjects();
