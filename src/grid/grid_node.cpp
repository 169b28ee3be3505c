// GridNode's calls by member name.
#include "grid/grid_node.h"

#include <new>

#include "grid/grid_accessors.h"

GridNode* GridNode::Clone() noexcept
{
    return CloneInto(new (std::nothrow) GridNode());
}

std::string GridNode::GetText() noexcept { return RtComGetText(object, "Text"); }
bool GridNode::SetText(const std::string& value) noexcept { return RtComSetProperty(object, "Text", ComArgument::Text(value)); }
std::string GridNode::GetKey() noexcept { return RtComGetText(object, "Key"); }
bool GridNode::SetKey(const std::string& value) noexcept { return RtComSetProperty(object, "Key", ComArgument::Text(value)); }
ComObjectValue* GridNode::GetImage() noexcept { return RtComGetObject(object, "Image"); }
bool GridNode::SetImage(const ComObjectValue* value) noexcept
{
    return RtComSetProperty(object, "Image", ComArgument::Object(value));
}
bool GridNode::GetExpanded() noexcept { return RtComGetBool(object, "Expanded"); }
bool GridNode::SetExpanded(bool value) noexcept { return RtComSetProperty(object, "Expanded", ComArgument::Bool(value)); }
std::int32_t GridNode::GetLevel() noexcept { return TruncateToInt32(RtComGetNumber(object, "Level")); }
std::int32_t GridNode::GetChildren() noexcept { return TruncateToInt32(RtComGetNumber(object, "Children")); }
std::int32_t GridNode::GetRow() noexcept { return TruncateToInt32(RtComGetNumber(object, "Row")); }
bool GridNode::SetRow(std::int32_t value) noexcept { return RtComSetProperty(object, "Row", ComArgument::Int32(value)); }

bool GridNode::Move(std::int32_t moveTo, const VARIANT* targetNode) noexcept
{
    return RtComCallBool(object, "Move", {ComArgument::Int32(moveTo), ComArgument::Variant(targetNode)});
}

void GridNode::Sort(std::int32_t how) noexcept { RtComCall(object, "Sort", {ComArgument::Int32(how)}); }
void GridNode::EnsureVisible() noexcept { RtComCall(object, "EnsureVisible"); }
void GridNode::Select() noexcept { RtComCall(object, "Select"); }

ComObjectValue* GridNode::GetNode(std::int32_t which) noexcept
{
    return RtComCallObject(object, "GetNode", {ComArgument::Int32(which)});
}

ComObjectValue* GridNode::AddNode(std::int32_t addWhere, const std::string& item, const VARIANT* key,
                                  const VARIANT* image) noexcept
{
    return RtComCallObject(object, "AddNode", {ComArgument::Int32(addWhere), ComArgument::Text(item),
                                               ComArgument::Variant(key), ComArgument::Variant(image)});
}

void GridNode::RemoveNode() noexcept { RtComCall(object, "RemoveNode"); }
