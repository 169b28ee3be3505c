// Files by GBK path: existence test (files and folders alike) and writing a whole file.
#pragma once

#include <string>

#include "framework/byte_set.h"

bool PathExists(const std::string& path);
// Creates or replaces the file with exactly `bytes`; true when every byte was written.
bool WriteFileBytes(const std::string& path, const ByteSet& bytes);
// The whole file; empty when it cannot be read.
ByteSet ReadFileBytes(const std::string& path);
