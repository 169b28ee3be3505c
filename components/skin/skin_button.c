/* Push buttons of skinned windows, drawn in the skin's button colours. The button's own procedure
 * keeps all its behaviour (focus, keys, clicks, default button); only its drawing is the skin's.
 * The system draws a button straight away on some state changes, outside WM_PAINT: after every
 * message the skin draws the button again when its state is no longer the one last drawn. */
#include <windows.h>

#include "skin_state.h"

/* While the skin draws or looks at a button, the messages it sends the button only pass through. */
static int g_busy;

BOOL IsSkinPushButton(HWND window)
{
    char name[16];
    if (!GetClassNameA(window, name, sizeof name) || lstrcmpiA(name, "Button") != 0)
        return FALSE;
    LONG style = GetWindowLongW(window, GWL_STYLE);
    LONG type = style & BS_TYPEMASK;
    return (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) && !(style & (BS_BITMAP | BS_ICON));
}

/* What the drawing depends on besides the text: pushed, focus, default, enabled. */
static DWORD ButtonLook(HWND button)
{
    ++g_busy;
    DWORD state = (DWORD)SendMessageW(button, BM_GETSTATE, 0, 0) & (BST_PUSHED | BST_FOCUS);
    if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        state |= 0x10000;
    if (IsWindowEnabled(button))
        state |= 0x20000;
    if (GetFocus() == button)
        state |= 0x40000;
    --g_busy;
    return state | 0x80000000u; /* never 0, the value of a button not drawn yet */
}

static void DrawButtonText(HWND button, HDC dc, RECT box, BOOL enabled)
{
    WCHAR text[256];
    int length = GetWindowTextW(button, text, sizeof text / sizeof text[0]);
    if (length <= 0)
        return;
    HFONT font = (HFONT)SendMessageW(button, WM_GETFONT, 0, 0);
    HGDIOBJ old = font ? SelectObject(dc, font) : NULL;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, g_look->scheme.colours[enabled ? SKIN_TEXT : SKIN_BUTTON_SHADOW]);
    UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (SendMessageW(button, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL)
        flags |= DT_HIDEPREFIX;
    DrawTextW(dc, text, length, &box, flags);
    if (old)
        SelectObject(dc, old);
}

void PaintSkinButton(HWND button, HDC dc)
{
    ++g_busy;
    RECT box;
    GetClientRect(button, &box);
    DWORD look = ButtonLook(button);
    BOOL pushed = (look & BST_PUSHED) != 0;
    if (look & 0x10000) {
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        HPEN pen = CreatePen(PS_SOLID, 1, g_look->scheme.colours[SKIN_TEXT]);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        Rectangle(dc, box.left, box.top, box.right, box.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(pen);
        InflateRect(&box, -1, -1);
    }
    FillRect(dc, &box, g_look->brushes[SKIN_BUTTON_FACE]);
    if (pushed)
        DrawSkinEdge(dc, &box, SKIN_BUTTON_SHADOW, SKIN_BUTTON_LIGHT);
    else
        DrawSkinEdge(dc, &box, SKIN_BUTTON_LIGHT, SKIN_BUTTON_SHADOW);
    RECT text = box;
    if (pushed)
        OffsetRect(&text, 1, 1);
    DrawButtonText(button, dc, text, (look & 0x20000) != 0);
    if (look & 0x40000) {
        InflateRect(&box, -3, -3);
        SetTextColor(dc, g_look->scheme.colours[SKIN_TEXT]);
        DrawFocusRect(dc, &box);
    }
    --g_busy;
}

static void PaintNow(SkinWindow *record)
{
    HDC dc = GetDC(record->window);
    if (!dc)
        return;
    PaintSkinButton(record->window, dc);
    ReleaseDC(record->window, dc);
    record->buttonLook = ButtonLook(record->window);
}

static LRESULT OnPaint(SkinWindow *record, HDC given)
{
    if (given) {
        PaintSkinButton(record->window, given);
        return 0;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(record->window, &paint);
    if (dc)
        PaintSkinButton(record->window, dc);
    EndPaint(record->window, &paint);
    record->buttonLook = ButtonLook(record->window);
    return 0;
}

/* Messages after which the system may have drawn the button itself. */
static BOOL MayHaveDrawn(UINT message)
{
    switch (message) {
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
        return TRUE;
    }
    return FALSE;
}

LRESULT CALLBACK SkinButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result;
    SkinWindow *record = BeginSkinMessage(window, message, wParam, lParam, &result);
    if (!record)
        return result;
    if (g_busy)
        return CallPrevious(record, message, wParam, lParam);
    if (message == WM_PAINT || message == WM_PRINTCLIENT)
        return OnPaint(record, (HDC)wParam);
    if (message == WM_ERASEBKGND)
        return TRUE;
    result = CallPrevious(record, message, wParam, lParam);
    /* The message may have destroyed the button (a click that closes its dialog). */
    if (!IsWindow(window) || !(record = FindSkinWindow(window)) || record->retired || !g_look)
        return result;
    if (IsWindowVisible(window) && (MayHaveDrawn(message) || ButtonLook(window) != record->buttonLook))
        PaintNow(record);
    return result;
}
