// The OpenVPN connection: runs openvpn.exe from the OpenVPN folder with a generated command line,
// answers its prompts and follows its console (vpn/openvpn_console.h), and stops it through the
// named exit event. While connected it counts the packet marks the program prints.
#pragma once

#include <atomic>
#include <string>

#include "vpn/console_redirector_win32.h"
#include "vpn/general_vpn.h"
#include "vpn/openvpn_console.h"

class COpenVpn : public CGeneralVpn, public CConsoleRedirector, private IOpenVpnConsoleHost
{
public:
    // `moduleDir` is the client's folder, with its trailing backslash: the program is always
    // started by its full path below it.
    COpenVpn(IIpHelper& ipHelper, std::wstring moduleDir);
    ~COpenVpn() override;

    uint32_t Connect() override;
    uint32_t Disconnect() override;
    // counters[0] packets written, counters[1] packets read. Always 0: a lost tunnel ends the
    // program, and that is reported when it ends.
    uint32_t GetTrafficCounters(uint32_t counters[2]) override;
    std::wstring GetDetailText(uint32_t code) const override;
    std::wstring GetErrorText(uint32_t code) const override;

protected:
    void OnOutput(const char* data, size_t length) override;
    void OnEnd() override;

private:
    // IOpenVpnConsoleHost, on the reader thread.
    void Answer(std::wstring_view text) override;
    void Report(uint32_t state, uint32_t error, uint32_t detail) override;
    uint32_t CurrentState() const override;
    void SetLocalAddress(const std::wstring& address) override;
    void SetTunnelGateway(const std::wstring& gateway) override;
    void CountPackets(uint32_t written, uint32_t read) override;

    std::wstring ModuleDir;
    COpenVpnConsole Console;              // the reader thread's
    SOpenVpnCredentials Credentials;      // fixed before the program starts
    std::atomic<uint32_t> PacketsWritten{0};
    std::atomic<uint32_t> PacketsRead{0};
};
