#include "net/download_job_win32.h"

#include <cstring>

#include "base/url.h"
#include "net/http_request.h"

namespace {
constexpr size_t kReceiveChunk = 16 * 1024;

// A numeric address first; a name only when it is none. A name that does not resolve fails the
// job (there is nothing to connect to).
bool ResolveAddress(const SHttpUrlParts& url, sockaddr_in& address)
{
    unsigned long ip = ::inet_addr(url.host.c_str());
    if (ip == INADDR_NONE || ip == 0) {
        const hostent* host = ::gethostbyname(url.host.c_str());
        if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list[0])
            return false;
        std::memcpy(&ip, host->h_addr_list[0], sizeof(ip));
    }
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = ::htons(url.port);
    address.sin_addr.s_addr = ip;
    return true;
}
}  // namespace

CDownloadJob::CDownloadJob(std::wstring url) : m_url(std::move(url)) {}

CDownloadJob::~CDownloadJob() { Join(); }

bool CDownloadJob::CreateSocket() noexcept
{
    m_socket.Reset(::socket(AF_INET, SOCK_STREAM, 0));
    return m_socket.Valid();
}

bool CDownloadJob::Start(HWND owner, const CStopSignal& stop) noexcept
{
    if (m_thread.Started() || !m_socket || !stop.Valid())
        return false;
    m_owner = owner;
    m_stopEvent = stop.Event();
    return m_thread.Start([this] { Run(); });
}

bool CDownloadJob::Join() noexcept
{
    const bool joined = m_thread.Join();
    m_socket.Reset();
    return joined;
}

void CDownloadJob::Run() noexcept
{
    try {
        Download();
    } catch (...) {
        // Out of memory: the job simply fails below.
    }
    m_response.ConnectionFailed();  // no effect once the response is decided
    m_socket.Reset();               // the server sees the end as soon as we are done
    ::PostMessageW(m_owner, kDownloadFinishedMessage, 0, reinterpret_cast<LPARAM>(this));
}

void CDownloadJob::Download()
{
    const SHttpUrlParts url = SplitHttpUrl(m_url);
    CWinsockSession winsock;
    sockaddr_in address;
    if (!url.valid || !winsock.Started() || !ResolveAddress(url, address))
        return;

    // Everything below waits on the socket's events together with the owner's stop event, so
    // Cancel ends a connect or a receive at once without closing a socket under our feet.
    CKernelHandle networkEvent(::WSACreateEvent());
    if (!networkEvent ||
        ::WSAEventSelect(m_socket.Get(), networkEvent.Get(), FD_CONNECT | FD_WRITE | FD_READ | FD_CLOSE) != 0)
        return;
    if (::connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK)
        return;

    std::string request = BuildHttpGetRequest(url);
    bool connected = false;
    for (;;) {
        WSANETWORKEVENTS events;
        if (!WaitForNetwork(networkEvent.Get(), events))
            return;
        if (events.lNetworkEvents & FD_CONNECT) {
            if (events.iErrorCode[FD_CONNECT_BIT] != 0)
                return;
            connected = true;
        }
        if (!connected)
            continue;
        if (!request.empty() && (events.lNetworkEvents & (FD_CONNECT | FD_WRITE)) && !SendSome(request))
            return;
        if (events.lNetworkEvents & (FD_READ | FD_CLOSE)) {
            const bool closed = (events.lNetworkEvents & FD_CLOSE) != 0;
            if (!ReceiveSome(closed, closed ? events.iErrorCode[FD_CLOSE_BIT] : 0))
                return;
        }
    }
}

bool CDownloadJob::WaitForNetwork(HANDLE networkEvent, WSANETWORKEVENTS& events)
{
    const HANDLE handles[] = {m_stopEvent, networkEvent};  // stop first: it wins a tie
    if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
        return false;
    return ::WSAEnumNetworkEvents(m_socket.Get(), networkEvent, &events) == 0;
}

bool CDownloadJob::SendSome(std::string& request)
{
    while (!request.empty()) {
        const int sent = ::send(m_socket.Get(), request.data(), static_cast<int>(request.size()), 0);
        if (sent == SOCKET_ERROR)
            return ::WSAGetLastError() == WSAEWOULDBLOCK;  // the rest goes with the next FD_WRITE
        request.erase(0, static_cast<size_t>(sent));
    }
    return true;
}

bool CDownloadJob::ReceiveSome(bool peerClosed, int closeError)
{
    char buffer[kReceiveChunk];
    for (;;) {
        if (::WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0)
            return false;
        const int received = ::recv(m_socket.Get(), buffer, static_cast<int>(sizeof(buffer)), 0);
        if (received > 0) {
            if (m_response.Feed(std::string_view(buffer, static_cast<size_t>(received))) != EHttpParseState::NeedMore)
                return false;
            continue;
        }
        if (received == 0) {
            m_response.ConnectionClosed();
            return false;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            m_response.ConnectionFailed();
            return false;
        }
        if (!peerClosed)
            return true;
        // Closed, and nothing more to read.
        if (closeError == 0)
            m_response.ConnectionClosed();
        else
            m_response.ConnectionFailed();
        return false;
    }
}
