// The program's spine: start sequence, the main window's created event, and the exit sequence.
#pragma once

class Form;

// The main window as the spine reaches it: its form and its set-up (tray icon, skin, history grid
// and its handlers). The window lives with the history window; the program's entry hands these
// over before ProgramStart.
struct MainWindowParts {
    Form& (*form)() = nullptr;
    void (*setUp)() = nullptr;
};
void SetMainWindowParts(const MainWindowParts& parts) noexcept;

// The start routine: global objects, exit routine, bridges, skin engine, main window, message
// loop. Returns 0 when no form is left.
int ProgramStart();

int LoadMainWindow();
// Created event of MainWindow.
void InitMainWindow();
// May-close event of MainWindow and the tray menu's exit: stores the copies read so far, tells
// (one box after another) those that could not be stored unless the session is ending, then ends
// the process; never returns. Asked again while those boxes are open, it ends at once.
[[noreturn]] void ShutDown();
// Run by the framework when the process ends: releases the global objects.
void ExitRoutine();
