#include "app/notice_pane_win32.h"

#include "app/web_links.h"

namespace {
ULONG Increment(LONG& count)
{
    return static_cast<ULONG>(::InterlockedIncrement(&count));
}

// Never below zero, whatever an unbalanced caller does: the object is not ours to free anyway.
ULONG Decrement(LONG& count)
{
    LONG seen = count;
    while (seen > 0) {
        const LONG before = ::InterlockedCompareExchange(&count, seen - 1, seen);
        if (before == seen)
            return static_cast<ULONG>(seen - 1);
        seen = before;
    }
    return 0;
}

// {25336920-03F9-11CF-8FD0-00AA00686F13}: the HTML document, the engine behind the browser.
const CLSID kHtmlDocumentClassId = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};

template <typename Pointer>
void ClearOut(Pointer* out)
{
    if (out)
        *out = nullptr;
}
}  // namespace

// --- site -------------------------------------------------------------------------------------

void CNoticeClientSite::SetPlace(HWND parent, const RECT& rect)
{
    m_parent = parent;
    m_rect = rect;
}

ULONG CNoticeClientSite::OutstandingReferences() const
{
    return static_cast<ULONG>(m_references) + m_frame.References();
}

HWND CNoticeClientSite::TopLevelWindow() const
{
    HWND root = m_parent ? ::GetAncestor(m_parent, GA_ROOT) : nullptr;
    return root ? root : m_parent;
}

HRESULT CNoticeClientSite::QueryInterface(REFIID id, void** object)
{
    if (!object)
        return E_POINTER;
    if (::IsEqualIID(id, IID_IUnknown) || ::IsEqualIID(id, IID_IOleClientSite))
        *object = static_cast<IOleClientSite*>(this);
    else if (::IsEqualIID(id, IID_IOleWindow) || ::IsEqualIID(id, IID_IOleInPlaceSite))
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (::IsEqualIID(id, IID_IDocHostUIHandler))
        *object = static_cast<IDocHostUIHandler*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CNoticeClientSite::AddRef()
{
    return Increment(m_references);
}

ULONG CNoticeClientSite::Release()
{
    return Decrement(m_references);
}

HRESULT CNoticeClientSite::SaveObject()
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    ClearOut(moniker);
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetContainer(IOleContainer** container)
{
    ClearOut(container);
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::ShowObject()
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::OnShowWindow(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::RequestNewObjectLayout()
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_parent;
    return m_parent ? S_OK : E_FAIL;
}

HRESULT CNoticeClientSite::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::CanInPlaceActivate()
{
    return ::IsWindow(m_parent) ? S_OK : S_FALSE;
}

HRESULT CNoticeClientSite::OnInPlaceActivate()
{
    return S_OK;
}

HRESULT CNoticeClientSite::OnUIActivate()
{
    return S_OK;
}

HRESULT CNoticeClientSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo)
{
    ClearOut(frame);
    ClearOut(document);
    if (!frame || !document || !position || !clip || !frameInfo)
        return E_POINTER;
    *frame = &m_frame;
    m_frame.AddRef();
    *position = m_rect;
    *clip = m_rect;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = TopLevelWindow();
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

HRESULT CNoticeClientSite::Scroll(SIZE)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::OnUIDeactivate(BOOL)
{
    return S_OK;
}

HRESULT CNoticeClientSite::OnInPlaceDeactivate()
{
    return S_OK;
}

HRESULT CNoticeClientSite::DiscardUndoState()
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::DeactivateAndUndo()
{
    return E_NOTIMPL;
}

// The pane keeps its place in the window picture; a control that asks to grow is not obliged.
HRESULT CNoticeClientSite::OnPosRectChange(LPCRECT)
{
    return S_OK;
}

HRESULT CNoticeClientSite::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info)
        return E_POINTER;
    info->dwFlags = kHostFlags;
    return S_OK;
}

HRESULT CNoticeClientSite::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                  IOleInPlaceUIWindow*)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::HideUI()
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::UpdateUI()
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::EnableModeless(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::OnDocWindowActivate(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::OnFrameWindowActivate(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::TranslateAccelerator(LPMSG, const GUID*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetOptionKeyPath(LPOLESTR* key, DWORD)
{
    ClearOut(key);
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetDropTarget(IDropTarget*, IDropTarget** replacement)
{
    ClearOut(replacement);
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::GetExternal(IDispatch** external)
{
    ClearOut(external);
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* urlOut)
{
    ClearOut(urlOut);
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::FilterDataObject(IDataObject*, IDataObject** replacement)
{
    ClearOut(replacement);
    return E_NOTIMPL;
}

// --- in-place frame ---------------------------------------------------------------------------

HRESULT CNoticeClientSite::CFrame::QueryInterface(REFIID id, void** object)
{
    if (!object)
        return E_POINTER;
    if (::IsEqualIID(id, IID_IUnknown) || ::IsEqualIID(id, IID_IOleWindow) ||
        ::IsEqualIID(id, IID_IOleInPlaceUIWindow) || ::IsEqualIID(id, IID_IOleInPlaceFrame)) {
        *object = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CNoticeClientSite::CFrame::AddRef()
{
    return Increment(m_references);
}

ULONG CNoticeClientSite::CFrame::Release()
{
    return Decrement(m_references);
}

HRESULT CNoticeClientSite::CFrame::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_site.TopLevelWindow();
    return *window ? S_OK : E_FAIL;
}

HRESULT CNoticeClientSite::CFrame::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::CFrame::GetBorder(LPRECT)
{
    return INPLACE_E_NOTOOLSPACE;
}

HRESULT CNoticeClientSite::CFrame::RequestBorderSpace(LPCBORDERWIDTHS)
{
    return INPLACE_E_NOTOOLSPACE;
}

HRESULT CNoticeClientSite::CFrame::SetBorderSpace(LPCBORDERWIDTHS widths)
{
    return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
}

HRESULT CNoticeClientSite::CFrame::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR)
{
    return S_OK;
}

HRESULT CNoticeClientSite::CFrame::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::CFrame::SetMenu(HMENU, HOLEMENU, HWND)
{
    return S_OK;
}

HRESULT CNoticeClientSite::CFrame::RemoveMenus(HMENU)
{
    return E_NOTIMPL;
}

HRESULT CNoticeClientSite::CFrame::SetStatusText(LPCOLESTR)
{
    return S_OK;
}

HRESULT CNoticeClientSite::CFrame::EnableModeless(BOOL)
{
    return S_OK;
}

HRESULT CNoticeClientSite::CFrame::TranslateAccelerator(LPMSG, WORD)
{
    return S_FALSE;
}

// --- pane -------------------------------------------------------------------------------------

HRESULT CNoticePane::HtmlEngineAvailable()
{
    IUnknown* document = nullptr;
    const HRESULT result = ::CoCreateInstance(kHtmlDocumentClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                              reinterpret_cast<void**>(&document));
    if (FAILED(result) || !document)
        return FAILED(result) ? result : E_NOINTERFACE;
    document->Release();
    return S_OK;
}

HRESULT CNoticePane::Attach(HWND parent)
{
    if (Attached())
        return S_OK;
    if (!::IsWindow(parent))
        return E_INVALIDARG;
    // A browser without its engine still creates a window, but only ever paints it white over
    // the window picture; an empty pane looks better.
    const HRESULT engine = HtmlEngineAvailable();
    if (FAILED(engine))
        return engine;
    m_site.SetPlace(parent, kNoticePaneRect);
    return m_browser.Create(parent, kNoticePaneRect, &m_site);
}

HRESULT CNoticePane::ShowStartPage(std::wstring_view webHost, std::wstring_view referralTag)
{
    return Navigate(NoticePageUrl(webHost, referralTag));
}

HRESULT CNoticePane::Navigate(const std::wstring& url)
{
    return m_browser.Navigate2(url);
}

void CNoticePane::Detach()
{
    m_browser.Destroy();
}
