// The platform calls of the database layer that a test replaces: the heap calls behind the
// callback blocks (to refuse a block, or to see which blocks a registration made and gave back)
// and the allocation of the bridges' executable memory (to refuse it). Each entry is named and
// typed as the call it stands for and starts as that call. The engine's own functions are in the
// engine table (sqlite_engine.h).
#pragma once

#include <windows.h>

struct DbSystemCalls {
    decltype(&::HeapAlloc) HeapAlloc = ::HeapAlloc;
    decltype(&::HeapFree) HeapFree = ::HeapFree;
    decltype(&::VirtualAlloc) VirtualAlloc = ::VirtualAlloc;
};

inline DbSystemCalls g_dbSystemCalls;
