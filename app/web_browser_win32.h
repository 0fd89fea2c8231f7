// The web browser control, hosted without a class library: created by class id, given our client
// site, activated in place over a rectangle of its parent, and driven by dispatch ids.
#pragma once

#include "win/handle.h"

#include <ole2.h>
#include <windows.h>

#include <string>

namespace handle_traits {
template <typename Interface>
struct ComReference {  // one counted reference to a COM object
    using Type = Interface*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type p) noexcept { p->Release(); }
};
}  // namespace handle_traits

template <typename Interface>
using CComReference = CHandle<handle_traits::ComReference<Interface>>;

// {8856F961-340A-11D0-A96B-00C04FD705A2}
extern const CLSID kWebBrowserClassId;
inline constexpr DISPID kDispidNavigate2 = 500;

class CWebBrowser2 {
public:
    CWebBrowser2() = default;
    ~CWebBrowser2() { Destroy(); }
    CWebBrowser2(const CWebBrowser2&) = delete;
    CWebBrowser2& operator=(const CWebBrowser2&) = delete;

    // Creates the control, hands it `site` (which must also answer IOleInPlaceSite and report
    // `rect` from GetWindowContext) and activates it in place in `parent`. On failure nothing is
    // kept and the result says why; the caller's site holds no reference afterwards.
    HRESULT Create(HWND parent, const RECT& rect, IOleClientSite* site);
    // Deactivates and closes the control, takes the site away and drops every reference.
    // Harmless when nothing was created, and when called again.
    void Destroy();

    bool Created() const { return m_object.Valid(); }
    // The control itself (no reference added), null when not created.
    IUnknown* Control() const { return m_object.Get(); }
    // The control's own window while it is active in place, else null.
    HWND Window() const;
    // Moves the control's window; rect is in the parent's client coordinates.
    HRESULT Move(const RECT& rect);

    // Navigate2(URL, Flags, TargetFrameName, PostData, Headers) with only the URL given.
    HRESULT Navigate2(const std::wstring& url);

private:
    HRESULT InvokeMethod(DISPID id, VARIANTARG* argumentsReversed, UINT count);

    CComReference<IOleObject> m_object;
    CComReference<IOleInPlaceObject> m_inPlace;
    CComReference<IDispatch> m_automation;
};
