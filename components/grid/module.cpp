// The DLL's entry points: the class factory for the grid and self-registration (class key, ProgID,
// apartment threading, type library) so that "regsvr32 /s" installs the control.
#include "module.h"

#include "com_support.h"
#include "grid_object.h"

#include "framework/exception_boundary.h"

#include <cwchar>

namespace {

HINSTANCE g_instance = nullptr;
LONG g_locks = 0;

constexpr wchar_t kClsidText[] = L"{C945E31A-102E-4A0D-8854-D599D7AED5FA}";
constexpr wchar_t kLibidText[] = L"{FC8F20B7-D479-4B67-B18F-EF8875713734}";
constexpr wchar_t kVersionIndependentProgId[] = L"VSFlexGrid8.VSFlexGridADO";
constexpr wchar_t kDescription[] = L"VSFlexGrid 8.0 (ADO)";

class GridFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override
    {
        // The factory is static: its AddRef counts nothing.
        return vsflex::AnswerOneInterface<IClassFactory>(this, IID_IClassFactory, iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
    STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        vsflex::GridObject* control = vsflex::GridObject::Create();
        if (!control)
            return E_OUTOFMEMORY;
        HRESULT hr = control->QueryInterface(iid, out);
        control->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) noexcept override
    {
        vsflex::ModuleLock(lock != FALSE);
        return S_OK;
    }
};

GridFactory g_factory;

// Writes one string value; an empty name writes the key's default value.
bool SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) noexcept
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

HRESULT RegisterAll() noexcept
{
    return NoThrowHr([&]() -> HRESULT {
        const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
        const std::wstring path = vsflex::ModulePath();
        const std::wstring progId = vsflex::kProgId;
        bool ok = SetValue(clsidKey, nullptr, kDescription) &&
                  SetValue(clsidKey + L"\\InprocServer32", nullptr, path) &&
                  SetValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                  SetValue(clsidKey + L"\\ProgID", nullptr, progId) &&
                  SetValue(clsidKey + L"\\VersionIndependentProgID", nullptr, kVersionIndependentProgId) &&
                  SetValue(clsidKey + L"\\Control", nullptr, L"") &&
                  SetValue(clsidKey + L"\\TypeLib", nullptr, kLibidText) &&
                  SetValue(clsidKey + L"\\Version", nullptr, L"1.0") &&
                  SetValue(progId, nullptr, kDescription) && SetValue(progId + L"\\CLSID", nullptr, kClsidText) &&
                  SetValue(kVersionIndependentProgId, nullptr, kDescription) &&
                  SetValue(std::wstring(kVersionIndependentProgId) + L"\\CLSID", nullptr, kClsidText) &&
                  SetValue(std::wstring(kVersionIndependentProgId) + L"\\CurVer", nullptr, progId);
        if (!ok)
            return SELFREG_E_CLASS;
        ITypeLib* library = nullptr;
        HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &library);
        if (FAILED(hr))
            return SELFREG_E_TYPELIB;
        library->Release();
        return S_OK;
    });
}

}  // namespace

namespace vsflex {

HINSTANCE ModuleInstance() noexcept
{
    return g_instance;
}

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(g_instance, path, MAX_PATH);
    return path;
}

void ModuleLock(bool lock) noexcept
{
    if (lock)
        InterlockedIncrement(&g_locks);
    else
        InterlockedDecrement(&g_locks);
}

}  // namespace vsflex

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) noexcept
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

// Hands out the grid's class factory; any other class is unknown here.
extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (clsid != vsflex::kClsidGrid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() noexcept
{
    return g_locks == 0 ? S_OK : S_FALSE;
}

// Writes the class, ProgID and type library keys; a failure names which part could not be written.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() noexcept
{
    return RegisterAll();
}

// Removes what DllRegisterServer wrote; keys that are already gone are not an error.
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() noexcept
{
    // Built on the stack: unregistering cannot fail for want of memory half-way through.
    wchar_t clsidKey[64] = L"CLSID\\";
    wcscat_s(clsidKey, kClsidText);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, clsidKey);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, vsflex::kProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kVersionIndependentProgId);
    UnRegisterTypeLib(vsflex::kLibidGrid, 1, 0, LOCALE_NEUTRAL, SYS_WIN32);
    return S_OK;
}
