// The one way the program takes over a window's procedure. Several objects may subclass the same
// window (the main window has its skinned frame and its tray icon): each message reaches the
// newest first, and each hands it on with CallNext, the oldest to the window's own procedure.
// Objects may leave in any order; the window gets its own procedure back when the last one
// leaves, unless someone outside this mechanism has subclassed it since.
#pragma once

#include <windows.h>

class CWindowSubclass {
public:
    CWindowSubclass() = default;
    virtual ~CWindowSubclass() { Unsubclass(); }
    CWindowSubclass(const CWindowSubclass&) = delete;
    CWindowSubclass& operator=(const CWindowSubclass&) = delete;

    // False when this object already subclasses a window or the window is not there.
    bool Subclass(HWND window) noexcept;
    void Unsubclass() noexcept;
    HWND SubclassedWindow() const noexcept { return m_window; }

    // The newest object of type T subclassing the window; null when there is none.
    template <typename T>
    static T* Find(HWND window) noexcept
    {
        for (CWindowSubclass* link = Newest(window); link; link = link->Older())
            if (T* found = dynamic_cast<T*>(link))
                return found;
        return nullptr;
    }

protected:
    // Every message of the window. Call CallNext for what the object does not finish itself.
    virtual LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT CallNext(UINT message, WPARAM wParam, LPARAM lParam);
    // The window has been destroyed and this object let go of it (after WM_NCDESTROY).
    virtual void OnSubclassEnded() {}

private:
    struct SChain;
    static LRESULT CALLBACK ChainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static CWindowSubclass* Newest(HWND window) noexcept;
    CWindowSubclass* Older() const noexcept;

    HWND m_window = nullptr;
};
