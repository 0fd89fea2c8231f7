// The driver's command line: a command name, positional values and --options. Which options a
// command accepts is its own business (see the command table); this only splits the words.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

class CCommandLine {
public:
    // Options in valueOptions take the next word (or "=value") as their value; any other
    // "--name" is a flag. "--" ends the options, so a positional text may start with "--".
    bool Parse(const std::vector<std::wstring>& words, const std::vector<std::wstring>& valueOptions,
               std::wstring& error);

    const std::wstring& Command() const { return m_command; }
    const std::vector<std::wstring>& Positional() const { return m_positional; }
    const std::map<std::wstring, std::wstring>& Options() const { return m_options; }

    bool Has(const std::wstring& name) const { return m_options.count(name) != 0; }
    std::optional<std::wstring> Value(const std::wstring& name) const;

private:
    std::wstring m_command;
    std::vector<std::wstring> m_positional;
    std::map<std::wstring, std::wstring> m_options;  // flags map to ""
};

// A number in C notation: decimal, 0x hexadecimal or leading-0 octal; false if not all of the
// text is a number.
bool ParseNumber(const std::wstring& text, long long& value);
// Seconds with an optional fraction ("2", "0.5"); false if not a non-negative number.
bool ParseSeconds(const std::wstring& text, double& seconds);
