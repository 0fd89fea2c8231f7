// The value syntax shared by the doubles' scenario files: "key=value" lines whose values are
// trimmed words, small decimal numbers, seconds and dotted IPv4 addresses. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scenario_values
{
// Without blanks, tabs and CRs at either end.
std::string Trim(const std::string& text);
// ASCII letters folded to lower case.
std::string Lower(std::string text);
// Decimal digits only, at most `limit`.
bool ParseNumber(const std::string& text, uint32_t limit, uint32_t& value);
// Digits and a decimal point, at most a day.
bool ParseSeconds(const std::string& text, double& value);
// Four decimal parts of at most 255.
bool ParseAddress(const std::string& text);

// Hands every "key=value" line to `apply` (the key trimmed and in lower case, the value trimmed);
// blank lines and lines starting with '#' or ';' are skipped. Returns a problem per line that has
// no '=' or that `apply` refused, with its reason ("line N: why").
std::vector<std::string> ForEachScenarioLine(
    const std::string& text, const std::function<bool(const std::string& key, const std::string& value, std::string& why)>& apply);
}
