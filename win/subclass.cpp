#include "win/subclass.h"

#include <algorithm>
#include <vector>

namespace {
constexpr wchar_t kChainProperty[] = L"Korvex.SubclassChain";
}  // namespace

// One per subclassed window, hung on the window as a property. Messages can nest (a handler
// sends another message to the same window), so the chain outlives every dispatch in progress.
struct CWindowSubclass::SChain {
    WNDPROC original = nullptr;
    std::vector<CWindowSubclass*> links;  // oldest first
    int dispatching = 0;
    bool released = false;  // no longer on the window; freed when the last dispatch returns

    static SChain* Of(HWND window) noexcept
    {
        return window ? static_cast<SChain*>(::GetPropW(window, kChainProperty)) : nullptr;
    }
    // Gives the window its procedure back if ours is still the one installed.
    void Release(HWND window) noexcept
    {
        if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(window, GWLP_WNDPROC)) != ChainProc)
            return;  // someone subclassed after us: our procedure stays, with an empty chain
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        ::RemovePropW(window, kChainProperty);
        released = true;
        if (dispatching == 0)
            delete this;
    }
};

bool CWindowSubclass::Subclass(HWND window) noexcept
{
    if (m_window || !window || !::IsWindow(window))
        return false;
    SChain* chain = SChain::Of(window);
    try {
        if (!chain) {
            chain = new SChain;
            if (!::SetPropW(window, kChainProperty, chain)) {
                delete chain;
                return false;
            }
            chain->original = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChainProc)));
        }
        chain->links.push_back(this);
    } catch (...) {
        return false;  // out of memory: the window goes on without us
    }
    m_window = window;
    return true;
}

void CWindowSubclass::Unsubclass() noexcept
{
    if (!m_window)
        return;
    if (SChain* chain = SChain::Of(m_window)) {
        chain->links.erase(std::remove(chain->links.begin(), chain->links.end(), this), chain->links.end());
        if (chain->links.empty())
            chain->Release(m_window);
    }
    m_window = nullptr;
}

CWindowSubclass* CWindowSubclass::Newest(HWND window) noexcept
{
    const SChain* chain = SChain::Of(window);
    return chain && !chain->links.empty() ? chain->links.back() : nullptr;
}

CWindowSubclass* CWindowSubclass::Older() const noexcept
{
    const SChain* chain = SChain::Of(m_window);
    if (!chain)
        return nullptr;
    const auto self = std::find(chain->links.begin(), chain->links.end(), this);
    return self == chain->links.end() || self == chain->links.begin() ? nullptr : *(self - 1);
}

LRESULT CWindowSubclass::CallNext(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND window = m_window;
    if (CWindowSubclass* older = Older())
        return older->OnSubclassMessage(message, wParam, lParam);
    const SChain* chain = SChain::Of(window);
    return chain ? ::CallWindowProcW(chain->original, window, message, wParam, lParam)
                 : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK CWindowSubclass::ChainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    SChain* chain = SChain::Of(window);
    if (!chain)
        return ::DefWindowProcW(window, message, wParam, lParam);
    ++chain->dispatching;
    LRESULT result = 0;
    try {
        result = chain->links.empty()
                     ? ::CallWindowProcW(chain->original, window, message, wParam, lParam)
                     : chain->links.back()->OnSubclassMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the system's window code.
        result = 0;
    }
    --chain->dispatching;

    if (message == WM_NCDESTROY && !chain->released) {
        // The window is gone: everyone lets go, newest first.
        const std::vector<CWindowSubclass*> links = chain->links;
        chain->links.clear();
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
        ::RemovePropW(window, kChainProperty);
        chain->released = true;
        for (auto link = links.rbegin(); link != links.rend(); ++link) {
            (*link)->m_window = nullptr;
            (*link)->OnSubclassEnded();
        }
    }
    if (chain->released && chain->dispatching == 0)
        delete chain;
    return result;
}
