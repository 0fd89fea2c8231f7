// A scripted HTTP server on 127.0.0.1 for the fetch tests: it listens on an ephemeral port,
// accepts one connection, reads the request head and then plays its script. Every wait inside
// is bounded, and the destructor stops and joins its thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CLoopbackServer {
public:
    struct SStep {
        enum class EKind { Send, Pause, Hold, Close, Reset };
        EKind kind;
        std::string bytes;  // Send
        DWORD ms = 0;       // Pause
    };
    static SStep Send(std::string bytes) { return {SStep::EKind::Send, std::move(bytes), 0}; }
    static SStep Pause(DWORD ms) { return {SStep::EKind::Pause, {}, ms}; }
    // Keeps the connection open, reading and discarding, until the client closes it.
    static SStep Hold() { return {SStep::EKind::Hold, {}, 0}; }
    static SStep Close() { return {SStep::EKind::Close, {}, 0}; }
    static SStep Reset() { return {SStep::EKind::Reset, {}, 0}; }

    explicit CLoopbackServer(std::vector<SStep> script);
    ~CLoopbackServer();
    CLoopbackServer(const CLoopbackServer&) = delete;
    CLoopbackServer& operator=(const CLoopbackServer&) = delete;

    bool Listening() const { return m_port != 0; }
    uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>" + target.
    std::wstring Url(const std::wstring& target = L"/") const;

    // The request head as received (up to and including the blank line), once it is complete.
    std::string Request() const;
    bool WaitForRequest(DWORD ms) const;
    // The script has reached a Hold step.
    bool WaitUntilHolding(DWORD ms) const;
    // The client closed (or reset) the connection.
    bool WaitForPeerClose(DWORD ms) const;

    // A loopback port nobody listens on, so a connect is refused at once.
    static uint16_t RefusingPort();

private:
    void Serve(SOCKET listener);
    bool ReadRequest(SOCKET connection);
    bool SendAll(SOCKET connection, const std::string& bytes);
    void HoldOpen(SOCKET connection);
    bool Sleep(DWORD ms);
    bool Stopping() const;
    void Flag(bool& flag);
    bool WaitFor(const bool& flag, DWORD ms) const;

    std::vector<SStep> m_script;
    uint16_t m_port = 0;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_stop = false;
    bool m_requestComplete = false;
    bool m_holding = false;
    bool m_peerClosed = false;
    std::string m_request;
};
