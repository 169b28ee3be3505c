#include "core/single_instance.h"

#include "core/core_system_calls.h"
#include "core/globals.h"
#include "core/hash_hex.h"
#include "core/window_activation.h"
#include "framework/application.h"
#include "framework/message_box.h"

namespace {

// Another instance holds the event: tell the user, bring its window forward, end.
[[noreturn]] void GiveWayToRunningInstance(bool showMessage, std::string* message, UINT boxStyle, bool activate)
{
    if (showMessage) {
        std::string defaultMessage = "对不起,该进程已打开!";
        if (!message)
            message = &defaultMessage;
        const std::string caption = "砚岚提示";
        ShowMessageBox(*message, boxStyle, &caption);
    }
    if (activate) {
        RestoreWindow(g_runningInstanceWindow);
        ActivateWindow(g_runningInstanceWindow);
    }
    EndProgram(0);
}

} // namespace

std::string DefaultInstanceName() { return Md5Hex(ByteSet::FromText("你懒得输入，我就写死，略略")); }

void EnsureSingleInstance(std::string* name, bool showMessage, std::string* message, UINT boxStyle, bool activate)
{
    std::string defaultName;
    if (!name)
        name = &defaultName;
    if (name->empty())
        *name = DefaultInstanceName();

    // Creating is the test: looking first and creating afterwards would let two quick starts both
    // see no event and both run. An existing event hands back its handle, left to the process
    // end; a refused creation (the name taken by another kind of object) counts as no other
    // instance, and this one then runs without the event. The event lives exactly as long as its
    // process: its handle is never closed.
    HANDLE event = g_coreSystemCalls.CreateEventA(nullptr, FALSE, FALSE, name->c_str());
    if (event && GetLastError() == ERROR_ALREADY_EXISTS)
        GiveWayToRunningInstance(showMessage, message, boxStyle, activate);
}
