#include "QtSerialPortList.h"

#include <algorithm>
#include <cctype>

#include <QSerialPortInfo>

namespace {

// Runs of digits compare by value, everything else byte by byte.
bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
        if (isDigit(a[i]) && isDigit(b[j])) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            std::string na = a.substr(i, ei - i);
            std::string nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace

std::vector<std::string> SystemSerialPortPaths()
{
    std::vector<std::string> paths;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        paths.push_back(port.systemLocation().toStdString());
    std::sort(paths.begin(), paths.end(), NaturalLess);
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}
