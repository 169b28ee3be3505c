// ClipboardWriter: puts contents on the real clipboard the way other programs do: open (waiting
// while someone else holds it), empty (the owner becomes `owner`), set formats, close. Closing is
// what makes the platform notify the clipboard viewers.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/unique_resource.h"

class ClipboardWriter {
public:
    explicit ClipboardWriter(HWND owner = nullptr)
    {
        // The program under test may hold the clipboard while it reads a large picture, slower under
        // emulation than any program would: a test waits up to two seconds for it.
        for (int round = 0; round < 10 && !clipboard_; ++round)
            clipboard_ = OpenClipboardRetrying(owner);
        if (clipboard_)
            EmptyClipboard();
    }

    bool IsOpen() const { return static_cast<bool>(clipboard_); }
    void Close() { clipboard_.reset(); }

    bool Text(const std::wstring& text) { return Put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)); }
    // The clipboard takes the bitmap over.
    bool Bitmap(HBITMAP bitmap) { return SetClipboardData(CF_BITMAP, bitmap) != nullptr; }
    // A DROPFILES block as a file manager makes it: UTF-16 names, each ended by a zero, then a zero.
    bool Files(const std::vector<std::wstring>& names)
    {
        std::wstring list;
        for (const std::wstring& name : names)
            list += name + L'\0';
        list += L'\0';
        return PutDropFiles(list.data(), list.size() * sizeof(wchar_t), TRUE);
    }
    // The same with code-page names (older programs).
    bool AnsiFiles(const std::vector<std::string>& names)
    {
        std::string list;
        for (const std::string& name : names)
            list += name + '\0';
        list += '\0';
        return PutDropFiles(list.data(), list.size(), FALSE);
    }

    // The CF_HDROP block of `list` (`size` bytes of names, each ended by a zero, then a zero).
    static std::vector<char> DropFilesBlock(const void* list, size_t size, BOOL wide)
    {
        std::vector<char> block(sizeof(DROPFILES) + size);
        auto* header = reinterpret_cast<DROPFILES*>(block.data());
        header->pFiles = sizeof(DROPFILES);
        header->fWide = wide;
        std::memcpy(block.data() + sizeof(DROPFILES), list, size);
        return block;
    }

    // `size` bytes at `data` under `format`, as they are.
    bool Block(UINT format, const void* data, size_t size) { return Put(format, data, size); }

private:
    bool Put(UINT format, const void* data, size_t size)
    {
        UniqueGlobal block = CopyToGlobal(data, size);
        if (!block || !SetClipboardData(format, block.get()))
            return false;
        block.release();  // the clipboard's now
        return true;
    }
    bool PutDropFiles(const void* list, size_t size, BOOL wide)
    {
        const std::vector<char> block = DropFilesBlock(list, size, wide);
        return Put(CF_HDROP, block.data(), block.size());
    }

    UniqueClipboard clipboard_;
};
