// GridDataSource: the wrapper over the grid control's IVSFlexDataSource object; every operation
// is one call by member name on the wrapped object (a failed call gives the empty value and leaves
// its last-call code).
#pragma once

#include <cstdint>
#include <string>

#include "grid/com_object_wrapper.h"

class GridDataSource final : public ComObjectWrapper {
public:
    GridDataSource() noexcept = default;
    ~GridDataSource() { Destroy(); }

    GridDataSource* Clone() noexcept override;
    virtual std::int32_t GetFieldCount() noexcept;
    virtual std::int32_t GetRecordCount() noexcept;
    virtual std::string GetFieldName(std::int32_t field) noexcept;
    virtual std::string GetData(std::int32_t field, std::int32_t record) noexcept;
    virtual void SetData(std::int32_t field, std::int32_t record, const std::string& newData) noexcept;
};
