// The history database "data.db": the carried empty template, opening it at start, and the
// stored window handle of the running instance in table "system".
#pragma once

#include <string>

#include "framework/byte_set.h"

// The embedded 12,288-byte template (tables "data" and "system", one "system" row with hwnd 0).
ByteSet DatabaseTemplate();

// How long a statement on the history connection waits for another connection's lock.
constexpr int kHistoryBusyTimeoutMs = 2000;

// Writes the template when no file exists at `path` (whole or not at all), starts the engine and
// opens `path` read-write through g_database, with the busy time-out above. True when the database
// was opened.
bool OpenHistoryDatabase(const std::string& path);

// "select hwnd from system ": the stored handle, 0 when none is recorded, -1 (after showing the
// engine's error text) when the query failed to prepare.
int ReadStoredWindowHandle();
