// FileDialog: the common open and save dialog of a form. It is never visible by itself: the caller
// sets its properties, opens it and reads the chosen name.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

enum class FileDialogType { Open, Save };

class FileDialog {
public:
    // `flags` are the platform's OFN_ flags the dialog always uses.
    explicit FileDialog(DWORD flags) : flags_(flags) {}

    FileDialogType type = FileDialogType::Open;
    std::string title;
    std::string initialFolder;
    // Pairs of description and pattern, all joined by "|": "图片(*.png)|*.png".
    std::string filter;
    std::string defaultExtension;  // without the dot

    // Shows the dialog owned by `owner` and waits for it. True when the user chose a name;
    // otherwise (also when memory ran out) FileName is "".
    bool Open(HWND owner) noexcept;
    const std::string& FileName() const { return fileName_; }
    DWORD Flags() const { return flags_; }

private:
    bool Show(HWND owner);  // Open's work; throws when memory runs out

    DWORD flags_;
    std::string fileName_;
};
