// The bytes of a fixture DLL built beside the test program.
#pragma once

#include <string>

#include "framework/byte_set.h"
#include "framework/file_io.h"
#include "support/beside_test_program.h"

inline ByteSet FixtureImage(const std::string& file)
{
    return ReadFileBytes(BesideTestProgram(file));
}
