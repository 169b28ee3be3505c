/* Reading a ".SHE" skin (layout in skin_format.h). Every read is checked against the byte count
 * first: the bytes come from the caller and may be anything. */
#include "skin_format.h"

#include <string.h>

static DWORD ReadDword(const BYTE *at) { return at[0] | at[1] << 8 | at[2] << 16 | (DWORD)at[3] << 24; }
static WORD ReadWord(const BYTE *at) { return (WORD)(at[0] | at[1] << 8); }

static BOOL ReadHeader(const BYTE *data, DWORD size, DWORD *colourCount)
{
    if (!data || size < SKIN_HEADER_SIZE || memcmp(data, ".SHE", 4) != 0)
        return FALSE;
    if (ReadDword(data + 4) != size || ReadWord(data + 8) != SKIN_VERSION)
        return FALSE;
    *colourCount = ReadWord(data + 10);
    return *colourCount >= SKIN_COLOUR_COUNT;
}

static BOOL ReadFaceName(const BYTE *at, DWORD count, WCHAR *faceName)
{
    faceName[0] = 0;
    if (count == 0)
        return TRUE;
    if (count > SKIN_MAX_FACE_BYTES)
        return FALSE;
    int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, (const char *)at, (int)count, faceName,
                                     LF_FACESIZE - 1);
    if (length <= 0)
        return FALSE;
    faceName[length] = 0;
    return TRUE;
}

BOOL ReadSkinScheme(const BYTE *data, DWORD size, SkinScheme *scheme)
{
    DWORD colourCount;
    if (!ReadHeader(data, size, &colourCount))
        return FALSE;
    DWORD metrics = SKIN_HEADER_SIZE + 4 * colourCount;
    if (metrics + 6 > size)
        return FALSE;
    for (int i = 0; i < SKIN_COLOUR_COUNT; ++i)
        scheme->colours[i] = ReadDword(data + SKIN_HEADER_SIZE + 4 * i) & 0x00FFFFFF;
    scheme->captionHeight = ReadWord(data + metrics);
    scheme->frameWidth = ReadWord(data + metrics + 2);
    DWORD faceBytes = ReadWord(data + metrics + 4);
    if (scheme->captionHeight < 1 || scheme->captionHeight > SKIN_MAX_CAPTION_HEIGHT ||
        scheme->frameWidth > SKIN_MAX_FRAME_WIDTH)
        return FALSE;
    if (metrics + 6 + faceBytes > size)
        return FALSE;
    return ReadFaceName(data + metrics + 6, faceBytes, scheme->faceName);
}
