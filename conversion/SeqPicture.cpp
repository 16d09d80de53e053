#include "SeqPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "Text.h"

namespace {

constexpr double FontSize = 11;
constexpr double Top = 10;
constexpr double Bottom = 40;        // time labels and the axis title
constexpr double LabelColumn = 64;   // output labels and bank headings
constexpr double Right = 24;
constexpr double HeadingHeight = 18;
constexpr double BankGap = 8;
constexpr double LabelSpacing = 12;  // the least distance between two output labels
constexpr double TickSpacing = 72;   // the least distance between two time labels
constexpr double OpenRows = 720;     // the rows' height when the area leaves it open
constexpr double MinRow = 2;
constexpr double MaxRow = 18;

constexpr TRgb White{255, 255, 255};
constexpr TRgb Ink{40, 40, 40};
constexpr TRgb GridColour{222, 222, 222};
constexpr TRgb AxisColour{110, 110, 110};

struct TBank {
    TRgb Hue;   // of a bar at level 255
    TRgb Band;  // behind its rows
    ViewerEntry Heading;
};
constexpr std::array<TBank, 2> Banks{{
    {{28, 99, 196}, {237, 243, 251}, ViewerEntry::Channel1},
    {{204, 88, 12}, {251, 241, 232}, ViewerEntry::Channel2},
}};

constexpr std::size_t BankOf(std::uint8_t output)
{
    return output < 128 ? 0 : 1;
}

// Distances between time labels, the first that leaves room wins.
constexpr std::array<std::uint32_t, 19> TickSteps{100,    200,    500,     1000,    2000,    5000,   10000,
                                                  15000,  30000,  60000,   120000,  300000,  600000, 900000,
                                                  1800000, 3600000, 7200000, 14400000, 21600000};

struct TChange {
    std::uint32_t TimeMs;
    std::uint8_t Level;
};

std::string SecondsLabel(std::uint32_t ms, std::uint32_t step)
{
    char text[32];
    if (step % 1000 == 0)
        std::snprintf(text, sizeof text, "%u", ms / 1000);
    else
        std::snprintf(text, sizeof text, "%u.%u", ms / 1000, ms % 1000 / 100);
    return text;
}

// The bars of one output's changes: one from each change to a level above
// 0 to the next change, the last to endMs.
std::vector<TPictureBar> BarsOf(std::uint8_t output, const std::vector<TChange>& changes, std::uint32_t endMs)
{
    std::vector<TPictureBar> bars;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (changes[i].Level == 0)
            continue;
        TPictureBar bar;
        bar.Output = output;
        bar.Level = changes[i].Level;
        bar.FromMs = changes[i].TimeMs;
        bar.ToMs = i + 1 < changes.size() ? changes[i + 1].TimeMs : endMs;
        bars.push_back(bar);
    }
    return bars;
}

// Places the bars of a row, a run of bars narrower than a pixel with gaps
// narrower than one becoming one bar; no bar narrower than a pixel is left.
void PlaceRow(std::vector<TPictureBar>& bars, double left, double scale, double y, double height,
              std::vector<TPictureBar>& placed)
{
    bool runOpen = false;  // the last bar placed began as a narrow one
    for (TPictureBar& bar : bars) {
        bar.X = left + bar.FromMs * scale;
        bar.Width = (bar.ToMs - bar.FromMs) * scale;
        bar.Y = y;
        bar.Height = height;
        const bool narrow = bar.Width < 1;
        if (narrow && runOpen && bar.X - (placed.back().X + placed.back().Width) < 1) {
            TPictureBar& run = placed.back();
            run.Width = bar.X + bar.Width - run.X;
            run.ToMs = bar.ToMs;
            run.Level = std::max(run.Level, bar.Level);
            ++run.Runs;
            continue;
        }
        placed.push_back(bar);
        runOpen = narrow;
    }
}

}  // namespace

TRgb BarColour(std::uint8_t output, std::uint8_t level)
{
    // From a pale tint at the lowest level to the bank's full hue at 255.
    const TRgb hue = Banks[BankOf(output)].Hue;
    const double depth = 0.2 + 0.8 * level / 255.0;
    const auto mix = [depth](std::uint8_t full) {
        return static_cast<std::uint8_t>(std::lround(255 - (255 - full) * depth));
    };
    return {mix(hue.R), mix(hue.G), mix(hue.B)};
}

TSeqPicture LayOutSequence(const TSeqImage& image, std::uint8_t languageIndex, TPictureArea area)
{
    const auto text = [languageIndex](ViewerEntry entry) { return Text(entry, languageIndex); };

    // Each output's changes in time order; of two at one time (a hand-made
    // image may hold them) the later one counts.
    std::array<std::vector<TChange>, 256> changes;
    for (std::size_t f = 0; f < image.Frames.size(); ++f) {
        const std::uint32_t time = image.TimeOf(f);
        for (const TCntTrameData& pair : image.Frames[f].Pairs) {
            std::vector<TChange>& output = changes[pair.Contact];
            if (!output.empty() && output.back().TimeMs == time)
                output.back().Level = pair.Value;
            else
                output.push_back({time, pair.Value});
        }
    }
    // Outputs still on at the last change show for one more slot at least.
    const std::uint32_t lastMs = image.TimeOf(image.Frames.empty() ? 0 : image.Frames.size() - 1);
    const std::uint32_t endMs = std::max<std::uint32_t>(lastMs + image.ResolutionMs, 1000);

    std::array<std::vector<std::uint8_t>, 2> rows;  // the outputs used, by bank
    for (int output = 0; output < 256; ++output)
        if (!changes[static_cast<std::size_t>(output)].empty())
            rows[BankOf(static_cast<std::uint8_t>(output))].push_back(static_cast<std::uint8_t>(output));
    const std::size_t rowCount = rows[0].size() + rows[1].size();
    const int banks = (rows[0].empty() ? 0 : 1) + (rows[1].empty() ? 0 : 1);
    const double headings = banks * HeadingHeight + std::max(banks - 1, 0) * BankGap;

    TSeqPicture picture;
    picture.LanguageIndex = languageIndex;
    picture.FontSize = FontSize;
    picture.Background = White;
    picture.Width = std::max(area.Width, LabelColumn + Right + 100);
    double rowHeight = MaxRow;
    if (rowCount > 0) {
        const double room = area.Height > 0 ? area.Height - Top - Bottom - headings : OpenRows;
        rowHeight = std::clamp(room / static_cast<double>(rowCount), MinRow, MaxRow);
    }
    const double rowsHeight = rowCount > 0 ? headings + rowHeight * static_cast<double>(rowCount) : 3 * HeadingHeight;
    picture.Height = std::max(area.Height, Top + rowsHeight + Bottom);

    const double left = LabelColumn;
    const double plotWidth = picture.Width - LabelColumn - Right;
    const double plotBottom = Top + rowsHeight;
    const double scale = plotWidth / endMs;

    // The time grid: a labelled line every step, as close as labels allow.
    const std::uint32_t* step = std::find_if(TickSteps.begin(), TickSteps.end(),
                                             [scale](std::uint32_t s) { return s * scale >= TickSpacing; });
    const std::uint32_t tick = step != TickSteps.end() ? *step : TickSteps.back();
    for (std::uint64_t ms = 0; ms <= endMs; ms += tick) {
        const double x = left + static_cast<double>(ms) * scale;
        picture.Lines.push_back({x, Top, x, plotBottom, GridColour});
        picture.Texts.push_back({x, plotBottom + 14, SecondsLabel(static_cast<std::uint32_t>(ms), tick),
                                 TTextAnchor::Middle, Ink, false});
    }
    picture.Lines.push_back({left, plotBottom, left + plotWidth, plotBottom, AxisColour});
    picture.Texts.push_back({left + plotWidth, plotBottom + 30, text(ViewerEntry::TimeAxis), TTextAnchor::End, Ink,
                             false});

    if (rowCount == 0) {
        picture.Texts.push_back({left + plotWidth / 2, Top + 1.8 * HeadingHeight, text(ViewerEntry::NoChanges),
                                 TTextAnchor::Middle, Ink, false});
        return picture;
    }

    // The banks, each under its heading, a label every few rows as room allows.
    const auto labelEvery = static_cast<std::size_t>(std::ceil(LabelSpacing / rowHeight));
    const double barHeight = rowHeight >= 4 ? rowHeight - std::max(1.0, rowHeight / 6) : rowHeight;
    double y = Top;
    for (std::size_t b = 0; b < rows.size(); ++b) {
        if (rows[b].empty())
            continue;
        if (y > Top)
            y += BankGap;
        const TBank& bank = Banks[b];
        picture.Texts.push_back({4, y + HeadingHeight - 5, text(bank.Heading), TTextAnchor::Start, bank.Hue, true});
        y += HeadingHeight;
        picture.Bands.push_back({left, y, plotWidth, rowHeight * static_cast<double>(rows[b].size()), bank.Band});
        for (std::size_t r = 0; r < rows[b].size(); ++r) {
            const std::uint8_t output = rows[b][r];
            if (r % labelEvery == 0)
                picture.Texts.push_back({left - 6, y + rowHeight / 2 + FontSize * 0.35, std::to_string(output),
                                         TTextAnchor::End, Ink, false});
            std::vector<TPictureBar> bars = BarsOf(output, changes[output], endMs);
            const std::size_t first = picture.Bars.size();
            PlaceRow(bars, left, scale, y + (rowHeight - barHeight) / 2, barHeight, picture.Bars);
            for (std::size_t i = first; i < picture.Bars.size(); ++i) {
                TPictureBar& bar = picture.Bars[i];
                bar.Width = std::max(bar.Width, 1.0);
                bar.Colour = BarColour(output, bar.Level);
            }
            y += rowHeight;
        }
    }
    return picture;
}

std::string BarText(const TSeqPicture& picture, const TPictureBar& bar)
{
    const auto text = [&picture](ViewerEntry entry) { return LookupText(entry, picture.LanguageIndex); };
    std::string described = Fill(text(ViewerEntry::Bar), {std::to_string(bar.Output), std::to_string(bar.Level),
                                                           ClockTime(bar.FromMs), ClockTime(bar.ToMs)});
    if (bar.Runs > 1)
        described += Fill(text(ViewerEntry::Runs), {std::to_string(bar.Runs)});
    return described;
}

const TPictureBar* BarAt(const TSeqPicture& picture, double x, double y)
{
    for (auto bar = picture.Bars.rbegin(); bar != picture.Bars.rend(); ++bar)
        if (x >= bar->X && x < bar->X + bar->Width && y >= bar->Y && y < bar->Y + bar->Height)
            return &*bar;
    return nullptr;
}
