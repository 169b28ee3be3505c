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
// opening of the clipboard drops: without this, a huge text or a screenshot would stay in memory
// twice through the store. Nothing is read. A clipboard taken by someone else in the meantime keeps
// the copy a while.
void DropReadCopies(HWND window) noexcept
{
    UniqueClipboard reopened(OpenClipboard(window) != FALSE);
}

// True while a capture holds the clipboard open. Reading a format that its owner makes only on
// request waits for that owner, and the window thread handles the messages sent to it meanwhile: a
// notice among them (a viewer joining the chain passes its first one on) must not open the
// clipboard again, which this window may do, and close it under the read.
bool g_readingClipboard = false;

class ReadingClipboard {
public:
    ReadingClipboard() noexcept { g_readingClipboard = true; }
    ~ReadingClipboard() { g_readingClipboard = false; }
    ReadingClipboard(const ReadingClipboard&) = delete;
    ReadingClipboard& operator=(const ReadingClipboard&) = delete;
};

// What one try at a notice came to.
enum class CaptureTry {
    Read,   // read whole and handed on (nothing to store when it held nothing)
    Known,  // its change was captured already: nothing was read
    Busy,   // the clipboard could not be opened: nothing of the change was read
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
        // Declared first, so that it ends after the clipboard is closed again.
        ReadingClipboard reading;
        UniqueClipboard clipboard(OpenClipboard(window) != FALSE);
        if (!clipboard)
            return CaptureTry::Busy;
        sequence = GetClipboardSequenceNumber();
        if (AlreadyCaptured(message, sequence))
            return CaptureTry::Known;
        capture.entry = ReadOpenClipboardEntry(&pictureTooLarge);
        capture.owner = GetClipboardOwner();
    }
    if (!capture.entry.IsEmpty() || pictureTooLarge)
        DropReadCopies(window);
    MarkCapturePhase(CapturePhase::Read);
    capture.stamps = std::exchange(CurrentCaptureStamps(), CaptureStamps());
    // The picture could not be held: the rest of the change is stored and the user told.
    if (pictureTooLarge)
        NoteCaptureFailure(kOutOfMemoryText);
    if (!capture.entry.IsEmpty())
        Writer().Queue(std::move(capture));
    g_capturedSequence = sequence;
    return CaptureTry::Read;
}

// One try at the clipboard for a notice; out of memory in the middle of it, the change is not
// recorded, and the user is told so instead of finding it missing later.
CaptureTry TryCapture(HWND window, UINT message) noexcept
{
    // Known already without opening: a change made since has a notice of its own to come.
    if (AlreadyCaptured(message, GetClipboardSequenceNumber()))
        return CaptureTry::Known;
    CaptureTry result = CaptureTry::Read;
    if (!RanToEnd([&] { result = CaptureEntry(window, message); }))
        NoteCaptureFailure(kOutOfMemoryText);
    return result;
}

// Notices that could not read the clipboard (another program held it open, or it came inside the
// capture's own read) are tried again from the message loop, every few milliseconds for about a
// second after the last of them (the window never waits on the clipboard itself); then they are let
// go: nothing of their change could be read. A timer's message is never handled inside a wait for
// another thread, so a try never runs inside a read. Waiting change notices are one: the first read
// of the clipboard, or finding its change captured, answers them all. A change of the viewer chain
// stores the clipboard once more whatever was captured, so each waits for a read of its own.
constexpr UINT kRetryPauseMs = 10;
constexpr DWORD kRetryForMs = 1000;

struct CaptureRetry {
    UINT_PTR timer = 0;
    HWND window = nullptr;
    bool changeWaits = false;  // a change notice: read the clipboard unless its change is captured
    int storesAgain = 0;       // viewer-chain notices, each a store of the clipboard once more
    DWORD until = 0;           // GetTickCount when the waiting notices are let go
};

CaptureRetry g_retry;

void EndRetry() noexcept
{
    if (g_retry.timer)
        KillTimer(nullptr, g_retry.timer);
    g_retry = CaptureRetry();
}

bool RetryWaits() noexcept { return g_retry.changeWaits || g_retry.storesAgain > 0; }

// A try that found the clipboard busy: the waiting notices are let go once their time is up.
void LetGoWhenDue() noexcept
{
    if (static_cast<LONG>(GetTickCount() - g_retry.until) >= 0)
        EndRetry();
}

void CALLBACK RetryCapture(HWND, UINT, UINT_PTR, DWORD) noexcept
{
    if (g_retry.changeWaits) {
        if (TryCapture(g_retry.window, WM_DRAWCLIPBOARD) == CaptureTry::Busy)
            return LetGoWhenDue();
        g_retry.changeWaits = false;
    }
    while (g_retry.storesAgain > 0) {
        if (TryCapture(g_retry.window, WM_CHANGECBCHAIN) == CaptureTry::Busy)
            return LetGoWhenDue();
        --g_retry.storesAgain;
    }
    EndRetry();
}

void ScheduleRetry(HWND window, UINT message) noexcept
{
    if (!g_retry.timer) {
        g_retry.timer = StartTimer(nullptr, 0, kRetryPauseMs, TimerProcedure::Wrap<&RetryCapture>());
        // Without a timer there is no later try: the notice is let go at once.
        if (!g_retry.timer)
            return;
    }
    if (message == WM_DRAWCLIPBOARD)
        g_retry.changeWaits = true;
    else
        ++g_retry.storesAgain;
    g_retry.window = window;
    g_retry.until = GetTickCount() + kRetryForMs;
}

// A change notice that read the clipboard, or found its change captured, answers the change
// notices waiting; a store of the chain's waits on.
void AnswerWaitingChangeNotices(UINT message) noexcept
{
    if (message != WM_DRAWCLIPBOARD)
        return;
    g_retry.changeWaits = false;
    if (!RetryWaits())
        EndRetry();
}

} // namespace

LRESULT CALLBACK CaptureClipboardEntry(HWND window, UINT message, WPARAM, LPARAM) noexcept
{
    const CaptureTry result = g_readingClipboard ? CaptureTry::Busy : TryCapture(window, message);
    if (result == CaptureTry::Busy)
        ScheduleRetry(window, message);
    else
        AnswerWaitingChangeNotices(message);
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
