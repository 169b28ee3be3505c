/* Small drawing steps the caption, the buttons and the menus share. */
#include <windows.h>

#include "skin_state.h"

void DrawSkinLine(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, NULL);
    LineTo(dc, x2, y2);
}

void DrawSkinEdge(HDC dc, const RECT *box, SkinColour topLeft, SkinColour bottomRight)
{
    HPEN light = CreatePen(PS_SOLID, 1, g_look->scheme.colours[topLeft]);
    HPEN dark = CreatePen(PS_SOLID, 1, g_look->scheme.colours[bottomRight]);
    HGDIOBJ old = SelectObject(dc, light);
    DrawSkinLine(dc, box->left, box->bottom - 1, box->left, box->top);
    LineTo(dc, box->right - 1, box->top);
    SelectObject(dc, dark);
    LineTo(dc, box->right - 1, box->bottom - 1);
    LineTo(dc, box->left - 1, box->bottom - 1);
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(dark);
}
