// The clipboard readers of a capture: the Unicode text, the bitmap as a 24-bit BMP file image in
// memory, and the names of the copied files. Texts and names are what the user copied, kept whole
// as UTF-8 (framework/text_codec.h), never through code page 936. Each reader comes twice: a body
// (ReadOpenClipboard...) that reads the clipboard its caller holds open, so that one opening can
// read one change whole, and an entry point that opens and closes the clipboard around the body
// (trying for a fifth of a second while another program holds it) and reads an unopened clipboard
// as empty. Nothing here shows a message; only running out of memory raises (std::bad_alloc), with
// the clipboard closed again by the entry points.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/byte_set.h"

// `n` zero bytes; an empty array when `n` is below 1.
ByteSet AllocHeapByteSet(std::int32_t n);
// Address of the first byte; null for an empty array.
std::uint8_t* ByteSetData(ByteSet& bytes);

// UTF-16 units (the array's bytes, an odd last byte ignored) up to the first zero unit, converted
// to code page 936. Characters that code page cannot show become its default character "?".
std::string Utf16ToText(const ByteSet& bytes);

// CF_UNICODETEXT up to its first zero unit as UTF-8, every unit kept; "" when the format is missing
// or cannot be read.
std::string ReadClipboardText();
std::string ReadOpenClipboardText();

// CF_BITMAP as a complete BMP file: a 14-byte file header ("BM", 54 + image size, 0, 0, 54), the
// 40-byte info header as GetDIBits leaves it (width, positive height, 1 plane, 24 bits, BI_RGB,
// image size) and the bottom-up rows of blue, green and red bytes, each row padded with zeros to
// a multiple of 4 bytes. Empty when there is no bitmap or it cannot be described; raises
// std::bad_alloc when the image is too large to hold in memory. The clipboard is opened for
// `owner`.
ByteSet ReadClipboardBitmap(HWND owner = nullptr);
ByteSet ReadOpenClipboardBitmap();

// CF_HDROP: empties `names`, then fills it with the full paths in clipboard order, as UTF-8, and
// returns their count; 0 when the format is missing or the clipboard cannot be opened. Long names
// are read whole; code-page names (a list without fWide) are read in the ANSI code page. A block
// whose list would reach outside it (its offset before the end of the header or past the block,
// a last name without its zero) is damaged and gives 0 and no names; nothing outside the block is
// ever read.
int ReadClipboardFileList(std::vector<std::string>& names);
int ReadOpenClipboardFileList(std::vector<std::string>& names);

// The clipboard's owner window (GetClipboardOwner); null when the clipboard has none.
HWND GetClipboardOwnerWindow();
