// The history grid's rows: each captured entry becomes the grid's new top row.
#pragma once

#include <string>

#include "framework/byte_set.h"

// Adds the entry as the new top row: time key, content (the picture, the text or the file block)
// and the hidden kind. `files` holds the file names joined by "|".
void AddGridRow(const std::string& timeKey, const std::string& text, const ByteSet& picture, const std::string& files);
