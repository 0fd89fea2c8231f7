#pragma once
// Dotted IPv4 text to an address, with the rules of the Windows Sockets inet_addr: one to four
// parts (a, a.b, a.b.c, a.b.c.d), each decimal, octal with a leading 0 or hexadecimal with
// 0x; the last part fills the remaining bytes; white space ends the address and whatever
// follows it is ignored. The result is in network byte order, as inet_addr gives it.

#include <cstdint>
#include <string>

constexpr uint32_t InetAddrNone = 0xFFFFFFFFu; // INADDR_NONE

// false for text that is not an address (empty text included); address is then InetAddrNone.
bool ParseInetAddr(const std::string& text, uint32_t& address);

// inet_addr itself: InetAddrNone for text that is not an address, which a literal
// 255.255.255.255 cannot be told apart from.
uint32_t InetAddr(const std::string& text);

// Network byte order to and from the usual a.b.c.d value (a in the top byte).
uint32_t NetworkToHostOrder(uint32_t address);
uint32_t HostToNetworkOrder(uint32_t address);
