#include "core/single_instance.h"

void EnsureSingleInstance(std::string* name, bool showMessage, std::string* message, UINT boxStyle, bool activate) {}
