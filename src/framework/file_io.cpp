#include "framework/file_io.h"

#include <windows.h>

#include "framework/file_system_calls.h"

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFileBytes(const std::string& path, const ByteSet& bytes)
{
    HANDLE file = g_fileSystemCalls.CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.Empty() ||
              g_fileSystemCalls.WriteFile(file, bytes.Data(), static_cast<DWORD>(bytes.Size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.Size();
}

bool WriteNewFileBytes(const std::string& path, const ByteSet& bytes)
{
    const std::string temporary = path + ".tmp";
    if (WriteFileBytes(temporary, bytes) && g_fileSystemCalls.MoveFileExA(temporary.c_str(), path.c_str(), 0))
        return true;
    DeleteFileA(temporary.c_str());
    return false;
}

ByteSet ReadFileBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER size = {};
    ByteSet bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
        bytes = ByteSet(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.Data(), static_cast<DWORD>(bytes.Size()), &read, nullptr) || read != bytes.Size())
            bytes = ByteSet();
    }
    CloseHandle(file);
    return bytes;
}
