#include "net/download_job_win32.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "base/url.h"
#include "net/http_request.h"

namespace {
// Large blocks: under Wine every receive is a round trip to the Wine server, and on Windows a
// block this size takes whatever the socket holds in one call.
constexpr size_t kReceiveBlock = 256 * 1024;

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
    m_stop = &stop;
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

    // The socket is non-blocking from here on. Every call is tried first; only one that would
    // block waits, on the socket's events together with the owner's stop event, so Cancel ends a
    // connect or a quiet receive at once without closing a socket under our feet.
    CKernelHandle networkEvent(::WSACreateEvent());
    if (!networkEvent ||
        ::WSAEventSelect(m_socket.Get(), networkEvent.Get(), FD_CONNECT | FD_WRITE | FD_READ | FD_CLOSE) != 0)
        return;
    if (::connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK)
        return;
    SSocketEvents seen;
    while (!seen.connected) {
        if (!WaitForNetwork(networkEvent.Get(), seen))
            return;
    }
    if (seen.connectError != 0 || !SendRequest(BuildHttpGetRequest(url), networkEvent.Get(), seen))
        return;
    Receive(networkEvent.Get(), seen);
}

bool CDownloadJob::WaitForNetwork(HANDLE networkEvent, SSocketEvents& seen)
{
    const HANDLE handles[] = {m_stop->Event(), networkEvent};  // stop first: it wins a tie
    if (::WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
        return false;
    WSANETWORKEVENTS events;
    if (::WSAEnumNetworkEvents(m_socket.Get(), networkEvent, &events) != 0)
        return false;
    if (events.lNetworkEvents & FD_CONNECT) {
        seen.connected = true;
        seen.connectError = events.iErrorCode[FD_CONNECT_BIT];
    }
    if (events.lNetworkEvents & FD_CLOSE) {
        seen.closed = true;
        seen.closeError = events.iErrorCode[FD_CLOSE_BIT];
    }
    return true;
}

bool CDownloadJob::SendRequest(const std::string& request, HANDLE networkEvent, SSocketEvents& seen)
{
    std::string_view rest(request);
    while (!rest.empty() && !seen.closed) {  // a peer that closed early may still have answered
        if (m_stop->IsSet())
            return false;
        const int sent = ::send(m_socket.Get(), rest.data(), static_cast<int>(rest.size()), 0);
        if (sent != SOCKET_ERROR) {
            rest.remove_prefix(static_cast<size_t>(sent));
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitForNetwork(networkEvent, seen))
            return false;
    }
    return true;
}

void CDownloadJob::Receive(HANDLE networkEvent, SSocketEvents& seen)
{
    std::unique_ptr<char[]> buffer(new char[kReceiveBlock]);
    for (;;) {
        // The flag costs nothing; the event is waited on only when there is nothing to read.
        if (m_stop->IsSet())
            return;
        const int received = ::recv(m_socket.Get(), buffer.get(), static_cast<int>(kReceiveBlock), 0);
        if (received > 0) {
            if (m_response.Feed(std::string_view(buffer.get(), static_cast<size_t>(received))) != EHttpParseState::NeedMore)
                return;
            // A short read emptied the socket: wait for more rather than try a receive that
            // would only say so. A stale signal costs one receive that would block, below.
            if (static_cast<size_t>(received) < kReceiveBlock && !seen.closed && !WaitForNetwork(networkEvent, seen))
                return;
            continue;
        }
        if (received == 0) {
            m_response.ConnectionClosed();
            return;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK) {
            m_response.ConnectionFailed();
            return;
        }
        if (seen.closed) {
            // Closed, and nothing more to read.
            if (seen.closeError == 0)
                m_response.ConnectionClosed();
            else
                m_response.ConnectionFailed();
            return;
        }
        if (!WaitForNetwork(networkEvent, seen))
            return;
    }
}
