#include "app/web_browser_win32.h"

#include <ocidl.h>
#include <oleauto.h>

// {8856F961-340A-11D0-A96B-00C04FD705A2}
const CLSID kWebBrowserClassId = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

namespace {
template <typename Interface>
CComReference<Interface> Query(IUnknown* object, REFIID id)
{
    void* found = nullptr;
    if (!object || FAILED(object->QueryInterface(id, &found)))
        return {};
    return CComReference<Interface>(static_cast<Interface*>(found));
}

// Takes the site away again after a failed start, so the caller's site is not left referenced.
void Abandon(IOleObject* object)
{
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}
}  // namespace

HRESULT CWebBrowser2::Create(HWND parent, const RECT& rect, IOleClientSite* site)
{
    if (Created())
        return E_UNEXPECTED;
    if (!site || !::IsWindow(parent))
        return E_INVALIDARG;

    IOleObject* created = nullptr;
    HRESULT result = ::CoCreateInstance(kWebBrowserClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                        reinterpret_cast<void**>(&created));
    if (FAILED(result) || !created)
        return FAILED(result) ? result : E_NOINTERFACE;
    CComReference<IOleObject> object(created);

    result = object.Get()->SetClientSite(site);
    if (FAILED(result)) {
        object.Get()->SetClientSite(nullptr);
        return result;
    }
    // A new control is initialised rather than loaded, as every container does; older versions
    // of the control do without it, so its answer does not matter.
    if (CComReference<IPersistStreamInit> persist = Query<IPersistStreamInit>(object.Get(), IID_IPersistStreamInit))
        persist.Get()->InitNew();

    RECT position = rect;
    result = object.Get()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &position);
    CComReference<IOleInPlaceObject> inPlace = Query<IOleInPlaceObject>(object.Get(), IID_IOleInPlaceObject);
    CComReference<IDispatch> automation = Query<IDispatch>(object.Get(), IID_IDispatch);
    if (SUCCEEDED(result) && (!inPlace || !automation))
        result = E_NOINTERFACE;
    if (FAILED(result)) {
        if (inPlace)
            inPlace.Get()->InPlaceDeactivate();
        Abandon(object.Get());
        return result;
    }

    m_object = std::move(object);
    m_inPlace = std::move(inPlace);
    m_automation = std::move(automation);
    Move(rect);
    return S_OK;
}

void CWebBrowser2::Destroy()
{
    // Deactivation first: it still calls back into the site, and destroys the control's window.
    if (m_inPlace)
        m_inPlace.Get()->InPlaceDeactivate();
    if (m_object)
        Abandon(m_object.Get());
    m_automation.Reset();
    m_inPlace.Reset();
    m_object.Reset();
}

HWND CWebBrowser2::Window() const
{
    HWND window = nullptr;
    if (!m_inPlace || FAILED(m_inPlace.Get()->GetWindow(&window)))
        return nullptr;
    return window;
}

HRESULT CWebBrowser2::Move(const RECT& rect)
{
    if (!m_inPlace)
        return E_UNEXPECTED;
    RECT position = rect;
    RECT clip = rect;
    return m_inPlace.Get()->SetObjectRects(&position, &clip);
}

HRESULT CWebBrowser2::Navigate2(const std::wstring& url)
{
    if (!m_automation)
        return E_UNEXPECTED;
    VARIANT address;
    ::VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = ::SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    if (!address.bstrVal)
        return E_OUTOFMEMORY;

    // Flags, target frame, post data and headers: present but empty, as a typed caller would
    // pass them. Arguments go last first.
    VARIANT empty[4];
    for (VARIANT& value : empty)
        ::VariantInit(&value);
    VARIANTARG arguments[5];
    for (int i = 0; i < 5; ++i) {
        ::VariantInit(&arguments[i]);
        arguments[i].vt = VT_VARIANT | VT_BYREF;
        arguments[i].pvarVal = i == 4 ? &address : &empty[i];
    }
    const HRESULT result = InvokeMethod(kDispidNavigate2, arguments, 5);
    ::VariantClear(&address);
    return result;
}

HRESULT CWebBrowser2::InvokeMethod(DISPID id, VARIANTARG* argumentsReversed, UINT count)
{
    DISPPARAMS parameters{argumentsReversed, nullptr, count, 0};
    VARIANT answer;
    ::VariantInit(&answer);
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT result = m_automation.Get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                                      &answer, &exception, &badArgument);
    ::VariantClear(&answer);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return result;
}
