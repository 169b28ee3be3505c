// The history view: how a stored capture is shown without the core knowing the window that shows
// it. The history window puts its row adder here when it is set up; until then (and in a program
// or test without that window) captures are stored and not shown.
#pragma once

#include <string>

#include "framework/byte_set.h"

// Shows one entry as the history's newest row: time key, text and file list as UTF-8, picture as
// a BMP image.
using ShowHistoryEntryFunction = void (*)(const std::string& timeKey, const std::string& text, const ByteSet& picture,
                                          const std::string& files);

// Puts `show` in place; null shows nothing from then on.
void SetHistoryView(ShowHistoryEntryFunction show) noexcept;
// The function in place, or null.
ShowHistoryEntryFunction HistoryView() noexcept;
