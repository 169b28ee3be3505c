#include "core/time_key.h"

namespace {

// `value` in decimal with zeros in front up to `width` digits.
std::string Padded(unsigned value, size_t width)
{
    std::string digits = std::to_string(value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

} // namespace

std::string FormatTimeKey(const SYSTEMTIME& time)
{
    return std::to_string(time.wYear) + "-" + Padded(time.wMonth, 2) + "-" + Padded(time.wDay, 2) + " " +
           Padded(time.wHour, 2) + ":" + Padded(time.wMinute, 2) + ":" + Padded(time.wSecond, 2) + " " +
           Padded(time.wMilliseconds, 3);
}

std::string MakeTimeKey()
{
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    return FormatTimeKey(now);
}
