// The registry test: does a value exist under a key.
#pragma once

#include <windows.h>

#include <string>

// `keyAndValue` is split at its last "\" into the key and the value name (an empty name is the
// key's default value). True exactly when the key opens for reading and the value is found.
bool RegistryValueExists(HKEY root, const std::string& keyAndValue) noexcept;
