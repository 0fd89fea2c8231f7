// The notice pane: the service's notice page in a borderless web browser at the top of the main
// window, loaded once at start-up. When the browser cannot be created the pane stays empty and
// the window picture shows through.
#pragma once

#include "app/web_browser_win32.h"

#include <mshtmhst.h>
#include <ole2.h>
#include <windows.h>

#include <string>
#include <string_view>

// Where the pane sits in the main window's client area: (10, 29), 301 x 154.
inline constexpr RECT kNoticePaneRect{10, 29, 10 + 301, 29 + 154};

// The browser's client site. Besides IOleClientSite and IDocHostUIHandler (which is what lets us
// set the host flags) it answers IOleInPlaceSite and its base IOleWindow: with no class library
// around us, in-place activation asks the site for them, and without them the control never gets
// a window. It hands the control a small in-place frame of its own. Reference counts are kept
// for the control's sake only; the owner holds the site by value and it is never freed by Release.
class CNoticeClientSite final : public IOleClientSite, public IOleInPlaceSite, public IDocHostUIHandler {
public:
    // No help menu, no 3-D borders, no scroll bars, new windows opened by the shell, forms
    // auto-complete on.
    static constexpr DWORD kHostFlags = 0x20402E;

    CNoticeClientSite() = default;
    CNoticeClientSite(const CNoticeClientSite&) = delete;
    CNoticeClientSite& operator=(const CNoticeClientSite&) = delete;

    // The window the control lives in and its rectangle there, reported during activation.
    void SetPlace(HWND parent, const RECT& rect);
    // References the control still holds on the site and on its frame (0 once it let go).
    ULONG OutstandingReferences() const;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override;
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override;
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override;
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

    // IOleWindow, IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
    HRESULT STDMETHODCALLTYPE OnUIActivate() override;
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE extent) override;
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL undoable) override;
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override;

    // IDocHostUIHandler
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget,
                                              IDispatch* object) override;
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* activeObject, IOleCommandTarget* commandTarget,
                                     IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) override;
    HRESULT STDMETHODCALLTYPE HideUI() override;
    HRESULT STDMETHODCALLTYPE UpdateUI() override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL isFrame) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID* group, DWORD commandId) override;
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* dropTarget, IDropTarget** replacement) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR urlIn, LPWSTR* urlOut) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* data, IDataObject** replacement) override;

private:
    // The in-place frame: our top-level window, with no menus, tool space or accelerators.
    class CFrame final : public IOleInPlaceFrame {
    public:
        explicit CFrame(const CNoticeClientSite& site) : m_site(site) {}
        ULONG References() const { return static_cast<ULONG>(m_references); }

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;
        HRESULT STDMETHODCALLTYPE GetBorder(LPRECT border) override;
        HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS widths) override;
        HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override;
        HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR name) override;
        HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
        HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
        HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override;
        HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR text) override;
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, WORD id) override;

    private:
        const CNoticeClientSite& m_site;
        LONG m_references = 0;
    };

    HWND TopLevelWindow() const;

    HWND m_parent = nullptr;
    RECT m_rect = kNoticePaneRect;
    LONG m_references = 0;
    CFrame m_frame{*this};
};

class CNoticePane {
public:
    CNoticePane() = default;
    ~CNoticePane() { Detach(); }
    CNoticePane(const CNoticePane&) = delete;
    CNoticePane& operator=(const CNoticePane&) = delete;

    // Creates the browser in `parent` at kNoticePaneRect with our site. On failure (no browser
    // or no HTML engine, no OLE) the pane stays empty and the result says why; S_OK if already
    // attached.
    HRESULT Attach(HWND parent);
    // Navigates to the tagged notice page. The browser shows its own page for a failed load.
    HRESULT ShowStartPage(std::wstring_view webHost, std::wstring_view referralTag);
    HRESULT Navigate(const std::wstring& url);
    // Takes the site away and lets the browser go. Harmless when not attached, and twice.
    void Detach();

    bool Attached() const { return m_browser.Created(); }
    // The browser's window while attached, else null.
    HWND Window() const { return m_browser.Window(); }
    const CNoticeClientSite& Site() const { return m_site; }

    // S_OK when the HTML engine the browser renders with can be created on this thread.
    static HRESULT HtmlEngineAvailable();

private:
    CNoticeClientSite m_site;  // declared first: it outlives the browser that references it
    CWebBrowser2 m_browser;
};
