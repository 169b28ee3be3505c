// The time key of a captured entry: the local time as "2020-11-20 09:05:03 007" (the year as it
// is, month, day, hours, minutes and seconds with two digits, milliseconds with three). It is
// the only key of table "data"; for four-digit years the keys sort in time order.
#pragma once

#include <windows.h>

#include <string>

// The key of `time`. A field wider than its width is kept whole, never cut.
std::string FormatTimeKey(const SYSTEMTIME& time);

// The key of the local time now (one GetLocalTime). Two calls in one millisecond give one key.
std::string MakeTimeKey();
