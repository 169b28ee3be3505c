#include "desktop/grid_control_install.h"

#include <windows.h>

#include "desktop/grid_control_image.h"
#include "desktop/grid_control_user_install.h"
#include "desktop/special_folder.h"
#include "framework/file_io.h"
#include "framework/message_box.h"
#include "framework/process_start.h"
#include "framework/registry.h"

namespace {

constexpr int WindowsFolder = 9;
constexpr int SystemFolder = 10;

const char GridControlMissing[] =
    "历史表格控件 vsflex8.ocx 未能安装，历史窗口中将看不到记录；复制的内容仍会照常保存。\n\n"
    "请右键单击本程序，选择“以管理员身份运行”启动一次，以完成控件的安装。";

} // namespace

void InstallGridControl()
{
    const std::string path = GetSpecialFolder(WindowsFolder) + "vsflex8.ocx";
    // Written whole or not at all: a truncated control would be taken for an installed one at every later start.
    if (!PathExists(path))
        WriteNewFileBytes(path, GridControlImage());
    if (GridControlRegistered())
        return;
    RegisterGridControl(path);
    // A standard user may write neither the Windows folder nor the machine's classes; such a user
    // still gets the grid through a copy and a registration of their own.
    if (!GridControlRegistered() && !InstallGridControlForUser())
        ShowMessageBox(GridControlMissing, MB_ICONWARNING);
}

bool GridControlRegistered()
{
    return RegistryValueExists(HKEY_CLASSES_ROOT, "CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}\\");
}

bool RegisterGridControl(const std::string& path)
{
    // Only the system's own tool: the usual search would run a regsvr32.exe planted beside the
    // program or in the current folder first.
    const std::string systemFolder = GetSpecialFolder(SystemFolder);
    if (systemFolder.empty())
        return false;
    const bool quote = path.find(' ') != std::string::npos;
    return RunProgramHiddenAndWait(systemFolder + "regsvr32.exe", "/s " + (quote ? "\"" + path + "\"" : path));
}
