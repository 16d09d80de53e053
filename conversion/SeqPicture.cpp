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
constexpr double LabelColumn = PicturePlotLeft;  // output labels and bank headings
constexpr double Right = 24;
constexpr double HeadingHeight = 18;
constexpr double BankGap = 8;
constexpr double LabelSpacing = 12;  // the least distance between two output labels
constexpr double TickSpacing = 72;   // the least distance between two time labels
constexpr double OpenRows = 720;     // the rows' height when the area leaves it open
constexpr double MaxRow = 18;

constexpr TRgb White{255, 255, 255};
constexpr TRgb Ink{40, 40, 40};
constexpr TRgb Faint{150, 150, 150};        // the labels and words of rows never on
constexpr TRgb NeverOnBand{236, 236, 236};  // behind a row never on
constexpr TRgb CursorColour{214, 0, 0};
constexpr TRgb PlayColour{0, 150, 60};
constexpr std::size_t NeverOnListed = 16;   // outputs named in the legend
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

// Places the bars of a row between the times from and to, a run of bars
// narrower than a pixel with gaps narrower than one becoming one bar; no
// bar narrower than a pixel is left. A bar across either edge is cut there.
void PlaceRow(std::vector<TPictureBar>& bars, double left, double scale, double fromMs, double toMs, double y,
              double height, std::vector<TPictureBar>& placed)
{
    bool runOpen = false;  // the last bar placed began as a narrow one
    for (TPictureBar& bar : bars) {
        if (bar.ToMs <= fromMs || bar.FromMs >= toMs)
            continue;
        bar.X = left + (std::max<double>(bar.FromMs, fromMs) - fromMs) * scale;
        bar.Width = left + (std::min<double>(bar.ToMs, toMs) - fromMs) * scale - bar.X;
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

std::uint32_t SequenceEndMs(const TSeqImage& image)
{
    const std::uint32_t lastMs = image.TimeOf(image.Frames.empty() ? 0 : image.Frames.size() - 1);
    return std::max<std::uint32_t>(lastMs + image.ResolutionMs, 1000);
}

double PlotWidthFor(double width)
{
    return std::max(width, LabelColumn + Right + 100) - LabelColumn - Right;
}

std::uint32_t TickStepMs(double msPerPixel)
{
    const auto step = std::find_if(TickSteps.begin(), TickSteps.end(),
                                   [msPerPixel](std::uint32_t s) { return s >= TickSpacing * msPerPixel; });
    return step != TickSteps.end() ? *step : TickSteps.back();
}

double TimeAtX(const TSeqPicture& picture, double x)
{
    const double share = picture.PlotWidth > 0 ? (x - picture.PlotLeft) / picture.PlotWidth : 0;
    return picture.FromMs + std::clamp(share, 0.0, 1.0) * (picture.ToMs - picture.FromMs);
}

std::string ShowTime(std::uint32_t ms, bool hours)
{
    char text[40];
    const unsigned seconds = ms / 1000 % 60;
    if (hours)
        std::snprintf(text, sizeof text, "%u:%02u:%02u", ms / 3600000, ms / 60000 % 60, seconds);
    else
        std::snprintf(text, sizeof text, "%u:%02u", ms / 60000, seconds);
    std::string shown = text;
    if (const unsigned part = ms % 1000; part != 0) {
        std::snprintf(text, sizeof text, ".%03u", part);
        shown += text;
        shown.erase(shown.find_last_not_of('0') + 1);
    }
    return shown;
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
    const std::uint32_t endMs = SequenceEndMs(image);
    const bool hours = HourLabels(endMs);

    std::array<std::vector<std::uint8_t>, 2> rows;  // the outputs used, by bank
    std::vector<std::uint8_t> neverOn;
    for (int output = 0; output < 256; ++output) {
        const std::vector<TChange>& own = changes[static_cast<std::size_t>(output)];
        if (own.empty())
            continue;
        rows[BankOf(static_cast<std::uint8_t>(output))].push_back(static_cast<std::uint8_t>(output));
        if (std::all_of(own.begin(), own.end(), [](const TChange& c) { return c.Level == 0; }))
            neverOn.push_back(static_cast<std::uint8_t>(output));
    }
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
        rowHeight = std::clamp(room / static_cast<double>(rowCount), std::min(area.MinRow, MaxRow), MaxRow);
    }
    const double rowsHeight = rowCount > 0 ? headings + rowHeight * static_cast<double>(rowCount) : 3 * HeadingHeight;
    picture.Height = std::max(area.Height, Top + rowsHeight + Bottom);

    const double left = LabelColumn;
    const double plotWidth = PlotWidthFor(picture.Width);
    const double plotBottom = Top + rowsHeight;
    const double fromMs = std::clamp(area.FromMs, 0.0, static_cast<double>(endMs) - 1);
    const double toMs = area.ToMs > fromMs ? std::min<double>(area.ToMs, endMs) : endMs;
    const double scale = plotWidth / (toMs - fromMs);
    picture.PlotLeft = left;
    picture.PlotWidth = plotWidth;
    picture.PlotTop = Top;
    picture.PlotBottom = plotBottom;
    picture.FromMs = fromMs;
    picture.ToMs = toMs;

    // The time grid: a labelled line every step, as close as labels allow.
    const std::uint32_t tick = TickStepMs(1 / scale);
    for (auto ms = static_cast<std::uint64_t>(std::ceil(fromMs / tick)) * tick; static_cast<double>(ms) <= toMs;
         ms += tick) {
        const double x = left + (static_cast<double>(ms) - fromMs) * scale;
        picture.Lines.push_back({x, Top, x, plotBottom, GridColour});
        picture.Texts.push_back({x, plotBottom + 14, ShowTime(static_cast<std::uint32_t>(ms), hours),
                                 TTextAnchor::Middle, Ink, false});
    }
    picture.Lines.push_back({left, plotBottom, left + plotWidth, plotBottom, AxisColour});
    picture.Texts.push_back({left + plotWidth, plotBottom + 30,
                             Fill(text(ViewerEntry::TimeAxis), {hours ? "h:mm:ss" : "m:ss"}), TTextAnchor::End, Ink,
                             false});
    if (area.CursorMs && *area.CursorMs >= fromMs && *area.CursorMs <= toMs) {
        const double x = left + (*area.CursorMs - fromMs) * scale;
        picture.Cursor = TPictureLine{x, Top, x, plotBottom, CursorColour};
    }
    if (area.PlayMs && *area.PlayMs >= fromMs && *area.PlayMs <= toMs) {
        const double x = left + (*area.PlayMs - fromMs) * scale;
        picture.Play = TPictureLine{x, Top, x, plotBottom, PlayColour};
    }

    if (rowCount == 0) {
        picture.Texts.push_back({left + plotWidth / 2, Top + 1.8 * HeadingHeight, text(ViewerEntry::NoChanges),
                                 TTextAnchor::Middle, Ink, false});
        return picture;
    }
    if (!neverOn.empty()) {
        std::string outputs;
        for (std::size_t i = 0; i < std::min(neverOn.size(), NeverOnListed); ++i)
            outputs += (i > 0 ? ", " : "") + std::to_string(neverOn[i]);
        if (neverOn.size() > NeverOnListed)
            outputs += ", ...";
        picture.Texts.push_back({4, plotBottom + 30, Fill(text(ViewerEntry::NeverOnLegend), {outputs}),
                                 TTextAnchor::Start, Faint, false});
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
            const bool never = std::binary_search(neverOn.begin(), neverOn.end(), output);
            picture.Rows.push_back({output, y, rowHeight, never});
            const double baseline = y + rowHeight / 2 + FontSize * 0.35;
            if (r % labelEvery == 0)
                picture.Texts.push_back({left - 6, baseline, std::to_string(output), TTextAnchor::End,
                                         never ? Faint : Ink, false});
            if (never) {
                picture.Bands.push_back({left, y, plotWidth, rowHeight, NeverOnBand});
                if (rowHeight >= FontSize)
                    picture.Texts.push_back(
                        {left + 6, baseline, text(ViewerEntry::NeverOn), TTextAnchor::Start, Faint, false});
            }
            std::vector<TPictureBar> bars = BarsOf(output, changes[output], endMs);
            const std::size_t first = picture.Bars.size();
            PlaceRow(bars, left, scale, fromMs, toMs, y + (rowHeight - barHeight) / 2, barHeight, picture.Bars);
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
