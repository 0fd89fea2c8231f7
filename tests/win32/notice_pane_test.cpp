#include "app/notice_pane_win32.h"
#include "app/web_links.h"
#include "loopback_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace {
// A site's reply to one interface id, with the pointer it handed out (released again).
struct SAnswer {
    HRESULT result;
    void* pointer;
};
SAnswer Ask(CNoticeClientSite& site, REFIID id)
{
    void* pointer = reinterpret_cast<void*>(1);
    const HRESULT result = site.QueryInterface(id, &pointer);
    if (SUCCEEDED(result) && pointer)
        static_cast<IUnknown*>(pointer)->Release();
    return {result, pointer};
}

IUnknown* IdentityOf(IUnknown* object)
{
    IUnknown* identity = nullptr;
    if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))))
        return nullptr;
    identity->Release();
    return identity;
}

// Lets the browser's own windows and callbacks run for a while.
void PumpMessages(DWORD ms, bool (*done)(void*) = nullptr, void* context = nullptr)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (done && done(context))
            return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Whether this system has the control at all (Wine has it, even with its HTML engine switched off).
bool BrowserInstalled()
{
    IUnknown* browser = nullptr;
    if (FAILED(::CoCreateInstance(kWebBrowserClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&browser))))
        return false;
    browser->Release();
    return true;
}

RECT ClientRectOf(HWND child, HWND parent)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class NoticePaneTest : public ::testing::Test {
protected:
    HWND parent = nullptr;
    bool oleStarted = false;

    void SetUp() override
    {
        oleStarted = SUCCEEDED(::OleInitialize(nullptr));
        ASSERT_TRUE(oleStarted);
        // The main window is a pop-up without caption or border, so client and window agree.
        parent = ::CreateWindowExW(0, L"Static", L"notice parent", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 322, 392, nullptr,
                                   nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
    }
    void TearDown() override
    {
        if (::IsWindow(parent))
            ::DestroyWindow(parent);
        if (oleStarted)
            ::OleUninitialize();
    }
};
}  // namespace

TEST(NoticeClientSite, AnswersTheHostingInterfacesWithOneIdentity)
{
    CNoticeClientSite site;
    for (const IID* id : {&IID_IUnknown, &IID_IOleClientSite, &IID_IDocHostUIHandler, &IID_IOleInPlaceSite,
                          &IID_IOleWindow}) {
        const SAnswer answer = Ask(site, *id);
        EXPECT_EQ(answer.result, S_OK);
        ASSERT_NE(answer.pointer, nullptr);
        EXPECT_EQ(IdentityOf(static_cast<IUnknown*>(answer.pointer)), static_cast<IOleClientSite*>(&site));
    }
    // Each id gets the interface it asked for, not just any base of the object.
    EXPECT_EQ(Ask(site, IID_IDocHostUIHandler).pointer, static_cast<IDocHostUIHandler*>(&site));
    EXPECT_EQ(Ask(site, IID_IOleInPlaceSite).pointer, static_cast<IOleInPlaceSite*>(&site));
    EXPECT_EQ(Ask(site, IID_IOleClientSite).pointer, static_cast<IOleClientSite*>(&site));
    EXPECT_EQ(site.OutstandingReferences(), 0u);
}

TEST(NoticeClientSite, RefusesEverythingElse)
{
    CNoticeClientSite site;
    for (const IID* id : {&IID_IDispatch, &IID_IOleInPlaceSiteEx, &IID_IOleInPlaceSiteWindowless, &IID_IOleControlSite,
                          &IID_IServiceProvider, &IID_IOleCommandTarget, &IID_IOleInPlaceFrame, &__uuidof(IDocHostShowUI),
                          &IID_IOleContainer}) {
        const SAnswer answer = Ask(site, *id);
        EXPECT_EQ(answer.result, E_NOINTERFACE);
        EXPECT_EQ(answer.pointer, nullptr);
    }
    EXPECT_EQ(site.QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(site.OutstandingReferences(), 0u);
}

TEST(NoticeClientSite, CountsReferencesButNeverFreesItself)
{
    CNoticeClientSite site;
    EXPECT_EQ(site.AddRef(), 1u);
    EXPECT_EQ(site.AddRef(), 2u);
    EXPECT_EQ(site.Release(), 1u);
    EXPECT_EQ(site.Release(), 0u);
    // An unbalanced Release neither wraps the count nor ends the object.
    EXPECT_EQ(site.Release(), 0u);
    EXPECT_EQ(site.OutstandingReferences(), 0u);
    EXPECT_EQ(Ask(site, IID_IOleClientSite).result, S_OK);
    EXPECT_EQ(site.OutstandingReferences(), 0u);
}

TEST(NoticeClientSite, HostInfoSetsExactlyTheBorderlessFlags)
{
    CNoticeClientSite site;
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    info.dwFlags = 0xFFFFFFFF;
    EXPECT_EQ(site.GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0x20402Eu);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_DISABLE_HELP_MENU | DOCHOSTUIFLAG_NO3DBORDER |
                                               DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_OPENNEWWIN |
                                               DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE | DOCHOSTUIFLAG_NO3DOUTERBORDER));
    EXPECT_EQ(info.cbSize, sizeof(info));
    EXPECT_EQ(site.GetHostInfo(nullptr), E_POINTER);
    POINT point{};
    EXPECT_EQ(site.ShowContextMenu(0, &point, nullptr, nullptr), E_NOTIMPL);  // the browser's own menu
}

TEST(NoticeClientSite, GivesTheControlItsPlaceAndAFrame)
{
    const HWND top = ::CreateWindowExW(0, L"Static", L"top", WS_POPUP, 0, 0, 322, 392, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(top, nullptr);
    const HWND inner = ::CreateWindowExW(0, L"Static", L"inner", WS_CHILD, 0, 0, 322, 392, top, nullptr,
                                         ::GetModuleHandleW(nullptr), nullptr);
    CNoticeClientSite site;
    EXPECT_EQ(site.CanInPlaceActivate(), S_FALSE);  // nowhere to go yet
    site.SetPlace(inner, kNoticePaneRect);
    EXPECT_EQ(site.CanInPlaceActivate(), S_OK);
    HWND window = nullptr;
    EXPECT_EQ(site.GetWindow(&window), S_OK);
    EXPECT_EQ(window, inner);

    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    ASSERT_EQ(site.GetWindowContext(&frame, &document, &position, &clip, &frameInfo), S_OK);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(document, nullptr);
    EXPECT_TRUE(::EqualRect(&position, &kNoticePaneRect));
    EXPECT_TRUE(::EqualRect(&clip, &kNoticePaneRect));
    EXPECT_EQ(frameInfo.hwndFrame, top);
    EXPECT_EQ(site.OutstandingReferences(), 1u);  // the frame handed out

    EXPECT_EQ(frame->GetWindow(&window), S_OK);
    EXPECT_EQ(window, top);
    void* other = nullptr;
    EXPECT_EQ(frame->QueryInterface(IID_IOleClientSite, &other), E_NOINTERFACE);
    frame->Release();
    EXPECT_EQ(site.OutstandingReferences(), 0u);
    ::DestroyWindow(top);
}

TEST(NoticePane, AttachFailsCleanlyWithoutOle)
{
    // A thread that never started COM: the control cannot be created, and nothing is left over.
    HRESULT result = S_OK;
    ULONG references = 1;
    bool attached = true;
    std::thread([&] {
        const HWND parent = ::CreateWindowExW(0, L"Static", L"p", WS_POPUP, 0, 0, 322, 392, nullptr, nullptr,
                                              ::GetModuleHandleW(nullptr), nullptr);
        CNoticePane pane;
        result = pane.Attach(parent);
        attached = pane.Attached();
        pane.Detach();
        pane.Detach();
        references = pane.Site().OutstandingReferences();
        ::DestroyWindow(parent);
    }).join();
    EXPECT_TRUE(FAILED(result));
    EXPECT_FALSE(attached);
    EXPECT_EQ(references, 0u);
}

TEST_F(NoticePaneTest, AttachRefusesAMissingParent)
{
    CNoticePane pane;
    EXPECT_EQ(pane.Attach(nullptr), E_INVALIDARG);
    EXPECT_FALSE(pane.Attached());
    EXPECT_EQ(pane.Site().OutstandingReferences(), 0u);
}

// The pane itself: it attaches only where pages can be shown, and a failed Attach leaves nothing
// behind. Which path ran is printed.
TEST_F(NoticePaneTest, AttachesWhereAnEngineExistsAndFailsCleanlyElsewhere)
{
    const bool browserInstalled = BrowserInstalled();
    const bool engineInstalled = SUCCEEDED(CNoticePane::HtmlEngineAvailable());
    CNoticePane pane;
    const HRESULT result = pane.Attach(parent);
    std::printf("notice pane: browser %s, HTML engine %s, Attach returned 0x%08lX\n",
                browserInstalled ? "present" : "missing", engineInstalled ? "present" : "missing",
                static_cast<unsigned long>(result));
    EXPECT_EQ(SUCCEEDED(result), browserInstalled && engineInstalled);
    if (FAILED(result)) {
        EXPECT_FALSE(pane.Attached());
        EXPECT_EQ(pane.Window(), nullptr);
        EXPECT_EQ(::GetWindow(parent, GW_CHILD), nullptr);  // the window picture shows through
        EXPECT_EQ(pane.ShowStartPage(L"127.0.0.1", L"main"), E_UNEXPECTED);
    } else {
        EXPECT_EQ(pane.Attach(parent), S_OK);  // a second Attach keeps the first browser
        const RECT placed = ClientRectOf(pane.Window(), parent);
        EXPECT_TRUE(::EqualRect(&placed, &kNoticePaneRect));
    }
    pane.Detach();
    pane.Detach();
    EXPECT_FALSE(pane.Attached());
    EXPECT_EQ(pane.Site().OutstandingReferences(), 0u);
}

// The hosting underneath, exercised wherever the control can be created (under Wine it can, even
// with its HTML engine switched off).
class BrowserHostTest : public NoticePaneTest {
protected:
    CNoticeClientSite site;
    CWebBrowser2 browser;

    void SetUp() override
    {
        NoticePaneTest::SetUp();
        if (!BrowserInstalled())
            GTEST_SKIP() << "no web browser control here";
        site.SetPlace(parent, kNoticePaneRect);
    }
    void TearDown() override
    {
        browser.Destroy();  // while OLE still runs, whatever a failed check left behind
        NoticePaneTest::TearDown();
    }
};

TEST_F(BrowserHostTest, SitsInThePaneAndLetsGoOfTheSite)
{
    ASSERT_EQ(browser.Create(parent, kNoticePaneRect, &site), S_OK);
    EXPECT_EQ(browser.Create(parent, kNoticePaneRect, &site), E_UNEXPECTED);
    const HWND window = browser.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(::GetParent(window), parent);
    const RECT placed = ClientRectOf(window, parent);
    EXPECT_EQ(placed.left, 10);
    EXPECT_EQ(placed.top, 29);
    EXPECT_EQ(placed.right - placed.left, 301);
    EXPECT_EQ(placed.bottom - placed.top, 154);
    EXPECT_GT(site.OutstandingReferences(), 0u);
    PumpMessages(100);

    IUnknown* control = browser.Control();
    control->AddRef();
    browser.Destroy();
    EXPECT_EQ(control->Release(), 0u) << "a reference to the control was kept";
    EXPECT_FALSE(browser.Created());
    EXPECT_EQ(browser.Window(), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(site.OutstandingReferences(), 0u);
    browser.Destroy();
    EXPECT_EQ(site.OutstandingReferences(), 0u);
}

TEST_F(BrowserHostTest, RefusesASiteThatCannotHostInPlace)
{
    // A site that only answers IOleClientSite cannot give the control a window: Create must fail
    // and hand the site back untouched.
    struct CBareSite : IOleClientSite {
        LONG references = 0;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
        {
            *object = nullptr;
            if (!::IsEqualIID(id, IID_IUnknown) && !::IsEqualIID(id, IID_IOleClientSite))
                return E_NOINTERFACE;
            *object = this;
            AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
        ULONG STDMETHODCALLTYPE Release() override { return --references; }
        HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE ShowObject() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    } bare;
    EXPECT_TRUE(FAILED(browser.Create(parent, kNoticePaneRect, &bare)));
    EXPECT_FALSE(browser.Created());
    EXPECT_EQ(::GetWindow(parent, GW_CHILD), nullptr);
    EXPECT_EQ(bare.references, 0);
    EXPECT_EQ(browser.Navigate2(L"http://127.0.0.1/"), E_UNEXPECTED);
}

TEST_F(BrowserHostTest, Navigate2AsksForTheTaggedNoticePage)
{
    CLoopbackServer server({CLoopbackServer::Send("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 27\r\n"
                                                  "Connection: close\r\n\r\n<html><body>n</body></html>"),
                            CLoopbackServer::Close()});
    ASSERT_TRUE(server.Listening());
    ASSERT_EQ(browser.Create(parent, kNoticePaneRect, &site), S_OK);
    const std::wstring host = L"127.0.0.1:" + std::to_wstring(server.Port());
    EXPECT_EQ(browser.Navigate2(NoticePageUrl(host, L"main")), S_OK);
    PumpMessages(5000, [](void* s) { return static_cast<CLoopbackServer*>(s)->WaitForRequest(0); }, &server);
    ASSERT_TRUE(server.WaitForRequest(0)) << "the browser never asked for the page";
    EXPECT_EQ(server.Request().rfind("GET /client_notice.php?rf=main HTTP/1.1\r\n", 0), 0u) << server.Request();
    PumpMessages(300);
    browser.Destroy();
    EXPECT_EQ(site.OutstandingReferences(), 0u);
}
