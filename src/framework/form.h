// Form windows made from templates of our own: size, position, border, buttons and caption come
// from a FormTemplate; the program binds handlers to the form's numbered events and to the
// command ids of its menus. Units (child windows such as a picture box) are made with the window.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct FormTemplate {
    const char* className;  // window class registered for this form
    std::string caption;
    int left = 50;
    int top = 50;
    int width = 0;          // outer window rectangle
    int height = 0;
    bool centreOnScreen = false;  // replaces left and top
    bool sizable = false;         // false: fixed single border
    bool minimizeBox = true;
    bool maximizeBox = false;
    bool startMaximized = false;
    bool escapeCloses = false;
};

// Event numbers of a form.
enum FormEvent : int {
    kFormCreated = 0,
    kFormMayClose = 1,
    kFormDestroying = 2,
    kFormMoved = 3,
    kFormResized = 4,
    kFormLostFocus = -8,
};

// The window states that GetWindowState reports.
enum FormWindowState : int {
    kWindowNormal = 0,
    kWindowMaximized = 1,
    kWindowMinimized = 2,
};

using FormEventHandler = void (*)();

// What ends the program with an exit code once the session's end has run the may-close handlers.
using ProgramEndFunction = void (*)(unsigned exitCode) noexcept;

// A unit that lives on a form as a child window: made when the form's window is made, before the
// created event runs, and destroyed with it.
class FormUnit {
public:
    virtual ~FormUnit() = default;
    virtual void CreateIn(HWND form) noexcept = 0;
};

class Form {
public:
    explicit Form(FormTemplate layout) : layout_(std::move(layout)) {}
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void Bind(int event, FormEventHandler handler) { handlers_[event] = handler; }
    // A new command id of this form for a menu item; the handler runs on its WM_COMMAND.
    UINT AddCommand(FormEventHandler handler);
    // The unit is made with the window; it must live as long as the form.
    void AddUnit(FormUnit* unit) { units_.push_back(unit); }

    // Creates the window (owned by `parent` when given) with its program icon and its units, runs
    // the created event, then shows it. A modal load disables the parent and returns only when
    // the window has been destroyed; the parent is enabled again before it goes.
    bool Load(HWND parent = nullptr, bool modal = false);
    HWND GetHandle() const { return window_; }
    void SetCaption(const std::string& caption);
    std::string GetCaption() const;
    // One of FormWindowState.
    int GetWindowState() const;
    void SetVisible(bool visible);
    // Client area in pixels; 0 without a window.
    int GetClientWidth() const;
    int GetClientHeight() const;
    const FormTemplate& Layout() const { return layout_; }

    // Forms that are open now.
    static int OpenCount() noexcept;
    static void DestroyAll() noexcept;
    // True once the session's end has begun (WM_ENDSESSION): the process ends as soon as the
    // handlers return, so nothing may wait for the user any more.
    static bool SessionEnding() noexcept;
    // The end the session's end goes through after the may-close handlers: the application's
    // (which registers it with its exit routine), so that the program ends as any end does. Until
    // one is set, or should it return, every form is destroyed and the process ends with 0.
    static void SetProgramEnd(ProgramEndFunction end) noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Fire(int event) noexcept;
    void SetProgramIcons() noexcept;
    void RunModalLoop() noexcept;
    [[noreturn]] static void EndSession() noexcept;

    FormTemplate layout_;
    HWND window_ = nullptr;
    HWND modalParent_ = nullptr;  // disabled while this form is open modally
    std::map<int, FormEventHandler> handlers_;
    std::map<UINT, FormEventHandler> commands_;
    std::vector<FormUnit*> units_;
};
