#include "desktop/grid_control_install.h"

#include <windows.h>

#include "desktop/special_folder.h"
#include "framework/file_io.h"
#include "framework/process_start.h"
#include "framework/registry.h"

extern const unsigned char kGridControlImage[];
extern const unsigned kGridControlImage_size;

namespace {

constexpr int WindowsFolder = 9;

} // namespace

ByteSet GridControlImage()
{
    return ByteSet(kGridControlImage, kGridControlImage_size);
}

void InstallGridControl()
{
    const std::string path = GetSpecialFolder(WindowsFolder) + "vsflex8.ocx";
    if (!PathExists(path))
        WriteFileBytes(path, GridControlImage());
    if (!GridControlRegistered())
        RegisterGridControl(path);
}

bool GridControlRegistered()
{
    return RegistryValueExists(HKEY_CLASSES_ROOT, "CLSID\\{C945E31A-102E-4A0D-8854-D599D7AED5FA}\\");
}

bool RegisterGridControl(const std::string& path)
{
    const bool quote = path.find(' ') != std::string::npos;
    return RunHiddenAndWait("regsvr32 /s " + (quote ? "\"" + path + "\"" : path));
}
