// Stand-ins for the two grid properties that the clipboard capture compares with the clipboard's
// owner, until the property accessors are in place: no control window, no editor window.
#include "grid/grid_control.h"

std::int32_t GridControl::GethWnd() noexcept { return 0; }

std::int32_t GridControl::GetEditWindow() noexcept { return 0; }
