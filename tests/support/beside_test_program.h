// The path of a file built beside the test program (fixtures, the program itself).
#pragma once

#include <windows.h>

#include <string>

inline std::string BesideTestProgram(const std::string& file)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}
