// The history store: one row of table "data" per captured entry, and the trim that keeps the
// table at its 1000 newest rows.
#pragma once

#include <string>

#include "framework/byte_set.h"

constexpr int kHistoryRowLimit = 1000;

// Builds "insert into data(TIME , TEXT , BYTE , FILE) values (...)" from its template and runs it.
// `text` and `files` are statement copies (every "'" already doubled). Each value lands in its own
// literal exactly as given, even when it holds a placeholder text itself. True when Exec succeeded.
bool InsertEntry(const std::string& timeKey, const std::string& text, const std::string& pictureText,
                 const std::string& files);

// Deletes the entries with the smallest time key until at most 1000 rows remain. Silent.
void TrimHistory();

// The "byte" column's text for a captured picture: "" without a picture, otherwise "BM" and the
// image's byte count in decimal (the BMP's bfSize field), e.g. "BM30454". Always a bounded text of
// ASCII letters and digits, so the statement stays a well-formed literal.
std::string MakePictureText(const ByteSet& picture);
