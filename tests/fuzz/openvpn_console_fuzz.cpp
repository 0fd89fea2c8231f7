// Any console output, cut into any chunks: the rules never crash and never answer more prompts
// than the output held.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vpn/openvpn_console.h"
#include "vpn/vpn_codes.h"

namespace {
class CCountingHost : public IOpenVpnConsoleHost {
public:
    size_t answers = 0;
    uint32_t state = VpnState::Preparing;
    void Answer(std::wstring_view) override { ++answers; }
    void Report(uint32_t newState, uint32_t error, uint32_t) override
    {
        state = newState == VpnState::TunnelUp && error == 0 ? VpnState::LoggedIn : newState;
    }
    uint32_t CurrentState() const override { return state; }
    void SetLocalAddress(const std::wstring&) override {}
    void SetTunnelGateway(const std::wstring&) override {}
    void CountPackets(uint32_t, uint32_t) override {}
};

size_t Occurrences(std::string_view text, std::string_view word)
{
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1))
        ++count;
    return count;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the chunk length, the rest is the output.
    if (size == 0)
        return 0;
    const size_t step = data[0] % 64 + 1;
    const std::string_view output(reinterpret_cast<const char*>(data + 1), size - 1);
    const SOpenVpnCredentials credentials{L"u", L"p", L"pu", L"pp"};
    COpenVpnConsole console;
    CCountingHost host;
    for (size_t at = 0; at < output.size(); at += step)
        console.Feed(output.substr(at, step), credentials, host);
    if (host.answers > Occurrences(output, "Enter "))
        std::abort();
    return 0;
}
