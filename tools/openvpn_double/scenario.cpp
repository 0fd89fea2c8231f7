#include "tools/openvpn_double/scenario.h"

#include "tools/doubles_common/scenario_values.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace
{

using namespace scenario_values;

bool ParseFlag(const std::string& value, const char* on, const char* off, bool& flag)
{
    const std::string lower = Lower(value);
    if (lower != on && lower != off)
        return false;
    flag = lower == on;
    return true;
}

struct COutcomeName
{
    EOutcome Outcome;
    const char* Name;
};

constexpr COutcomeName OutcomeNames[] = {
    {EOutcome::Connected, "connected"},   {EOutcome::AuthFailed, "auth_failed"},
    {EOutcome::TlsError, "tls_error"},    {EOutcome::BindFailed, "bind_failed"},
    {EOutcome::ExitAtOnce, "exit_at_once"},
};

// One "key=value"; false with why when it is not understood.
bool ApplyLine(const std::string& key, const std::string& value, CDoubleScenario& scenario,
               std::string& why)
{
    const auto fail = [&why](const char* reason) {
        why = reason;
        return false;
    };
    const std::string lower = Lower(value);
    if (key == "outcome") {
        for (const COutcomeName& known : OutcomeNames)
            if (lower == known.Name) {
                scenario.Outcome = known.Outcome;
                return true;
            }
        return fail("not connected, auth_failed, tls_error, bind_failed or exit_at_once");
    }
    if (key == "delay_ms")
        return ParseNumber(value, 60000, scenario.DelayMs) || fail("not 0 to 60000");
    if (key == "ifconfig") {
        const size_t blank = value.find_first_of(" \t");
        const std::string address = value.substr(0, blank);
        const std::string netmask = blank == std::string::npos ? "" : Trim(value.substr(blank));
        if (!ParseAddress(address) || !ParseAddress(netmask))
            return fail("not an address and a netmask");
        scenario.Address = address;
        scenario.Netmask = netmask;
        return true;
    }
    if (key == "route_gateway") {
        if (lower == "none" || value.empty()) {
            scenario.RouteGateway.clear();
            return true;
        }
        if (!ParseAddress(value))
            return fail("not a dotted IPv4 address or none");
        scenario.RouteGateway = value;
        return true;
    }
    if (key == "packets")
        return ParseFlag(value, "on", "off", scenario.Packets) || fail("not on or off");
    if (key == "ignore_exit_event")
        return ParseFlag(value, "1", "0", scenario.IgnoreExitEvent) || fail("not 0 or 1");
    if (key == "init_with_errors")
        return ParseFlag(value, "1", "0", scenario.InitWithErrors) || fail("not 0 or 1");
    if (key == "drop_after_s")
        return ParseSeconds(value, scenario.DropAfterSeconds) || fail("not a number of seconds");
    if (key == "adapter") {
        if (lower == "auto")
            scenario.Adapter = EAdapter::Auto;
        else if (lower == "present")
            scenario.Adapter = EAdapter::Present;
        else if (lower == "absent")
            scenario.Adapter = EAdapter::Absent;
        else
            return fail("not auto, present or absent");
        return true;
    }
    if (key == "exit_code")
        return ParseNumber(value, 255, scenario.ExitCode) || fail("not 0 to 255");
    if (key == "expect_user")
        return (scenario.ExpectUser = value, true);
    if (key == "expect_password")
        return (scenario.ExpectPassword = value, true);
    if (key == "expect_proxy_user")
        return (scenario.ExpectProxyUser = value, true);
    if (key == "expect_proxy_password")
        return (scenario.ExpectProxyPassword = value, true);
    if (key == "tapinstall_result")
        return ParseNumber(value, 2, scenario.TapinstallResult) || fail("not 0, 1 or 2");
    if (key == "tapinstall_delay_ms")
        return ParseNumber(value, 60000, scenario.TapinstallDelayMs) || fail("not 0 to 60000");
    return fail("unknown key");
}

} // namespace

CDoubleScenario ParseDoubleScenario(const std::string& text)
{
    CDoubleScenario scenario;
    scenario.Problems = ForEachScenarioLine(
        text, [&](const std::string& key, const std::string& value, std::string& why) {
            return ApplyLine(key, value, scenario, why);
        });
    return scenario;
}
