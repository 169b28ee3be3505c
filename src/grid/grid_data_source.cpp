// GridDataSource's calls by member name.
#include "grid/grid_data_source.h"

#include <new>

#include "grid/grid_accessors.h"

GridDataSource* GridDataSource::Clone() noexcept
{
    return CloneInto(new (std::nothrow) GridDataSource());
}

std::int32_t GridDataSource::GetFieldCount() noexcept
{
    return TruncateToInt32(RtComCallNumber(object, "GetFieldCount"));
}

std::int32_t GridDataSource::GetRecordCount() noexcept
{
    return TruncateToInt32(RtComCallNumber(object, "GetRecordCount"));
}

std::string GridDataSource::GetFieldName(std::int32_t field) noexcept
{
    return RtComCallText(object, "GetFieldName", {ComArgument::Int32(field)});
}

std::string GridDataSource::GetData(std::int32_t field, std::int32_t record) noexcept
{
    return RtComCallText(object, "GetData", {ComArgument::Int32(field), ComArgument::Int32(record)});
}

void GridDataSource::SetData(std::int32_t field, std::int32_t record, const std::string& newData) noexcept
{
    RtComCall(object, "SetData", {ComArgument::Int32(field), ComArgument::Int32(record), ComArgument::Text(newData)});
}
