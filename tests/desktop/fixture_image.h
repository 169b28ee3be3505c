// The bytes of a fixture DLL built beside the test program.
#pragma once

#include <windows.h>

#include <string>

#include "framework/byte_set.h"
#include "framework/file_io.h"

inline std::string BesideTestProgram(const std::string& file)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

inline ByteSet FixtureImage(const std::string& file)
{
    return ReadFileBytes(BesideTestProgram(file));
}
