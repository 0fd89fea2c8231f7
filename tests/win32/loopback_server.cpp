#include "loopback_server.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "net/download_job_win32.h"
#include "win/handle.h"

namespace {
constexpr long kPollMs = 20;
constexpr size_t kSendPiece = 64 * 1024;

// 1 readable/writable, 0 not yet, -1 failed.
int WaitForSocket(SOCKET socket, bool forWrite)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{0, kPollMs * 1000};
    const int result = ::select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &wait);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

sockaddr_in LoopbackAddress(uint16_t port)
{
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = ::htons(port);
    return address;
}

uint16_t BoundPort(SOCKET socket)
{
    sockaddr_in address;
    int size = sizeof(address);
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 0;
    return ::ntohs(address.sin_port);
}

// Winsock for as long as the process lives; the test threads come and go.
void StartWinsockOnce()
{
    static CWinsockSession session;
}
}  // namespace

CLoopbackServer::CLoopbackServer(std::vector<SStep> script) : m_script(std::move(script))
{
    StartWinsockOnce();
    CSocket listener(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = LoopbackAddress(0);
    if (!listener || ::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener.Get(), 4) != 0)
        return;
    m_port = BoundPort(listener.Get());
    if (m_port == 0)
        return;
    m_thread = std::thread([this, socket = listener.Release()] { Serve(socket); });
}

CLoopbackServer::~CLoopbackServer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    if (m_thread.joinable())
        m_thread.join();
}

std::wstring CLoopbackServer::Url(const std::wstring& target) const
{
    return L"http://127.0.0.1:" + std::to_wstring(m_port) + target;
}

std::string CLoopbackServer::Request() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_request;
}

bool CLoopbackServer::WaitForRequest(DWORD ms) const { return WaitFor(m_requestComplete, ms); }
bool CLoopbackServer::WaitUntilHolding(DWORD ms) const { return WaitFor(m_holding, ms); }
bool CLoopbackServer::WaitForPeerClose(DWORD ms) const { return WaitFor(m_peerClosed, ms); }

uint16_t CLoopbackServer::RefusingPort()
{
    StartWinsockOnce();
    CSocket probe(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = LoopbackAddress(0);
    if (!probe || ::bind(probe.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        return 0;
    return BoundPort(probe.Get());  // closed on return: nothing listens there
}

bool CLoopbackServer::Stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
}

void CLoopbackServer::Flag(bool& flag)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        flag = true;
    }
    m_changed.notify_all();
}

bool CLoopbackServer::WaitFor(const bool& flag, DWORD ms) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms), [&flag] { return flag; });
}

bool CLoopbackServer::Sleep(DWORD ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (Stopping())
            return false;
        ::Sleep(5);
    }
    return !Stopping();
}

void CLoopbackServer::Serve(SOCKET listenerSocket)
{
    CSocket listener(listenerSocket);
    CSocket connection;
    while (!Stopping() && !connection) {
        const int ready = WaitForSocket(listener.Get(), false);
        if (ready < 0)
            return;
        if (ready > 0)
            connection.Reset(::accept(listener.Get(), nullptr, nullptr));
    }
    listener.Reset();  // one connection per server; later connects are refused
    if (!connection)
        return;
    u_long nonBlocking = 1;
    ::ioctlsocket(connection.Get(), FIONBIO, &nonBlocking);
    if (!ReadRequest(connection.Get()))
        return;

    for (const SStep& step : m_script) {
        switch (step.kind) {
        case SStep::EKind::Send:
            if (!SendAll(connection.Get(), step.bytes)) {
                Flag(m_peerClosed);
                return;
            }
            break;
        case SStep::EKind::Pause:
            if (!Sleep(step.ms))
                return;
            break;
        case SStep::EKind::Hold:
            Flag(m_holding);
            HoldOpen(connection.Get());
            return;
        case SStep::EKind::Close:
            return;  // an orderly close
        case SStep::EKind::Reset: {
            const linger abortive{1, 0};
            ::setsockopt(connection.Get(), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                         sizeof(abortive));
            return;
        }
        }
    }
}

bool CLoopbackServer::ReadRequest(SOCKET connection)
{
    std::string received;
    char buffer[4096];
    while (!Stopping()) {
        const int ready = WaitForSocket(connection, false);
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        const int count = ::recv(connection, buffer, sizeof(buffer), 0);
        if (count <= 0) {
            if (count < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        received.append(buffer, static_cast<size_t>(count));
        if (received.find("\r\n\r\n") != std::string::npos) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_request = received;
                m_requestComplete = true;
            }
            m_changed.notify_all();
            return true;
        }
    }
    return false;
}

bool CLoopbackServer::SendAll(SOCKET connection, const std::string& bytes)
{
    size_t offset = 0;
    while (offset < bytes.size()) {
        if (Stopping())
            return false;
        const int piece = static_cast<int>(std::min(kSendPiece, bytes.size() - offset));
        const int sent = ::send(connection, bytes.data() + offset, piece, 0);
        if (sent > 0) {
            offset += static_cast<size_t>(sent);
            continue;
        }
        if (::WSAGetLastError() != WSAEWOULDBLOCK || WaitForSocket(connection, true) < 0)
            return false;
    }
    return true;
}

void CLoopbackServer::HoldOpen(SOCKET connection)
{
    char buffer[4096];
    while (!Stopping()) {
        const int ready = WaitForSocket(connection, false);
        if (ready < 0)
            return;
        if (ready == 0)
            continue;
        const int count = ::recv(connection, buffer, sizeof(buffer), 0);
        if (count > 0 || (count < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK))
            continue;
        break;
    }
    if (!Stopping())
        Flag(m_peerClosed);
}
