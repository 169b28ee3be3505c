// ClipboardWriter: puts contents on the real clipboard the way other programs do: open (waiting
// a little while someone else holds it), empty (the owner becomes `owner`), set formats, close.
// Closing is what makes the platform notify the clipboard viewers.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

class ClipboardWriter {
public:
    explicit ClipboardWriter(HWND owner = nullptr)
    {
        for (int attempt = 0; attempt < 100 && !open_; ++attempt) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_)
                Sleep(20);
        }
        if (open_)
            EmptyClipboard();
    }
    ~ClipboardWriter() { Close(); }
    ClipboardWriter(const ClipboardWriter&) = delete;
    ClipboardWriter& operator=(const ClipboardWriter&) = delete;

    bool IsOpen() const { return open_; }
    void Close()
    {
        if (open_)
            CloseClipboard();
        open_ = false;
    }

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

    // `size` bytes at `data` under `format`, as they are.
    bool Block(UINT format, const void* data, size_t size) { return Put(format, data, size); }

private:
    bool Put(UINT format, const void* data, size_t size)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        if (!block)
            return false;
        std::memcpy(GlobalLock(block), data, size);
        GlobalUnlock(block);
        if (SetClipboardData(format, block))
            return true;
        GlobalFree(block);
        return false;
    }
    bool PutDropFiles(const void* list, size_t size, BOOL wide)
    {
        std::vector<char> block(sizeof(DROPFILES) + size);
        auto* header = reinterpret_cast<DROPFILES*>(block.data());
        header->pFiles = sizeof(DROPFILES);
        header->fWide = wide;
        std::memcpy(block.data() + sizeof(DROPFILES), list, size);
        return Put(CF_HDROP, block.data(), block.size());
    }

    bool open_ = false;
};
