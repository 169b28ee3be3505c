// The executable bridges through which the engine calls the program's routines.
#pragma once

#include <cstdint>

// Row bridge handed to sqlite3_exec together with an ExecCallbackBlock; 0 until built.
extern void* g_execRowThunk;

// Builds the bridges once at start; returns 0.
int BuildSqliteCallbackThunks();
