#include "app/login_windows_win32.h"

#include "app/password_win32.h"
#include "net/dlg_download_win32.h"

SFetchResult CFetchWindow::Fetch(const std::vector<std::wstring>& urls)
{
    CMemoryDownloadOutput output;
    CDlgDownload dialog;
    for (const std::wstring& url : urls)
        dialog.AddUrl(url);
    dialog.SetOutput(&output);

    SFetchResult result;
    // Anything but OK (Cancel, a window that could not open, a body we could not keep) means no
    // document.
    result.ok = dialog.DoModal(m_owner) == IDOK;
    if (result.ok) {
        result.winnerIndex = dialog.WinnerIndex();
        result.body = output.TakeBytes();
    }
    return result;
}

std::optional<std::vector<uint8_t>> CPasswordProtection::Protect(std::wstring_view password)
{
    std::vector<uint8_t> blob = ProtectPassword(password);
    if (blob.empty())
        return std::nullopt;
    return blob;
}

std::optional<std::wstring> CPasswordProtection::Unprotect(const std::vector<uint8_t>& blob)
{
    return UnprotectPassword(blob);
}
