#include "core/globals.h"

GridControl* g_grid = nullptr;
SqliteDatabase* g_database = nullptr;
TrayIcon* g_tray = nullptr;
MemoryModule* g_skinModule = nullptr;

HWND g_runningInstanceWindow = nullptr;
ByteSet g_skinData;
ByteSet g_viewerPicture;

void CreateGlobalObjects()
{
    g_grid = new GridControl();
    g_database = new SqliteDatabase();
    g_tray = new TrayIcon();
    g_tray->Initialize();
    g_skinModule = new MemoryModule();
}

void ReleaseGlobalObjects()
{
    if (g_grid) {
        g_grid->Destroy();
        delete g_grid;
        g_grid = nullptr;
    }
    // Releasing the database object leaves its connection alone: ShutDown closed it.
    delete g_database;
    g_database = nullptr;
    if (g_tray) {
        g_tray->FreeMembers();
        delete g_tray;
        g_tray = nullptr;
    }
    g_skinData = ByteSet();
    if (g_skinModule) {
        g_skinModule->FreeMembers();
        delete g_skinModule;
        g_skinModule = nullptr;
    }
    g_viewerPicture = ByteSet();
}
