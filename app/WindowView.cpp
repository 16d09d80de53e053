#include "WindowView.h"

#include <algorithm>

namespace {

constexpr std::string_view Ellipsis = "\xE2\x80\xA6";  // …

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The first count characters of text, never half a UTF-8 sequence.
std::string_view FirstCharacters(std::string_view text, std::size_t count)
{
    std::size_t at = 0;
    for (; at < text.size() && count > 0; --count)
        for (++at; at < text.size() && IsContinuationByte(text[at]); ++at) {
        }
    return text.substr(0, at);
}

// The last count characters of text.
std::string_view LastCharacters(std::string_view text, std::size_t count)
{
    std::size_t at = text.size();
    for (; at > 0 && count > 0; --count)
        for (--at; at > 0 && IsContinuationByte(text[at]); --at) {
        }
    return text.substr(at);
}

std::size_t Characters(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

// The largest n in [0, most] for which fits(n) holds, fits being true for
// every n up to some bound; 0 when none fits.
template <typename TFits>
std::size_t Largest(std::size_t most, TFits fits)
{
    std::size_t low = 0;
    std::size_t high = most;
    while (low < high) {
        const std::size_t middle = low + (high - low + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

}  // namespace

double CharacterCount(std::string_view text)
{
    return static_cast<double>(Characters(text));
}

std::string FittedLabelText(const TValueLabel& label, double width, const TTextWidth& measure)
{
    const std::string whole = label.Prefix + label.Value + label.Suffix;
    if (label.Elide == TValueLabel::TElide::None || measure(whole) <= width)
        return whole;
    const auto text = [&](std::string_view first, std::string_view last) {
        return label.Prefix + std::string(first) + std::string(Ellipsis) + std::string(last) + label.Suffix;
    };
    // Where not even an ellipsis fits, the suffix alone tells.
    if (measure(text({}, {})) > width)
        return label.Prefix + label.Suffix;
    const std::string_view value = label.Value;
    const std::size_t characters = Characters(value);
    if (label.Elide == TValueLabel::TElide::Start) {
        const std::size_t n =
            Largest(characters, [&](std::size_t count) { return measure(text({}, LastCharacters(value, count))) <= width; });
        return text({}, LastCharacters(value, n));
    }
    // The kept end whole, as much of the head before it as fits.
    const std::size_t keep = std::min(label.KeepEnd, value.size());
    const std::string_view head = value.substr(0, value.size() - keep);
    const std::string_view tail = value.substr(value.size() - keep);
    if (keep > 0 && measure(text({}, tail)) <= width) {
        const std::size_t n = Largest(Characters(head), [&](std::size_t count) {
            return measure(text(FirstCharacters(head, count), tail)) <= width;
        });
        return text(FirstCharacters(head, n), tail);
    }
    // Else as much of both ends as fits, the end's share the larger.
    const auto split = [&](std::size_t count) {
        return text(FirstCharacters(value, count / 2), LastCharacters(value, count - count / 2));
    };
    return split(Largest(characters, [&](std::size_t count) { return measure(split(count)) <= width; }));
}
