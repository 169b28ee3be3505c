// One by-name call: bind the member through the object's type information, build the argument
// VARIANTs from their value kinds and the declared parameter types, invoke, write outputs back
// into the caller's variables and convert the result to the kind wanted.
#include "com/com_dispatch.h"

#include <type_traits>
#include <vector>

#include "framework/com_ref.h"
#include "framework/exception_boundary.h"
#include "framework/text_codec.h"
#include "framework/unique_resource.h"
#include "framework/runtime_service.h"

namespace {

thread_local std::int32_t t_lastCode = kRtComOk;

enum class CallKind { Read, Write, Method };

// The type a parameter is declared with, as the call passes it.
struct ParameterType {
    VARTYPE type = VT_EMPTY;  // VT_EMPTY: not known (no declaration)
    bool byReference = false;
    bool output = false;
};

// The member a name bound to, with the type information that holds its description.
class BoundMember {
public:
    BoundMember() noexcept = default;
    ~BoundMember()
    {
        if (function_ != nullptr)
            info_->ReleaseFuncDesc(function_);
        if (variable_ != nullptr)
            info_->ReleaseVarDesc(variable_);
    }
    BoundMember(const BoundMember&) = delete;
    BoundMember& operator=(const BoundMember&) = delete;

    bool Take(ITypeInfo* info, DESCKIND kind, BINDPTR bound) noexcept;

    ITypeInfo* info() const noexcept { return info_.Get(); }
    const FUNCDESC* function() const noexcept { return function_; }
    const VARDESC* variable() const noexcept { return variable_; }

private:
    ComRef<ITypeInfo> info_;
    FUNCDESC* function_ = nullptr;
    VARDESC* variable_ = nullptr;
};

bool BoundMember::Take(ITypeInfo* info, DESCKIND kind, BINDPTR bound) noexcept
{
    *info_.Put() = info;
    if (kind == DESCKIND_FUNCDESC) {
        function_ = bound.lpfuncdesc;
        return info != nullptr;
    }
    if (kind == DESCKIND_VARDESC || kind == DESCKIND_IMPLICITAPPOBJ) {
        variable_ = bound.lpvardesc;
        return info != nullptr;
    }
    if (kind == DESCKIND_TYPECOMP && bound.lptcomp != nullptr)
        bound.lptcomp->Release();
    return false;
}

// The invocation kinds a call tries, in order, until one binds.
std::vector<WORD> BindOrder(CallKind kind)
{
    switch (kind) {
    case CallKind::Read: return {INVOKE_PROPERTYGET, INVOKE_FUNC};
    case CallKind::Write: return {INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF, INVOKE_FUNC};
    default: return {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF};
    }
}

std::int32_t BindMember(ITypeComp* comp, LCID locale, const std::wstring& name, CallKind kind, BoundMember& member)
{
    std::wstring nameCopy = name;
    ULONG hash = LHashValOfNameSys(SYS_WIN32, locale, nameCopy.c_str());
    for (WORD invokeKind : BindOrder(kind)) {
        ITypeInfo* info = nullptr;
        DESCKIND found = DESCKIND_NONE;
        BINDPTR bound{};
        if (FAILED(comp->Bind(nameCopy.data(), hash, invokeKind, &info, &found, &bound)))
            continue;
        if (member.Take(info, found, bound))
            return kRtComOk;
    }
    return kRtComMemberNotFound;
}

// What a user-defined type stands for: an enumeration VT_I4, a dispatch interface VT_DISPATCH,
// an alias the type it aliases, anything else VT_UNKNOWN.
VARTYPE ResolveType(ITypeInfo* info, const TYPEDESC& type, int depth = 0) noexcept;

VARTYPE ResolveUserDefined(ITypeInfo* info, HREFTYPE reference, int depth) noexcept
{
    ComRef<ITypeInfo> target;
    TYPEATTR* attributes = nullptr;
    if (depth > 8 || FAILED(info->GetRefTypeInfo(reference, target.Put())) ||
        FAILED(target->GetTypeAttr(&attributes)))
        return VT_UNKNOWN;
    VARTYPE resolved = VT_UNKNOWN;
    if (attributes->typekind == TKIND_ENUM)
        resolved = VT_I4;
    else if (attributes->typekind == TKIND_DISPATCH ||
             (attributes->typekind == TKIND_INTERFACE && (attributes->wTypeFlags & TYPEFLAG_FDUAL) != 0))
        resolved = VT_DISPATCH;
    else if (attributes->typekind == TKIND_ALIAS)
        resolved = ResolveType(target.Get(), attributes->tdescAlias, depth + 1);
    target->ReleaseTypeAttr(attributes);
    return resolved;
}

VARTYPE ResolveType(ITypeInfo* info, const TYPEDESC& type, int depth) noexcept
{
    switch (type.vt) {
    case VT_USERDEFINED: return ResolveUserDefined(info, type.hreftype, depth);
    case VT_INT: return VT_I4;
    case VT_UINT: return VT_UI4;
    case VT_SAFEARRAY: return VT_ARRAY | VT_VARIANT;
    case VT_PTR: return VT_UNKNOWN;  // a pointer to a pointer: an interface at best
    default: return type.vt;
    }
}

// A pointer parameter is by reference to its pointee, except a pointer to an interface, which is
// the interface itself.
ParameterType ResolveParameter(ITypeInfo* info, const ELEMDESC& element) noexcept
{
    ParameterType parameter;
    parameter.output = (element.paramdesc.wParamFlags & PARAMFLAG_FOUT) != 0;
    const TYPEDESC& type = element.tdesc;
    if (type.vt != VT_PTR || type.lptdesc == nullptr) {
        parameter.type = ResolveType(info, type);
        return parameter;
    }
    VARTYPE pointee = ResolveType(info, *type.lptdesc);
    bool interfacePointer = type.lptdesc->vt == VT_USERDEFINED && (pointee == VT_DISPATCH || pointee == VT_UNKNOWN);
    parameter.type = pointee;
    parameter.byReference = !interfacePointer;
    return parameter;
}

// What the bound member takes and how it is invoked.
struct CallPlan {
    MEMBERID id = DISPID_UNKNOWN;
    WORD flags = DISPATCH_METHOD;
    std::size_t parameterCount = 0;
    bool variableList = false;
    std::vector<ParameterType> parameters;
};

CallPlan PlanCall(const BoundMember& member, CallKind kind)
{
    CallPlan plan;
    if (const FUNCDESC* function = member.function()) {
        plan.id = function->memid;
        plan.flags = static_cast<WORD>(function->invkind);
        plan.parameterCount = static_cast<std::size_t>(function->cParams);
        plan.variableList = function->cParamsOpt == -1;
        for (SHORT i = 0; i < function->cParams; ++i)
            plan.parameters.push_back(ResolveParameter(member.info(), function->lprgelemdescParam[i]));
        return plan;
    }
    const VARDESC* variable = member.variable();
    plan.id = variable->memid;
    plan.flags = DISPATCH_PROPERTYGET;  // also when it is called as a method
    if (kind != CallKind::Write)
        return plan;
    ParameterType value = ResolveParameter(member.info(), variable->elemdescVar);
    bool byReferencePut = value.type == VT_DISPATCH || value.type == VT_UNKNOWN || (value.type & VT_ARRAY) != 0;
    plan.flags = byReferencePut ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    plan.parameterCount = 1;
    plan.parameters.push_back(value);
    return plan;
}

bool IsOmitted(const ComArgument& argument) noexcept
{
    if (argument.kind() == ComArgument::Kind::Omitted)
        return true;
    if (argument.kind() != ComArgument::Kind::Variant)
        return false;
    const auto* value = static_cast<const VARIANT*>(argument.variable() != nullptr ? argument.variable() : argument.pointer());
    return value == nullptr || V_VT(value) == VT_EMPTY;
}

template <typename Value>
Value ArgumentNumber(const ComArgument& argument) noexcept
{
    if (argument.variable() != nullptr)
        return *static_cast<const Value*>(argument.variable());
    if constexpr (std::is_floating_point_v<Value>)
        return static_cast<Value>(argument.real());
    else
        return static_cast<Value>(argument.integer());
}

const ComObjectValue* ArgumentObject(const ComArgument& argument) noexcept
{
    return static_cast<const ComObjectValue*>(argument.variable() != nullptr ? argument.variable() : argument.pointer());
}

// An object goes by the parameter's declared type: VT_DISPATCH from a query for IDispatch, any
// other interface VT_UNKNOWN with a further reference, everything else a null VT_UNKNOWN.
void BuildObject(const ComArgument& argument, const ParameterType& parameter, VARIANT* out) noexcept
{
    const ComObjectValue* object = ArgumentObject(argument);
    IUnknown* unknown = object != nullptr ? object->object : nullptr;
    V_VT(out) = VT_UNKNOWN;
    V_UNKNOWN(out) = nullptr;
    if (unknown == nullptr)
        return;
    if (parameter.type == VT_DISPATCH) {
        IDispatch* dispatch = nullptr;
        if (SUCCEEDED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = dispatch;
        }
        return;
    }
    if (parameter.type == VT_UNKNOWN) {
        unknown->AddRef();
        V_UNKNOWN(out) = unknown;
    }
}

std::int32_t BuildText(const ComArgument& argument, VARIANT* out)
{
    const std::string& text = argument.variable() != nullptr ? *static_cast<const std::string*>(argument.variable())
                                                              : argument.text();
    UniqueBstr wide = BstrFromAnsi(text);
    if (!wide)
        return kRtComInvokeFailed;
    V_VT(out) = VT_BSTR;
    V_BSTR(out) = wide.release();
    return kRtComOk;
}

// A lent BSTR goes into the VARIANT itself (`lent` tells the caller to take it out again before the
// VARIANT is cleared): a callee never frees nor changes a value passed by value. A parameter by
// reference, which the callee may replace, gets a copy of its own.
std::int32_t BuildWide(const ComArgument& argument, const ParameterType& parameter, VARIANT* out, bool& lent) noexcept
{
    BSTR text = static_cast<BSTR>(const_cast<void*>(argument.pointer()));
    V_VT(out) = VT_BSTR;
    if (!parameter.byReference || text == nullptr) {
        V_BSTR(out) = text;
        lent = true;
        return kRtComOk;
    }
    V_BSTR(out) = SysAllocStringLen(text, SysStringLen(text));
    return V_BSTR(out) != nullptr ? kRtComOk : kRtComInvokeFailed;
}

void BuildOmitted(VARIANT* out) noexcept
{
    V_VT(out) = VT_ERROR;
    V_ERROR(out) = DISP_E_PARAMNOTFOUND;
}

// The VARIANT an argument's value kind makes (the table of argument values).
std::int32_t BuildValue(const ComArgument& argument, const ParameterType& parameter, VARIANT* out)
{
    using Kind = ComArgument::Kind;
    switch (argument.kind()) {
    case Kind::UInt8: V_VT(out) = VT_UI1; V_UI1(out) = ArgumentNumber<std::uint8_t>(argument); return kRtComOk;
    case Kind::Int16: V_VT(out) = VT_I2; V_I2(out) = ArgumentNumber<std::int16_t>(argument); return kRtComOk;
    case Kind::Int32: V_VT(out) = VT_I4; V_I4(out) = ArgumentNumber<std::int32_t>(argument); return kRtComOk;
    case Kind::Int64:
        V_VT(out) = VT_I4;
        V_I4(out) = static_cast<LONG>(static_cast<std::uint32_t>(ArgumentNumber<std::int64_t>(argument)));
        return kRtComOk;
    case Kind::Float: V_VT(out) = VT_R4; V_R4(out) = ArgumentNumber<float>(argument); return kRtComOk;
    case Kind::Double: V_VT(out) = VT_R8; V_R8(out) = ArgumentNumber<double>(argument); return kRtComOk;
    case Kind::Date: V_VT(out) = VT_DATE; V_DATE(out) = ArgumentNumber<double>(argument); return kRtComOk;
    case Kind::Bool:
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = ArgumentNumber<std::int32_t>(argument) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return kRtComOk;
    case Kind::Text: return BuildText(argument, out);
    case Kind::Object: BuildObject(argument, parameter, out); return kRtComOk;
    case Kind::Variant:
        if (IsOmitted(argument)) {
            BuildOmitted(out);
            return kRtComOk;
        }
        return SUCCEEDED(VariantCopyInd(out, const_cast<VARIANT*>(static_cast<const VARIANT*>(
                   argument.variable() != nullptr ? argument.variable() : argument.pointer()))))
                   ? kRtComOk
                   : kRtComBadArgumentKind;
    case Kind::Omitted: BuildOmitted(out); return kRtComOk;
    default: return kRtComBadArgumentKind;
    }
}

// The argument VARIANTs of one call: the built values, the converted copies that by-reference
// parameters point into, and the array handed to Invoke (last argument first).
struct CallArguments {
    CallArguments() = default;
    ~CallArguments()
    {
        for (std::size_t i = 0; i < lent.size(); ++i) {
            if (lent[i])
                values[i].release();  // the BSTR stays the caller's
        }
    }
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;

    std::vector<UniqueVariant> values;
    std::vector<UniqueVariant> converted;
    std::vector<VARIANT> passed;
    std::vector<bool> byReference;  // passed by reference to `converted` (or to `values` for a VARIANT)
    std::vector<bool> lent;         // `values` holds a BSTR of the caller's (BorrowedBstr)
};

// Points `passed` at the argument by reference when its parameter is declared so; a value that
// does not convert to the parameter's type goes unconverted by value.
void PassArgument(CallArguments& call, std::size_t i, const ParameterType& parameter) noexcept
{
    VARIANT& passed = call.passed[call.values.size() - 1 - i];
    VARIANT& value = *call.values[i].addressof();
    passed = value;
    if (!parameter.byReference)
        return;
    if (parameter.type == VT_VARIANT) {
        V_VT(&passed) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&passed) = &value;
        call.byReference[i] = true;
        return;
    }
    if ((parameter.type & VT_ARRAY) != 0) {
        if ((V_VT(&value) & VT_ARRAY) == 0)
            return;
        V_VT(&passed) = VT_BYREF | V_VT(&value);
        V_ARRAYREF(&passed) = &V_ARRAY(&value);
        call.byReference[i] = true;
        return;
    }
    VARIANT& target = *call.converted[i].put();
    if (FAILED(VariantChangeType(&target, &value, 0, parameter.type)))
        return;
    V_VT(&passed) = VT_BYREF | parameter.type;
    V_BYREF(&passed) = &V_UI1(&target);
    call.byReference[i] = true;
}

std::int32_t BuildArguments(const CallPlan& plan, const ComArgument* arguments, std::size_t count, CallArguments& call)
{
    call.values = std::vector<UniqueVariant>(count);
    call.converted = std::vector<UniqueVariant>(count);
    call.passed.assign(count, VARIANT{});
    call.byReference.assign(count, false);
    call.lent.assign(count, false);
    for (std::size_t i = 0; i < count; ++i) {
        ParameterType parameter = i < plan.parameters.size() ? plan.parameters[i] : ParameterType{};
        if (plan.variableList && i + 1 >= plan.parameters.size())
            parameter = ParameterType{};
        bool lent = false;
        std::int32_t code = arguments[i].kind() == ComArgument::Kind::Wide
                                ? BuildWide(arguments[i], parameter, call.values[i].put(), lent)
                                : BuildValue(arguments[i], parameter, call.values[i].put());
        call.lent[i] = lent;
        if (code != kRtComOk)
            return code;
        PassArgument(call, i, parameter);
    }
    return kRtComOk;
}

std::int32_t InvokeCode(HRESULT hr) noexcept
{
    switch (hr) {
    case DISP_E_BADPARAMCOUNT: return kRtComBadParamCount;
    case DISP_E_BADVARTYPE: return kRtComBadVarType;
    case DISP_E_EXCEPTION: return kRtComException;
    case DISP_E_MEMBERNOTFOUND: return kRtComMemberNotFoundByInvoke;
    case DISP_E_NONAMEDARGS: return kRtComNoNamedArgs;
    case DISP_E_OVERFLOW: return kRtComOverflow;
    case DISP_E_PARAMNOTFOUND: return kRtComParamNotFound;
    case DISP_E_TYPEMISMATCH: return kRtComTypeMismatch;
    case DISP_E_PARAMNOTOPTIONAL: return kRtComParamNotOptional;
    default: return SUCCEEDED(hr) ? kRtComOk : kRtComInvokeFailed;
    }
}

// Stores `value` into the caller's variable of kind `kind`; false when it does not convert.
bool WriteVariable(ComArgument::Kind kind, void* variable, VARIANT* value)
{
    using Kind = ComArgument::Kind;
    UniqueVariant converted;
    auto to = [&](VARTYPE type) { return SUCCEEDED(VariantChangeType(converted.put(), value, 0, type)); };
    switch (kind) {
    case Kind::UInt8: return to(VT_UI1) && (*static_cast<std::uint8_t*>(variable) = V_UI1(&converted.get()), true);
    case Kind::Int16: return to(VT_I2) && (*static_cast<std::int16_t*>(variable) = V_I2(&converted.get()), true);
    case Kind::Int32: return to(VT_I4) && (*static_cast<std::int32_t*>(variable) = V_I4(&converted.get()), true);
    case Kind::Int64: return to(VT_I8) && (*static_cast<std::int64_t*>(variable) = V_I8(&converted.get()), true);
    case Kind::Float: return to(VT_R4) && (*static_cast<float*>(variable) = V_R4(&converted.get()), true);
    case Kind::Double: return to(VT_R8) && (*static_cast<double*>(variable) = V_R8(&converted.get()), true);
    case Kind::Date: return to(VT_DATE) && (*static_cast<DATE*>(variable) = V_DATE(&converted.get()), true);
    case Kind::Bool:
        return to(VT_BOOL) && (*static_cast<std::int32_t*>(variable) = V_BOOL(&converted.get()) != 0 ? 1 : 0, true);
    case Kind::Text:
        return to(VT_BSTR) && (*static_cast<std::string*>(variable) = AnsiFromBstr(V_BSTR(&converted.get())), true);
    case Kind::Object: {
        if (!to(VT_UNKNOWN))
            return false;
        auto* object = static_cast<ComObjectValue*>(variable);
        RtComRelease(object);
        object->object = V_UNKNOWN(&converted.get());
        converted.release();  // the variable keeps the reference
        return true;
    }
    case Kind::Variant: {
        UniqueVariant copy;
        const bool copied = SUCCEEDED(VariantCopy(copy.put(), value));
        ReplaceVariant(*static_cast<VARIANT*>(variable), copied ? std::move(copy) : UniqueVariant());
        return copied;
    }
    default: return true;
    }
}

// Writes every output parameter passed by reference back into the caller's variable.
std::int32_t WriteBack(const CallPlan& plan, const ComArgument* arguments, std::size_t count, CallArguments& call)
{
    std::int32_t code = kRtComOk;
    for (std::size_t i = 0; i < count && i < plan.parameters.size(); ++i) {
        const ParameterType& parameter = plan.parameters[i];
        if (arguments[i].variable() == nullptr || !parameter.output || !parameter.byReference || !call.byReference[i])
            continue;
        VARIANT* value = parameter.type == VT_VARIANT || (parameter.type & VT_ARRAY) != 0 ? call.values[i].addressof()
                                                                                         : call.converted[i].addressof();
        if (!WriteVariable(arguments[i].kind(), arguments[i].variable(), value))
            code = kRtComResultMismatch;
    }
    return code;
}

// The result in the kind wanted: VT_EMPTY reads nothing, VT_VARIANT copies; an object read of an
// empty result gives an empty object.
std::int32_t ConvertResult(VARIANT* result, VARTYPE wanted, VARIANT* out) noexcept
{
    if (wanted == VT_EMPTY || out == nullptr)
        return kRtComOk;
    UniqueVariant copy;
    if (FAILED(VariantCopyInd(copy.put(), result)))
        return kRtComResultMismatch;
    if (wanted == VT_VARIANT) {
        *out = copy.release();
        return kRtComOk;
    }
    if (wanted == VT_UNKNOWN && V_VT(&copy.get()) == VT_EMPTY) {
        V_VT(out) = VT_UNKNOWN;
        V_UNKNOWN(out) = nullptr;
        return kRtComOk;
    }
    return SUCCEEDED(VariantChangeType(out, copy.addressof(), 0, wanted)) ? kRtComOk : kRtComResultMismatch;
}

std::size_t CountedArguments(CallKind kind, const ComArgument* arguments, std::size_t count) noexcept
{
    if (kind == CallKind::Write)
        return count;
    while (count > 0 && IsOmitted(arguments[count - 1]))
        --count;
    return count;
}

std::int32_t Run(const ComObjectValue* object, std::string_view member, CallKind kind,
                 const ComArgument* arguments, std::size_t count, VARTYPE wanted, VARIANT* out)
{
    if (object == nullptr || object->object == nullptr)
        return kRtComEmptyObject;
    ComRef<IDispatch> dispatch = QueryFor<IDispatch>(object->object, IID_IDispatch);
    if (!dispatch)
        return kRtComNoDispatch;
    LCID locale = GetUserDefaultLCID();
    ComRef<ITypeInfo> info;
    ComRef<ITypeComp> comp;
    if (FAILED(dispatch->GetTypeInfo(0, locale, info.Put())) || !info || FAILED(info->GetTypeComp(comp.Put())) || !comp)
        return kRtComNoTypeInfo;
    BoundMember bound;
    if (BindMember(comp.Get(), locale, WideFromAnsi(member), kind, bound) != kRtComOk)
        return kRtComMemberNotFound;
    CallPlan plan = PlanCall(bound, kind);
    count = CountedArguments(kind, arguments, count);
    if (count > plan.parameterCount && !plan.variableList)
        return kRtComTooManyArguments;

    CallArguments call;
    if (std::int32_t code = BuildArguments(plan, arguments, count, call); code != kRtComOk)
        return code;
    DISPID named = DISPID_PROPERTYPUT;
    bool put = (plan.flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    DISPPARAMS params{count > 0 ? call.passed.data() : nullptr, put ? &named : nullptr, static_cast<UINT>(count),
                      put ? 1u : 0u};
    UniqueVariant result;
    HRESULT hr = dispatch->Invoke(plan.id, IID_NULL, locale, plan.flags, &params, put ? nullptr : result.put(),
                                  nullptr, nullptr);
    if (FAILED(hr))
        return InvokeCode(hr);
    if (std::int32_t code = WriteBack(plan, arguments, count, call); code != kRtComOk)
        return code;
    return ConvertResult(result.addressof(), wanted, out);
}

// Runs one call, records its code and gives it; `out` receives the result converted to `wanted`
// (the caller clears it).
std::int32_t RunByName(const ComObjectValue* object, std::string_view member, CallKind kind,
                       const ComArgument* arguments, std::size_t count, VARTYPE wanted, VARIANT* out) noexcept
{
    if (out != nullptr)
        VariantInit(out);
    const std::int32_t code =
        NoThrow(kRtComInvokeFailed, [&] { return Run(object, member, kind, arguments, count, wanted, out); });
    if (code != kRtComOk && out != nullptr)
        ReplaceVariant(*out, UniqueVariant());
    t_lastCode = code;
    return code;
}

std::int32_t RunByName(const ComObjectValue* object, std::string_view member, CallKind kind,
                       ComArguments arguments, VARTYPE wanted, VARIANT* out) noexcept
{
    return RunByName(object, member, kind, arguments.begin(), arguments.size(), wanted, out);
}

double NumberCall(const ComObjectValue* object, std::string_view member, CallKind kind, ComArguments arguments) noexcept
{
    UniqueVariant out;
    return RunByName(object, member, kind, arguments, VT_R8, out.put()) == kRtComOk ? V_R8(&out.get()) : 0.0;
}

bool BoolCall(const ComObjectValue* object, std::string_view member, CallKind kind, ComArguments arguments) noexcept
{
    UniqueVariant out;
    return RunByName(object, member, kind, arguments, VT_BOOL, out.put()) == kRtComOk && V_BOOL(&out.get()) != 0;
}

// The text wrappers of the grid and its objects are noexcept: a text with no memory for its GBK
// copy is a failed call, as one the control refused.
std::string TextCall(const ComObjectValue* object, std::string_view member, CallKind kind,
                     ComArguments arguments) noexcept
{
    UniqueVariant out;
    if (RunByName(object, member, kind, arguments, VT_BSTR, out.put()) != kRtComOk)
        return std::string();
    return NoThrow(std::string(), [&] { return AnsiFromBstr(V_BSTR(&out.get())); });
}

ComObjectValue* ObjectCall(const ComObjectValue* object, std::string_view member, CallKind kind,
                           ComArguments arguments) noexcept
{
    UniqueVariant out;
    bool read = RunByName(object, member, kind, arguments, VT_UNKNOWN, out.put()) == kRtComOk;
    return AllocateComObjectValue(read ? V_UNKNOWN(&out.get()) : nullptr);
}

} // namespace

ComArgument ComArgument::Number(Kind kind, std::int64_t value) noexcept
{
    ComArgument argument(kind);
    argument.integer_ = value;
    return argument;
}

ComArgument ComArgument::Real(Kind kind, double value) noexcept
{
    ComArgument argument(kind);
    argument.real_ = value;
    return argument;
}

ComArgument ComArgument::Variable(Kind kind, void* variable) noexcept
{
    ComArgument argument(kind);
    argument.variable_ = variable;
    return argument;
}

ComArgument ComArgument::Text(std::string value)
{
    ComArgument argument(Kind::Text);
    argument.text_ = std::move(value);
    return argument;
}

ComArgument ComArgument::Pointing(Kind kind, const void* value) noexcept
{
    ComArgument argument(kind);
    argument.pointer_ = value;
    return argument;
}

ComArgument ComArgument::BorrowedText(const std::string& value) noexcept { return Pointing(Kind::Text, &value); }

ComArgument ComArgument::BorrowedBstr(BSTR value) noexcept { return Pointing(Kind::Wide, value); }

ComArgument ComArgument::Object(const ComObjectValue* value) noexcept { return Pointing(Kind::Object, value); }

ComArgument ComArgument::Variant(const VARIANT* value) noexcept { return Pointing(Kind::Variant, value); }

ComArgument ComArgument::Bytes(const ByteSet* value) noexcept { return Pointing(Kind::Bytes, value); }

std::int32_t RtComLastCode() noexcept { return t_lastCode; }

std::string RtComCodeText(std::int32_t code)
{
    static const char* const kTexts[] = {
        "对象为空", "指定对象没有调用接口", "未找到指定属性或方法", "指定对象没有类型信息", "提供了过多的参数",
        "该对象不是字体对象", "参数数据类型错误", "执行成功，但返回值类型不匹配", "参数数目错误", "参数类型值无效",
        "发现异常", "未找到指定成员", "不支持命名参数", "溢出", "未找到指定参数", "类型不匹配",
        "必需的参数数据被省略", "其他原因调用失败",
    };
    if (code > -1 || code < -18)
        return std::string();
    return kTexts[-code - 1];
}

std::string RtComErrorText() { return RtComCodeText(t_lastCode); }

double RtComGetNumber(const ComObjectValue* object, std::string_view member, ComArguments indexes) noexcept
{
    return NumberCall(object, member, CallKind::Read, indexes);
}

bool RtComGetBool(const ComObjectValue* object, std::string_view member, ComArguments indexes) noexcept
{
    return BoolCall(object, member, CallKind::Read, indexes);
}

std::string RtComGetText(const ComObjectValue* object, std::string_view member, ComArguments indexes) noexcept
{
    return TextCall(object, member, CallKind::Read, indexes);
}

ComObjectValue* RtComGetObject(const ComObjectValue* object, std::string_view member, ComArguments indexes) noexcept
{
    return ObjectCall(object, member, CallKind::Read, indexes);
}

VARIANT* RtComGetVariant(const ComObjectValue* object, std::string_view member, ComArguments indexes) noexcept
{
    UniqueVariant out;
    RunByName(object, member, CallKind::Read, indexes, VT_VARIANT, out.put());
    VARIANT* value = AllocateVariantValue();
    if (value != nullptr) {
        *value = out.release();
    }
    return value;
}

bool RtComSetProperty(const ComObjectValue* object, std::string_view member, ComArguments indexes,
                      const ComArgument& value) noexcept
{
    std::vector<ComArgument> arguments;
    if (!RanToEnd([&] {
            arguments.assign(indexes.begin(), indexes.end());
            arguments.push_back(value);
        })) {
        t_lastCode = kRtComInvokeFailed;
        return false;
    }
    return RunByName(object, member, CallKind::Write, arguments.data(), arguments.size(), VT_EMPTY, nullptr) ==
           kRtComOk;
}

bool RtComSetProperty(const ComObjectValue* object, std::string_view member, const ComArgument& value) noexcept
{
    return RunByName(object, member, CallKind::Write, &value, 1, VT_EMPTY, nullptr) == kRtComOk;
}

void RtComCall(const ComObjectValue* object, std::string_view member, ComArguments arguments) noexcept
{
    RunByName(object, member, CallKind::Method, arguments, VT_EMPTY, nullptr);
}

std::string RtComCallText(const ComObjectValue* object, std::string_view member, ComArguments arguments) noexcept
{
    return TextCall(object, member, CallKind::Method, arguments);
}

double RtComCallNumber(const ComObjectValue* object, std::string_view member, ComArguments arguments) noexcept
{
    return NumberCall(object, member, CallKind::Method, arguments);
}

bool RtComCallBool(const ComObjectValue* object, std::string_view member, ComArguments arguments) noexcept
{
    return BoolCall(object, member, CallKind::Method, arguments);
}

ComObjectValue* RtComCallObject(const ComObjectValue* object, std::string_view member, ComArguments arguments) noexcept
{
    return ObjectCall(object, member, CallKind::Method, arguments);
}

void RtComCopyReference(ComObjectValue* destination, const ComObjectValue* source) noexcept
{
    if (destination == nullptr)
        return;
    IUnknown* object = source != nullptr ? source->object : nullptr;
    if (object != nullptr)
        object->AddRef();
    RtComRelease(destination);
    destination->object = object;
}

void RtComRelease(ComObjectValue* object) noexcept
{
    if (object == nullptr || object->object == nullptr)
        return;
    IUnknown* held = object->object;
    object->object = nullptr;
    held->Release();
}

void RtComReleaseAndFree(ComObjectValue*& object) noexcept
{
    if (object == nullptr)
        return;
    RtComRelease(object);
    FreeComObjectValue(object);
    object = nullptr;
}

VARIANT* AllocateVariantValue() noexcept
{
    auto* value = static_cast<VARIANT*>(RuntimeService(kRuntimeAllocate, nullptr, sizeof(VARIANT)));
    if (value != nullptr)
        VariantInit(value);
    return value;
}

void FreeVariantValue(VARIANT* value) noexcept
{
    if (value == nullptr)
        return;
    VariantClear(value);
    RuntimeService(kRuntimeFree, value, 0);
}
