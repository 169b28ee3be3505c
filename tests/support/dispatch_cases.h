// The calls an outside client can make on a dispatch interface, generated from its type
// information: every member id (and one id that no member has) with every invoke kind and every
// argument count from 0 to one more than the member declares, each with the answer that the
// binding alone decides (member not found, too many arguments, a required one missing) or, for
// a call that binds, none: the member itself then answers.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <utility>
#include <vector>

namespace dispatch_cases {

struct Case {
    DISPID id;
    WORD kind;           // DISPATCH_METHOD, _PROPERTYGET, _PROPERTYPUT or _PROPERTYPUTREF
    UINT count;          // arguments passed, a put's value included (the last one)
    HRESULT expected;    // S_OK: the call binds and the member decides
    VARTYPE resultType;  // the declared result of a member that binds (VT_VOID for none)
};

// One declared function: its parameters' optionality and its result.
struct Declared {
    std::vector<bool> optional;
    VARTYPE result;
};

inline constexpr DISPID kUnknownId = 0x5EED;
inline constexpr WORD kKinds[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT,
                                  DISPATCH_PROPERTYPUTREF};

inline std::map<std::pair<DISPID, WORD>, Declared> ReadDeclarations(ITypeInfo* info)
{
    std::map<std::pair<DISPID, WORD>, Declared> declared;
    declared[{kUnknownId, 0}] = {};
    TYPEATTR* attributes = nullptr;
    if (FAILED(info->GetTypeAttr(&attributes)))
        return declared;
    const WORD functions = attributes->cFuncs;
    info->ReleaseTypeAttr(attributes);
    for (WORD i = 0; i < functions; ++i) {
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function)))
            continue;
        Declared d{{}, function->elemdescFunc.tdesc.vt};
        for (SHORT p = 0; p < function->cParams; ++p) {
            const ELEMDESC& element = function->lprgelemdescParam[p];
            d.optional.push_back((element.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0 ||
                                 element.tdesc.vt == VT_VARIANT);
        }
        declared[{function->memid, WORD(function->invkind)}] = d;
        info->ReleaseFuncDesc(function);
    }
    return declared;
}

// A put that finds only the other of put and put-by-reference binds to that one.
inline const Declared* Binding(const std::map<std::pair<DISPID, WORD>, Declared>& declared, DISPID id, WORD kind)
{
    auto found = declared.find({id, kind});
    if (found == declared.end() && (kind == DISPATCH_PROPERTYPUT || kind == DISPATCH_PROPERTYPUTREF))
        found = declared.find({id, WORD(kind ^ (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))});
    return found == declared.end() ? nullptr : &found->second;
}

inline HRESULT Expected(const Declared* binding, WORD kind, UINT count)
{
    if (!binding)
        return DISP_E_MEMBERNOTFOUND;
    const bool put = kind == DISPATCH_PROPERTYPUT || kind == DISPATCH_PROPERTYPUTREF;
    const UINT declared = UINT(binding->optional.size());
    if (count > declared)
        return DISP_E_BADPARAMCOUNT;
    if (put && count == 0)
        return DISP_E_PARAMNOTOPTIONAL;
    const UINT given = put ? count - 1 : count;
    const UINT indexes = put ? declared - 1 : declared;
    for (UINT i = given; i < indexes; ++i) {
        if (!binding->optional[i])
            return DISP_E_PARAMNOTOPTIONAL;
    }
    return S_OK;
}

inline std::vector<Case> Generate(ITypeInfo* info)
{
    const auto declared = ReadDeclarations(info);
    std::vector<Case> cases;
    DISPID previous = 0;
    bool first = true;
    for (const auto& [key, unused] : declared) {
        const DISPID id = key.first;
        if (!first && id == previous)
            continue;
        first = false;
        previous = id;
        for (WORD kind : kKinds) {
            const Declared* binding = Binding(declared, id, kind);
            const UINT most = binding ? UINT(binding->optional.size()) + 1 : 1;
            for (UINT count = 0; count <= most; ++count)
                cases.push_back({id, kind, count, Expected(binding, kind, count),
                                 binding ? binding->result : VARTYPE(VT_VOID)});
        }
    }
    return cases;
}

// Whether `hr` is an answer a client can act on for a call that binds.
inline bool IsProperAnswer(HRESULT hr)
{
    return hr == S_OK || hr == DISP_E_EXCEPTION || hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW;
}

}  // namespace dispatch_cases
