#include "framework/file_io.h"

#include <windows.h>

#include "framework/framework_system_calls.h"
#include "framework/unique_resource.h"

bool PathExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WriteFileBytes(const std::string& path, const ByteSet& bytes)
{
    UniqueFile file(g_frameworkSystemCalls.CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    BOOL ok = bytes.Empty() || g_frameworkSystemCalls.WriteFile(file.get(), bytes.Data(),
                                                                static_cast<DWORD>(bytes.Size()), &written, nullptr);
    return ok && written == bytes.Size();
}

bool WriteNewFileBytes(const std::string& path, const ByteSet& bytes)
{
    const std::string temporary = path + ".tmp";
    if (WriteFileBytes(temporary, bytes) && g_frameworkSystemCalls.MoveFileExA(temporary.c_str(), path.c_str(), 0))
        return true;
    DeleteFileA(temporary.c_str());
    return false;
}

namespace {

// The whole of an open file; empty when it cannot be read. Owns `file` and closes it.
ByteSet ReadWholeFile(UniqueFile file)
{
    if (!file)
        return {};
    LARGE_INTEGER size = {};
    ByteSet bytes;
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
        bytes = ByteSet(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.Data(), static_cast<DWORD>(bytes.Size()), &read, nullptr) || read != bytes.Size())
            bytes = ByteSet();
    }
    return bytes;
}

} // namespace

ByteSet ReadFileBytes(const std::string& path)
{
    return ReadWholeFile(UniqueFile(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

ByteSet ReadFileBytes(const std::wstring& path)
{
    return ReadWholeFile(UniqueFile(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}
