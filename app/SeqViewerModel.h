#pragma once
// What "View sequence..." shows, whatever draws it: the image of a sequence
// file (or why there is none), named with its time and what it holds; the
// report of the last conversion, named with its MIDI file and time; and
// how the picture is looked at: which times show across (zoomed in, or the
// whole show), the time cursor, and what is on at the cursor. Every text of
// the viewer in either language. A face lays the picture out with Picture()
// for its size, draws it, and forwards clicks, keys, the wheel and its
// scroll bar; it decides nothing.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ConversionReport.h"
#include "SeqImage.h"
#include "SeqPicture.h"

enum class TViewerPage { Sequence, Report };

// What the report tab tells of: the last Convert, whatever came of it.
struct TConversionRecord {
    std::string MidiFile;
    std::string SeqFile;
    std::uint16_t ResolutionMs = 1000;
    std::chrono::system_clock::time_point When{};
    std::optional<TConversionOutcome> Outcome{};  // none when an error ended it
    std::string Error{};                          // that error's text
    std::optional<TRefusal> Refusal{};
    std::optional<TConversionReport> Report{};    // once the file was read

    bool Written() const { return Outcome == TConversionOutcome::Written; }
};

// What the viewer's keys and buttons do.
enum class TViewerCommand {
    ZoomIn, ZoomOut, FitToWindow,
    CursorLeft, CursorRight,              // one slot
    PreviousChange, NextChange,           // to the slot of the frame before or after
    PreviousLabel, NextLabel,             // to the labelled time before or after
    PageLeft, PageRight,                  // a window's width
    CursorHome, CursorEnd,
    // Playing the show on the device, from the cursor: the window model's.
    Play, Pause, StopPlay,
};

// Whether a command plays the show on the device (the window model runs
// it) rather than moving the view.
constexpr bool PlaysTheShow(TViewerCommand command)
{
    return command == TViewerCommand::Play || command == TViewerCommand::Pause ||
           command == TViewerCommand::StopPlay;
}

// A key of the viewer's picture, as "Ctrl++" or "Left".
struct TViewerKey {
    TViewerCommand Command;
    const char* Key;
};
std::span<const TViewerKey> ViewerKeys();

// The viewer's horizontal scroll bar, in milliseconds.
struct TViewerScroll {
    int Maximum = 0;  // 0: the whole show shows, no scrolling
    int PageStep = 0;
    int SingleStep = 0;
    int Value = 0;
    bool operator==(const TViewerScroll&) const = default;
};

// A window's first size: the design's 1000 by 640 logical pixels, but never
// more than nine tenths of the room the screen leaves, whatever its scale.
struct TViewerSize {
    int Width = 0;
    int Height = 0;
};
TViewerSize ViewerSizeFor(int availableWidth, int availableHeight);

class TSeqViewerModel {
public:
    // The least that shows across once zoomed in: this many slots.
    static constexpr int FewestSlots = 8;

    // Reads seqFileName: its image, or why there is none. A new file shows
    // whole, without a cursor; the same file read again keeps the view.
    void Load(const std::string& seqFileName);
    // The last conversion; none before the first.
    void SetConversion(const std::optional<TConversionRecord>& conversion) { conversion_ = conversion; }

    // The image when it could be read and checked, else null.
    const TSeqImage* Image() const { return image_ ? &*image_ : nullptr; }
    const std::string& FileName() const { return fileName_; }
    // Why no picture shows; empty while one shows.
    std::string Problem(std::uint8_t language) const;
    // The viewer's title, naming the file shown.
    std::string Title(std::uint8_t language) const;
    // Above the picture: the file, when it was written, what it holds; and
    // when the last conversion meant to replace it and did not, that this
    // is the file from before.
    std::string Heading(std::uint8_t language) const;
    // The report tab: which conversion, when and what came of it, then its
    // summary and lines; or that there is none yet.
    std::string ReportText(std::uint8_t language) const;

    static std::string SequenceTab(std::uint8_t language);
    static std::string ReportTab(std::uint8_t language);
    // A button's caption for the commands that have one (zoom, fit).
    static std::string CommandText(TViewerCommand command, std::uint8_t language);

    // The tab to bring forward when the viewer is shown.
    TViewerPage Page() const { return page_; }
    void SetPage(TViewerPage page) { page_ = page; }

    // The picture's width, as the face draws it: zooming and the cursor
    // keys work in its pixels.
    void SetWidth(double width);
    // The picture for the face's size, of the times shown, with the cursor.
    TSeqPicture Picture(double width, double height, std::uint8_t language) const;

    // Zooms in or out by a step, keeping the time at x (in the picture) in
    // place; without x, the cursor's time when it shows, else the middle.
    void Zoom(bool in, std::optional<double> x = std::nullopt);
    void Run(TViewerCommand command);
    bool CanZoomIn() const;
    bool CanZoomOut() const;
    // The first time shown, from the scroll bar.
    void ScrollTo(int ms);
    // Scrolls by a number of pixels (the wheel, sideways).
    void ScrollBy(double pixels);
    TViewerScroll Scroll() const;
    // The times shown across.
    double FromMs() const { return fromMs_; }
    double SpanMs() const { return spanMs_; }

    // Places the cursor on the slot at x in the picture.
    void PlaceCursor(double x);
    // Places the cursor on the slot of a time (where a play paused).
    void PlaceCursorAt(std::uint32_t ms) { MoveCursorTo(ms); }
    // Where the show played on the device stands, kept in view; none when
    // it does not play.
    void SetPlayPosition(std::optional<std::uint32_t> ms);
    std::optional<std::uint32_t> PlayPosition() const { return playMs_; }
    std::optional<std::uint32_t> CursorMs() const { return cursorMs_; }
    // What is on at the cursor: each output above 0 with its level; or how
    // to place the cursor.
    std::string Readout(std::uint8_t language) const;

private:
    double EndMs() const;
    double SlotMs() const;
    double MsPerPixel() const;
    // The slot of a time, within the show.
    std::uint32_t SlotTime(double ms) const;
    void MoveCursorTo(double ms);
    void KeepFirstInRange();

    std::optional<TSeqImage> image_;
    std::string fileName_;
    std::optional<ESeqImageError> error_;
    std::optional<std::chrono::system_clock::time_point> written_;
    std::optional<TConversionRecord> conversion_;
    TViewerPage page_ = TViewerPage::Sequence;
    double width_ = 1000;
    double fromMs_ = 0;
    double spanMs_ = 0;  // 0: the whole show
    std::optional<std::uint32_t> cursorMs_;
    std::optional<std::uint32_t> playMs_;
};

// "2026-12-08 21:35:10", in the local time.
std::string LocalDateTime(std::chrono::system_clock::time_point when);
