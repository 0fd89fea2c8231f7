// The Win32 side of the login exchange's seams for fetching and for the saved password.
#pragma once

#include <windows.h>

#include "app/login_interfaces.h"

// Runs one modal fetch window (CDlgDownload) per call, owned by the given window, and hands
// back the delivered document.
class CFetchWindow : public IFetchWindow {
public:
    explicit CFetchWindow(HWND owner) : m_owner(owner) {}
    SFetchResult Fetch(const std::vector<std::wstring>& urls) override;

private:
    HWND m_owner;
};

// The user's data protection (app/password_win32.h).
class CPasswordProtection : public IPasswordProtection {
public:
    std::optional<std::vector<uint8_t>> Protect(std::wstring_view password) override;
    std::optional<std::wstring> Unprotect(const std::vector<uint8_t>& blob) override;
};
