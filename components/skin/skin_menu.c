/* Pop-up menus of skinned windows. When a pop-up opens (WM_INITMENUPOPUP at its owner), its text
 * items and separators become owner-drawn and the owner's skin draws them; when the menu loop
 * ends (or the skin leaves) every item gets its type, text and item data back, so whoever built
 * the menu finds it as it was. Command ids, states and sub-menus are never touched. */
#include <windows.h>

#include "skin_state.h"

typedef struct SkinMenuItem {
    struct SkinMenuItem *next;
    HMENU menu;
    UINT position;
    UINT type;          /* the item's own type bits */
    ULONG_PTR data;     /* the item's own item data */
    WCHAR *text;        /* the item's text, or null for a separator */
} SkinMenuItem;

static SkinMenuItem *g_items;

static SkinMenuItem *FindItem(ULONG_PTR data)
{
    for (SkinMenuItem *item = g_items; item; item = item->next)
        if ((ULONG_PTR)item == data)
            return item;
    return NULL;
}

static BOOL IsTaken(HMENU menu, UINT position)
{
    for (SkinMenuItem *item = g_items; item; item = item->next)
        if (item->menu == menu && item->position == position)
            return TRUE;
    return FALSE;
}

static WCHAR *ItemText(HMENU menu, UINT position, UINT length)
{
    WCHAR *text = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (length + 1) * sizeof(WCHAR));
    if (!text)
        return NULL;
    MENUITEMINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = length + 1;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return text;
}

static void TakeItem(HMENU menu, UINT position)
{
    MENUITEMINFOW info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info) || IsTaken(menu, position))
        return;
    BOOL separator = (info.fType & MFT_SEPARATOR) != 0;
    if ((info.fType & (MFT_OWNERDRAW | MFT_BITMAP)) || (!separator && !info.cch))
        return;
    SkinMenuItem *item = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *item);
    if (!item)
        return;
    item->menu = menu;
    item->position = position;
    item->type = info.fType;
    item->data = info.dwItemData;
    item->text = separator ? NULL : ItemText(menu, position, info.cch);
    if (!separator && !item->text) {
        HeapFree(GetProcessHeap(), 0, item);
        return;
    }
    MENUITEMINFOW drawn;
    ZeroMemory(&drawn, sizeof drawn);
    drawn.cbSize = sizeof drawn;
    drawn.fMask = MIIM_FTYPE | MIIM_DATA;
    drawn.fType = info.fType | MFT_OWNERDRAW;
    drawn.dwItemData = (ULONG_PTR)item;
    item->next = g_items;
    g_items = item;
    SetMenuItemInfoW(menu, position, TRUE, &drawn);
}

void SkinMenuPopup(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        TakeItem(menu, (UINT)i);
}

static void GiveBack(SkinMenuItem *item)
{
    if (IsMenu(item->menu)) {
        MENUITEMINFOW info;
        ZeroMemory(&info, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        info.fType = item->type;
        info.dwItemData = item->data;
        if (item->text) {
            info.fMask |= MIIM_STRING;
            info.dwTypeData = item->text;
        }
        SetMenuItemInfoW(item->menu, item->position, TRUE, &info);
    }
    HeapFree(GetProcessHeap(), 0, item->text);
    HeapFree(GetProcessHeap(), 0, item);
}

void ReleaseSkinMenus(void)
{
    while (g_items) {
        SkinMenuItem *item = g_items;
        g_items = item->next;
        GiveBack(item);
    }
}

static HFONT MenuFont(void)
{
    if (g_look->menuFont)
        return g_look->menuFont;
    NONCLIENTMETRICSW metrics;
    ZeroMemory(&metrics, sizeof metrics);
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        g_look->menuFont = CreateFontIndirectW(&metrics.lfMenuFont);
    return g_look->menuFont;
}

enum { MENU_TEXT_LEFT = 22, MENU_TEXT_RIGHT = 14, MENU_SEPARATOR_HEIGHT = 7, MENU_TEXT_MARGIN = 6 };

BOOL MeasureSkinMenuItem(MEASUREITEMSTRUCT *measure)
{
    SkinMenuItem *item = measure->CtlType == ODT_MENU && g_look ? FindItem(measure->itemData) : NULL;
    if (!item)
        return FALSE;
    if (!item->text) {
        measure->itemWidth = 1;
        measure->itemHeight = MENU_SEPARATOR_HEIGHT;
        return TRUE;
    }
    HDC dc = GetDC(NULL);
    HGDIOBJ old = SelectObject(dc, MenuFont());
    RECT box = {0, 0, 0, 0};
    DrawTextW(dc, item->text, -1, &box, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(NULL, dc);
    measure->itemWidth = (UINT)(box.right - box.left) + MENU_TEXT_LEFT + MENU_TEXT_RIGHT;
    measure->itemHeight = (UINT)(box.bottom - box.top) + MENU_TEXT_MARGIN;
    return TRUE;
}

static void DrawCheck(HDC dc, const RECT *box, COLORREF colour)
{
    int x = box->left + 6, y = (box->top + box->bottom) / 2;
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    DrawSkinLine(dc, x, y, x + 3, y + 3);
    LineTo(dc, x + 9, y - 4);
    SelectObject(dc, old);
    DeleteObject(pen);
}

static void DrawItemText(HDC dc, const SkinMenuItem *item, RECT box, COLORREF colour, UINT state)
{
    HGDIOBJ old = SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    box.left += MENU_TEXT_LEFT;
    box.right -= MENU_TEXT_RIGHT / 2;
    UINT flags = DT_SINGLELINE | DT_VCENTER | ((state & ODS_NOACCEL) ? DT_HIDEPREFIX : 0);
    const WCHAR *tab = item->text;
    while (*tab && *tab != L'\t')
        ++tab;
    DrawTextW(dc, item->text, (int)(tab - item->text), &box, flags | DT_LEFT);
    if (*tab)
        DrawTextW(dc, tab + 1, -1, &box, flags | DT_RIGHT);
    SelectObject(dc, old);
}

BOOL DrawSkinMenuItem(const DRAWITEMSTRUCT *draw)
{
    SkinMenuItem *item = draw->CtlType == ODT_MENU && g_look ? FindItem(draw->itemData) : NULL;
    if (!item)
        return FALSE;
    const SkinScheme *scheme = &g_look->scheme;
    RECT box = draw->rcItem;
    if (!item->text) {
        FillRect(draw->hDC, &box, g_look->brushes[SKIN_WINDOW_BACKGROUND]);
        RECT line = {box.left + 2, (box.top + box.bottom) / 2, box.right - 2, (box.top + box.bottom) / 2 + 1};
        FillRect(draw->hDC, &line, g_look->brushes[SKIN_BUTTON_SHADOW]);
        return TRUE;
    }
    BOOL selected = (draw->itemState & ODS_SELECTED) != 0;
    BOOL disabled = (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    FillRect(draw->hDC, &box, g_look->brushes[selected ? SKIN_SELECTION : SKIN_WINDOW_BACKGROUND]);
    COLORREF colour = scheme->colours[disabled ? SKIN_BUTTON_SHADOW : selected ? SKIN_SELECTION_TEXT : SKIN_TEXT];
    if (draw->itemState & ODS_CHECKED)
        DrawCheck(draw->hDC, &box, colour);
    DrawItemText(draw->hDC, item, box, colour, draw->itemState);
    return TRUE;
}
