// ComRef lives with the framework's COM helpers; the host's sources include it from here.
#pragma once

#include "framework/com_ref.h"
