// The tray icon's event handler: a left click on the icon brings the main window back, a right
// click opens the tray menu, and the shell's restart notice adds the icon to the new shell again.
// Every other event does nothing.
#pragma once

#include <cstdint>

void __stdcall OnTrayMouse(std::int32_t code, std::int32_t, std::int32_t, std::int32_t, std::int32_t) noexcept;
