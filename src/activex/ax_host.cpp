// The host object's life, its control, its event table and its connection to the control.
#include "activex/ax_host.h"

#include <ocidl.h>
#include <olectl.h>

#include <new>

#include "framework/com_ref.h"

namespace {

using AtlAxWinInitFunction = BOOL(WINAPI*)();
using AtlAxGetControlFunction = HRESULT(WINAPI*)(HWND window, IUnknown** control);

constexpr WORD kAtlAxWinInitOrdinal = 42;
constexpr WORD kAtlAxGetControlOrdinal = 47;
constexpr UINT kFrameFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
constexpr UINT kImplTypeMask = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE | IMPLTYPEFLAG_FRESTRICTED;

// atl.dll stays loaded for the life of the process: its window class lives as long.
template <typename Function>
Function AtlOrdinal(WORD ordinal) noexcept
{
    static HMODULE atl = LoadLibraryA("atl.dll");
    if (atl == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(atl, MAKEINTRESOURCEA(ordinal))));
}

bool IsZeroIid(const IID& iid) noexcept { return IsEqualGUID(iid, GUID_NULL) != FALSE; }

// Owns one TYPEATTR of a type description.
class TypeAttributes {
public:
    explicit TypeAttributes(ITypeInfo* type) noexcept : type_(type)
    {
        if (type_ == nullptr || FAILED(type_->GetTypeAttr(&attributes_)))
            attributes_ = nullptr;
    }
    ~TypeAttributes()
    {
        if (attributes_ != nullptr)
            type_->ReleaseTypeAttr(attributes_);
    }
    TypeAttributes(const TypeAttributes&) = delete;
    TypeAttributes& operator=(const TypeAttributes&) = delete;
    const TYPEATTR* Get() const noexcept { return attributes_; }

private:
    ITypeInfo* type_;
    TYPEATTR* attributes_ = nullptr;
};

// The result VARTYPE of an event function, a pointer type replaced by its target.
std::uint32_t ResultType(const FUNCDESC& function) noexcept
{
    const TYPEDESC& type = function.elemdescFunc.tdesc;
    if (type.vt == VT_PTR && type.lptdesc != nullptr)
        return type.lptdesc->vt;
    return type.vt;
}

ComRef<IConnectionPoint> FindPoint(IUnknown* control, REFIID iid) noexcept
{
    ComRef<IConnectionPoint> point;
    auto container = QueryFor<IConnectionPointContainer>(control, IID_IConnectionPointContainer);
    if (container && FAILED(container->FindConnectionPoint(iid, point.Put())))
        point.Reset();
    return point;
}

} // namespace

HRESULT STDMETHODCALLTYPE AxObject::QueryInterface(REFIID iid, void** object) noexcept
{
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        (!IsZeroIid(sourceIid) && IsEqualIID(iid, sourceIid))) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AxObject::AddRef() noexcept
{
    ++holds_;
    return static_cast<ULONG>(++referenceCount);
}

ULONG STDMETHODCALLTYPE AxObject::Release() noexcept
{
    --holds_;
    auto count = static_cast<ULONG>(--referenceCount);
    FreeIfReleased();
    return count;
}

void AxObject::FreeIfReleased() noexcept
{
    if (deletePending_ && deliveries_ == 0 && holds_ <= 0)
        delete this;
}

HRESULT STDMETHODCALLTYPE AxObject::GetTypeInfoCount(UINT*) noexcept { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE AxObject::GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE AxObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept
{
    return E_NOTIMPL;
}

void STDMETHODCALLTYPE AxObject::Delete(std::uint32_t flags) noexcept
{
    DetachControl();
    if ((flags & 1) == 0)
        return;
    // A handler destroying its own host: the delivery that called it still runs on this object.
    if (deliveries_ > 0)
        deletePending_ = true;
    else
        delete this;
}

void AxObject::DetachControl() noexcept
{
    referenceCount = 0;
    if (cookie != 0)
        Unadvise(sourceIid);
    eventTable.reset();
    entryCount = 0;
    control.Reset();
}

void AxObject::AttachControl(IUnknown* newControl) noexcept
{
    DetachControl();
    if (newControl == nullptr)
        return;
    newControl->AddRef();
    *control.Put() = newControl;
    if (BuildEventTable())
        Advise(sourceIid);
}

void AxObject::FillEventTable(ITypeInfo* type, const TYPEATTR& attributes) noexcept
{
    int count = attributes.cFuncs;
    if (count <= 0)
        return;
    std::unique_ptr<AxEventEntry[]> table(new (std::nothrow) AxEventEntry[count]());
    if (!table)
        return;
    for (int j = 0; j < count; ++j) {
        FUNCDESC* function = nullptr;
        if (type->GetFuncDesc(static_cast<UINT>(j), &function) != S_OK)
            continue;
        table[j].dispId = function->memid;
        table[j].resultType = ResultType(*function);
        type->ReleaseFuncDesc(function);
    }
    eventTable = std::move(table);
    entryCount = count;
}

// The default source interface among the implemented types of the class's type information.
void AxObject::ReadSourceFromClassInfo() noexcept
{
    auto provider = QueryFor<IProvideClassInfo>(control.Get(), IID_IProvideClassInfo);
    ComRef<ITypeInfo> classType;
    if (!provider || FAILED(provider->GetClassInfo(classType.Put())) || !classType)
        return;
    TypeAttributes classAttributes(classType.Get());
    if (classAttributes.Get() == nullptr)
        return;
    for (UINT i = 0; i < classAttributes.Get()->cImplTypes; ++i) {
        INT flags = 0;
        if (FAILED(classType->GetImplTypeFlags(i, &flags)) || (flags & kImplTypeMask) != 3)
            continue;
        HREFTYPE reference = 0;
        ComRef<ITypeInfo> source;
        if (FAILED(classType->GetRefTypeOfImplType(i, &reference)) ||
            FAILED(classType->GetRefTypeInfo(reference, source.Put())) || !source)
            return;
        TypeAttributes sourceAttributes(source.Get());
        if (sourceAttributes.Get() == nullptr)
            return;
        if (IsZeroIid(sourceIid))
            sourceIid = sourceAttributes.Get()->guid;
        FillEventTable(source.Get(), *sourceAttributes.Get());
        return;
    }
}

// The first connection point's interface, described by the control's own type library.
void AxObject::ReadSourceFromConnectionPoints() noexcept
{
    auto container = QueryFor<IConnectionPointContainer>(control.Get(), IID_IConnectionPointContainer);
    ComRef<IEnumConnectionPoints> points;
    if (!container || FAILED(container->EnumConnectionPoints(points.Put())) || !points)
        return;
    points->Reset();
    ComRef<IConnectionPoint> point;
    ULONG fetched = 0;
    if (points->Next(1, point.Put(), &fetched) != S_OK || fetched != 1 || !point)
        return;
    IID iid = {};
    if (FAILED(point->GetConnectionInterface(&iid)))
        return;
    sourceIid = iid;
    auto dispatch = QueryFor<IDispatch>(control.Get(), IID_IDispatch);
    ComRef<ITypeInfo> controlType;
    if (!dispatch || FAILED(dispatch->GetTypeInfo(0, 0, controlType.Put())) || !controlType)
        return;
    ComRef<ITypeLib> library;
    UINT index = 0;
    ComRef<ITypeInfo> source;
    if (FAILED(controlType->GetContainingTypeLib(library.Put(), &index)) || !library ||
        FAILED(library->GetTypeInfoOfGuid(sourceIid, source.Put())) || !source)
        return;
    TypeAttributes attributes(source.Get());
    if (attributes.Get() != nullptr)
        FillEventTable(source.Get(), *attributes.Get());
}

bool AxObject::BuildEventTable() noexcept
{
    sourceIid = GUID_NULL;
    if (auto provider = QueryFor<IProvideClassInfo2>(control.Get(), IID_IProvideClassInfo2)) {
        IID iid = {};
        if (SUCCEEDED(provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &iid)))
            sourceIid = iid;
    }
    ReadSourceFromClassInfo();
    if (IsZeroIid(sourceIid))
        ReadSourceFromConnectionPoints();
    return !IsZeroIid(sourceIid);
}

bool AxObject::Advise(REFIID iid) noexcept
{
    auto point = FindPoint(control.Get(), iid);
    if (!point || FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie)))
        return false;
    // The connection point's reference does not keep the object: its variable does.
    Release();
    return true;
}

bool AxObject::Unadvise(REFIID iid) noexcept
{
    // The connection point gives back the reference that Advise took away.
    AddRef();
    auto point = FindPoint(control.Get(), iid);
    bool done = point && SUCCEEDED(point->Unadvise(cookie));
    cookie = 0;
    if (!done)
        Release();
    return done;
}

AxEventEntry* AxObject::FindEntry(DISPID dispId) noexcept
{
    for (std::int32_t i = 0; i < entryCount; ++i) {
        if (eventTable[i].dispId == dispId)
            return &eventTable[i];
    }
    return nullptr;
}

void NewAxObject(AxObjectVariable* variable) noexcept
{
    if (variable != nullptr)
        *variable = new (std::nothrow) AxObject();
}

HWND CreateControl(AxObjectVariable* variable, HWND parent, const char* controlText, int x, int y, int width,
                   int height, std::int32_t borderStyle) noexcept
{
    if (variable == nullptr || *variable == nullptr)
        return nullptr;
    AxObject& host = **variable;
    host.DetachControl();
    HWND window = CreateWindowExA(0, "AtlAxWin", controlText, WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                                  nullptr, nullptr, nullptr);
    if (window == nullptr)
        return nullptr;
    ApplyBorderStyle(window, borderStyle);
    auto getControl = AtlOrdinal<AtlAxGetControlFunction>(kAtlAxGetControlOrdinal);
    ComRef<IUnknown> control;
    if (getControl != nullptr && SUCCEEDED(getControl(window, control.Put())))
        host.AttachControl(control.Get());
    return window;
}

ComObjectValue* GetDispatch(AxObjectVariable* variable) noexcept
{
    IUnknown* control = (variable != nullptr && *variable != nullptr) ? (*variable)->control.Get() : nullptr;
    return AllocateComObjectValue(control, AxRuntimeService());
}

bool BindEvent(AxObjectVariable* variable, DISPID dispId, SubprogramPointer handler, std::uint32_t userValue) noexcept
{
    if (variable == nullptr || *variable == nullptr)
        return false;
    AxEventEntry* entry = (*variable)->FindEntry(dispId);
    if (entry == nullptr)
        return false;
    entry->handler = handler;
    entry->userValue = userValue;
    return true;
}

void DestroyAxObject(AxObjectVariable* variable) noexcept
{
    if (variable == nullptr || *variable == nullptr)
        return;
    (*variable)->Delete(1);
    *variable = nullptr;
}

void CopyAxObject(AxObjectVariable* copy, AxObjectVariable* source) noexcept
{
    if (copy == nullptr)
        return;
    NewAxObject(copy);
    if (*copy != nullptr && source != nullptr && *source != nullptr)
        (*copy)->AttachControl((*source)->control.Get());
}

std::int32_t AxHostNotify(std::int32_t message, RuntimeServiceFunction service) noexcept
{
    if (message != 1)
        return -1;
    if (auto init = AtlOrdinal<AtlAxWinInitFunction>(kAtlAxWinInitOrdinal))
        init();
    SetAxRuntimeService(service);
    return 0;
}

void ApplyBorderStyle(HWND window, std::int32_t borderStyle) noexcept
{
    static constexpr DWORD kExtendedStyles[] = {0, WS_EX_CLIENTEDGE, WS_EX_DLGMODALFRAME, WS_EX_STATICEDGE,
                                                WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME};
    DWORD extended = (borderStyle >= 1 && borderStyle <= 4) ? kExtendedStyles[borderStyle] : 0;
    DWORD style = borderStyle == 5 ? WS_BORDER : 0;
    ModifyWindowStyle(window, GWL_EXSTYLE, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME, extended,
                      kFrameFlags);
    ModifyWindowStyle(window, GWL_STYLE, WS_BORDER, style, kFrameFlags);
}

bool ModifyWindowStyle(HWND window, int index, DWORD remove, DWORD add, UINT positionFlags) noexcept
{
    DWORD old = static_cast<DWORD>(GetWindowLongA(window, index));
    DWORD value = (old & ~remove) | add;
    if (value == old)
        return false;
    SetWindowLongA(window, index, static_cast<LONG>(value));
    if (positionFlags != 0)
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     positionFlags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}
