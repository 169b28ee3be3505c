// The test's own in-place site: the two interfaces a control's DoVerb asks its site for.
#include "in_place_site.h"

namespace grid_test {

STDMETHODIMP InPlaceSite::QueryInterface(REFIID iid, void** out)
{
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *out = static_cast<IOleInPlaceSite*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP InPlaceSite::GetWindow(HWND* window)
{
    *window = parent;
    return parent ? S_OK : E_FAIL;
}

STDMETHODIMP InPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT placed, LPRECT clip, LPOLEINPLACEFRAMEINFO)
{
    *frame = nullptr;
    *document = nullptr;
    *placed = position;
    *clip = position;
    return S_OK;
}

}  // namespace grid_test
