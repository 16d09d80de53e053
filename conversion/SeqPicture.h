#pragma once
// The picture of a sequence, laid out once for every way of drawing it (the
// SVG file of torem-seq, the window's viewer): time across, labelled in
// m:ss (h:mm:ss for a show of an hour or more); the outputs used down the
// side, channel 1's bank and channel 2's each under its heading and in its
// own colour; one bar per output from each switch-on to its next change,
// the deeper in colour the higher the level. An output that is only ever
// switched off has its row marked as never on.
//
// It reads at a glance whatever the length of the show: the time labels
// keep a readable distance, output labels thin out when rows get narrow,
// and a run of bars narrower than a pixel, with gaps narrower than one,
// becomes one bar at the highest level of the run. The viewer lays out the
// part of the show it shows (zoomed in), with its time cursor.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Rgb.h"
#include "SeqImage.h"

// What to lay the picture out for: a width, and a height, or 0 for the
// height that gives each output a comfortable row; the times shown across
// (ToMs 0: the whole show); where the time cursor stands, if anywhere.
struct TPictureArea {
    double Width = 1200;
    double Height = 0;
    double FromMs = 0;
    double ToMs = 0;
    std::optional<std::uint32_t> CursorMs{};
    // Where a show played on the device stands, if one plays.
    std::optional<std::uint32_t> PlayMs{};
    // The narrowest row: a window may go down to a pixel, to keep its time
    // axis in sight.
    double MinRow = 2;
};

struct TPictureRect {
    double X = 0, Y = 0, Width = 0, Height = 0;
    TRgb Colour;
};

struct TPictureLine {
    double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    TRgb Colour;
};

enum class TTextAnchor { Start, Middle, End };

struct TPictureText {
    double X = 0, Y = 0;  // Y is the baseline
    std::string Text;
    TTextAnchor Anchor = TTextAnchor::Start;
    TRgb Colour;
    bool Bold = false;
};

// An output at a level from FromMs to ToMs; Runs > 1 when it stands for a
// run of bars too narrow to draw apart, Level then being their highest.
struct TPictureBar {
    double X = 0, Y = 0, Width = 0, Height = 0;
    TRgb Colour;
    std::uint8_t Output = 0;
    std::uint8_t Level = 0;
    std::uint32_t FromMs = 0;
    std::uint32_t ToMs = 0;
    std::uint32_t Runs = 1;
};

// The row of an output.
struct TPictureRow {
    std::uint8_t Output = 0;
    double Y = 0, Height = 0;
    bool NeverOn = false;  // only ever switched off
};

struct TSeqPicture {
    std::uint8_t LanguageIndex = 2;  // of its words
    double Width = 0;
    double Height = 0;
    double FontSize = 0;  // pixels
    TRgb Background;
    std::vector<TPictureRect> Bands;  // behind the rows of each bank, and of rows never on
    std::vector<TPictureLine> Lines;  // the time grid and the axis
    std::vector<TPictureBar> Bars;
    std::vector<TPictureText> Texts;
    std::vector<TPictureRow> Rows;
    std::optional<TPictureLine> Cursor;  // drawn over everything
    std::optional<TPictureLine> Play;    // where the show played stands, over the rest
    // Where the times go across: FromMs at PlotLeft, ToMs at PlotLeft + PlotWidth.
    double PlotLeft = 0, PlotWidth = 0, PlotTop = 0, PlotBottom = 0;
    double FromMs = 0, ToMs = 0;
};

// The colour of a bar of an output at a level (above 0).
TRgb BarColour(std::uint8_t output, std::uint8_t level);

// Where the whole show ends in the picture: one slot past the last change,
// and never before 1 s.
std::uint32_t SequenceEndMs(const TSeqImage& image);

// Where the times begin across a picture, right of the output labels.
inline constexpr double PicturePlotLeft = 64;
// The width the times get in a picture of the given width.
double PlotWidthFor(double width);

// Whether the times of a show ending at endMs are shown with hours.
constexpr bool HourLabels(std::uint32_t endMs)
{
    return endMs >= 3600000;
}

// The time between two labels across, at a scale: as close as labels allow.
std::uint32_t TickStepMs(double msPerPixel);

// The time at x in the picture (outside the plot, that of its nearer edge).
double TimeAtX(const TSeqPicture& picture, double x);

// A time as the picture labels it: m:ss, or h:mm:ss when hours is set, with
// the tenths or hundredths a time has below the second ("1:05.25").
std::string ShowTime(std::uint32_t ms, bool hours);

// The picture of a valid image, its words in the language given.
TSeqPicture LayOutSequence(const TSeqImage& image, std::uint8_t languageIndex, TPictureArea area = {});

// What a bar of the picture stands for, in the picture's language:
// "output 10, level 255, 0:00:00.000 to 0:00:01.500", and for a run of bars
// " (50 bars, the highest level)" after it.
std::string BarText(const TSeqPicture& picture, const TPictureBar& bar);

// The last bar that holds the point (x, y), or nullptr.
const TPictureBar* BarAt(const TSeqPicture& picture, double x, double y);
