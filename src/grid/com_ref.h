// ComRef lives with the framework's COM helpers; the host's sources include it from here.
#pragma once

#include "com/com_ref.h"
