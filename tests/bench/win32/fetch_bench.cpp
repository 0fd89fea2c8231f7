// How fast a document comes over loopback: 16 MiB through one download job, and 1 MiB through
// one job and through the whole fetch window run (racing, delivering, ending), each beside a
// plain Winsock receive loop fetching the same response from the same kind of server, in one run
// under the same system. A fresh server per fetch, set up outside the timing.
//
//   fetch_bench.exe [rounds]      prints the medians, their ratio and the goal
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "loopback_server.h"
#include "net/dlg_download_win32.h"
#include "net/download_job_win32.h"
#include "net/download_output_win32.h"
#include "skin/skin_images_win32.h"
#include "win/handle.h"

namespace {

constexpr size_t kLargeBody = 16 * 1024 * 1024;
constexpr size_t kSmallBody = 1024 * 1024;

std::string Response(size_t bodySize)
{
    std::string body(bodySize, 'r');
    for (size_t i = 0; i < bodySize; i += 61)
        body[i] = '\n';
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bodySize) + "\r\n\r\n" + body;
}

double Milliseconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Pump()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "fetch bench: %s\n", what);
    std::exit(1);
}

// The anchor: blocking socket, one request, 64 KiB receives into one buffer until the server
// closes. Nothing is parsed or kept.
double PlainLoop(const std::string& response)
{
    CLoopbackServer server({CLoopbackServer::Send(response), CLoopbackServer::Close()});
    if (!server.Listening())
        Fail("no loopback server");
    static char buffer[64 * 1024];
    const auto start = std::chrono::steady_clock::now();
    CSocket socket(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = ::htons(server.Port());
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        Fail("plain loop: connect failed");
    const char request[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    ::send(socket.Get(), request, sizeof(request) - 1, 0);
    size_t received = 0;
    for (int count; (count = ::recv(socket.Get(), buffer, sizeof(buffer), 0)) > 0;)
        received += static_cast<size_t>(count);
    socket.Reset();
    const double took = Milliseconds(std::chrono::steady_clock::now() - start);
    if (received != response.size())
        Fail("plain loop: short response");
    return took;
}

// One download job from its socket to its joined thread, the body parsed and kept.
double DownloadJob(const std::string& response, size_t bodySize, HWND owner)
{
    CLoopbackServer server({CLoopbackServer::Send(response), CLoopbackServer::Close()});
    if (!server.Listening())
        Fail("no loopback server");
    CStopSignal stop;
    const auto start = std::chrono::steady_clock::now();
    CDownloadJob job(server.Url());
    if (!job.CreateSocket() || !job.Start(owner, stop))
        Fail("download job did not start");
    job.Join();
    const double took = Milliseconds(std::chrono::steady_clock::now() - start);
    if (job.Response().State() != EHttpParseState::Complete || job.Response().Body().size() != bodySize)
        Fail("download job: incomplete body");
    Pump();  // its completion message
    return took;
}

// The whole fetch window run: one job raced, the body delivered, the run ended. The window
// itself is made only for an answer slower than its show delay, which none of these is.
double FetchWindow(const std::string& response, size_t bodySize)
{
    CLoopbackServer server({CLoopbackServer::Send(response), CLoopbackServer::Close()});
    if (!server.Listening())
        Fail("no loopback server");
    CMemoryDownloadOutput output;
    const auto start = std::chrono::steady_clock::now();
    INT_PTR result = 0;
    {
        CDlgDownload dialog;
        dialog.AddUrl(server.Url());
        dialog.SetOutput(&output);
        result = dialog.DoModal();
    }
    const double took = Milliseconds(std::chrono::steady_clock::now() - start);
    if (result != IDOK || output.Bytes().size() != bodySize)
        Fail("fetch window: no complete body");
    return took;
}

void Print(const char* what, double figure, const char* anchorName, double anchor, const char* goal)
{
    std::printf("%s %.1f ms, %s %.1f ms, ratio %.2f (goal %s)\n", what, figure, anchorName, anchor, figure / anchor,
                goal);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 21;
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_ANIMATE_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&classes);
    RegisterBuiltInSkin();
    CWinsockSession winsock;
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    const std::string large = Response(kLargeBody);
    const std::string small = Response(kSmallBody);
    const std::string empty = Response(0);

    // One untimed pass loads what the first window and the first connection load.
    PlainLoop(small);
    DownloadJob(small, kSmallBody, owner);
    FetchWindow(small, kSmallBody);

    std::vector<double> jobSmall, plainLarge, job, plainSmall, window, plainEmpty, emptyWindow;
    for (int round = 0; round < rounds; ++round) {  // interleaved, so all see the same system
        plainLarge.push_back(PlainLoop(large));
        job.push_back(DownloadJob(large, kLargeBody, owner));
        plainSmall.push_back(PlainLoop(small));
        jobSmall.push_back(DownloadJob(small, kSmallBody, owner));
        window.push_back(FetchWindow(small, kSmallBody));
        plainEmpty.push_back(PlainLoop(empty));
        emptyWindow.push_back(FetchWindow(empty, 0));
    }
    ::DestroyWindow(owner);

    Print("fetch 16 MiB: download job", Median(job), "plain Winsock loop", Median(plainLarge), "<= 1.5");
    Print("fetch 1 MiB: fetch window", Median(window), "plain Winsock loop", Median(plainSmall), "<= 2");
    Print("fetch 1 MiB: download job", Median(jobSmall), "plain Winsock loop", Median(plainSmall),
          "none, what the window run adds to it");
    Print("fetch, empty body: fetch window", Median(emptyWindow), "plain Winsock loop", Median(plainEmpty),
          "none, the window's own cost");
    return 0;
}
