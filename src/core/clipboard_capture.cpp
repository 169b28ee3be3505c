#include "core/clipboard_capture.h"

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "core/capture_failure_notice.h"
#include "core/capture_timing.h"
#include "core/capture_writer.h"
#include "core/clipboard_readers.h"
#include "core/globals.h"
#include "core/history_statements.h"
#include "core/history_store.h"
#include "core/history_view.h"
#include "core/time_key.h"
#include "db/connection_lock.h"
#include "framework/exception_boundary.h"

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

// The writer thread's statements, kept from one entry to the next while the thread runs; they
// end with it (EndStoring), before the connection can be closed.
HistoryStatements* g_writerStatements = nullptr;

HistoryStatements& WriterStatements()
{
    if (g_writerStatements && g_writerStatements->Connection() != g_database->GetHandle()) {
        delete g_writerStatements;
        g_writerStatements = nullptr;
    }
    if (!g_writerStatements)
        g_writerStatements = new HistoryStatements(g_database->GetHandle());
    return *g_writerStatements;
}

void EndStoring() noexcept
{
    delete g_writerStatements;
    g_writerStatements = nullptr;
}

// The capture's first failure is the one told: the engine's text for the call that just failed.
void NoteStoreFailure(QueuedCapture& capture)
{
    if (capture.failed)
        return;
    capture.failed = true;
    capture.failure = g_database->ErrMsg();
}

// Ends the capture's transaction. A commit that fails (another program reading the file for
// longer than the busy time-out) leaves nothing of the capture in the file: it is rolled back, so
// that the next capture starts a transaction of its own, and reported as the capture's failure.
void CommitCapture(QueuedCapture& capture, HistoryStatements& statements)
{
    // The engine rolls the whole transaction back itself on some failures (a full disk, an I/O
    // error): after the insert's own that is expected, but after the trim's, which is silent, the
    // new row went with it and would be lost without a word.
    if (g_database->GetAutocommit()) {
        NoteStoreFailure(capture);
        return;
    }
    if (statements.Run(HistoryStatement::Commit) == SQLITE_DONE)
        return;
    NoteStoreFailure(capture);
    statements.Run(HistoryStatement::Rollback);
}

// The writer's thread: insert, then trim, in one transaction, so that the new row and the removal
// of the oldest reach the disk in one commit instead of two. The connection is held throughout, so
// that no statement of the window thread runs inside that transaction and the insert's error text
// is still its own when read.
void StoreCapture(QueuedCapture& capture) noexcept
{
    ConnectionLock lock(g_database->GetHandle());
    HistoryStatements* statements = nullptr;
    bool began = false;
    try {
        statements = &WriterStatements();
        const HistoryEntry& entry = capture.entry;
        began = g_database->GetAutocommit() && statements->Run(HistoryStatement::Begin) == SQLITE_DONE;
        // The values go in as captured: the store binds them, so no apostrophe needs doubling.
        bool inserted =
            InsertEntry(entry.timeKey, entry.text, MakePictureText(entry.picture), entry.files, statements);
        capture.stamps.Mark(CapturePhase::Insert);
        if (!inserted)
            NoteStoreFailure(capture);
        TrimHistory(statements);
        if (began)
            CommitCapture(capture, *statements);
        capture.stamps.Mark(CapturePhase::Trim);
    } catch (...) {
        capture.failed = true;
        capture.failure = kOutOfMemoryText;
        if (began && !g_database->GetAutocommit())
            statements->Run(HistoryStatement::Rollback);
    }
}

// The window thread, once the entry is stored: the failure's box (shown later by the message
// loop), then the history's row.
void ShowCapture(QueuedCapture& capture) noexcept
{
    if (capture.failed)
        NoteCaptureFailure(capture.failure);
    CurrentCaptureStamps() = capture.stamps;
    // The grid's own copy is stored but not shown again. Its owner is the one of the change read,
    // not of whatever the clipboard holds now.
    const ShowHistoryEntryFunction show = HistoryView();
    if (show && !IsGridClipboardOwner(g_grid, capture.owner)) {
        // Stored, but too large to be shown as well: the row is left out.
        NoThrow([&] {
            const HistoryEntry& entry = capture.entry;
            show(entry.timeKey, entry.text, entry.picture, entry.files);
        });
    }
    FinishCaptureTiming();
}

// Made on the window thread at the first capture and kept to the end of the process: its thread
// ends in FinishQueuedCaptures.
CaptureWriter* g_writer = nullptr;

CaptureWriter& Writer()
{
    if (!g_writer)
        g_writer = new CaptureWriter(StoreCapture, ShowCapture, EndStoring);
    return *g_writer;
}

// A window handle as the grid reports window handles; 0 becomes -1, which no window has.
std::int32_t ComparableWindow(std::int32_t window) { return window == 0 ? -1 : window; }

// Reads the clipboard and hands the entry on: the store and the row follow once the writer has it.
// True when something of the change was read.
bool CaptureEntry(HWND window)
{
    MarkCapturePhase(CapturePhase::Start);
    QueuedCapture capture;
    bool pictureTooLarge = false;
    capture.entry = ReadClipboardEntry(&pictureTooLarge, window);
    capture.owner = GetClipboardOwnerWindow();
    MarkCapturePhase(CapturePhase::Read);
    capture.stamps = std::exchange(CurrentCaptureStamps(), CaptureStamps());
    if (pictureTooLarge)
        NoteCaptureFailure(kOutOfMemoryText);
    if (capture.entry.IsEmpty())
        return false;
    Writer().Queue(std::move(capture));
    return true;
}

// The clipboard change last captured: a change notice handled after a later change reads that
// later content, and the later change's own notice would then store it a second time. A change
// counts only once something of it was read: while the copying program still holds the clipboard
// open nothing can be, and a later notice of the same change must still store it.
DWORD g_capturedSequence = 0;

bool AlreadyCaptured(UINT message, DWORD sequence) noexcept
{
    return message == WM_DRAWCLIPBOARD && sequence != 0 && sequence == g_capturedSequence;
}

} // namespace

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    // Taken before the read: a change made during the read has a notice of its own to come.
    const DWORD sequence = GetClipboardSequenceNumber();
    if (AlreadyCaptured(message, sequence))
        return 0;
    const bool read = RanToEnd([&] {
        if (CaptureEntry(window))
            g_capturedSequence = sequence;
    });
    // Out of memory in the middle of a capture: this change is not recorded, and the user is told
    // so instead of finding it missing later.
    if (!read)
        NoteCaptureFailure(kOutOfMemoryText);
    return 0;
}

void FinishQueuedCaptures() noexcept
{
    if (g_writer)
        g_writer->Finish();
}

bool CapturesOnTheirWay() noexcept { return g_writer && g_writer->Pending(); }

HistoryEntry ReadClipboardEntry(bool* pictureTooLarge, HWND window)
{
    HistoryEntry entry;
    entry.timeKey = MakeTimeKey();
    entry.text = ReadClipboardText();
    try {
        entry.picture = ReadClipboardBitmap(window);
    } catch (const std::bad_alloc&) {
        // The text and the files of the change are still worth keeping.
        if (pictureTooLarge)
            *pictureTooLarge = true;
    }
    std::vector<std::string> names;
    if (ReadClipboardFileList(names) > 0)
        entry.files = JoinFileNames(names);
    return entry;
}

std::string StatementCopy(const std::string& text)
{
    // Neither GBK trail bytes nor UTF-8 continuation bytes are ever 0x27, so every "'" byte is a
    // whole apostrophe.
    return DoubleApostrophes(text);
}

bool IsGridClipboardOwner(GridControl* grid, HWND owner)
{
    if (!grid)
        return false;
    std::int32_t edit = ComparableWindow(grid->GetEditWindow());
    const std::int32_t window = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(owner));
    return window == ComparableWindow(grid->GethWnd()) || window == edit;
}
