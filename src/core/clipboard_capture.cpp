#include "core/clipboard_capture.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/clipboard_readers.h"
#include "core/globals.h"
#include "core/history_store.h"
#include "core/time_key.h"
#include "db/sqlite_schema.h"
#include "framework/message_box.h"
#include "ui/history_grid.h"

namespace {

std::string JoinFileNames(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names)
        joined += "|" + name;
    return joined.empty() ? joined : joined.substr(1);
}

void StoreEntry(const HistoryEntry& entry)
{
    bool inserted = InsertEntry(entry.timeKey, StatementCopy(entry.text), MakePictureText(entry.picture),
                                StatementCopy(entry.files));
    // The insert's own error text, read before the trim's statement replaces it.
    std::string error = inserted ? std::string() : g_database->ErrMsg();
    TrimHistory();
    if (!inserted)
        ShowMessageBox(error, 0);
}

// A window handle as the grid reports window handles; 0 becomes -1, which no window has.
std::int32_t ComparableWindow(std::int32_t window) { return window == 0 ? -1 : window; }

std::int32_t ClipboardOwner()
{
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(GetClipboardOwnerWindow()));
}

void CaptureEntry()
{
    HistoryEntry entry = ReadClipboardEntry();
    if (entry.IsEmpty())
        return;
    StoreEntry(entry);
    if (!IsGridClipboardOwner(g_grid))
        AddGridRow(entry.timeKey, entry.text, entry.picture, entry.files);
}

} // namespace

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        CaptureEntry();
    } catch (...) {
        // Out of memory in the middle of a capture: this change is not recorded.
    }
    return 0;
}

HistoryEntry ReadClipboardEntry()
{
    HistoryEntry entry;
    entry.timeKey = MakeTimeKey();
    entry.text = ReadClipboardText();
    entry.picture = ReadClipboardBitmap();
    std::vector<std::string> names;
    if (ReadClipboardFileList(names) > 0)
        entry.files = JoinFileNames(names);
    return entry;
}

std::string StatementCopy(const std::string& text)
{
    // GBK trail bytes are never 0x27, so every "'" byte is a whole apostrophe.
    return DoubleApostrophes(text);
}

bool IsGridClipboardOwner(GridControl* grid)
{
    if (!grid)
        return false;
    std::int32_t edit = ComparableWindow(grid->GetEditWindow());
    if (ClipboardOwner() == ComparableWindow(grid->GethWnd()))
        return true;
    return ClipboardOwner() == edit;
}
