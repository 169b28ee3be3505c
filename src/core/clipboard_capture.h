// One capture per clipboard notification: the clipboard's text, bitmap and file list become a
// HistoryEntry, stored as a row of table "data" and, unless the history grid made the change
// itself, shown as the grid's new top row.
#pragma once

#include <windows.h>

#include <string>

#include "framework/byte_set.h"

class GridControl;

// One captured clipboard state. An entry with no text, no picture and no files is not an entry.
// Text and file names are what the user copied, as UTF-8 with every UTF-16 unit kept
// (framework/text_codec.h): the engine binds them as they are, a Latin text takes half the memory
// of UTF-16, and an apostrophe byte is always a whole apostrophe.
struct HistoryEntry {
    std::string timeKey;  // the capture time ("2020-11-20 09:05:03 007")
    std::string text;     // CF_UNICODETEXT as UTF-8, as read; "" when none
    ByteSet picture;      // CF_BITMAP as a 24-bit BMP file image; empty when none
    std::string files;    // CF_HDROP: the full paths as UTF-8 joined by "|"; "" when none

    bool IsEmpty() const { return text.empty() && picture.Empty() && files.empty(); }
};

// The monitor's callback (window-procedure signature): reads one entry and returns 0, so the
// monitor goes on with the message. The text, the picture, the files, the clipboard's owner and the
// number that marks the change captured are all read in one opening of the clipboard, so an entry
// is always one change whole; a change made meanwhile has a notice of its own. The window never
// waits on the clipboard: while another program holds it open, the capture is tried again from
// the message loop for about a second, then that change is let go (nothing stored). A notice that
// arrives while the capture itself is reading (an owner making its data on request) is tried
// again the same way once the read is over. A WM_CHANGECBCHAIN (or WM_DESTROY) stores the
// clipboard once more, even when its change is stored already. The entry is
// then stored (insert, then trim) by the history writer's thread and, once stored, shown from this
// thread's message loop, entries in the order they were read. A WM_DRAWCLIPBOARD for a clipboard
// whose change has been captured already (its notice came late, after a later change) stores
// nothing. A failed insert (or a capture that ran out of memory, a picture too large to hold among
// them) shows a box with the engine's error text (or says the content was too large) from the
// message loop; one box at a time. After a failed insert the grid row is added all the same.
LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Lets a capture still waiting for the clipboard go, waits until every entry read so far is
// stored, then adds their rows and notes their failures on this (the window) thread. Called before
// the database is closed, and by tests.
void FinishQueuedCaptures() noexcept;

// True while a notice that found the clipboard held open is still being tried again.
bool CaptureRetryPending() noexcept;

// True while entries read are still being stored or wait for their rows (the one whose row is
// being added aside): a burst of copies is under way.
bool CapturesOnTheirWay() noexcept;

// The clipboard now, read in one opening (for `window`, tried for a fifth of a second while another
// program holds it; empty when it stays held): time key first, then the three readers. A picture
// too large to hold in memory is left out of the entry and sets `*pictureTooLarge` (when given);
// the text and the files are read all the same. Raises std::bad_alloc when memory runs out
// otherwise. Not for the window thread's notices, which never wait.
HistoryEntry ReadClipboardEntry(bool* pictureTooLarge = nullptr, HWND window = nullptr);

// `text` (GBK or UTF-8) as it goes into a statement literal: every "'" doubled.
std::string StatementCopy(const std::string& text);

// True when `owner`, the clipboard's owner when a change was read, is the grid's window or its cell
// editor's window, that is when the grid's own copy made the change. A window the grid reports as
// 0 matches no owner, so a clipboard without owner is never taken for the grid's. False without a
// grid.
bool IsGridClipboardOwner(GridControl* grid, HWND owner);
