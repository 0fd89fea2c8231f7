#include "tools/openvpn_double/options.h"

#include <cstdlib>

namespace
{

struct COptionShape
{
    const char* Name;
    size_t MinParameters;
    size_t MaxParameters;
};

// Stricter than the real parser about extra parameters on purpose: a stray token in the
// client's command line should fail loudly here rather than be skipped.
constexpr COptionShape Known[] = {
    {"remote", 1, 2},      {"dev", 1, 1},           {"proto", 1, 1},
    {"port", 1, 1},        {"auth-user-pass", 0, 0}, {"pull", 0, 0},
    {"ca", 1, 1},          {"tls-client", 0, 0},    {"service", 1, 2},
    {"remap-usr1", 1, 1},  {"verb", 1, 1},          {"cipher", 1, 1},
    {"tun-mtu", 1, 1},     {"redirect-gateway", 0, 4}, {"http-proxy", 2, 4},
    {"socks-proxy", 1, 3}, {"show-adapters", 0, 0},
};

bool IsOption(const std::string& argument)
{
    return argument.size() >= 2 && argument[0] == '-' && argument[1] == '-';
}

int Number(const std::string& text)
{
    return std::atoi(text.c_str()); // the real parser's leniency: "80x" is 80
}

std::string Unrecognized(const std::string& name, size_t index)
{
    return "Unrecognized option or missing parameter(s) in [CMD-LINE]:" + std::to_string(index) +
           ": " + name + " (" + DoubleOpenVpnVersion + ")";
}

// One option with its parameters; empty or the error text.
std::string Apply(const std::string& name, const std::vector<std::string>& p, COptions& options)
{
    if (name == "remote") {
        options.Remote = p[0];
        if (p.size() > 1)
            options.RemotePort = Number(p[1]);
    } else if (name == "proto") {
        if (p[0] != "udp" && p[0] != "tcp-client" && p[0] != "tcp-server")
            return "Bad protocol: '" + p[0] +
                   "'.  Allowed protocols with --proto option: udp tcp-server tcp-client";
        options.Proto = p[0];
    } else if (name == "port") {
        options.Port = Number(p[0]);
    } else if (name == "auth-user-pass") {
        options.AuthUserPass = true;
    } else if (name == "pull") {
        options.Pull = true;
    } else if (name == "ca") {
        options.Ca = p[0];
    } else if (name == "tls-client") {
        options.TlsClient = true;
    } else if (name == "service") {
        options.Service = true;
        options.ServiceEvent = p[0];
    } else if (name == "remap-usr1") {
        if (p[0] != "SIGHUP" && p[0] != "SIGTERM")
            return "--remap-usr1 parm must be 'SIGHUP' or 'SIGTERM'";
        options.RemapUsr1ToSigterm = p[0] == "SIGTERM";
    } else if (name == "verb") {
        options.Verb = Number(p[0]);
    } else if (name == "cipher") {
        options.NullCipher = p[0] == "none";
    } else if (name == "tun-mtu") {
        options.TunMtu = Number(p[0]);
    } else if (name == "redirect-gateway") {
        options.RedirectGateway = true;
    } else if (name == "http-proxy") {
        options.HttpProxy = p[0];
        options.HttpProxyPort = Number(p[1]);
        options.HttpProxyStdin = p.size() > 2 && p[2] == "stdin";
    } else if (name == "socks-proxy") {
        options.SocksProxy = p[0];
        if (p.size() > 1)
            options.SocksProxyPort = Number(p[1]);
        options.SocksProxyStdin = p.size() > 2 && p[2] == "stdin";
    } else if (name == "show-adapters") {
        options.ShowAdapters = true;
    }
    return std::string(); // --dev: any name opens the TAP adapter here
}

} // namespace

std::string ParseOptions(const std::vector<std::string>& arguments, COptions& options)
{
    options = COptions();
    size_t i = 0;
    while (i < arguments.size()) {
        const std::string& argument = arguments[i];
        if (!IsOption(argument))
            return "I'm trying to parse \"" + argument +
                   "\" as an --option parameter but I don't see a leading '--'";
        // Positions count from the program name, as argv does.
        const size_t position = i + 1;
        const std::string name = argument.substr(2);
        std::vector<std::string> parameters;
        for (++i; i < arguments.size() && !IsOption(arguments[i]); ++i)
            parameters.push_back(arguments[i]);

        const COptionShape* shape = nullptr;
        for (const COptionShape& known : Known)
            if (name == known.Name)
                shape = &known;
        if (!shape || parameters.size() < shape->MinParameters ||
            parameters.size() > shape->MaxParameters)
            return Unrecognized(name, position);
        const std::string error = Apply(name, parameters, options);
        if (!error.empty())
            return error;
        parameters.insert(parameters.begin(), name);
        options.Given.push_back(parameters);
        if (options.ShowAdapters)
            return std::string();
    }
    if (!options.HttpProxy.empty() && options.Proto != "tcp-client")
        return "--http-proxy MUST be used in TCP Client mode (i.e. --proto tcp-client)";
    return std::string();
}
