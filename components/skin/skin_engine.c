/* The skin engine: takes a skin (".SHE" data), keeps its own copy of it and attaches it to the
 * top-level windows of the thread that attached it, those that exist and those made later, until
 * the skin is detached. An attached window carries the window property "SkinH_Skin", whose value
 * is the engine's skin record.
 *
 * Skin data (little-endian):
 *   0  4 bytes   ".SHE"
 *   4  32-bit    byte count of the whole skin
 *   8  16-bit    format version (1)
 *   10 16-bit    colour count n
 *   12 n x 32-bit colours (COLORREF), then the skin's own data up to the byte count.
 *
 * Exports (__stdcall):
 *   SkinH_AttachRes(data, size, password, hue, saturation, brightness) -> TRUE when attached.
 *     The password may be null; these skins are not locked, so it is not used.
 *   SkinH_Detach() -> TRUE; the skin leaves every window and the engine's copy is freed.
 */
#include <windows.h>

#include <string.h>

#define SKIN_PROPERTY "SkinH_Skin"
#define SKIN_HEADER_SIZE 12
#define SKIN_VERSION 1

typedef struct Skin {
    BYTE *data;
    DWORD size;
    WORD colourCount;
    int hue;
    int saturation;
    int brightness;
} Skin;

static Skin *g_skin;        /* the attached skin, or null */
static DWORD g_skinThread;  /* the thread whose windows carry it */
static HHOOK g_creationHook;

static DWORD ReadDword(const BYTE *at) { return at[0] | at[1] << 8 | at[2] << 16 | (DWORD)at[3] << 24; }
static WORD ReadWord(const BYTE *at) { return (WORD)(at[0] | at[1] << 8); }

static BOOL IsSkinData(const BYTE *data, DWORD size)
{
    if (!data || size < SKIN_HEADER_SIZE || memcmp(data, ".SHE", 4) != 0)
        return FALSE;
    if (ReadDword(data + 4) != size || ReadWord(data + 8) != SKIN_VERSION)
        return FALSE;
    return SKIN_HEADER_SIZE + 4 * (DWORD)ReadWord(data + 10) <= size;
}

static void FreeSkin(Skin *skin)
{
    if (!skin)
        return;
    HeapFree(GetProcessHeap(), 0, skin->data);
    HeapFree(GetProcessHeap(), 0, skin);
}

static Skin *CopySkin(const BYTE *data, DWORD size, int hue, int saturation, int brightness)
{
    Skin *skin = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *skin);
    if (!skin)
        return NULL;
    skin->data = HeapAlloc(GetProcessHeap(), 0, size);
    if (!skin->data) {
        FreeSkin(skin);
        return NULL;
    }
    memcpy(skin->data, data, size);
    skin->size = size;
    skin->colourCount = ReadWord(data + 10);
    skin->hue = hue;
    skin->saturation = saturation;
    skin->brightness = brightness;
    return skin;
}

static BOOL CALLBACK MarkWindow(HWND window, LPARAM skin)
{
    SetPropA(window, SKIN_PROPERTY, (HANDLE)skin);
    return TRUE;
}

static BOOL CALLBACK UnmarkWindow(HWND window, LPARAM unused)
{
    RemovePropA(window, SKIN_PROPERTY);
    return TRUE;
}

/* Windows made on the skinned thread after the attach get the skin as they are created. */
static LRESULT CALLBACK OnWindowCreation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && g_skin) {
        const CREATESTRUCTA *create = ((const CBT_CREATEWNDA *)lParam)->lpcs;
        if (!(create->style & WS_CHILD) && create->hwndParent != HWND_MESSAGE)
            MarkWindow((HWND)wParam, (LPARAM)g_skin);
    }
    return CallNextHookEx(g_creationHook, code, wParam, lParam);
}

static void RemoveSkin(void)
{
    if (!g_skin)
        return;
    EnumThreadWindows(g_skinThread, UnmarkWindow, 0);
    if (g_creationHook)
        UnhookWindowsHookEx(g_creationHook);
    g_creationHook = NULL;
    FreeSkin(g_skin);
    g_skin = NULL;
}

BOOL WINAPI SkinH_AttachRes(const BYTE *data, DWORD size, const char *password, int hue, int saturation,
                            int brightness)
{
    if (!IsSkinData(data, size))
        return FALSE;
    Skin *skin = CopySkin(data, size, hue, saturation, brightness);
    if (!skin)
        return FALSE;
    RemoveSkin();
    g_skin = skin;
    g_skinThread = GetCurrentThreadId();
    g_creationHook = SetWindowsHookExA(WH_CBT, OnWindowCreation, NULL, g_skinThread);
    EnumThreadWindows(g_skinThread, MarkWindow, (LPARAM)g_skin);
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
