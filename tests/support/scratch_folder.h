// ScratchFolder: a new empty folder under the test's working folder, removed with its files at
// the end of the test, so that no test sees another test's leftovers.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

class ScratchFolder {
public:
    ScratchFolder()
    {
        static std::atomic<int> counter{0};
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        path_ = std::string(current) + "\\scratch-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        Remove(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { Remove(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    static void Remove(const std::string& folder)
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                std::string full = folder + "\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    Remove(full);
                else
                    DeleteFileA(full.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }

    std::string path_;
};
