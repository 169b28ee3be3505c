/* The skin's frame and caption bar: where their parts lie in a window, how they are drawn and
 * which part a point is over. All of it lies in the border the system gives the window; the
 * client area (and the menu bar and scroll bars, which the system draws) are never drawn on.
 *
 * Layout, in window coordinates: the frame is every pixel between the window's edge and the
 * system's client edge; the caption bar lies `frame width` pixels inside the window's edge (no
 * more than the system's side border) and is `caption height` pixels high (no more than the room
 * above the client area). In the bar from the left: the small icon (not for modal-frame dialogs),
 * the caption text; from the right: close, maximise and minimise, as the window's style has them.
 */
#include <windows.h>

#include "skin_state.h"

enum { BUTTON_CLOSE, BUTTON_MAXIMISE, BUTTON_MINIMISE, BUTTON_COUNT };
static const int kButtonHits[BUTTON_COUNT] = {HTCLOSE, HTMAXBUTTON, HTMINBUTTON};

typedef struct CaptionLayout {
    RECT window; /* the whole window, origin 0 */
    RECT inner;  /* inside the system's border: client area, menu bar and scroll bars */
    RECT bar;    /* empty when there is no room for a caption bar */
    RECT icon;   /* empty when the window shows no icon */
    RECT text;
    RECT buttons[BUTTON_COUNT]; /* empty when the window has no such button */
    HICON iconHandle;
} CaptionLayout;

BOOL HasSkinCaption(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION; }

static int Min(int a, int b) { return a < b ? a : b; }
static int Max(int a, int b) { return a > b ? a : b; }

static HICON WindowIcon(HWND window)
{
    HICON icon = (HICON)SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
    if (!icon)
        icon = (HICON)SendMessageW(window, WM_GETICON, ICON_BIG, 0);
    if (!icon)
        icon = (HICON)GetClassLongPtrW(window, GCLP_HICONSM);
    if (!icon)
        icon = (HICON)GetClassLongPtrW(window, GCLP_HICON);
    return icon;
}

/* The system's border, from the style alone: what lies inside it (menu bar, scroll bars, client)
 * is not the frame's. */
static void SystemBorder(HWND window, const RECT *whole, RECT *inner)
{
    LONG style = GetWindowLongW(window, GWL_STYLE) & ~(WS_HSCROLL | WS_VSCROLL);
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    RECT border = {0, 0, 0, 0};
    AdjustWindowRectEx(&border, (DWORD)style, FALSE, (DWORD)exStyle);
    SetRect(inner, -border.left, -border.top, whole->right - border.right, whole->bottom - border.bottom);
    if (inner->right < inner->left)
        inner->right = inner->left;
    if (inner->bottom < inner->top)
        inner->bottom = inner->top;
    /* Whatever the window did with its border, its client area is never drawn on. */
    RECT client, screen;
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, (POINT *)&client, 2);
    GetWindowRect(window, &screen);
    OffsetRect(&client, -screen.left, -screen.top);
    if (!IsRectEmpty(&client))
        UnionRect(inner, inner, &client);
}

static void PlaceButtons(HWND window, CaptionLayout *layout)
{
    LONG style = GetWindowLongW(window, GWL_STYLE);
    int side = layout->bar.bottom - layout->bar.top - 4;
    if (!(style & WS_SYSMENU) || side < 6)
        return;
    BOOL present[BUTTON_COUNT] = {TRUE, (style & WS_MAXIMIZEBOX) != 0, (style & WS_MINIMIZEBOX) != 0};
    int right = layout->bar.right - 2;
    for (int i = 0; i < BUTTON_COUNT; ++i) {
        if (!present[i])
            continue;
        int left = right - side - 2 * (side / 8); /* a little wider than high */
        SetRect(&layout->buttons[i], left, layout->bar.top + 2, right, layout->bar.top + 2 + side);
        right = left - (i == BUTTON_CLOSE ? 4 : 2);
    }
    layout->text.right = right - 2;
}

static void PlaceIcon(HWND window, CaptionLayout *layout)
{
    int height = layout->bar.bottom - layout->bar.top;
    int side = Min(height - 2, GetSystemMetrics(SM_CXSMICON));
    BOOL wanted = (GetWindowLongW(window, GWL_STYLE) & WS_SYSMENU) &&
                  !(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    layout->iconHandle = wanted && side >= 8 ? WindowIcon(window) : NULL;
    if (!layout->iconHandle)
        return;
    int top = layout->bar.top + (height - side) / 2;
    SetRect(&layout->icon, layout->bar.left + 3, top, layout->bar.left + 3 + side, top + side);
    layout->text.left = layout->icon.right + 4;
}

static void Lay(HWND window, CaptionLayout *layout)
{
    ZeroMemory(layout, sizeof *layout);
    RECT screen;
    GetWindowRect(window, &screen);
    SetRect(&layout->window, 0, 0, screen.right - screen.left, screen.bottom - screen.top);
    SystemBorder(window, &layout->window, &layout->inner);
    if (!HasSkinCaption(window))
        return;
    int frame = Min(g_look->scheme.frameWidth, Min(layout->inner.left, layout->window.right - layout->inner.right));
    frame = Max(frame, 0);
    int height = Min(g_look->scheme.captionHeight, layout->inner.top - frame);
    if (height <= 0)
        return;
    SetRect(&layout->bar, frame, frame, layout->window.right - frame, frame + height);
    SetRect(&layout->text, layout->bar.left + 4, layout->bar.top, layout->bar.right - 4, layout->bar.bottom);
    PlaceIcon(window, layout);
    PlaceButtons(window, layout);
}

int HitTestSkinCaption(SkinWindow *record, POINT screen)
{
    if (!g_look)
        return HTNOWHERE;
    CaptionLayout layout;
    Lay(record->window, &layout);
    RECT origin;
    GetWindowRect(record->window, &origin);
    POINT at = {screen.x - origin.left, screen.y - origin.top};
    if (!PtInRect(&layout.bar, at))
        return HTNOWHERE;
    for (int i = 0; i < BUTTON_COUNT; ++i)
        if (PtInRect(&layout.buttons[i], at))
            return kButtonHits[i];
    return PtInRect(&layout.icon, at) ? HTSYSMENU : HTCAPTION;
}

/* ---- drawing ---- */

static void Glyph(HDC dc, HWND window, int hit, const RECT *box, int shift)
{
    const SkinScheme *scheme = &g_look->scheme;
    int w = box->right - box->left, h = box->bottom - box->top;
    int size = Min(w, h) / 2;
    int left = box->left + (w - size) / 2 + shift, top = box->top + (h - size) / 2 + shift;
    HPEN pen = CreatePen(PS_SOLID, Max(1, size / 5), scheme->colours[SKIN_TEXT]);
    HGDIOBJ old = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    if (hit == HTCLOSE) {
        DrawSkinLine(dc, left, top, left + size, top + size);
        DrawSkinLine(dc, left + size - 1, top, left - 1, top + size);
    } else if (hit == HTMINBUTTON) {
        DrawSkinLine(dc, left, top + size - 1, left + size, top + size - 1);
    } else if (IsZoomed(window)) {
        Rectangle(dc, left, top + 2, left + size - 2, top + size);
        DrawSkinLine(dc, left + 2, top + 2, left + 2, top);
        LineTo(dc, left + size, top);
        LineTo(dc, left + size, top + size - 2);
    } else {
        Rectangle(dc, left, top, left + size, top + size);
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    DeleteObject(pen);
}

static void DrawCaptionButton(HDC dc, SkinWindow *record, int hit, const RECT *box)
{
    BOOL pressed = record->pressedButton == hit && record->pressedOver;
    BOOL hot = !record->pressedButton && record->hotButton == hit;
    SkinColour face = pressed ? SKIN_BUTTON_SHADOW : hot ? SKIN_SELECTION : SKIN_BUTTON_FACE;
    FillRect(dc, box, g_look->brushes[face]);
    if (pressed)
        DrawSkinEdge(dc, box, SKIN_BUTTON_SHADOW, SKIN_BUTTON_LIGHT);
    else
        DrawSkinEdge(dc, box, SKIN_BUTTON_LIGHT, SKIN_BUTTON_SHADOW);
    Glyph(dc, record->window, hit, box, pressed ? 1 : 0);
}

static void DrawCaptionText(HDC dc, HWND window, const RECT *box, BOOL active)
{
    WCHAR text[256];
    int length = GetWindowTextW(window, text, sizeof text / sizeof text[0]);
    if (length <= 0 || box->right <= box->left)
        return;
    HGDIOBJ oldFont = g_look->captionFont ? SelectObject(dc, g_look->captionFont) : NULL;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, g_look->scheme.colours[active ? SKIN_CAPTION_TEXT_ACTIVE : SKIN_CAPTION_TEXT_INACTIVE]);
    RECT place = *box;
    DrawTextW(dc, text, length, &place, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (oldFont)
        SelectObject(dc, oldFont);
}

static void DrawSkinCaption(HDC dc, SkinWindow *record, const CaptionLayout *layout)
{
    if (IsRectEmpty(&layout->bar))
        return;
    FillRect(dc, &layout->bar, g_look->brushes[record->active ? SKIN_CAPTION_ACTIVE : SKIN_CAPTION_INACTIVE]);
    if (layout->iconHandle)
        DrawIconEx(dc, layout->icon.left, layout->icon.top, layout->iconHandle, layout->icon.right - layout->icon.left,
                   layout->icon.bottom - layout->icon.top, 0, NULL, DI_NORMAL);
    DrawCaptionText(dc, record->window, &layout->text, record->active);
    for (int i = 0; i < BUTTON_COUNT; ++i)
        if (!IsRectEmpty(&layout->buttons[i]))
            DrawCaptionButton(dc, record, kButtonHits[i], &layout->buttons[i]);
}

void PaintSkinFrame(SkinWindow *record)
{
    HWND window = record->window;
    if (!g_look || IsIconic(window))
        return;
    CaptionLayout layout;
    Lay(window, &layout);
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    ExcludeClipRect(dc, layout.inner.left, layout.inner.top, layout.inner.right, layout.inner.bottom);
    FillRect(dc, &layout.window, g_look->brushes[SKIN_FRAME]);
    DrawSkinCaption(dc, record, &layout);
    ReleaseDC(window, dc);
}
