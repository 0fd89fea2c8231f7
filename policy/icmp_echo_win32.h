// The system's ICMP echo, looked up at run time: Iphlpapi.dll first, ICMP.DLL on systems that
// have the functions only there. Without either every probe fails, which the speed test shows
// as a time-out.
#pragma once

#include <windows.h>

#include <memory>

#include "policy/speed_test.h"
#include "win/handle.h"
#include "win/winsock_session.h"

class CIcmpEcho final : public IIcmpEcho {
public:
    CIcmpEcho() noexcept;
    bool Loaded() const noexcept { return m_library.Valid(); }

    // Fails with ERROR_CALL_NOT_IMPLEMENTED without a library and ERROR_UNEXP_NET_ERR for a
    // reply that does not carry our data back; other failures leave the system's last error.
    bool Probe(std::wstring_view host, SEchoReply& reply) override;

private:
    using CreateFileFunction = HANDLE(WINAPI*)();
    using SendEchoFunction = DWORD(WINAPI*)(HANDLE, ULONG, LPVOID, WORD, LPVOID, LPVOID, DWORD, DWORD);
    using CloseHandleFunction = BOOL(WINAPI*)(HANDLE);

    bool Load(const wchar_t* library) noexcept;
    // The host as an IPv4 address in network order; a dotted address is taken as it is.
    static bool Resolve(std::wstring_view host, ULONG& address);

    CWinsockSession m_winsock;  // name resolution needs it on this thread's behalf
    CModule m_library;
    CreateFileFunction m_createFile = nullptr;
    SendEchoFunction m_sendEcho = nullptr;
    CloseHandleFunction m_closeHandle = nullptr;
};

// What the selection window uses unless a test gives it another echo.
std::unique_ptr<IIcmpEcho> MakeSystemIcmpEcho();
