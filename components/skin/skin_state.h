/* The engine's shared state: the attached skin with its brushes and font, and one record per
 * window the skin has taken over.
 *
 * Lists:
 *   SkinLook       the attached scheme and the GDI objects drawn with it
 *   SkinWindow     a window of the skinned thread: a frame (caption, border, client colours) or a
 *                  push button, with the procedure it had before the engine's
 */
#ifndef SKIN_STATE_H
#define SKIN_STATE_H

#include <windows.h>

#include "skin_format.h"

typedef struct SkinLook {
    SkinScheme scheme;
    HBRUSH brushes[SKIN_COLOUR_COUNT];
    HFONT captionFont;
    HFONT menuFont;
} SkinLook;

typedef enum SkinWindowKind { SKIN_KIND_FRAME, SKIN_KIND_BUTTON } SkinWindowKind;

typedef struct SkinWindow {
    struct SkinWindow *next;
    HWND window;
    SkinWindowKind kind;
    BOOL unicode;       /* the window's character set, kept when it is subclassed */
    WNDPROC previous;   /* null until the window is subclassed */
    BOOL retired;       /* the skin left, but a later subclass sits on top of ours: pass through */
    BOOL active;        /* frames: the caption is drawn active */
    int hotButton;      /* frames: the caption button under the mouse (HTCLOSE ...), or 0 */
    int pressedButton;  /* frames: the caption button held down, or 0 */
    BOOL pressedOver;   /* frames: the mouse is still over the held button */
    DWORD buttonLook;   /* buttons: the state last drawn, to notice when the system drew it */
} SkinWindow;

/* The attached skin, or null when no skin is attached. */
extern SkinLook *g_look;

/* The record of `window`, or null. */
SkinWindow *FindSkinWindow(HWND window);

/* Window procedures that stand in front of the window's own (skin_frame.c, skin_button.c). */
LRESULT CALLBACK SkinFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SkinButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* The start of the engine's window procedures: returns the window's record when the skin handles
 * the message. Otherwise (no skin, a retired record, the window's last message) the message has
 * gone on to the window's own procedure and *result holds its answer. */
SkinWindow *BeginSkinMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result);
/* Calls the procedure the window had before the engine's. */
LRESULT CallPrevious(SkinWindow *record, UINT message, WPARAM wParam, LPARAM lParam);
/* Gives the window its own procedure back when that is possible and frees the record; called
 * when the skin leaves or (`destroying`) the window is being destroyed. */
void ReleaseSkinWindow(SkinWindow *record, BOOL destroying);

/* Drawing (skin_caption.c): the frame and caption of a frame window, in its window DC. */
void PaintSkinFrame(SkinWindow *record);
/* Which caption button (HTCLOSE, HTMINBUTTON, HTMAXBUTTON), HTSYSMENU, HTCAPTION or HTNOWHERE the
 * screen point is over in the skin's caption bar. */
int HitTestSkinCaption(SkinWindow *record, POINT screen);
/* TRUE when the window has a caption bar the skin draws. */
BOOL HasSkinCaption(HWND window);

/* Drawing helpers (skin_draw.c): a line from (x1, y1) to just before (x2, y2); a one-pixel
 * raised or sunken edge just inside `box`. */
void DrawSkinLine(HDC dc, int x1, int y1, int x2, int y2);
void DrawSkinEdge(HDC dc, const RECT *box, SkinColour topLeft, SkinColour bottomRight);

/* Push buttons (skin_button.c): draws the button in the given DC with the skin's colours. */
void PaintSkinButton(HWND button, HDC dc);
/* TRUE when the window is a push button the skin draws. */
BOOL IsSkinPushButton(HWND window);

/* Menus (skin_menu.c): makes the items of a pop-up menu drawn by the skin, and draws them. */
void SkinMenuPopup(HMENU menu);
BOOL MeasureSkinMenuItem(MEASUREITEMSTRUCT *item);
BOOL DrawSkinMenuItem(const DRAWITEMSTRUCT *item);
/* Gives every menu item the skin drew back to the system. */
void ReleaseSkinMenus(void);

#endif
