#pragma once
// The picture of a sequence, laid out once for every way of drawing it (the
// SVG file of torem-seq, the window's viewer): time across, labelled in
// seconds; the outputs used down the side, channel 1's bank and channel 2's
// each under its heading and in its own colour; one bar per output from
// each switch-on to its next change, the deeper in colour the higher the
// level.
//
// It reads at a glance whatever the length of the show: the time labels
// keep a readable distance, output labels thin out when rows get narrow,
// and a run of bars narrower than a pixel, with gaps narrower than one,
// becomes one bar at the highest level of the run.

#include <cstdint>
#include <string>
#include <vector>

#include "Rgb.h"
#include "SeqImage.h"

// What to lay the picture out for: a width, and a height, or 0 for the
// height that gives each output a comfortable row.
struct TPictureArea {
    double Width = 1200;
    double Height = 0;
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

struct TSeqPicture {
    std::uint8_t LanguageIndex = 2;  // of its words
    double Width = 0;
    double Height = 0;
    double FontSize = 0;  // pixels
    TRgb Background;
    std::vector<TPictureRect> Bands;  // behind the rows of each bank
    std::vector<TPictureLine> Lines;  // the time grid and the axis
    std::vector<TPictureBar> Bars;
    std::vector<TPictureText> Texts;
};

// The colour of a bar of an output at a level (above 0).
TRgb BarColour(std::uint8_t output, std::uint8_t level);

// The picture of a valid image, its words in the language given.
TSeqPicture LayOutSequence(const TSeqImage& image, std::uint8_t languageIndex, TPictureArea area = {});

// What a bar of the picture stands for, in the picture's language:
// "output 10, level 255, 0:00:00.000 to 0:00:01.500", and for a run of bars
// " (50 bars, the highest level)" after it.
std::string BarText(const TSeqPicture& picture, const TPictureBar& bar);

// The last bar that holds the point (x, y), or nullptr.
const TPictureBar* BarAt(const TSeqPicture& picture, double x, double y);
