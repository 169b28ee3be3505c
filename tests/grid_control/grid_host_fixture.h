// A minimal host for the grid control in tests: registers the control in the test prefix with regsvr32,
// creates it by ProgID in an "AtlAxWin" window on the display, and drives it by name or by dispatch id.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace grid_test {

// A VARIANT value for calls; cleared when it goes away.
struct Value {
    VARIANT v;
    Value() { VariantInit(&v); }
    Value(long n) { VariantInit(&v); v.vt = VT_I4; v.lVal = n; }
    Value(int n) : Value(long(n)) {}
    Value(bool b) { VariantInit(&v); v.vt = VT_BOOL; v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; }
    Value(const wchar_t* text) { VariantInit(&v); v.vt = VT_BSTR; v.bstrVal = SysAllocString(text); }
    Value(IDispatch* object) { VariantInit(&v); v.vt = VT_DISPATCH; v.pdispVal = object; if (object) object->AddRef(); }
    static Value Ref(long* target) { Value x; x.v.vt = VT_I4 | VT_BYREF; x.v.plVal = target; return x; }
    Value(const Value& other) { VariantInit(&v); VariantCopy(&v, const_cast<VARIANT*>(&other.v)); }
    Value& operator=(const Value& other) { VariantCopy(&v, const_cast<VARIANT*>(&other.v)); return *this; }
    ~Value() { VariantClear(&v); }
    long AsLong() const;
    std::wstring AsText() const;
};

// The path of the control DLL next to the test program.
std::wstring ControlPath();
// Registers the control in the prefix once per process (its DllRegisterServer); true on success.
bool RegisterControl();

// One recorded event with copies of its arguments (by-reference ones read through).
struct Event {
    DISPID id;
    std::vector<Value> args;
};

// An event sink that records events, counts its references, and can answer Cancel or clear a key code.
class RecordingSink final : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }  // lives on the test's stack
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    const Event* Find(DISPID id) const;
    int Count(DISPID id) const;

    long refs = 1;
    std::vector<Event> events;
    DISPID cancel = 0;          // an event whose last by-reference truth value the sink sets
    bool clearKeyCode = false;  // KeyDown: write 0 into KeyCode
    std::function<void(DISPID)> onEvent;  // called with each event once it is recorded
};

// A frame window with the grid hosted in an AtlAxWin child of 400 x 300 at (0, 0).
class GridHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Puts the control into `frame` and hands one reference to it over; by default it is hosted by ATL
    // in the AtlAxWin child `host`. A failure fails the test and leaves `control` null.
    virtual void HostControl(IUnknown** control);

    DISPID Id(const wchar_t* name) const;
    HRESULT Invoke(DISPID id, WORD flags, std::vector<Value> args, Value* result = nullptr) const;
    Value Get(const wchar_t* name, std::vector<Value> indexes = {}) const;
    void Put(const wchar_t* name, std::vector<Value> indexesThenValue) const;
    void Call(const wchar_t* name, std::vector<Value> args = {}) const;
    HWND GridWindow() const { return HWND(INT_PTR(Get(L"hWnd").AsLong())); }
    // A layout with cells of 100 x 20 pixels: 5 rows, 3 columns, one fixed row and column.
    void SmallLayout() const;
    // Client point of the middle of a cell in SmallLayout.
    static LPARAM CellPoint(int row, int col) { return MAKELPARAM(col * 100 + 50, row * 20 + 10); }

    HWND frame = nullptr;
    HWND host = nullptr;
    IDispatch* grid = nullptr;
    RecordingSink sink;
    DWORD cookie = 0;
    IConnectionPoint* point = nullptr;
};

}  // namespace grid_test
