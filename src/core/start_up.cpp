#include "core/start_up.h"

#include <string>

#include "core/capture_failure_notice.h"
#include "core/clipboard_capture.h"
#include "core/clipboard_monitor.h"
#include "core/globals.h"
#include "core/history_database.h"
#include "core/single_instance.h"
#include "db/callback_thunks.h"
#include "db/sqlite_engine.h"
#include "desktop/skin_engine.h"
#include "framework/application.h"
#include "framework/message_box.h"
#include "framework/runtime_service.h"
#include "activex/ax_host.h"
#include "framework/form.h"

namespace {

MainWindowParts g_mainWindow;

Form& MainWindow() { return g_mainWindow.form(); }

// The module initialiser and the start subprogram: nothing to do in this program.
int InitializeModule() { return 0; }
int StartSubprogram() { return 0; }

// "update system set hwnd = 123" with the handle's decimal text; the result is not looked at.
void StoreOwnWindowHandle(HWND window)
{
    std::string update = "update system set hwnd = 123";
    update.replace(update.find("123"), 3,
                   std::to_string(static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window))));
    g_database->Exec(update);
}

} // namespace

void SetMainWindowParts(const MainWindowParts& parts) noexcept { g_mainWindow = parts; }

int ProgramStart()
{
    // The framework's start notice to the ActiveX host comes before any window exists.
    AxHostNotify(1, RuntimeService);
    CreateGlobalObjects();
    RegisterExitRoutine(ExitRoutine);
    BuildSqliteCallbackThunks();
    LoadSkinEngine(g_skinModule);
    InitializeModule();
    StartSubprogram();
    LoadMainWindow();
    RunMessageLoop();
    return 0;
}

int LoadMainWindow()
{
    Form& window = MainWindow();
    window.Bind(kFormCreated, InitMainWindow);
    window.Bind(kFormMayClose, [] { ShutDown(); });
    window.Load();
    return 0;
}

void InitMainWindow()
{
    Form& window = MainWindow();
    window.SetCaption("澄笺 v1.0");

    std::string path = RunDirectory() + "\\data.db";
    if (!OpenHistoryDatabase(path)) {
        ShowMessageBox(g_database->ErrMsg(), 0);
        EndProgram(0);
    }

    int stored = ReadStoredWindowHandle();
    if (stored == -1)
        EndProgram(0);
    if (stored != 0)
        g_runningInstanceWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(stored));

    std::string name = "砚岚的澄笺";
    std::string message = "已有相同程序在运行！";
    EnsureSingleInstance(&name, true, &message, MB_ICONINFORMATION, true);

    // Past the check this is the only instance, so its own handle is stored whatever was there:
    // a handle left by an abnormal end would otherwise stay for ever, and a later start would
    // bring forward whichever window has it now.
    StoreOwnWindowHandle(window.GetHandle());
    g_mainWindow.setUp();
    InstallClipboardMonitor(window.GetHandle(), WindowProcedure::Wrap<&CaptureClipboardEntry>());
}

void ShutDown()
{
    // The failure boxes below run a message loop, in which the exit can be asked for again (the
    // tray menu, the session's end): that call goes straight on to the end.
    static bool leaving = false;
    if (!leaving) {
        leaving = true;
        RemoveClipboardMonitor(MainWindow().GetHandle());
        // Copies read before the monitor left are stored before the connection closes.
        FinishQueuedCaptures();
        // The copies that could not be stored are told before the program ends, except when the
        // session ends: nothing may hold that up.
        if (!Form::SessionEnding())
            ShowWaitingCaptureFailures();
    }
    g_database->Exec("update system set hwnd = 0");
    g_database->Close();
    ShutdownDatabaseEngine();
    DetachSkin(g_skinModule, g_skinData);
    EndProgram(0);
}

void ExitRoutine()
{
    ReleaseGlobalObjects();
}
