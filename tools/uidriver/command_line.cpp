#include "tools/uidriver/command_line.h"

#include <algorithm>
#include <cwchar>

bool CCommandLine::Parse(const std::vector<std::wstring>& words, const std::vector<std::wstring>& valueOptions,
                         std::wstring& error)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::wstring& word = words[i];
        if (optionsEnded || word.size() < 3 || word.compare(0, 2, L"--") != 0) {
            if (word == L"--") {
                optionsEnded = true;
                continue;
            }
            if (m_command.empty())
                m_command = word;
            else
                m_positional.push_back(word);
            continue;
        }
        std::wstring name = word.substr(2);
        std::optional<std::wstring> value;
        if (const size_t equals = name.find(L'='); equals != std::wstring::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        const bool takesValue = std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end();
        if (takesValue && !value) {
            if (i + 1 == words.size()) {
                error = L"option --" + name + L" needs a value";
                return false;
            }
            value = words[++i];
        }
        if (!takesValue && value) {
            error = L"option --" + name + L" takes no value";
            return false;
        }
        m_options[name] = value.value_or(L"");
    }
    if (m_command.empty()) {
        error = L"no command given";
        return false;
    }
    return true;
}

std::optional<std::wstring> CCommandLine::Value(const std::wstring& name) const
{
    const auto found = m_options.find(name);
    if (found == m_options.end())
        return std::nullopt;
    return found->second;
}

bool ParseNumber(const std::wstring& text, long long& value)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    value = std::wcstoll(text.c_str(), &end, 0);
    return end && *end == L'\0';
}

bool ParseSeconds(const std::wstring& text, double& seconds)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    seconds = std::wcstod(text.c_str(), &end);
    return end && *end == L'\0' && seconds >= 0;
}
