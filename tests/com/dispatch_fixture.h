// DispatchFixture: an automation object for the by-name tests. Its type information comes from the
// test program's own type library (resource 1); its Invoke records what it received, stores what
// is put and hands back what was stored, unconverted, and counts the references it gives out.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

#include "support/own_type_library.h"

inline constexpr GUID kDispatchFixtureIid = {0x7D2E3F42, 0x6B52, 0x4C8F, {0xAD, 0x22, 0x1B, 0x3C, 0x4D, 0x5E, 0x6F, 0x70}};

// Member ids of the fixture's type library.
enum FixtureMember : DISPID {
    kFixtureRows = 1, kFixtureGridColor, kFixtureWordWrap, kFixtureCellFontSize, kFixtureFontSize, kFixtureVersion,
    kFixtureFontName, kFixtureFont, kFixtureDataSource, kFixtureTextMatrix, kFixtureTwice, kFixtureRename,
    kFixtureRefer, kFixtureSum, kFixtureKeep, kFixtureFail, kFixtureLog, kFixtureGetFieldCount,
    kFixtureText, kFixtureMove, kFixtureCounter = 30, kFixtureOwner,
};

class DispatchFixture final : public IDispatch {
public:
    // What the last Invoke received: the arguments in declaration order (copies; by-reference ones
    // dereferenced) and the VARTYPE each came with.
    struct Received {
        DISPID id = 0;
        WORD flags = 0;
        UINT named = 0;
        DISPID namedId = 0;
        std::vector<VARTYPE> types;
        std::vector<VARIANT> values;
    };

    DispatchFixture() = default;
    ~DispatchFixture() { Forget(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, kDispatchFixtureIid))
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override
    {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override
    {
        *info = nullptr;
        if (noTypeInfo)
            return E_NOTIMPL;
        ITypeLib* library = Library();
        return library != nullptr ? library->GetTypeInfoOfGuid(kDispatchFixtureIid, info) : TYPE_E_CANTLOADLIBRARY;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) noexcept override
    {
        ++invokes;
        Record(id, flags, *params);
        if (failWith != S_OK)
            return failWith;
        VARIANT* args = params->rgvarg;
        switch (id) {
        case kFixtureTwice:
            if (V_VT(&args[0]) == (VT_BYREF | VT_I4))
                *V_I4REF(&args[0]) = 2 * V_I4(&args[1]);
            return S_OK;
        case kFixtureRename:
            if (V_VT(&args[0]) == (VT_BYREF | VT_BSTR)) {
                std::wstring renamed = std::wstring(*V_BSTRREF(&args[0]) ? *V_BSTRREF(&args[0]) : L"") + L"!";
                SysFreeString(*V_BSTRREF(&args[0]));
                *V_BSTRREF(&args[0]) = SysAllocString(renamed.c_str());
            }
            return S_OK;
        case kFixtureRefer:
            if (V_VT(&args[0]) == (VT_BYREF | VT_I4))
                *V_I4REF(&args[0]) = 99;
            return S_OK;
        default:
            break;
        }
        if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
            VariantClear(&stored[id]);
            return VariantCopyInd(&stored[id], &args[0]);
        }
        if (result != nullptr && stored.count(id) != 0)
            return VariantCopy(result, &stored[id]);
        return S_OK;
    }

    // Drops what was received and stored, with the references it held.
    void Forget() noexcept
    {
        ClearReceived();
        for (auto& [id, value] : stored)
            VariantClear(&value);
        stored.clear();
    }

    // Stores `value` as what a read of `id` gives.
    void Store(DISPID id, const VARIANT& value)
    {
        VariantClear(&stored[id]);
        VariantCopy(&stored[id], const_cast<VARIANT*>(&value));
    }

    LONG references = 0;
    int invokes = 0;
    bool noTypeInfo = false;
    HRESULT failWith = S_OK;
    Received received;
    std::map<DISPID, VARIANT> stored;

private:
    static ITypeLib* Library() noexcept
    {
        static ITypeLib* library = LoadOwnTypeLibrary(nullptr);
        return library;
    }

    void ClearReceived() noexcept
    {
        for (VARIANT& value : received.values)
            VariantClear(&value);
        received = Received{};
    }

    void Record(DISPID id, WORD flags, const DISPPARAMS& params)
    {
        ClearReceived();
        received.id = id;
        received.flags = flags;
        received.named = params.cNamedArgs;
        received.namedId = params.cNamedArgs > 0 ? params.rgdispidNamedArgs[0] : 0;
        for (UINT i = params.cArgs; i-- > 0;) {
            VARIANT& arg = params.rgvarg[i];
            received.types.push_back(V_VT(&arg));
            VARIANT copy;
            VariantInit(&copy);
            VariantCopyInd(&copy, &arg);
            received.values.push_back(copy);
        }
    }
};
