// The grid control's OCX file as the program carries it (embedded at build time), for the
// installation in the Windows folder and the copy of a user's own.
#pragma once

#include "framework/byte_set.h"

// The control's OCX file: a new byte array holding the whole carried image.
ByteSet GridControlImage();
