// InPlaceSite: a client site of the test's own that activates the control in place in a window of the
// test's choosing. It counts its references and holds none of the control's, so that the test's own
// reference can be the control's last.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleidl.h>

namespace grid_test {

class InPlaceSite final : public IOleClientSite, public IOleInPlaceSite {
public:
    // IUnknown: the site lives on the test's side; the count only shows what the control still holds.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return ULONG(--refs); }

    // IOleClientSite: nothing to save, no container.
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite: the control goes into `parent`, filling `position`; no frame, no document.
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return S_OK; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    long refs = 1;
    HWND parent = nullptr;
    RECT position{0, 0, 400, 300};
};

}  // namespace grid_test
