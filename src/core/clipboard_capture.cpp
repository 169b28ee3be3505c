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
#include "framework/unique_resource.h"
#include "framework/window_procedure.h"

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

// The clipboard change last captured: a change notice handled after a later change reads that
// later content, and the later change's own notice would then store it a second time.
DWORD g_capturedSequence = 0;

bool AlreadyCaptured(UINT message, DWORD sequence) noexcept
{
    return message == WM_DRAWCLIPBOARD && sequence != 0 && sequence == g_capturedSequence;
}

// The clipboard's content, read while the caller holds it open: the time key first, then the
// text, the picture and the files of one change.
HistoryEntry ReadOpenClipboardEntry(bool* pictureTooLarge)
{
    HistoryEntry entry;
    entry.timeKey = MakeTimeKey();
    entry.text = ReadOpenClipboardText();
    try {
        entry.picture = ReadOpenClipboardBitmap();
    } catch (const std::bad_alloc&) {
        // The text and the files of the change are still worth keeping.
        if (pictureTooLarge)
            *pictureTooLarge = true;
    }
    std::vector<std::string> names;
    if (ReadOpenClipboardFileList(names) > 0)
        entry.files = JoinFileNames(names);
    return entry;
}

// Under Wine, reading another program's data leaves this process a copy of it, which the next
// opening of the clipboard drops: without this, a huge text would stay in memory twice through the
// store. Nothing is read. A clipboard taken by someone else in the meantime keeps the copy a while.
void DropReadCopies(HWND window) noexcept
{
    if (OpenClipboard(window))
        CloseClipboard();
}

// What one try at a notice came to.
enum class CaptureTry {
    Done,  // read whole (or known already): whatever there was to store is on its way
    Busy,  // another program holds the clipboard open: nothing of the change could be read
};

// Reads the change on the clipboard in one opening, so that nothing of a later change can join it
// (the number that marks it captured and its owner are taken while the clipboard is still held),
// and hands the entry on: the store and the row follow once the writer has it. Never waits for
// the clipboard. A change counts as captured once it was read whole and handed on.
CaptureTry CaptureEntry(HWND window, UINT message)
{
    MarkCapturePhase(CapturePhase::Start);
    QueuedCapture capture;
    bool pictureTooLarge = false;
    DWORD sequence = 0;
    {
        UniqueClipboard clipboard(OpenClipboard(window) != FALSE);
        if (!clipboard)
            return CaptureTry::Busy;
        sequence = GetClipboardSequenceNumber();
        if (AlreadyCaptured(message, sequence))
            return CaptureTry::Done;
        capture.entry = ReadOpenClipboardEntry(&pictureTooLarge);
        capture.owner = GetClipboardOwner();
    }
    if (!capture.entry.text.empty())
        DropReadCopies(window);
    MarkCapturePhase(CapturePhase::Read);
    capture.stamps = std::exchange(CurrentCaptureStamps(), CaptureStamps());
    // The picture could not be held: the rest of the change is stored and the user told.
    if (pictureTooLarge)
        NoteCaptureFailure(kOutOfMemoryText);
    if (!capture.entry.IsEmpty())
        Writer().Queue(std::move(capture));
    g_capturedSequence = sequence;
    return CaptureTry::Done;
}

// One try at the clipboard for a notice; out of memory in the middle of it, the change is not
// recorded, and the user is told so instead of finding it missing later.
CaptureTry TryCapture(HWND window, UINT message) noexcept
{
    // Known already without opening: a change made since has a notice of its own to come.
    if (AlreadyCaptured(message, GetClipboardSequenceNumber()))
        return CaptureTry::Done;
    CaptureTry result = CaptureTry::Done;
    if (!RanToEnd([&] { result = CaptureEntry(window, message); }))
        NoteCaptureFailure(kOutOfMemoryText);
    return result;
}

// A notice whose clipboard another program held open is tried again from the message loop, every
// few milliseconds for about a second (the window never waits on the clipboard itself), then the
// change is let go: nothing of it could be read. One retry at a time stands for every notice that
// found the clipboard busy: it reads whatever change the clipboard holds when it gets in.
constexpr UINT kRetryPauseMs = 10;
constexpr DWORD kRetryForMs = 1000;

struct CaptureRetry {
    UINT_PTR timer = 0;
    HWND window = nullptr;
    UINT message = WM_DRAWCLIPBOARD;
    DWORD until = 0;  // GetTickCount when the change is let go
};

CaptureRetry g_retry;

void EndRetry() noexcept
{
    if (g_retry.timer)
        KillTimer(nullptr, g_retry.timer);
    g_retry = CaptureRetry();
}

void CALLBACK RetryCapture(HWND, UINT, UINT_PTR, DWORD) noexcept
{
    if (TryCapture(g_retry.window, g_retry.message) == CaptureTry::Done ||
        static_cast<LONG>(GetTickCount() - g_retry.until) >= 0)
        EndRetry();
}

void ScheduleRetry(HWND window, UINT message) noexcept
{
    if (!g_retry.timer) {
        g_retry.timer = StartTimer(nullptr, 0, kRetryPauseMs, TimerProcedure::Wrap<&RetryCapture>());
        // Without a timer there is no later try: the change is let go at once.
        if (!g_retry.timer)
            return;
        g_retry.message = message;
    } else if (message != WM_DRAWCLIPBOARD) {
        // A change of the viewer chain stores the clipboard even when its change is captured already.
        g_retry.message = message;
    }
    g_retry.window = window;
    g_retry.until = GetTickCount() + kRetryForMs;
}

} // namespace

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM, LPARAM) noexcept
{
    if (TryCapture(window, message) == CaptureTry::Busy)
        ScheduleRetry(window, message);
    else
        // The clipboard as it is now has been read (or was known): whatever a waiting retry stood
        // for is read or gone.
        EndRetry();
    return 0;
}

void FinishQueuedCaptures() noexcept
{
    EndRetry();
    if (g_writer)
        g_writer->Finish();
}

bool CaptureRetryPending() noexcept { return g_retry.timer != 0; }

bool CapturesOnTheirWay() noexcept { return g_writer && g_writer->Pending(); }

HistoryEntry ReadClipboardEntry(bool* pictureTooLarge, HWND window)
{
    UniqueClipboard clipboard = OpenClipboardRetrying(window);
    return clipboard ? ReadOpenClipboardEntry(pictureTooLarge) : HistoryEntry();
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
