/* The ".SHE" skin format and the scheme the engine reads from it.
 *
 * A skin is one block of bytes, all numbers little-endian:
 *
 *   offset      size  field
 *   0           4     magic ".SHE" (2E 53 48 45)
 *   4           4     byte count of the whole skin; it must equal the count the engine is given
 *   8           2     format version, 1
 *   10          2     colour count n, at least SKIN_COLOUR_COUNT; colours past the known ones are skipped
 *   12          4n    colours as COLORREF (0x00BBGGRR), in the order of SkinColour below
 *   12+4n       2     caption height in pixels, 1..100
 *   14+4n       2     frame width in pixels, 0..20
 *   16+4n       2     byte count m of the face name, 0..95, at most 31 characters (0: the system's caption font)
 *   18+4n       m     face name of the caption font, UTF-8, not terminated
 *   18+4n+m     ...   anything up to the byte count (ignored)
 *
 * The caption height and frame width say how the caption bar is drawn inside the border the
 * system gives a window; they never change the window's client area. A skin whose fields break
 * any rule above is refused as a whole.
 */
#ifndef SKIN_FORMAT_H
#define SKIN_FORMAT_H

#include <windows.h>

#define SKIN_VERSION 1
#define SKIN_HEADER_SIZE 12
#define SKIN_MAX_CAPTION_HEIGHT 100
#define SKIN_MAX_FRAME_WIDTH 20
#define SKIN_MAX_FACE_BYTES 95

typedef enum SkinColour {
    SKIN_CAPTION_ACTIVE,
    SKIN_CAPTION_INACTIVE,
    SKIN_CAPTION_TEXT_ACTIVE,
    SKIN_CAPTION_TEXT_INACTIVE,
    SKIN_FRAME,
    SKIN_WINDOW_BACKGROUND,  /* client area of ordinary windows, edits and list boxes */
    SKIN_CONTROL_BACKGROUND, /* dialogs, static texts, buttons' surroundings */
    SKIN_TEXT,
    SKIN_BUTTON_FACE,
    SKIN_BUTTON_LIGHT,
    SKIN_BUTTON_SHADOW,
    SKIN_SELECTION,
    SKIN_SELECTION_TEXT,
    SKIN_COLOUR_COUNT
} SkinColour;

typedef struct SkinScheme {
    COLORREF colours[SKIN_COLOUR_COUNT];
    int captionHeight;
    int frameWidth;
    WCHAR faceName[LF_FACESIZE]; /* empty: the system's caption font */
} SkinScheme;

/* Reads `size` bytes at `data` into `scheme`. Returns FALSE, leaving `scheme` unspecified, when the
 * bytes are not a skin of this version; never reads past `size`. */
BOOL ReadSkinScheme(const BYTE *data, DWORD size, SkinScheme *scheme);

#endif
