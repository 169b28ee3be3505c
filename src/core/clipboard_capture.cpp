#include "core/clipboard_capture.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/capture_failure_notice.h"
#include "core/capture_timing.h"
#include "core/clipboard_readers.h"
#include "core/globals.h"
#include "core/history_store.h"
#include "core/time_key.h"
#include "ui/history_grid.h"

namespace {

std::string JoinFileNames(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names) {
        if (&name != &names.front())
            joined += '|';
        joined += name;
    }
    return joined;
}

// Told when a capture runs out of memory: the engine has no text for that.
constexpr char kOutOfMemoryText[] = "内存不足：这次复制的内容太大，没有保存。";

void StoreEntry(const HistoryEntry& entry)
{
    // The values go in as captured: the store binds them, so no apostrophe needs doubling.
    bool inserted = InsertEntry(entry.timeKey, entry.text, MakePictureText(entry.picture), entry.files);
    MarkCapturePhase(CapturePhase::Insert);
    // The insert's own error text, read before the trim's statement replaces it.
    std::string error = inserted ? std::string() : g_database->ErrMsg();
    TrimHistory();
    MarkCapturePhase(CapturePhase::Trim);
    if (!inserted)
        NoteCaptureFailure(error);
}

// A window handle as the grid reports window handles; 0 becomes -1, which no window has.
std::int32_t ComparableWindow(std::int32_t window) { return window == 0 ? -1 : window; }

std::int32_t ClipboardOwner()
{
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(GetClipboardOwnerWindow()));
}

void CaptureEntry()
{
    MarkCapturePhase(CapturePhase::Start);
    HistoryEntry entry = ReadClipboardEntry();
    MarkCapturePhase(CapturePhase::Read);
    if (entry.IsEmpty())
        return;
    StoreEntry(entry);
    if (!IsGridClipboardOwner(g_grid))
        AddGridRow(entry.timeKey, entry.text, entry.picture, entry.files);
    FinishCaptureTiming();
}

// The clipboard change last captured: a change notice handled after a later change reads that
// later content, and the later change's own notice would then store it a second time.
DWORD g_capturedSequence = 0;

bool AlreadyCaptured(UINT message) noexcept
{
    DWORD sequence = GetClipboardSequenceNumber();
    if (message == WM_DRAWCLIPBOARD && sequence != 0 && sequence == g_capturedSequence)
        return true;
    g_capturedSequence = sequence;
    return false;
}

} // namespace

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (AlreadyCaptured(message))
        return 0;
    try {
        CaptureEntry();
    } catch (...) {
        // Out of memory in the middle of a capture: this change is not recorded, and the user
        // is told so instead of finding it missing later.
        NoteCaptureFailure(kOutOfMemoryText);
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
