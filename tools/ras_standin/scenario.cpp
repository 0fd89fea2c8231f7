#include "tools/ras_standin/scenario.h"

#include "tools/doubles_common/scenario_values.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

namespace
{

using namespace scenario_values;

struct CStateName
{
    uint32_t State;
    const char* Name;
};

// The order a successful VPN dial reports them in.
constexpr CStateName SuccessfulDial[] = {
    {DialState::OpenPort, "OpenPort"},
    {DialState::PortOpened, "PortOpened"},
    {DialState::ConnectDevice, "ConnectDevice"},
    {DialState::DeviceConnected, "DeviceConnected"},
    {DialState::AllDevicesConnected, "AllDevicesConnected"},
    {DialState::Authenticate, "Authenticate"},
    {DialState::AuthNotify, "AuthNotify"},
    {DialState::AuthProject, "AuthProject"},
    {DialState::Authenticated, "Authenticated"},
    {DialState::Connected, "Connected"},
};

bool ParseState(const std::string& text, uint32_t& state)
{
    for (const CStateName& known : SuccessfulDial)
        if (Lower(known.Name) == Lower(text)) {
            state = known.State;
            return true;
        }
    return ParseNumber(text, 0xFFFFFFFEu, state);
}

// Where Windows reports a failure of that kind: a refused password once the server has had its
// say, a broken PPP negotiation during authentication, everything else while reaching the
// server.
uint32_t FailureStateFor(uint32_t result)
{
    switch (result) {
    case 647: // account disabled
    case 648: // password expired
    case 649: // no dial-in permission
    case 691: // user name or password refused
    case 709: // password change failed
        return DialState::AuthNotify;
    case 718: // PPP timeout
    case 720: // no PPP control protocols
    case 734: // PPP link control protocol terminated
        return DialState::Authenticate;
    default:
        return DialState::ConnectDevice;
    }
}

// One "key=value"; false with why when it is not understood.
bool ApplyLine(const std::string& key, const std::string& value, CScenario& scenario,
               std::string& why)
{
    const auto fail = [&why](const char* reason) {
        why = reason;
        return false;
    };
    constexpr uint32_t MaxCode = 0xFFFFFFFEu;
    const std::string lowerValue = Lower(value);
    if (key == "result")
        return ParseNumber(value, MaxCode, scenario.Result) || fail("not a number");
    if (key == "fail_state")
        return ParseState(value, scenario.FailState) || fail("not a dial state");
    if (key == "delay_ms")
        return ParseNumber(value, 60000, scenario.DelayMs) || fail("not 0 to 60000");
    if (key == "drop_after_s")
        return ParseSeconds(value, scenario.DropAfterSeconds) || fail("not a number of seconds");
    if (key == "entry_result")
        return ParseNumber(value, MaxCode, scenario.EntryResult) || fail("not a number");
    if (key == "dial_return")
        return ParseNumber(value, MaxCode, scenario.DialReturn) || fail("not a number");
    if (key == "drop_now") {
        if (value != "0" && value != "1")
            return fail("not 0 or 1");
        scenario.DropNow = value == "1";
        return true;
    }
    if (key == "traffic") {
        if (lowerValue != "on" && lowerValue != "off" && lowerValue != "send" &&
            lowerValue != "receive")
            return fail("not on, off, send or receive");
        scenario.TrafficSent = lowerValue == "on" || lowerValue == "send";
        scenario.TrafficReceived = lowerValue == "on" || lowerValue == "receive";
        return true;
    }
    if (key == "tunnel_address" || key == "server_address") {
        if (!ParseAddress(value))
            return fail("not a dotted IPv4 address");
        (key == "tunnel_address" ? scenario.TunnelAddress : scenario.ServerAddress) = value;
        return true;
    }
    return fail("unknown key");
}

} // namespace

std::string DialStateName(uint32_t state)
{
    for (const CStateName& known : SuccessfulDial)
        if (known.State == state)
            return known.Name;
    if (state == DialState::Disconnected)
        return "Disconnected";
    return std::to_string(state);
}

CScenario ParseScenario(const std::string& text)
{
    CScenario scenario;
    scenario.Problems = ForEachScenarioLine(
        text, [&](const std::string& key, const std::string& value, std::string& why) {
            return ApplyLine(key, value, scenario, why);
        });
    return scenario;
}

std::vector<uint32_t> DialSteps(const CScenario& scenario)
{
    uint32_t last = DialState::Connected;
    if (scenario.Result != 0) {
        const bool known = std::any_of(std::begin(SuccessfulDial), std::end(SuccessfulDial),
                                       [&](const CStateName& s) { return s.State == scenario.FailState; });
        last = known ? scenario.FailState : FailureStateFor(scenario.Result);
    }
    std::vector<uint32_t> steps;
    for (const CStateName& step : SuccessfulDial) {
        steps.push_back(step.State);
        if (step.State == last)
            break;
    }
    return steps;
}
