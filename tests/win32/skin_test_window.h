// A caption-less pop-up window for the skin tests. Its own procedure is what a skinned frame
// finds as the previous procedure: it records every message that gets that far, paints the
// main window's body, and swallows system commands and non-client presses so that nothing
// closes, minimises or enters a move loop while a test runs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/skin.h"
#include "skin/skin_images_win32.h"
#include "skin/skin_names.h"

namespace skin_test {

// The process's registry with the program's own images, registered once.
inline void UseBuiltInSkin()
{
    static const bool registered = [] {
        RegisterBuiltInSkin();
        return true;
    }();
    (void)registered;
    ASSERT_EQ(CSkin::GetInstance().NextImageIndex(), 3) << "skin images 160-162 missing from the resources";
}

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT checkState;  // WM_COMMAND: the sender's BM_GETCHECK when the command arrived
};

class CTestWindow {
public:
    CTestWindow(int width, int height, const wchar_t* title = L"")
    {
        static const ATOM windowClass = [] {
            WNDCLASSW description{};
            description.style = CS_DBLCLKS;
            description.lpfnWndProc = Proc;
            description.hInstance = ::GetModuleHandleW(nullptr);
            description.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
            description.lpszClassName = L"KorvexSkinTestWindow";
            return ::RegisterClassW(&description);
        }();
        m_window = ::CreateWindowExW(0, MAKEINTATOM(windowClass), title, WS_POPUP, 60, 60, width,
                                     height, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    }
    ~CTestWindow()
    {
        if (::IsWindow(m_window)) {
            ::DestroyWindow(m_window);
        }
    }
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    HWND Handle() const { return m_window; }
    std::vector<Received>& Log() { return m_log; }
    size_t Count(UINT message) const
    {
        size_t count = 0;
        for (const Received& received : m_log) {
            count += received.message == message;
        }
        return count;
    }
    // Appended to by the window's paints ("parent"), for tests that follow the order of paints.
    std::vector<std::string>* events = nullptr;

    // A child button with the given style at the given place.
    HWND AddButton(const wchar_t* text, DWORD style, int x, int y, int width, int height, int id = 100)
    {
        return ::CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, m_window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                 nullptr);
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CTestWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) {
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        Received received{message, wParam, lParam, 0};
        if (message == WM_COMMAND && lParam) {
            received.checkState = ::SendMessageW(reinterpret_cast<HWND>(lParam), BM_GETCHECK, 0, 0);
        }
        self->m_log.push_back(received);
        switch (message) {
        case WM_SYSCOMMAND:
        case WM_NCLBUTTONDOWN:
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            HDC dc = ::BeginPaint(window, &paint);
            DrawPiece(dc, kWindowPicture, kPartMainBody, {10, 30, 10, 30});
            ::EndPaint(window, &paint);
            if (self->events) {
                self->events->push_back("parent");
            }
            return 0;
        }
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    HWND m_window = nullptr;
    std::vector<Received> m_log;
};

// The rectangle of a child window in its parent's client coordinates.
inline RECT ChildRect(HWND child)
{
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline bool SameRect(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }

inline std::string Describe(const RECT& rect)
{
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ")-(" + std::to_string(rect.right) +
           ", " + std::to_string(rect.bottom) + ")";
}

}  // namespace skin_test
