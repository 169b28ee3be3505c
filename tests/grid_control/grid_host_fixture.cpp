// The test host for the grid control: registration through regsvr32, hosting through ATL's AtlAxWin
// window class, and call helpers by name and dispatch id.
#include "grid_host_fixture.h"

#include <cstdio>

#include "framework/unique_resource.h"

namespace grid_test {
namespace {

constexpr IID kIidGridEvents = {0xEA78FC04, 0xDD21, 0x4A03, {0x8A, 0x49, 0xC4, 0xC6, 0x72, 0x81, 0xB6, 0x07}};

using AtlAxWinInitFn = BOOL(WINAPI*)();
using AtlAxGetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);

HMODULE Atl()
{
    static HMODULE atl = LoadLibraryW(L"atl.dll");
    return atl;
}

}  // namespace

long Value::AsLong() const
{
    UniqueVariant x;
    if (FAILED(VariantChangeType(x.put(), const_cast<VARIANT*>(&v), 0, VT_I4)))
        return 0;
    return x.get().lVal;
}

std::wstring Value::AsText() const
{
    UniqueVariant x;
    if (FAILED(VariantChangeType(x.put(), const_cast<VARIANT*>(&v), 0, VT_BSTR)) || !x.get().bstrVal)
        return {};
    return x.get().bstrVal;
}

std::wstring ControlPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full = path;
    return full.substr(0, full.find_last_of(L'\\') + 1) + L"vsflex8.ocx";
}

bool RegisterControl()
{
    static int registered = -1;
    if (registered >= 0)
        return registered == 1;
    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    registered = 0;
    if (HMODULE control = LoadLibraryW(ControlPath().c_str())) {
        auto registerServer = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(control, "DllRegisterServer")));
        registered = registerServer && registerServer() == S_OK ? 1 : 0;
    }
    return registered == 1;
}

// Progress reaches the log even when a test hangs.
const int g_unbuffered = (setvbuf(stdout, nullptr, _IONBF, 0), 0);

STDMETHODIMP RecordingSink::QueryInterface(REFIID iid, void** out)
{
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kIidGridEvents)
        return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP RecordingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    Event event{id, {}};
    for (UINT i = params->cArgs; i-- > 0;) {
        Value copy;
        VariantCopyInd(&copy.v, &params->rgvarg[i]);
        event.args.push_back(copy);
    }
    if (id == cancel && params->cArgs && params->rgvarg[0].vt == (VT_BOOL | VT_BYREF))
        *params->rgvarg[0].pboolVal = VARIANT_TRUE;
    if (id == -602 && clearKeyCode && params->cArgs == 2 && params->rgvarg[1].vt == (VT_I2 | VT_BYREF))
        *params->rgvarg[1].piVal = 0;
    events.push_back(event);
    if (onEvent)
        onEvent(id);
    return S_OK;
}

const Event* RecordingSink::Find(DISPID id) const
{
    for (const auto& e : events)
        if (e.id == id)
            return &e;
    return nullptr;
}

int RecordingSink::Count(DISPID id) const
{
    int n = 0;
    for (const auto& e : events)
        n += e.id == id;
    return n;
}

void GridHost::SetUp()
{
    OleInitialize(nullptr);
    ASSERT_TRUE(RegisterControl());
    frame = CreateWindowExW(0, L"STATIC", L"grid test", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                            500, 400, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(frame);
    IUnknown* control = nullptr;
    HostControl(&control);
    ASSERT_TRUE(control);
    control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&grid));
    IConnectionPointContainer* container = nullptr;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    control->Release();
    ASSERT_TRUE(grid && container);
    ASSERT_EQ(S_OK, container->FindConnectionPoint(kIidGridEvents, &point));
    container->Release();
    ASSERT_EQ(S_OK, point->Advise(static_cast<IDispatch*>(&sink), &cookie));
}

void GridHost::HostControl(IUnknown** control)
{
    auto init = reinterpret_cast<AtlAxWinInitFn>(GetProcAddress(Atl(), "AtlAxWinInit"));
    auto getControl = reinterpret_cast<AtlAxGetControlFn>(reinterpret_cast<void*>(GetProcAddress(Atl(), "AtlAxGetControl")));
    ASSERT_TRUE(init && getControl);
    // A second init in the same process answers false because the class is already registered.
    WNDCLASSEXW registered = {};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(init() || GetClassInfoExW(nullptr, L"AtlAxWin", &registered));
    host = CreateWindowExW(0, L"AtlAxWin", L"VSFlexGrid8.VSFlexGridADO.1", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300,
                           frame, nullptr, nullptr, nullptr);
    ASSERT_TRUE(host);
    ASSERT_EQ(S_OK, getControl(host, control));
}

void GridHost::TearDown()
{
    if (point) {
        point->Unadvise(cookie);
        point->Release();
    }
    if (grid)
        grid->Release();
    if (frame)
        DestroyWindow(frame);
    EXPECT_EQ(1, sink.refs) << "the control keeps no reference to an unadvised sink";
    OleUninitialize();
}

DISPID GridHost::Id(const wchar_t* name) const
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    grid->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
}

HRESULT GridHost::Invoke(DISPID id, WORD flags, std::vector<Value> args, Value* result) const
{
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        reversed.push_back(it->v);
    DISPID put = DISPID_PROPERTYPUT;
    const bool isPut = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), isPut ? &put : nullptr, UINT(reversed.size()),
                      isPut ? 1u : 0u};
    Value own;
    return grid->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result ? &result->v : &own.v, nullptr,
                        nullptr);
}

Value GridHost::Get(const wchar_t* name, std::vector<Value> indexes) const
{
    Value result;
    EXPECT_EQ(S_OK, Invoke(Id(name), DISPATCH_PROPERTYGET, std::move(indexes), &result)) << "get " << name;
    return result;
}

void GridHost::Put(const wchar_t* name, std::vector<Value> indexesThenValue) const
{
    EXPECT_EQ(S_OK, Invoke(Id(name), DISPATCH_PROPERTYPUT, std::move(indexesThenValue))) << "put " << name;
}

void GridHost::Call(const wchar_t* name, std::vector<Value> args) const
{
    EXPECT_EQ(S_OK, Invoke(Id(name), DISPATCH_METHOD, std::move(args))) << "call " << name;
}

void GridHost::SmallLayout() const
{
    Put(L"Rows", {5});
    Put(L"Cols", {3});
    Put(L"FixedRows", {1});
    Put(L"FixedCols", {1});
    Put(L"RowHeight", {-1, 300});
    Put(L"ColWidth", {-1, 1500});
}

}  // namespace grid_test
