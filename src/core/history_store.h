// The history store: one row of table "data" per captured entry, and the trim that keeps the
// table at its 1000 newest rows.
#pragma once

#include <string>

#include "core/history_statements.h"
#include "framework/byte_set.h"

constexpr int kHistoryRowLimit = 1000;

// Both run on g_database, with `prepared` when given (statements prepared on that connection and
// kept for the next entry), otherwise with statements of their own.

// Adds one row to "data" (columns time, text, byte, file) holding the four UTF-8 values byte for
// byte as given: apostrophes and placeholder-like texts are stored as they stand. True when the row was
// written; otherwise g_database's ErrMsg tells why.
bool InsertEntry(const std::string& timeKey, const std::string& text, const std::string& pictureText,
                 const std::string& files, HistoryStatements* prepared = nullptr);

// Counts the rows once; when there are more than 1000, deletes the rows of the smallest time key
// once for every row over the limit (rows sharing that key go in one pass). Silent.
void TrimHistory(HistoryStatements* prepared = nullptr);

// The "byte" column's text for a captured picture: "" without a picture, otherwise "BM" and the
// image's byte count in decimal (the BMP's bfSize field), e.g. "BM30454". Always a bounded text of
// ASCII letters and digits, so the statement stays a well-formed literal.
std::string MakePictureText(const ByteSet& picture);
