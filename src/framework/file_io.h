// Files by GBK path: existence test (files and folders alike), writing a whole file (also as a
// new file that appears whole or not at all) and reading one; reading one by UTF-16 path too.
#pragma once

#include <string>

#include "framework/byte_set.h"

bool PathExists(const std::string& path);
// Creates or replaces the file with exactly `bytes`; true when every byte was written.
bool WriteFileBytes(const std::string& path, const ByteSet& bytes);
// Puts a whole new file at `path`, or nothing: the bytes go to a temporary file beside it
// ("<path>.tmp"), which is then moved to `path`. Never replaces a file that is already there. On
// any failure (no room, a folder that cannot be written, a name that is taken) no file of either
// name is left. True when `path` now holds exactly `bytes`.
bool WriteNewFileBytes(const std::string& path, const ByteSet& bytes);
// The whole file; empty when it cannot be read.
ByteSet ReadFileBytes(const std::string& path);
// The same by UTF-16 path, for a name that GBK cannot hold (a recorded name the user copied).
ByteSet ReadFileBytes(const std::wstring& path);
