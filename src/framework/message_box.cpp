#include "framework/message_box.h"

namespace {

int PlatformMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
    return MessageBoxA(owner, text, caption, style);
}

MessageBoxFunction g_messageBox = PlatformMessageBox;

} // namespace

int ShowMessageBox(const std::string& text, UINT style, const std::string* caption, HWND owner)
{
    if (!(style & MB_SYSTEMMODAL))
        style |= MB_TASKMODAL;
    const char* title = caption ? caption->c_str() : "信息：";
    return g_messageBox(owner, text.c_str(), title, style);
}

void SetMessageBoxFunction(MessageBoxFunction function) noexcept
{
    g_messageBox = function ? function : PlatformMessageBox;
}
