#include "SerialPortNames.h"

#include <algorithm>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digits of text from `from` on, without leading zeros; `to` ends up past them.
std::string_view Number(const std::string& text, std::size_t from, std::size_t& to)
{
    to = from;
    while (to < text.size() && IsDigit(text[to]))
        ++to;
    while (from + 1 < to && text[from] == '0')
        ++from;
    return std::string_view(text).substr(from, to - from);
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view na = Number(a, i, i);
            const std::string_view nb = Number(b, j, j);
            if (na.size() != nb.size())
                return na.size() < nb.size();
            if (na != nb)
                return na < nb;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

void SortPortNames(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(), NaturalLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
}
