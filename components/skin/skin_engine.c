/* The skin engine's exports and its hold on the thread's windows.
 *
 * SkinH_AttachRes reads the skin (format in skin_format.h), keeps its own copy of the scheme and
 * takes over the top-level windows with a caption of the thread that attached it, those that
 * exist and those made later, until SkinH_Detach. It draws their caption bar and frame and gives
 * them and their child controls the scheme's colours; their client areas keep the size the system
 * gives them. Every window the skin was given carries the window property "SkinH_Skin" while the
 * skin is attached.
 *
 * A window is subclassed when it is first shown, not when it is made: code that made the window
 * often replaces its procedure right after CreateWindow without calling the one before, and a
 * procedure put in place at creation would then never run.
 *
 * Exports (__stdcall):
 *   SkinH_AttachRes(data, size, password, hue, saturation, brightness) -> TRUE when attached.
 *     The bytes are read during the call and not kept. A skin that is not one (short, wrong
 *     magic, version or byte count, fields out of range) is refused with FALSE and changes
 *     nothing. The password may be null; these skins are not locked, so it is not used, and
 *     neither are the three colour values: the skin is drawn in its own colours.
 *   SkinH_Detach() -> TRUE; every window gets the system's look back at once.
 *
 * The engine is mapped from memory by the program: it has no C run-time start-up, no thread-local
 * data and imports only from system DLLs.
 */
#include <windows.h>

#include "skin_state.h"

#define SKIN_MARK "SkinH_Skin"
#define SKIN_RECORD "SkinH_Window"

SkinLook *g_look;
static SkinWindow *g_windows;
static DWORD g_skinThread;
static HHOOK g_creationHook;
static HHOOK g_messageHook;

SkinWindow *FindSkinWindow(HWND window) { return (SkinWindow *)GetPropA(window, SKIN_RECORD); }

static void *Allocate(SIZE_T size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }
static void Free(void *block) { HeapFree(GetProcessHeap(), 0, block); }

/* ---- the look ---- */

static HFONT CreateCaptionFont(const SkinScheme *scheme)
{
    NONCLIENTMETRICSW metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return NULL;
    LOGFONTW font = metrics.lfCaptionFont;
    if (scheme->faceName[0])
        lstrcpynW(font.lfFaceName, scheme->faceName, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

static void FreeLook(SkinLook *look)
{
    if (!look)
        return;
    for (int i = 0; i < SKIN_COLOUR_COUNT; ++i)
        if (look->brushes[i])
            DeleteObject(look->brushes[i]);
    if (look->captionFont)
        DeleteObject(look->captionFont);
    if (look->menuFont)
        DeleteObject(look->menuFont);
    Free(look);
}

static SkinLook *CreateLook(const BYTE *data, DWORD size)
{
    SkinLook *look = Allocate(sizeof *look);
    if (!look)
        return NULL;
    if (!ReadSkinScheme(data, size, &look->scheme)) {
        FreeLook(look);
        return NULL;
    }
    for (int i = 0; i < SKIN_COLOUR_COUNT; ++i) {
        look->brushes[i] = CreateSolidBrush(look->scheme.colours[i]);
        if (!look->brushes[i]) {
            FreeLook(look);
            return NULL;
        }
    }
    look->captionFont = CreateCaptionFont(&look->scheme);
    return look;
}

/* ---- window records ---- */

static SkinWindow *AddSkinWindow(HWND window, SkinWindowKind kind)
{
    SkinWindow *record = FindSkinWindow(window);
    if (record)
        return record->retired ? NULL : record;
    record = Allocate(sizeof *record);
    if (!record)
        return NULL;
    record->window = window;
    record->kind = kind;
    record->unicode = IsWindowUnicode(window);
    if (!SetPropA(window, SKIN_RECORD, record)) {
        Free(record);
        return NULL;
    }
    SetPropA(window, SKIN_MARK, record);
    record->next = g_windows;
    g_windows = record;
    return record;
}

static void Unlink(SkinWindow *record)
{
    for (SkinWindow **at = &g_windows; *at; at = &(*at)->next) {
        if (*at == record) {
            *at = record->next;
            return;
        }
    }
}

static LONG_PTR CurrentProc(const SkinWindow *record)
{
    return record->unicode ? GetWindowLongPtrW(record->window, GWLP_WNDPROC)
                           : GetWindowLongPtrA(record->window, GWLP_WNDPROC);
}

static void SetProc(const SkinWindow *record, LONG_PTR proc)
{
    if (record->unicode)
        SetWindowLongPtrW(record->window, GWLP_WNDPROC, proc);
    else
        SetWindowLongPtrA(record->window, GWLP_WNDPROC, proc);
}

static WNDPROC OurProc(const SkinWindow *record)
{
    return record->kind == SKIN_KIND_FRAME ? SkinFrameProc : SkinButtonProc;
}

static void Subclass(SkinWindow *record)
{
    if (record->previous || record->retired)
        return;
    record->previous = (WNDPROC)CurrentProc(record);
    SetProc(record, (LONG_PTR)OurProc(record));
}

LRESULT CallPrevious(SkinWindow *record, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (record->unicode)
        return CallWindowProcW(record->previous, record->window, message, wParam, lParam);
    return CallWindowProcA(record->previous, record->window, message, wParam, lParam);
}

void ReleaseSkinWindow(SkinWindow *record, BOOL destroying)
{
    HWND window = record->window;
    RemovePropA(window, SKIN_MARK);
    if (!record->retired)
        Unlink(record);
    if (record->previous && CurrentProc(record) != (LONG_PTR)OurProc(record) && !destroying) {
        /* Someone subclassed the window after us and still calls our procedure: it stays,
         * passing everything on, until the window is destroyed. */
        record->retired = TRUE;
        return;
    }
    if (record->previous && CurrentProc(record) == (LONG_PTR)OurProc(record))
        SetProc(record, (LONG_PTR)record->previous);
    RemovePropA(window, SKIN_RECORD);
    Free(record);
}

SkinWindow *BeginSkinMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    SkinWindow *record = FindSkinWindow(window);
    if (!record || !record->previous) {
        *result = DefWindowProcW(window, message, wParam, lParam);
        return NULL;
    }
    if (message == WM_NCDESTROY) {
        *result = CallPrevious(record, message, wParam, lParam);
        ReleaseSkinWindow(record, TRUE);
        return NULL;
    }
    if (record->retired || !g_look) {
        *result = CallPrevious(record, message, wParam, lParam);
        return NULL;
    }
    return record;
}

static BOOL CALLBACK SkinChildButton(HWND child, LPARAM unused)
{
    if (IsSkinPushButton(child)) {
        SkinWindow *record = AddSkinWindow(child, SKIN_KIND_BUTTON);
        if (record)
            Subclass(record);
    }
    return TRUE;
}

/* A frame window is taken over when it is shown (or at the attach, when it is already visible). */
static void TakeOverFrame(SkinWindow *record)
{
    if (record->previous || record->retired || record->kind != SKIN_KIND_FRAME || !HasSkinCaption(record->window))
        return;
    WINDOWINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    GetWindowInfo(record->window, &info);
    record->active = info.dwWindowStatus == WS_ACTIVECAPTION;
    Subclass(record);
    EnumChildWindows(record->window, SkinChildButton, 0);
}

static void Redraw(HWND window)
{
    RedrawWindow(window, NULL, NULL, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

/* ---- hooks ---- */

static BOOL IsTopLevel(const CREATESTRUCTA *create)
{
    return !(create->style & WS_CHILD) && create->hwndParent != HWND_MESSAGE;
}

static void OnCreation(HWND window, const CREATESTRUCTA *create)
{
    if (IsTopLevel(create)) {
        AddSkinWindow(window, SKIN_KIND_FRAME);
        return;
    }
    /* Controls of a skinned window are made before it is shown; nothing replaces a button's
     * procedure behind it, so it can be subclassed at once. */
    HWND root = create->hwndParent ? GetAncestor(create->hwndParent, GA_ROOT) : NULL;
    SkinWindow *owner = root ? FindSkinWindow(root) : NULL;
    if (owner && !owner->retired && HasSkinCaption(root) && IsSkinPushButton(window)) {
        SkinWindow *record = AddSkinWindow(window, SKIN_KIND_BUTTON);
        if (record)
            Subclass(record);
    }
}

static LRESULT CALLBACK OnSentMessage(int code, WPARAM wParam, LPARAM lParam);

/* True while a frame with a caption has not been shown yet. */
static BOOL FrameWaiting(void)
{
    for (SkinWindow *record = g_windows; record; record = record->next)
        if (record->kind == SKIN_KIND_FRAME && !record->previous && !record->retired && HasSkinCaption(record->window))
            return TRUE;
    return FALSE;
}

/* The sent-message hook is what sees a frame's first show. It is in place only while a frame
 * waits for it: under Wine every message sent in a thread with such a hook goes to the server for
 * the hook first, which makes each one about eighty times as slow. */
static void UpdateMessageHook(void)
{
    BOOL needed = g_look && FrameWaiting();
    if (needed && !g_messageHook) {
        g_messageHook = SetWindowsHookExA(WH_CALLWNDPROC, OnSentMessage, NULL, g_skinThread);
    } else if (!needed && g_messageHook) {
        UnhookWindowsHookEx(g_messageHook);
        g_messageHook = NULL;
    }
}

static LRESULT CALLBACK OnWindowEvent(int code, WPARAM wParam, LPARAM lParam)
{
    if (g_look && code == HCBT_CREATEWND)
        OnCreation((HWND)wParam, ((const CBT_CREATEWNDA *)lParam)->lpcs);
    if (code == HCBT_DESTROYWND) {
        SkinWindow *record = FindSkinWindow((HWND)wParam);
        if (record && !record->previous)
            ReleaseSkinWindow(record, TRUE);
    }
    LRESULT result = CallNextHookEx(g_creationHook, code, wParam, lParam);
    if (code == HCBT_CREATEWND || code == HCBT_DESTROYWND)
        UpdateMessageHook();
    return result;
}

static BOOL IsShowing(const CWPSTRUCT *sent)
{
    if (sent->message == WM_SHOWWINDOW)
        return sent->wParam != 0;
    return sent->message == WM_WINDOWPOSCHANGING && (((const WINDOWPOS *)sent->lParam)->flags & SWP_SHOWWINDOW);
}

static LRESULT CALLBACK OnSentMessage(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    BOOL tookOver = FALSE;
    if (g_look && code == HC_ACTION && IsShowing(sent)) {
        SkinWindow *record = FindSkinWindow(sent->hwnd);
        if (record && !record->previous) {
            TakeOverFrame(record);
            tookOver = record->previous != NULL;
        }
    }
    LRESULT result = CallNextHookEx(g_messageHook, code, wParam, lParam);
    if (tookOver)
        UpdateMessageHook();
    return result;
}

/* ---- attach and detach ---- */

static BOOL CALLBACK TakeOverExisting(HWND window, LPARAM unused)
{
    if (GetAncestor(window, GA_PARENT) != GetDesktopWindow())
        return TRUE;
    SkinWindow *record = AddSkinWindow(window, SKIN_KIND_FRAME);
    if (record && IsWindowVisible(window)) {
        TakeOverFrame(record);
        if (record->previous)
            Redraw(window);
    }
    return TRUE;
}

static void RemoveSkin(void)
{
    if (!g_look)
        return;
    if (g_creationHook)
        UnhookWindowsHookEx(g_creationHook);
    if (g_messageHook)
        UnhookWindowsHookEx(g_messageHook);
    g_creationHook = g_messageHook = NULL;
    ReleaseSkinMenus();
    /* The look goes first, so that the redraws below are the system's. */
    SkinLook *look = g_look;
    g_look = NULL;
    while (g_windows) {
        SkinWindow *record = g_windows;
        HWND window = record->window;
        BOOL drawn = record->previous != NULL;
        ReleaseSkinWindow(record, FALSE);
        if (drawn && IsWindow(window))
            Redraw(window);
    }
    FreeLook(look);
}

BOOL WINAPI SkinH_AttachRes(const BYTE *data, DWORD size, const char *password, int hue, int saturation,
                            int brightness)
{
    SkinLook *look = CreateLook(data, size);
    if (!look)
        return FALSE;
    RemoveSkin();
    g_look = look;
    g_skinThread = GetCurrentThreadId();
    g_creationHook = SetWindowsHookExA(WH_CBT, OnWindowEvent, NULL, g_skinThread);
    EnumThreadWindows(g_skinThread, TakeOverExisting, 0);
    UpdateMessageHook();
    return TRUE;
}

BOOL WINAPI SkinH_Detach(void)
{
    RemoveSkin();
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH)
        RemoveSkin();
    return TRUE;
}
