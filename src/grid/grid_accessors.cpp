// The helpers behind GridControl's by-name accessors: number truncation and picture members.
#include "grid/grid_accessors.h"

#include "grid/grid_data_source.h"

#include <cmath>
#include <limits>

std::int64_t TruncateNumber(double number) noexcept
{
    if (std::isnan(number))
        return 0;
    if (number >= 9223372036854775807.0)
        return std::numeric_limits<std::int64_t>::max();
    if (number <= -9223372036854775808.0)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(number);  // a conversion truncates toward zero
}

std::int32_t TruncateToInt32(double number) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(TruncateNumber(number))));
}

ByteSet ReadPictureProperty(const ComObjectValue* control, const char* member, ComArguments indexes) noexcept
{
    UniqueComObjectValue picture(RtComGetObject(control, member, indexes));
    return RtComSavePicture(picture.get());
}

bool WritePictureProperty(const ComObjectValue* control, const char* member, const ByteSet& bytes) noexcept
{
    UniqueComObjectValue picture(AllocateComObjectValue(nullptr));
    RtComCreatePicture(picture.get(), bytes);
    return RtComSetProperty(control, member, ComArgument::Object(picture.get()));
}

GridDataSource* ReadDataSourceProperty(const ComObjectValue* control, const char* member) noexcept
{
    GridDataSource temporary;
    UniqueComObjectValue read(RtComGetObject(control, member));
    temporary.Attach(read.get());
    read.reset();
    return temporary.Clone();
}
