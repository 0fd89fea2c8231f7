// How long the server selection window takes from opening to a filled list of 1,000 servers,
// beside a plain list view filled with the same rows by the simplest loop, in one run under the
// same system. The speed test is not counted: its workers find no echo and end at once.
//
//   selection_fill_bench.exe [rounds]      prints both medians and their ratio
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ini.h"
#include "base/ansi.h"
#include "policy/dlg_vpn_policy_win32.h"
#include "policy/server_selection.h"
#include "skin/skin_images_win32.h"

namespace {

constexpr int kServers = 1000;

class CAcceptAll final : public IProtocolChecks {
public:
    bool Apply(HWND, EVpnProtocol) override { return true; }
};

std::string DirectoryBytes()
{
    std::wstring text = L"[VPN]\r\nAuthResult=OK\r\n[Routes]\r\nTitle0=电信加速\r\nRouteId0=ct\r\n[Servers]\r\n";
    for (int i = 0; i < kServers; ++i) {
        const std::wstring n = std::to_wstring(i);
        text += L"Title" + n + L"=服务器" + n + L"\r\nComment" + n + L"=双线机房，推荐使用\r\nLoad" + n +
                L"=0." + std::to_wstring(i % 100) + L"\r\nServerHost" + n + L"=\r\nProtocols" + n +
                L"=pptp,l2tp,openvpn\r\n";
    }
    return WideToAnsi(text);
}

double Milliseconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

void Pump()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The window, created from its template over the directory file's contents as the login exchange
// reads them, until its initialisation has filled the list.
double OpenSelectionWindow(const std::string& bytes)
{
    CMemorySettingsStore settings;
    CAcceptAll checks;
    const auto start = std::chrono::steady_clock::now();
    const CServerDirectory directory(CIniDocument::Parse(bytes));
    CDlgVpnPolicy dialog(directory, settings, checks, [] { return std::unique_ptr<IIcmpEcho>(); });
    dialog.Create();
    const double took = Milliseconds(std::chrono::steady_clock::now() - start);
    ::DestroyWindow(dialog.Handle());
    Pump();
    return took;
}

// The simplest loop: a list view with the four columns and the same texts, row by row.
double FillPlainListView(const std::vector<std::vector<std::wstring>>& rows)
{
    const auto start = std::chrono::steady_clock::now();
    HWND list = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 600, 300, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    const int widths[] = {100, 280, 80, 60};
    const wchar_t* headings[] = {L"服务器名称", L"服务器说明", L"响应速度", L"负载"};
    for (int column = 0; column < 4; ++column) {
        LVCOLUMNW info{};
        info.mask = LVCF_TEXT | LVCF_WIDTH;
        info.cx = widths[column];
        info.pszText = const_cast<wchar_t*>(headings[column]);
        ::SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
    }
    for (size_t row = 0; row < rows.size(); ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(row);
        item.pszText = const_cast<wchar_t*>(rows[row][0].c_str());
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = 1; column < 4; ++column) {
            item.iSubItem = column;
            item.pszText = const_cast<wchar_t*>(rows[row][static_cast<size_t>(column)].c_str());
            ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    const double took = Milliseconds(std::chrono::steady_clock::now() - start);
    ::DestroyWindow(list);
    Pump();
    return took;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&classes);
    RegisterBuiltInSkin();

    const std::string bytes = DirectoryBytes();
    std::vector<std::vector<std::wstring>> rows;
    CMemorySettingsStore settings;
    for (const SServerRow& row : BuildSelectionView(CServerDirectory(CIniDocument::Parse(bytes)), settings).servers)
        rows.push_back({row.title, row.comment, L"待测", row.loadText});

    std::vector<double> window, plain;
    for (int round = 0; round < rounds; ++round) {  // interleaved, so both see the same system
        window.push_back(OpenSelectionWindow(bytes));
        plain.push_back(FillPlainListView(rows));
    }
    const double a = Median(window), b = Median(plain);
    std::printf("selection fill, %d servers: window %.1f ms, plain list view %.1f ms, ratio %.2f (goal <= 2)\n",
                kServers, a, b, a / b);
    return 0;
}
