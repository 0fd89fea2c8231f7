#pragma once
// The openvpn.exe double's command line: the options the client passes, plus the few a person
// trying the double by hand is likely to add. Portable.

#include <string>
#include <vector>

// The version the double claims in its banner and its option errors (the 2.1 console texts).
constexpr const char* DoubleOpenVpnVersion = "2.1.4";

struct COptions
{
    // Every option given, in order: its name without "--", then its parameters.
    std::vector<std::vector<std::string>> Given;

    bool ShowAdapters = false;
    std::string Remote;   // empty without --remote
    int RemotePort = -1;  // --remote's own port; below 0: --port's
    int Port = 1194;      // --port: local and remote
    std::string Proto = "udp";
    bool AuthUserPass = false;
    bool Pull = false;
    bool TlsClient = false;
    std::string Ca;
    bool Service = false;
    std::string ServiceEvent;
    bool RemapUsr1ToSigterm = false;
    int Verb = 1;
    bool NullCipher = false;
    int TunMtu = 1500;
    bool RedirectGateway = false;
    std::string HttpProxy; // empty without --http-proxy
    int HttpProxyPort = 0;
    bool HttpProxyStdin = false;
    std::string SocksProxy; // empty without --socks-proxy
    int SocksProxyPort = 1080;
    bool SocksProxyStdin = false;

    int RemotePortOrDefault() const { return RemotePort >= 0 ? RemotePort : Port; }
};

// Reads the arguments after the program name as OpenVPN's command line parser does: each
// option followed by its parameters up to the next "--". Stops at --show-adapters, which acts
// as soon as it is read. Empty when the line is good, otherwise the text that follows
// "Options error: ".
std::string ParseOptions(const std::vector<std::string>& arguments, COptions& options);
