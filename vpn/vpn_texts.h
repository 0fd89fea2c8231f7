#pragma once
// The code-to-text tables of the VPN connections. The common ones fall back to their "unknown"
// text; a class table gives null for a code it does not hold, so that the class can fall back
// to the common error table.

#include <cstdint>
#include <string>

std::wstring VpnStateText(uint32_t state);
std::wstring VpnErrorText(uint32_t error);

const wchar_t* DialUpErrorText(uint32_t error);  // CWindowsVpn
const wchar_t* OpenVpnErrorText(uint32_t error); // COpenVpn
