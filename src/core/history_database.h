// The history database "data.db": the carried empty template, opening it at start, and the
// stored window handle of the running instance in table "system".
#pragma once

#include <string>

#include "db/sqlite_database.h"
#include "framework/byte_set.h"

// The embedded 12,288-byte template (tables "data" and "system", one "system" row with hwnd 0).
ByteSet DatabaseTemplate();

// How long a statement on the history connection waits for another connection's lock.
constexpr int kHistoryBusyTimeoutMs = 2000;

// How long a look-up on the window thread waits for another connection's lock: about a paint.
constexpr int kHistoryLookUpBusyTimeoutMs = 50;

// Writes the template when no file exists at `path` (whole or not at all), starts the engine and
// opens `path` read-write through g_database, with the busy time-out above. True when the database
// was opened.
bool OpenHistoryDatabase(const std::string& path);

// "select hwnd from system ": the stored handle, 0 when none is recorded, -1 (after showing the
// engine's error text) when the query failed to prepare.
int ReadStoredWindowHandle();

// A read-only connection of its own to the file g_database has open, for the window thread's
// look-ups: the history writer holds g_database for as long as its busy time-out while another
// program holds the file, and the window must not wait for that. Readers are not held up by
// another program's pending write, only by a commit being written, and then for at most
// kHistoryLookUpBusyTimeoutMs. Closed when the object ends; when the open failed, Database() still
// tells why through ErrMsg.
class HistoryReader {
public:
    HistoryReader();
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    SqliteDatabase& Database() noexcept { return database_; }

private:
    SqliteDatabase database_;
};
