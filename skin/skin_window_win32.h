// The skinned frame of a caption-less pop-up window: edge pieces and title painted on every
// background erase, a rounded region, caption buttons that send system commands and a strip
// along the top by which the window is dragged. The frame takes over the window's procedure:
// every message reaches it first, and what it does not claim goes on to the previous procedure.
//
// Use: store the caption button switches ("MinimizeBox", "MaximizeBox", "CloseBox"; 0 hides the
// button) with SetInt, then Attach while initialising the window, before it is shown. The window
// paints its own body in its WM_PAINT handler.
#pragma once

#include <windows.h>

#include <array>

#include "skin/skin_attributes.h"
#include "skin/skin_system_buttons_win32.h"
#include "win/subclass.h"

class CSkinedWindow : public CSkinAttributes, public CWindowSubclass {
public:
    CSkinedWindow() = default;
    // A window that outlives its frame gets its previous procedure back.
    virtual ~CSkinedWindow();
    CSkinedWindow(const CSkinedWindow&) = delete;
    CSkinedWindow& operator=(const CSkinedWindow&) = delete;

    // Takes over the window, creates the caption buttons its switches allow as its children and
    // lays them out.
    // Returns 1; 0 when this frame already has a live window or the window is not there.
    BOOL Attach(HWND window);
    void DrawFrame(HDC dc);

    HWND Handle() const { return m_window; }
    // The drag strip, in client coordinates.
    const RECT& CaptionRect() const { return m_caption; }
    const CSkinedSystemButtonClose& CloseButton() const { return m_close; }
    const CSkinedSystemButtonMinimize& MinimizeButton() const { return m_minimize; }
    const CSkinedSystemButtonMaximize& MaximizeButton() const { return m_maximize; }
    const CSkinedSystemButtonRestore& RestoreButton() const { return m_restore; }

protected:
    // True when the message is finished; result is then what the system gets.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Region, caption buttons and drag strip for the current client size.
    virtual void UpdateLayout();

private:
    LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSubclassEnded() override;
    void OnCaptionButtonCommand(HWND button);
    void Detach();
    std::array<const CSkinedControl*, 4> CaptionButtons() const { return {&m_close, &m_minimize, &m_restore, &m_maximize}; }

    RECT m_caption{0, 0, 0, 0};
    CSkinedSystemButtonClose m_close;
    CSkinedSystemButtonMinimize m_minimize;
    CSkinedSystemButtonRestore m_restore;
    CSkinedSystemButtonMaximize m_maximize;
    HWND m_window = nullptr;
};
