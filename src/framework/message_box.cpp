#include "framework/message_box.h"

#include "framework/framework_system_calls.h"

int ShowMessageBox(const std::string& text, UINT style, const std::string* caption, HWND owner)
{
    if (!(style & MB_SYSTEMMODAL))
        style |= MB_TASKMODAL;
    const char* title = caption ? caption->c_str() : "信息：";
    return g_frameworkSystemCalls.MessageBoxA(owner, text.c_str(), title, style);
}
