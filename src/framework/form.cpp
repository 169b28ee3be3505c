#include "framework/form.h"

#include <set>
#include <vector>

#include "framework/exception_boundary.h"
#include "framework/window_procedure.h"

namespace {

std::set<Form*>& OpenForms()
{
    static std::set<Form*> forms;
    return forms;
}

constexpr UINT kFirstCommandId = 1000;

bool g_sessionEnding = false;
ProgramEndFunction g_programEnd = nullptr;

// An event's or a menu command's handler, inside the edge: a handler that fails (ShutDown and the
// about box allocate) ends here, and the form goes on answering its messages.
void RunHandler(FormEventHandler handler) noexcept
{
    if (handler)
        NoThrow([handler] { handler(); });
}

// The executable's icon group at the sizes the system uses for the title bar and the taskbar.
HICON LoadProgramIcon(int metricX, int metricY) noexcept
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), "DEFAULT_ICON", IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
}

// The class's procedure answers as DefWindowProcA until the window is bound to its form, which is
// then given the same procedure as its own.
bool RegisterFormClass(const char* className, WindowProcedure procedure)
{
    WNDCLASSEXA windowClass = {};
    if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &windowClass))
        return true;
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(GetModuleHandleA(nullptr), "DEFAULT_ICON");
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    return RegisterWindowClass(windowClass, procedure) != 0;
}

} // namespace

Form::~Form()
{
    if (window_)
        DestroyWindow(window_);
}

UINT Form::AddCommand(FormEventHandler handler)
{
    UINT id = kFirstCommandId + static_cast<UINT>(commands_.size());
    commands_[id] = handler;
    return id;
}

bool Form::Load(HWND parent, bool modal)
{
    if (!RegisterFormClass(layout_.className, WindowProcedure::Wrap<&Form::WindowProc>()))
        return false;
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (layout_.minimizeBox)
        style |= WS_MINIMIZEBOX;
    if (layout_.maximizeBox)
        style |= WS_MAXIMIZEBOX;
    if (layout_.sizable)
        style |= WS_THICKFRAME;
    int left = layout_.left;
    int top = layout_.top;
    if (layout_.centreOnScreen) {
        left = (GetSystemMetrics(SM_CXSCREEN) - layout_.width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - layout_.height) / 2;
    }
    window_ = CreateWindowExA(WS_EX_APPWINDOW, layout_.className, layout_.caption.c_str(), style, left, top,
                              layout_.width, layout_.height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window_)
        return false;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ReplaceWindowProcedureA(window_, SubclassProcedure::Wrap<&Form::WindowProc>());
    OpenForms().insert(this);
    SetProgramIcons();
    for (FormUnit* unit : units_)
        unit->CreateIn(window_);
    if (modal && parent) {
        modalParent_ = parent;
        EnableWindow(parent, FALSE);
    }
    Fire(kFormCreated);
    if (window_) {
        ShowWindow(window_, layout_.startMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
        UpdateWindow(window_);
    }
    if (modal)
        RunModalLoop();
    return modal || window_ != nullptr;
}

// The tray icon and the task switcher ask the window for its icons (WM_GETICON), which only
// answers what WM_SETICON gave it.
void Form::SetProgramIcons() noexcept
{
    if (HICON smallIcon = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON))
        SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    if (HICON bigIcon = LoadProgramIcon(SM_CXICON, SM_CYICON))
        SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
}

// Dispatches messages until this form's window is gone. A quit request is put back for the
// outer loop.
void Form::RunModalLoop() noexcept
{
    MSG message;
    while (window_) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (modalParent_) {
        EnableWindow(modalParent_, TRUE);
        modalParent_ = nullptr;
    }
}

void Form::SetCaption(const std::string& caption)
{
    layout_.caption = caption;
    if (window_)
        SetWindowTextA(window_, caption.c_str());
}

std::string Form::GetCaption() const
{
    if (!window_)
        return layout_.caption;
    char text[512] = {};
    GetWindowTextA(window_, text, sizeof text);
    return text;
}

int Form::GetWindowState() const
{
    if (!window_)
        return kWindowNormal;
    if (IsIconic(window_))
        return kWindowMinimized;
    return IsZoomed(window_) ? kWindowMaximized : kWindowNormal;
}

int Form::GetClientWidth() const
{
    RECT client = {};
    if (window_)
        GetClientRect(window_, &client);
    return client.right - client.left;
}

int Form::GetClientHeight() const
{
    RECT client = {};
    if (window_)
        GetClientRect(window_, &client);
    return client.bottom - client.top;
}

void Form::SetVisible(bool visible)
{
    if (window_)
        ShowWindow(window_, visible ? SW_SHOW : SW_HIDE);
}

bool Form::SessionEnding() noexcept { return g_sessionEnding; }

int Form::OpenCount() noexcept { return static_cast<int>(OpenForms().size()); }

void Form::DestroyAll() noexcept
{
    while (!OpenForms().empty()) {
        Form* form = *OpenForms().begin();
        OpenForms().erase(form);
        if (form->window_) {
            HWND window = form->window_;
            form->window_ = nullptr;
            DestroyWindow(window);
        }
    }
}

void Form::SetProgramEnd(ProgramEndFunction end) noexcept { g_programEnd = end; }

// The session ends and the process with it as soon as the answer is given: every form's may-close
// handler runs as if the user had closed it (the main window's is the program's exit sequence),
// then the program ends as any end does, with the exit routine.
void Form::EndSession() noexcept
{
    g_sessionEnding = true;
    // Without memory for the list no handler runs, but the session still ends the program.
    NoThrow([] {
        const std::vector<Form*> forms(OpenForms().begin(), OpenForms().end());
        for (Form* form : forms) {
            if (OpenForms().count(form) && form->handlers_.count(kFormMayClose))
                form->Fire(kFormMayClose);
        }
    });
    if (g_programEnd)
        g_programEnd(0);
    DestroyAll();
    ExitProcess(0);
}

void Form::Fire(int event) noexcept
{
    auto found = handlers_.find(event);
    if (found != handlers_.end())
        RunHandler(found->second);
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!form || form->window_ != window)
        return DefWindowProcA(window, message, wParam, lParam);
    return form->OnMessage(message, wParam, lParam);
}

LRESULT Form::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    HWND window = window_;
    switch (message) {
    case WM_CLOSE:
        // The may-close handler decides; without one the form closes.
        if (handlers_.count(kFormMayClose)) {
            Fire(kFormMayClose);
            return 0;
        }
        DestroyWindow(window);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && layout_.escapeCloses) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        break;
    case WM_MOVE:
        Fire(kFormMoved);
        break;
    case WM_SIZE:
        // Minimising moves the window too: the moved event sees the new state.
        if (wParam == SIZE_MINIMIZED)
            Fire(kFormMoved);
        Fire(kFormResized);
        break;
    case WM_COMMAND: {
        auto found = commands_.find(LOWORD(wParam));
        if (HIWORD(wParam) == 0 && lParam == 0 && found != commands_.end()) {
            RunHandler(found->second);
            return 0;
        }
        break;
    }
    case WM_QUERYENDSESSION:
        // Never holds a logoff or shutdown up: another program may still cancel it, so the work
        // waits for WM_ENDSESSION.
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            EndSession();
        return 0;
    case WM_KILLFOCUS:
        Fire(kFormLostFocus);
        break;
    case WM_DESTROY:
        // The parent comes back before this window goes, so the activation returns to it.
        if (modalParent_)
            EnableWindow(modalParent_, TRUE);
        Fire(kFormDestroying);
        break;
    case WM_NCDESTROY:
        OpenForms().erase(this);
        window_ = nullptr;
        if (OpenForms().empty())
            PostQuitMessage(0);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
