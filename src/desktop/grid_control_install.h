// Installing the grid control that the program carries: its file in the Windows folder and its
// registration.
#pragma once

#include <string>

// Writes the carried image to the Windows folder as "vsflex8.ocx" when nothing of that name is
// there (whole or not at all; an existing file is left as it is), then registers the control when
// its class key has no default value. When it is still not registered, installs it for this user
// alone (InstallGridControlForUser); when that fails too, tells the user once in a message box.
void InstallGridControl();

// True when HKEY_CLASSES_ROOT\CLSID\{C945E31A-102E-4A0D-8854-D599D7AED5FA} opens and has a default value.
bool GridControlRegistered();

// Runs the system folder's regsvr32.exe (never one found elsewhere) with "/s " and `path`, hidden,
// and waits for it; a path with a blank is quoted. True when the tool started; whether it
// registered the control is not known here.
bool RegisterGridControl(const std::string& path);
