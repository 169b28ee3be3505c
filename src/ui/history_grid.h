// The history grid's rows: each captured entry becomes the grid's new top row, with its time key,
// its content (the picture, the text or the file block) and its hidden kind.
#pragma once

#include <string>

#include "framework/byte_set.h"

// Kinds of a row, as column 2 holds them.
inline constexpr const char* kKindPicture = "图片";
inline constexpr const char* kKindText = "文本";
inline constexpr const char* kKindFiles = "文件";

// Every row is 24 mm high.
constexpr int kGridRowHeight = 1360;

// The grid shows at most as many entries as table "data" keeps.
constexpr int kGridMaxRows = 1000;

// Adds the entry as the new top row of g_grid. A picture wins over text and files; files win over
// text. `text` and `files` (the file names joined by "|") are UTF-8, as captured: the cell shows
// every UTF-16 unit of them. When the grid then has more than kGridMaxRows
// rows, the bottom rows go. The grid (and nothing else) is painted before the return, so the new
// row shows at once, unless a message sent by another thread is waiting: then the message loop
// paints it once that has been handled.
void AddGridRow(const std::string& timeKey, const std::string& text, const ByteSet& picture, const std::string& files);

// For UTF-8 `files`: "文件数：" and the count, then one line per name indented by four blanks; lines
// apart by "\r\n", none after the last.
std::wstring FileBlock(const std::string& files);
