/* The procedure in front of a skinned frame window: it draws the non-client area itself, runs the
 * caption buttons and answers the colour questions of the window's controls. Everything else,
 * and the client area's size above all (WM_NCCALCSIZE), is the window's own procedure's. */
#include <windows.h>

#include "skin_state.h"

static BOOL IsCaptionButton(WPARAM hit) { return hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON; }

static BOOL IsDialog(HWND window) { return GetClassLongPtrW(window, GCW_ATOM) == 32770; }

static POINT MessagePoint(LPARAM lParam)
{
    POINT point = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    return point;
}

/* The system draws what the skin leaves to it (menu bar, scroll bars) before the skin draws the rest. */
static LRESULT OnNcPaint(SkinWindow *record, WPARAM region)
{
    HWND window = record->window;
    if (IsIconic(window))
        return CallPrevious(record, WM_NCPAINT, region, 0);
    LONG style = GetWindowLongW(window, GWL_STYLE);
    if (GetMenu(window) || (style & (WS_HSCROLL | WS_VSCROLL)))
        CallPrevious(record, WM_NCPAINT, region, 0);
    PaintSkinFrame(record);
    return 0;
}

/* The system's answer stays for the border and the client area; in the caption bar the skin's own
 * buttons count, not the places where the system would have put its buttons. */
static LRESULT OnNcHitTest(SkinWindow *record, LPARAM lParam)
{
    LRESULT hit = CallPrevious(record, WM_NCHITTEST, 0, lParam);
    int own = HitTestSkinCaption(record, MessagePoint(lParam));
    if (own != HTNOWHERE)
        return own;
    if (IsCaptionButton(hit) || hit == HTHELP || hit == HTSYSMENU)
        return HTCAPTION;
    return hit;
}

static void SetHot(SkinWindow *record, int hot)
{
    if (record->hotButton == hot)
        return;
    record->hotButton = hot;
    PaintSkinFrame(record);
}

static void OnNcMouseMove(SkinWindow *record, WPARAM hit)
{
    SetHot(record, IsCaptionButton(hit) ? (int)hit : 0);
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE | TME_NONCLIENT, record->window, 0};
    TrackMouseEvent(&track);
}

static void Press(SkinWindow *record, int button)
{
    record->pressedButton = button;
    record->pressedOver = TRUE;
    SetCapture(record->window);
    PaintSkinFrame(record);
}

static void TrackPress(SkinWindow *record, POINT screen)
{
    BOOL over = HitTestSkinCaption(record, screen) == record->pressedButton;
    if (over == record->pressedOver)
        return;
    record->pressedOver = over;
    PaintSkinFrame(record);
}

static WPARAM ButtonCommand(HWND window, int button)
{
    if (button == HTCLOSE)
        return SC_CLOSE;
    if (button == HTMINBUTTON)
        return SC_MINIMIZE;
    return IsZoomed(window) ? SC_RESTORE : SC_MAXIMIZE;
}

/* The button acts only when the mouse is let go over the button it went down on. The record may
 * be gone after the command (the window closed), so nothing reads it afterwards. */
static void Release(SkinWindow *record, POINT screen)
{
    int button = record->pressedButton;
    BOOL over = HitTestSkinCaption(record, screen) == button;
    record->pressedButton = 0;
    record->pressedOver = FALSE;
    HWND window = record->window;
    if (GetCapture() == window)
        ReleaseCapture();
    PaintSkinFrame(record);
    if (over)
        SendMessageW(window, WM_SYSCOMMAND, ButtonCommand(window, button), MAKELPARAM(screen.x, screen.y));
}

static POINT ClientToScreenPoint(HWND window, LPARAM lParam)
{
    POINT point = MessagePoint(lParam);
    ClientToScreen(window, &point);
    return point;
}

static LRESULT ControlColour(HDC dc, SkinColour text, SkinColour background)
{
    SetTextColor(dc, g_look->scheme.colours[text]);
    SetBkColor(dc, g_look->scheme.colours[background]);
    return (LRESULT)g_look->brushes[background];
}

static BOOL OnEraseBackground(HWND window, HDC dc)
{
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, g_look->brushes[SKIN_WINDOW_BACKGROUND]);
    return TRUE;
}

/* Messages after which the system draws the caption itself: the skin draws it again at once. */
static LRESULT RepaintAfter(SkinWindow *record, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND window = record->window;
    LRESULT result = CallPrevious(record, message, wParam, lParam);
    SkinWindow *still = FindSkinWindow(window);
    if (still && !still->retired && g_look && IsWindowVisible(window))
        PaintSkinFrame(still);
    return result;
}

static LRESULT OnMouseMessage(SkinWindow *record, UINT message, WPARAM wParam, LPARAM lParam, BOOL *handled)
{
    *handled = TRUE;
    switch (message) {
    case WM_NCMOUSEMOVE:
        OnNcMouseMove(record, wParam);
        break;
    case WM_NCMOUSELEAVE:
        SetHot(record, 0);
        break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        if (IsCaptionButton(wParam)) {
            Press(record, (int)wParam);
            return 0;
        }
        return RepaintAfter(record, message, wParam, lParam);
    case WM_NCLBUTTONUP:
        if (record->pressedButton) {
            Release(record, MessagePoint(lParam));
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (record->pressedButton) {
            TrackPress(record, ClientToScreenPoint(record->window, lParam));
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (record->pressedButton) {
            Release(record, ClientToScreenPoint(record->window, lParam));
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (record->pressedButton && (HWND)lParam != record->window) {
            record->pressedButton = 0;
            PaintSkinFrame(record);
        }
        break;
    }
    *handled = FALSE;
    return 0;
}

static LRESULT OnMenuMessage(SkinWindow *record, UINT message, WPARAM wParam, LPARAM lParam, BOOL *handled)
{
    *handled = FALSE;
    if (message == WM_INITMENUPOPUP) {
        LRESULT result = CallPrevious(record, message, wParam, lParam);
        if (g_look)
            SkinMenuPopup((HMENU)wParam);
        *handled = TRUE;
        return result;
    }
    if (message == WM_EXITMENULOOP) {
        LRESULT result = CallPrevious(record, message, wParam, lParam);
        ReleaseSkinMenus();
        *handled = TRUE;
        return result;
    }
    if (message == WM_MEASUREITEM && wParam == 0 && MeasureSkinMenuItem((MEASUREITEMSTRUCT *)lParam))
        *handled = TRUE;
    else if (message == WM_DRAWITEM && wParam == 0 && DrawSkinMenuItem((const DRAWITEMSTRUCT *)lParam))
        *handled = TRUE;
    return TRUE;
}

static LRESULT OnSkinnedMessage(SkinWindow *record, UINT message, WPARAM wParam, LPARAM lParam)
{
    BOOL handled;
    LRESULT result = OnMouseMessage(record, message, wParam, lParam, &handled);
    if (handled)
        return result;
    result = OnMenuMessage(record, message, wParam, lParam, &handled);
    if (handled)
        return result;
    switch (message) {
    case WM_NCPAINT:
        return OnNcPaint(record, wParam);
    case WM_NCACTIVATE:
        /* -1: the system keeps the activation but does not draw the caption. */
        record->active = wParam != 0;
        result = CallPrevious(record, message, wParam, (LPARAM)-1);
        PaintSkinFrame(record);
        return result;
    case WM_NCHITTEST:
        return OnNcHitTest(record, lParam);
    case WM_SETTEXT:
    case WM_SETICON:
    case WM_SYSCOMMAND:
    case WM_ENABLE:
    case WM_STYLECHANGED:
        return RepaintAfter(record, message, wParam, lParam);
    case WM_CTLCOLORDLG:
        return (LRESULT)g_look->brushes[SKIN_CONTROL_BACKGROUND];
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return ControlColour((HDC)wParam, SKIN_TEXT, SKIN_CONTROL_BACKGROUND);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return ControlColour((HDC)wParam, SKIN_TEXT, SKIN_WINDOW_BACKGROUND);
    case WM_ERASEBKGND:
        if (!IsDialog(record->window))
            return OnEraseBackground(record->window, (HDC)wParam);
        break;
    }
    return CallPrevious(record, message, wParam, lParam);
}

LRESULT CALLBACK SkinFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result;
    SkinWindow *record = BeginSkinMessage(window, message, wParam, lParam, &result);
    return record ? OnSkinnedMessage(record, message, wParam, lParam) : result;
}
