#include "tools/doubles_common/scenario_values.h"

#include <algorithm>
#include <cstdlib>

namespace scenario_values
{

std::string Trim(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ParseNumber(const std::string& text, uint32_t limit, uint32_t& value)
{
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const unsigned long long number = std::strtoull(text.c_str(), nullptr, 10);
    if (number > limit)
        return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool ParseSeconds(const std::string& text, double& value)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && value <= 86400.0;
}

bool ParseAddress(const std::string& text)
{
    size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t end = part < 3 ? text.find('.', position) : text.size();
        uint32_t number = 0;
        if (end == std::string::npos || end - position > 3 ||
            !ParseNumber(text.substr(position, end - position), 255, number))
            return false;
        position = end + 1;
    }
    return true;
}

std::vector<std::string> ForEachScenarioLine(
    const std::string& text, const std::function<bool(const std::string& key, const std::string& value, std::string& why)>& apply)
{
    std::vector<std::string> problems;
    size_t position = 0;
    int lineNumber = 0;
    while (position < text.size()) {
        const size_t end = std::min(text.find('\n', position), text.size());
        const std::string line = Trim(text.substr(position, end - position));
        position = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        const size_t equals = line.find('=');
        std::string why = "no '='";
        if (equals != std::string::npos && apply(Lower(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)), why))
            continue;
        problems.push_back("line " + std::to_string(lineNumber) + ": " + why);
    }
    return problems;
}

}
