// Putting a history entry back on the system clipboard: a picture as a bitmap owned by the
// focused window, or a file list as a CF_HDROP block with no owner window. Nothing here raises or
// shows a message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/byte_set.h"

// The number of bytes in `bytes`; 0 for an empty array.
std::int32_t GetByteSetSize(const ByteSet& bytes) noexcept;

// The window that has the keyboard focus in the foreground window's thread; null when there is
// no foreground window or its thread has no focus. Another thread's input queue is attached only
// for the one GetFocus call and detached again before the return.
HWND GetInputFocusWindow() noexcept;

// Decodes `picture` (the bytes of an image file, as the grid gives a cell's picture) into a
// bitmap and puts it on the clipboard as CF_BITMAP, owned by GetInputFocusWindow(). Once the
// clipboard accepted the bitmap it belongs to the system; otherwise it is deleted here. Bytes
// that give no bitmap leave the clipboard as it was. True exactly when the clipboard accepted the bitmap.
bool PutPictureOnClipboard(const ByteSet& picture) noexcept;

// Empties the clipboard and puts `names` (UTF-8 paths, in order) on it as CF_HDROP: a DROPFILES
// header of 20 bytes (name list at offset 20, fWide 1) followed by each name's UTF-16 units and a
// zero unit, and one more zero unit. With `move` also the 32-bit value 2 under "Preferred
// DropEffect". The clipboard gets no owner window. A name is taken up to its first zero; empty
// names are left out, since they would end the list early. True exactly when the clipboard accepted the CF_HDROP
// block; false, with the clipboard unchanged, when it cannot be opened or no name is left.
bool PutFileListOnClipboard(const std::vector<std::string>& names, bool move = false) noexcept;
