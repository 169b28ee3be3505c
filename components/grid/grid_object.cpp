// GridObject's COM plumbing: reference counting, embedding (site, verbs, in-place window, extents),
// class information, and the connection point that carries the grid's events to its sinks.
#include "grid_object.h"

#include "module.h"

#include "framework/exception_boundary.h"

#include <iterator>
#include <new>

namespace vsflex {
namespace {

// Enumerates the control's single connection point.
class PointEnumerator final : public IEnumConnectionPoints {
public:
    PointEnumerator(IConnectionPoint* point, ULONG position) noexcept : point_(point), position_(position)
    {
        point_->AddRef();
    }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override
    {
        return AnswerOneInterface<IEnumConnectionPoints>(this, IID_IEnumConnectionPoints, iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() noexcept override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() noexcept override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (!left)
            delete this;
        return ULONG(left);
    }
    STDMETHODIMP Next(ULONG count, IConnectionPoint** points, ULONG* fetched) noexcept override
    {
        ULONG given = 0;
        if (count && position_ == 0 && points) {
            points[0] = point_;
            point_->AddRef();
            given = 1;
            position_ = 1;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) noexcept override
    {
        position_ += count;
        return position_ <= 1 ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() noexcept override
    {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumConnectionPoints** copy) noexcept override
    {
        if (!copy)
            return E_POINTER;
        *copy = new (std::nothrow) PointEnumerator(point_, position_);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~PointEnumerator() { point_->Release(); }
    LONG refs_ = 1;
    IConnectionPoint* point_;
    ULONG position_;
};

}  // namespace

GridObject::GridObject() noexcept
{
    ModuleLock(true);
}

GridObject::~GridObject()
{
    DestroyGridWindow();
    for (auto& sink : sinks_)
        sink.second->Release();
    if (site_)
        site_->Release();
    if (gridInfo_)
        gridInfo_->Release();
    if (library_)
        library_->Release();
    ModuleLock(false);
}

GridObject* GridObject::Create() noexcept
{
    auto* control = new (std::nothrow) GridObject();
    if (!control)
        return nullptr;
    const HRESULT hr =
        NoThrowHr([&] { return LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, &control->library_); });
    if (FAILED(hr) || FAILED(control->library_->GetTypeInfoOfGuid(kIidGrid, &control->gridInfo_))) {
        control->Release();
        return nullptr;
    }
    return control;
}

STDMETHODIMP GridObject::QueryInterface(REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidGrid)
        *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IOleObject)
        *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IViewObject || iid == IID_IViewObject2)
        *out = static_cast<IViewObject2*>(this);
    else if (iid == IID_IPersistStreamInit || iid == IID_IPersist)
        *out = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        *out = static_cast<IProvideClassInfo2*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *out = static_cast<IConnectionPointContainer*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) GridObject::AddRef() noexcept
{
    return ULONG(InterlockedIncrement(&refs_));
}

STDMETHODIMP_(ULONG) GridObject::Release() noexcept
{
    LONG left = InterlockedDecrement(&refs_);
    if (!left)
        delete this;
    return ULONG(left);
}

STDMETHODIMP GridObject::GetTypeInfoCount(UINT* count) noexcept
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP GridObject::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    gridInfo_->AddRef();
    *info = gridInfo_;
    return S_OK;
}

STDMETHODIMP GridObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept
{
    return gridInfo_->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP GridObject::SetClientSite(IOleClientSite* site) noexcept
{
    if (site)
        site->AddRef();
    if (site_)
        site_->Release();
    site_ = site;
    return S_OK;
}

STDMETHODIMP GridObject::GetClientSite(IOleClientSite** site) noexcept
{
    if (!site)
        return E_POINTER;
    *site = site_;
    if (site_)
        site_->AddRef();
    return S_OK;
}

// Hosts that never deactivate in place (Wine's ATL among them) still close the object, so the window goes here.
STDMETHODIMP GridObject::Close(DWORD) noexcept
{
    InPlaceDeactivate();
    DestroyGridWindow();
    return S_OK;
}

STDMETHODIMP GridObject::DoVerb(LONG verb, LPMSG, IOleClientSite* active, LONG, HWND, LPCRECT) noexcept
{
    if (verb == OLEIVERB_HIDE) {
        if (window_)
            ShowWindow(window_, SW_HIDE);
        return S_OK;
    }
    if (window_) {
        ShowWindow(window_, SW_SHOW);
        return S_OK;
    }
    IOleClientSite* site = active ? active : site_;
    if (!site)
        return E_UNEXPECTED;
    IOleInPlaceSite* place = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&place))))
        return E_NOINTERFACE;
    HRESULT hr = E_FAIL;
    HWND parent = nullptr;
    if (place->CanInPlaceActivate() == S_OK && SUCCEEDED(place->GetWindow(&parent))) {
        place->OnInPlaceActivate();
        inPlace_ = true;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof frameInfo;
        place->GetWindowContext(&frame, &document, &position, &clip, &frameInfo);
        if (frame)
            frame->Release();
        if (document)
            document->Release();
        hr = CreateGridWindow(parent, position) ? S_OK : E_FAIL;
        if (SUCCEEDED(hr))
            ShowWindow(window_, SW_SHOW);
    }
    place->Release();
    return hr;
}

STDMETHODIMP GridObject::GetUserClassID(CLSID* clsid) noexcept
{
    if (!clsid)
        return E_POINTER;
    *clsid = kClsidGrid;
    return S_OK;
}

STDMETHODIMP GridObject::SetExtent(DWORD aspect, SIZEL* size) noexcept
{
    if (aspect != DVASPECT_CONTENT || !size)
        return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP GridObject::GetExtent(DWORD aspect, SIZEL* size) noexcept
{
    if (aspect != DVASPECT_CONTENT || !size)
        return E_INVALIDARG;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP GridObject::GetMiscStatus(DWORD, DWORD* status) noexcept
{
    if (!status)
        return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_SETCLIENTSITEFIRST | OLEMISC_CANTLINKINSIDE;
    return S_OK;
}

STDMETHODIMP GridObject::GetWindow(HWND* window) noexcept
{
    if (!window)
        return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP GridObject::InPlaceDeactivate() noexcept
{
    if (!inPlace_)
        return S_OK;
    inPlace_ = false;
    DestroyGridWindow();
    IOleInPlaceSite* place = nullptr;
    if (site_ && SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&place)))) {
        place->OnInPlaceDeactivate();
        place->Release();
    }
    return S_OK;
}

// The host sizes the control here rather than through SetExtent (whose unit conversion hosts get wrong).
STDMETHODIMP GridObject::SetObjectRects(LPCRECT position, LPCRECT) noexcept
{
    if (!position)
        return E_POINTER;
    if (window_)
        MoveWindow(window_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

STDMETHODIMP GridObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                              LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept
{
    if (aspect != DVASPECT_CONTENT || !dc)
        return DV_E_DVASPECT;
    if (!window_)
        return OLE_E_BLANK;
    RECT client{};
    GetClientRect(window_, &client);
    int saved = SaveDC(dc);
    if (bounds)
        SetViewportOrgEx(dc, bounds->left, bounds->top, nullptr);
    SendMessageW(window_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    RestoreDC(dc, saved);
    return S_OK;
}

STDMETHODIMP GridObject::GetSizeMax(ULARGE_INTEGER* size) noexcept
{
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

STDMETHODIMP GridObject::GetClassInfo(ITypeInfo** info) noexcept
{
    if (!info)
        return E_POINTER;
    return library_->GetTypeInfoOfGuid(kClsidGrid, info);
}

STDMETHODIMP GridObject::GetGUID(DWORD kind, GUID* guid) noexcept
{
    if (!guid)
        return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID)
        return E_INVALIDARG;
    *guid = kIidGridEvents;
    return S_OK;
}

STDMETHODIMP GridObject::EnumConnectionPoints(IEnumConnectionPoints** points) noexcept
{
    if (!points)
        return E_POINTER;
    *points = new (std::nothrow) PointEnumerator(&point_, 0);
    return *points ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP GridObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (iid != kIidGridEvents)
        return CONNECT_E_NOCONNECTION;
    *point = &point_;
    point_.AddRef();
    return S_OK;
}

STDMETHODIMP GridObject::EventPoint::QueryInterface(REFIID iid, void** out) noexcept
{
    return AnswerOneInterface<IConnectionPoint>(this, IID_IConnectionPoint, iid, out);
}

STDMETHODIMP GridObject::EventPoint::GetConnectionInterface(IID* iid) noexcept
{
    if (!iid)
        return E_POINTER;
    *iid = kIidGridEvents;
    return S_OK;
}

STDMETHODIMP GridObject::EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container) noexcept
{
    if (!container)
        return E_POINTER;
    *container = &owner_;
    owner_.AddRef();
    return S_OK;
}

// A sink answers either the event interface itself or plain IDispatch; both are called through Invoke.
STDMETHODIMP GridObject::EventPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept
{
    if (!sink || !cookie)
        return E_POINTER;
    *cookie = 0;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(kIidGridEvents, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    const bool kept = RanToEnd([&] { owner_.sinks_.emplace_back(owner_.nextCookie_, dispatch); });
    if (!kept) {
        dispatch->Release();
        return E_OUTOFMEMORY;
    }
    *cookie = owner_.nextCookie_++;
    return S_OK;
}

STDMETHODIMP GridObject::EventPoint::Unadvise(DWORD cookie) noexcept
{
    for (auto it = owner_.sinks_.begin(); it != owner_.sinks_.end(); ++it) {
        if (it->first == cookie) {
            IDispatch* sink = it->second;
            owner_.sinks_.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

void GridObject::Fire(DISPID id, std::initializer_list<VARIANT> args) noexcept
{
    FireWith(id, args, nullptr);
}

void GridObject::FireWith(DISPID id, std::initializer_list<VARIANT> args, const VARIANT* last) noexcept
{
    // A sink may unadvise itself or another sink, or the host release the control, from inside its handler:
    // the control holds itself, calls only the sinks still advised, and holds each one across its call.
    // Without memory for the argument list or the list of sinks the event is not delivered.
    std::vector<VARIANT> reversed;
    std::vector<DWORD> cookies;
    const bool listed = RanToEnd([&] {
        if (last)
            reversed.push_back(*last);
        reversed.insert(reversed.end(), std::rbegin(args), std::rend(args));
        for (auto& sink : sinks_)
            cookies.push_back(sink.first);
    });
    if (!listed)
        return;
    AddRef();
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
    for (DWORD cookie : cookies) {
        IDispatch* sink = AdvisedSink(cookie);
        if (!sink)
            continue;
        sink->AddRef();
        UniqueVariant result;
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr);
        sink->Release();
    }
    Release();
}

IDispatch* GridObject::AdvisedSink(DWORD cookie) const noexcept
{
    for (const auto& sink : sinks_) {
        if (sink.first == cookie)
            return sink.second;
    }
    return nullptr;
}

bool GridObject::FireCancellable(DISPID id, std::initializer_list<VARIANT> args) noexcept
{
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT last;
    VariantInit(&last);
    last.vt = VT_BOOL | VT_BYREF;
    last.pboolVal = &cancel;
    FireWith(id, args, &last);
    return cancel != VARIANT_FALSE;
}

}  // namespace vsflex
