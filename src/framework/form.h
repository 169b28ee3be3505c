// Form windows made from templates of our own: size, position, border, buttons and caption come
// from a FormTemplate; the program binds handlers to the form's numbered events.
#pragma once

#include <windows.h>

#include <map>
#include <string>

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

using FormEventHandler = void (*)();

class Form {
public:
    explicit Form(FormTemplate layout) : layout_(std::move(layout)) {}
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    void Bind(int event, FormEventHandler handler) { handlers_[event] = handler; }

    // Creates the window (no parent, not modal), runs the created event, then shows it.
    bool Load();
    HWND GetHandle() const { return window_; }
    void SetCaption(const std::string& caption);
    std::string GetCaption() const;
    // 0 normal, 1 minimised, 2 maximised (the platform's numbering is hidden here).
    int GetWindowState() const;
    void SetVisible(bool visible);

    // Forms that are open now.
    static int OpenCount() noexcept;
    static void DestroyAll() noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Fire(int event) noexcept;

    FormTemplate layout_;
    HWND window_ = nullptr;
    std::map<int, FormEventHandler> handlers_;
};
