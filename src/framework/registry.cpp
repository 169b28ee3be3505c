#include "framework/registry.h"

#include "framework/exception_boundary.h"

namespace {

bool ValueExists(HKEY root, const std::string& keyAndValue)
{
    const std::size_t split = keyAndValue.rfind('\\');
    const std::string key = split == std::string::npos ? "" : keyAndValue.substr(0, split);
    const std::string valueName = split == std::string::npos ? keyAndValue : keyAndValue.substr(split + 1);
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegQueryValueExA(handle, valueName.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

} // namespace

bool RegistryValueExists(HKEY root, const std::string& keyAndValue) noexcept
{
    return NoThrow(false, [&] { return ValueExists(root, keyAndValue); });
}
