#include "policy/icmp_echo_win32.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <cstring>
#include <vector>

#include "base/ansi.h"

namespace {
// An echo handle for one probe.
struct SIcmpHandleOwner {
    HANDLE handle;
    BOOL(WINAPI* close)(HANDLE);
    ~SIcmpHandleOwner() { close(handle); }
};
}  // namespace

CIcmpEcho::CIcmpEcho() noexcept
{
    if (!Load(L"Iphlpapi.dll"))
        Load(L"ICMP.DLL");
}

bool CIcmpEcho::Load(const wchar_t* library) noexcept
{
    CModule module(::LoadLibraryW(library));
    if (!module)
        return false;
    const HMODULE handle = module.Get();
    auto createFile = reinterpret_cast<CreateFileFunction>(
        reinterpret_cast<void*>(::GetProcAddress(handle, "IcmpCreateFile")));
    auto sendEcho = reinterpret_cast<SendEchoFunction>(
        reinterpret_cast<void*>(::GetProcAddress(handle, "IcmpSendEcho")));
    auto closeHandle = reinterpret_cast<CloseHandleFunction>(
        reinterpret_cast<void*>(::GetProcAddress(handle, "IcmpCloseHandle")));
    if (!createFile || !sendEcho || !closeHandle)
        return false;  // the module is freed on the way out
    m_library = std::move(module);
    m_createFile = createFile;
    m_sendEcho = sendEcho;
    m_closeHandle = closeHandle;
    return true;
}

bool CIcmpEcho::Resolve(std::wstring_view host, ULONG& address)
{
    const std::string name = WideToAnsi(host);
    address = ::inet_addr(name.c_str());
    if (address != INADDR_NONE)
        return true;
    // getaddrinfo, unlike gethostbyname, may be used by several workers at once.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    bool resolved = false;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
            resolved = true;
            break;
        }
    }
    ::freeaddrinfo(found);
    return resolved;
}

bool CIcmpEcho::Probe(std::wstring_view host, SEchoReply& reply)
{
    if (!Loaded()) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
    ULONG address = 0;
    if (!Resolve(host, address))
        return false;
    const HANDLE icmp = m_createFile();
    if (icmp == INVALID_HANDLE_VALUE)
        return false;
    const SIcmpHandleOwner owner{icmp, m_closeHandle};

    IP_OPTION_INFORMATION options{};
    options.Ttl = kEchoTimeToLive;
    unsigned char request[kEchoDataSize];
    std::memset(request, kEchoDataByte, sizeof(request));
    // The reply header's size differs between 32 and 64 bits; the system wants room for one
    // header, the data and 8 more bytes (an ICMP error's own header).
    std::vector<unsigned char> buffer(sizeof(ICMP_ECHO_REPLY) + sizeof(request) + 8);
    const DWORD replies = m_sendEcho(icmp, address, request, static_cast<WORD>(sizeof(request)), &options,
                                     buffer.data(), static_cast<DWORD>(buffer.size()), kEchoTimeoutMs);
    if (replies != 1)
        return false;
    ICMP_ECHO_REPLY answer;
    std::memcpy(&answer, buffer.data(), sizeof(answer));
    const auto* data = static_cast<const unsigned char*>(answer.Data);
    const bool inBuffer = data >= buffer.data() && answer.DataSize <= buffer.size() &&
                          data + answer.DataSize <= buffer.data() + buffer.size();
    if (!inBuffer || !IsEchoDataIntact(data, answer.DataSize)) {
        ::SetLastError(ERROR_UNEXP_NET_ERR);
        return false;
    }
    reply.address = answer.Address;
    reply.roundTripTime = answer.RoundTripTime;
    reply.status = answer.Status;
    return true;
}

std::unique_ptr<IIcmpEcho> MakeSystemIcmpEcho()
{
    return std::make_unique<CIcmpEcho>();
}
