#pragma once
// torem-live's lines as the tests compare them: one string a line, the time
// each begins with taken out ("torem-live: 20:31:05.123 port COM12: Open."
// reads "torem-live: port COM12: Open."), carriage returns dropped.

#include <regex>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> ConsoleLines(const std::string& text)
{
    static const std::regex time(R"(^(torem-live: )\d\d:\d\d:\d\d\.\d\d\d )");
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::regex_replace(line, time, "$1"));
    }
    return lines;
}
