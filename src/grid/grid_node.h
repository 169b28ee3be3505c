// GridNode: the wrapper over one IVSFlexNode object, a node of the grid's outline tree; every
// operation is one call by member name on the wrapped object (a failed call gives the empty value
// and leaves its last-call code). Nodes handed out by GetNode and AddNode are plain object values
// that the caller frees with FreeComObjectValue.
#pragma once

#include <oaidl.h>

#include <cstdint>
#include <string>

#include "grid/com_object_wrapper.h"

class GridNode final : public ComObjectWrapper {
public:
    GridNode() noexcept = default;
    ~GridNode() { Destroy(); }

    GridNode* Clone() noexcept override;
    virtual std::string GetText() noexcept;
    virtual bool SetText(const std::string& value) noexcept;
    virtual std::string GetKey() noexcept;
    virtual bool SetKey(const std::string& value) noexcept;
    // A new object value; the caller frees it.
    virtual ComObjectValue* GetImage() noexcept;
    virtual bool SetImage(const ComObjectValue* value) noexcept;
    virtual bool GetExpanded() noexcept;
    virtual bool SetExpanded(bool value) noexcept;
    virtual std::int32_t GetLevel() noexcept;
    virtual std::int32_t GetChildren() noexcept;
    virtual std::int32_t GetRow() noexcept;
    virtual bool SetRow(std::int32_t value) noexcept;
    // `targetNode` is passed on as given; null or VT_EMPTY reaches the control as omitted.
    virtual bool Move(std::int32_t moveTo, const VARIANT* targetNode = nullptr) noexcept;
    virtual void Sort(std::int32_t how) noexcept;
    virtual void EnsureVisible() noexcept;
    virtual void Select() noexcept;
    virtual ComObjectValue* GetNode(std::int32_t which) noexcept;
    virtual ComObjectValue* AddNode(std::int32_t addWhere, const std::string& item, const VARIANT* key = nullptr,
                                    const VARIANT* image = nullptr) noexcept;
    virtual void RemoveNode() noexcept;
};
