#include "framework/file_dialog.h"

#include <commdlg.h>

#include "framework/exception_boundary.h"
#include "framework/framework_system_calls.h"

namespace {

// "a|b|c|d" as the platform wants it: each piece ended by a zero, then one more zero.
std::string PlatformFilter(const std::string& filter)
{
    std::string pieces = filter;
    for (char& c : pieces) {
        if (c == '|')
            c = '\0';
    }
    pieces.push_back('\0');
    pieces.push_back('\0');
    return pieces;
}

} // namespace

bool FileDialog::Open(HWND owner) noexcept
{
    fileName_.clear();
    // Without memory for the filter or the chosen name the dialog counts as cancelled.
    return NoThrow(false, [&] { return Show(owner); });
}

bool FileDialog::Show(HWND owner)
{
    char name[MAX_PATH] = {};
    std::string platformFilter = PlatformFilter(filter);
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.empty() ? nullptr : platformFilter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = name;
    request.nMaxFile = sizeof name;
    request.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    request.lpstrTitle = title.empty() ? nullptr : title.c_str();
    request.Flags = flags_;
    request.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    decltype(&::GetOpenFileNameA) show = type == FileDialogType::Save ? g_frameworkSystemCalls.GetSaveFileNameA
                                                                       : g_frameworkSystemCalls.GetOpenFileNameA;
    if (!show(&request))
        return false;
    fileName_ = name;
    return !fileName_.empty();
}
