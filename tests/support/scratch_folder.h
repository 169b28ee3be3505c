// ScratchFolder: a new empty folder under the test's working folder, removed with its files at
// the end of the test, so that no test sees another test's leftovers.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "framework/text_codec.h"

class ScratchFolder {
public:
    ScratchFolder()
    {
        static std::atomic<int> counter{0};
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        path_ = std::string(current) + "\\scratch-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        Remove(WideFromAnsi(path_));
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(WideFromAnsi(path_)); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    // By UTF-16 name: a test may leave files whose names the ANSI code page cannot spell, and a
    // folder left behind would not be empty for the next run that gets the same process id.
    static void Remove(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                std::wstring full = folder + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(full);
                else
                    DeleteFileW(full.c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::string path_;
};
