// GridObject: the in-process grid ActiveX object. It answers the OLE embedding interfaces a control host
// needs, IDispatch through its own type library, class information and one connection point for its events,
// and draws and edits the grid in a child window of its own.
//
// Files: grid_object.cpp (COM plumbing), grid_members.cpp (dispatch of members), grid_window.cpp (drawing
// and input), grid_model.h (cells and layout).
#pragma once

#include "com_support.h"
#include "grid_model.h"

#include <ocidl.h>
#include <olectl.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vsflex {

class GridObject final : public IDispatch,
                         public IOleObject,
                         public IOleInPlaceObject,
                         public IViewObject2,
                         public IPersistStreamInit,
                         public IProvideClassInfo2,
                         public IConnectionPointContainer {
public:
    // Creates a control with one reference; null when the type library cannot be loaded.
    static GridObject* Create() noexcept;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IDispatch: names and argument types come from the type library; members run in grid_members.cpp.
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) noexcept override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT* argError) noexcept override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) noexcept override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) noexcept override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override { return S_OK; }
    STDMETHODIMP Close(DWORD) noexcept override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) noexcept override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Update() noexcept override { return S_OK; }
    STDMETHODIMP IsUpToDate() noexcept override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) noexcept override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) noexcept override { return OLE_S_USEREG; }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) noexcept override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) noexcept override;
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) noexcept override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP Unadvise(DWORD) noexcept override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) noexcept override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) noexcept override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* window) noexcept override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return S_OK; }
    STDMETHODIMP InPlaceDeactivate() noexcept override;
    STDMETHODIMP UIDeactivate() noexcept override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) noexcept override;
    STDMETHODIMP ReactivateAndUndo() noexcept override { return E_NOTIMPL; }

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) noexcept override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) noexcept override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) noexcept override { return S_OK; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) noexcept override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) noexcept override
    {
        return GetExtent(aspect, size);
    }

    // IPersistStreamInit: the control keeps nothing across sessions.
    STDMETHODIMP GetClassID(CLSID* clsid) noexcept override { return GetUserClassID(clsid); }
    STDMETHODIMP IsDirty() noexcept override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) noexcept override { return S_OK; }
    STDMETHODIMP Save(LPSTREAM, BOOL) noexcept override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) noexcept override;
    STDMETHODIMP InitNew() noexcept override { return S_OK; }

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) noexcept override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) noexcept override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override;

private:
    // The one connection point, for _IVSFlexGridEvents; it lives and counts references with the control.
    class EventPoint final : public IConnectionPoint {
    public:
        explicit EventPoint(GridObject& owner) noexcept : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
        STDMETHODIMP_(ULONG) AddRef() noexcept override { return owner_.AddRef(); }
        STDMETHODIMP_(ULONG) Release() noexcept override { return owner_.Release(); }
        STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override;
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override;
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override;
        STDMETHODIMP Unadvise(DWORD cookie) noexcept override;
        STDMETHODIMP EnumConnections(IEnumConnections**) noexcept override { return E_NOTIMPL; }

    private:
        GridObject& owner_;
    };

    friend class GridWindow;
    GridObject() noexcept;
    ~GridObject();

    // Window (grid_window.cpp).
    bool CreateGridWindow(HWND parent, const RECT& rect) noexcept;
    void DestroyGridWindow() noexcept;

    LONG refs_ = 1;
    EventPoint point_{*this};
    ITypeLib* library_ = nullptr;
    ITypeInfo* gridInfo_ = nullptr;
    IOleClientSite* site_ = nullptr;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
    DWORD nextCookie_ = 1;
    SIZEL extent_{5080, 3810};
    bool inPlace_ = false;

public:
    // Fires an event to every sink: the arguments in declaration order, by-reference ones pointing at the
    // caller's variables. The control stays alive through the call even if a sink releases it. The list is
    // the caller's own (nothing is allocated to pass it), so a window message handler can fire without
    // a way to fail before the control has the arguments.
    void Fire(DISPID id, std::initializer_list<VARIANT> args = {}) noexcept;
    // Fires an event whose last argument is Cancel (added here); true when a sink set it.
    bool FireCancellable(DISPID id, std::initializer_list<VARIANT> args) noexcept;
    // The sink advised under `cookie`, not held; null once it was unadvised.
    IDispatch* AdvisedSink(DWORD cookie) const noexcept;

private:
    // Fire's delivery: `args` in declaration order, then `last` when there is one.
    void FireWith(DISPID id, std::initializer_list<VARIANT> args, const VARIANT* last) noexcept;

public:

    // The grid's own window while in place, else null.
    HWND window_ = nullptr;
    // The state the members and the window share.
    GridModel model;
    // Members that are kept and read back but have no further effect: member id and index text -> value.
    std::map<std::pair<DISPID, std::wstring>, UniqueVariant> stored;
    // The in-place editor while a cell is edited.
    HWND editor = nullptr;
    int editRow = -1, editCol = -1;
    bool endingEdit = false;
    // Where the left button went down, for drag selection.
    bool selecting = false;
    // The scroll bars as last set, so that a change that leaves them alone costs no frame redraw.
    struct ScrollState {
        bool valid = false, vertical = false, horizontal = false;
        int maxV = 0, pageV = 0, posV = 0, maxH = 0, posH = 0;
        bool operator==(const ScrollState&) const = default;
    } scrollState;
};

}  // namespace vsflex
