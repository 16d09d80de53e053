#include "SeqViewerModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "Text.h"
#include "Utf8.h"

namespace {

constexpr std::array Keys{
    TViewerKey{TViewerCommand::ZoomIn, "Ctrl++"},          TViewerKey{TViewerCommand::ZoomIn, "Ctrl+="},
    TViewerKey{TViewerCommand::ZoomOut, "Ctrl+-"},         TViewerKey{TViewerCommand::FitToWindow, "Ctrl+0"},
    TViewerKey{TViewerCommand::CursorLeft, "Left"},        TViewerKey{TViewerCommand::CursorRight, "Right"},
    TViewerKey{TViewerCommand::PreviousChange, "Ctrl+Left"}, TViewerKey{TViewerCommand::NextChange, "Ctrl+Right"},
    TViewerKey{TViewerCommand::PreviousLabel, "Shift+Left"}, TViewerKey{TViewerCommand::NextLabel, "Shift+Right"},
    TViewerKey{TViewerCommand::PageLeft, "PgUp"},          TViewerKey{TViewerCommand::PageRight, "PgDown"},
    TViewerKey{TViewerCommand::CursorHome, "Home"},        TViewerKey{TViewerCommand::CursorEnd, "End"},
};

// The last path element, whichever separator the system uses.
std::string FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Each output's level once the changes up to time are made, by output.
std::array<std::uint8_t, 256> LevelsAt(const TSeqImage& image, std::uint32_t time)
{
    std::array<std::uint8_t, 256> levels{};
    for (std::size_t f = 0; f < image.Frames.size() && image.TimeOf(f) <= time; ++f)
        for (const TCntTrameData& pair : image.Frames[f].Pairs)
            levels[pair.Contact] = pair.Value;
    return levels;
}

}  // namespace

std::span<const TViewerKey> ViewerKeys()
{
    return Keys;
}

TViewerSize ViewerSizeFor(int availableWidth, int availableHeight)
{
    constexpr TViewerSize Design{1000, 640};
    if (availableWidth <= 0 || availableHeight <= 0)
        return Design;
    return {std::min(Design.Width, availableWidth * 9 / 10), std::min(Design.Height, availableHeight * 9 / 10)};
}

std::string LocalDateTime(std::chrono::system_clock::time_point when)
{
    const std::time_t time = std::chrono::system_clock::to_time_t(when);
    // Only the user interface thread asks.
    const std::tm* local = std::localtime(&time);
    if (local == nullptr)
        return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    return text;
}

// ---------------------------------------------------------------------------
// The file and the conversion

void TSeqViewerModel::Load(const std::string& seqFileName)
{
    const bool sameFile = seqFileName == fileName_;
    fileName_ = seqFileName;
    image_.reset();
    error_.reset();
    written_.reset();
    if (!sameFile) {
        fromMs_ = 0;
        spanMs_ = 0;
        cursorMs_.reset();
    }
    if (seqFileName.empty())
        return;
    try {
        image_ = ReadSeqImageFile(seqFileName);
    } catch (const ESeqImageError& error) {
        error_ = error;
        return;
    }
    std::error_code ec;
    const auto modified = std::filesystem::last_write_time(PathFromUtf8(seqFileName), ec);
    if (!ec)
        written_ = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(modified));
    // The same file, now shorter, keeps what of the view still falls in it.
    if (spanMs_ >= EndMs())
        spanMs_ = 0;
    if (cursorMs_)
        cursorMs_ = SlotTime(*cursorMs_);
    KeepFirstInRange();
}

std::string TSeqViewerModel::Problem(std::uint8_t language) const
{
    if (fileName_.empty())
        return Text(MessageEntry::SeqFileMissing, language);
    if (error_)
        return DescribeImageError(*error_, language);
    return {};
}

std::string TSeqViewerModel::Title(std::uint8_t language) const
{
    if (fileName_.empty())
        return Text(ViewerEntry::Title, language);
    return Fill(Text(ViewerEntry::TitleOf, language), {FileNameOf(fileName_)});
}

std::string TSeqViewerModel::Heading(std::uint8_t language) const
{
    std::string heading;
    if (image_) {
        const std::uint32_t lastMs = image_->TimeOf(image_->Frames.size() - 1);
        heading = Fill(Text(ViewerEntry::Shows, language),
                       {fileName_, written_ ? LocalDateTime(*written_) : "?", std::to_string(image_->ResolutionMs),
                        ShowTime(lastMs, HourLabels(static_cast<std::uint32_t>(EndMs()))),
                        Counted(language, image_->ChangeCount(), Text(ReportEntry::ChangeOne, language),
                                Text(ReportEntry::ChangeMany, language))});
    }
    // A refused or declined conversion left the file as it was.
    if (conversion_ && !conversion_->Written() && conversion_->SeqFile == fileName_ && !fileName_.empty()) {
        if (!heading.empty())
            heading += '\n';
        heading += Fill(Text(ViewerEntry::NotThisConversion, language),
                        {conversion_->MidiFile, LocalDateTime(conversion_->When)});
    }
    return heading;
}

std::string TSeqViewerModel::ReportText(std::uint8_t language) const
{
    if (!conversion_)
        return Text(ViewerEntry::NoReport, language);
    const TConversionRecord& c = *conversion_;
    const ViewerEntry outcome = c.Written()                                    ? ViewerEntry::Written
                                : c.Outcome == TConversionOutcome::Declined ? ViewerEntry::Declined
                                                                            : ViewerEntry::NotWritten;
    std::string text = Fill(Text(ViewerEntry::ReportOf, language),
                            {c.MidiFile, c.SeqFile, LocalDateTime(c.When), std::to_string(c.ResolutionMs),
                             Text(outcome, language)}) +
                       '\n';
    // Why not, in the words of the box it showed, in the language of now.
    if (c.Refusal)
        for (const std::string& line : RefusalLines(*c.Refusal, language))
            text += line + '\n';
    else if (c.Outcome == TConversionOutcome::MidiFileMissing)
        text += Text(MessageEntry::MidiFileMissing, language) + '\n';
    else if (c.Outcome == TConversionOutcome::SeqFileMissing)
        text += Text(MessageEntry::SeqFileMissing, language) + '\n';
    else if (!c.Error.empty())
        text += c.Error + '\n';
    if (c.Report) {
        text += '\n' + ReportSummary(c.Report->Summary, language) + '\n';
        for (const std::string& line : ReportLines(*c.Report, language))
            text += line + '\n';
    }
    return text;
}

std::string TSeqViewerModel::SequenceTab(std::uint8_t language)
{
    return Text(ViewerEntry::SequenceTab, language);
}

std::string TSeqViewerModel::ReportTab(std::uint8_t language)
{
    return Text(ViewerEntry::ReportTab, language);
}

std::string TSeqViewerModel::CommandText(TViewerCommand command, std::uint8_t language)
{
    switch (command) {
    case TViewerCommand::ZoomIn: return Text(ViewerEntry::ZoomIn, language);
    case TViewerCommand::ZoomOut: return Text(ViewerEntry::ZoomOut, language);
    case TViewerCommand::FitToWindow: return Text(ViewerEntry::FitToWindow, language);
    case TViewerCommand::Play: return Text(RigEntry::Play, language);
    case TViewerCommand::Pause: return Text(RigEntry::Pause, language);
    case TViewerCommand::StopPlay: return Text(RigEntry::Stop, language);
    default: return {};
    }
}

// ---------------------------------------------------------------------------
// The times shown

double TSeqViewerModel::EndMs() const
{
    return image_ ? SequenceEndMs(*image_) : 1000;
}

double TSeqViewerModel::SlotMs() const
{
    return image_ ? image_->ResolutionMs : 1000;
}

double TSeqViewerModel::MsPerPixel() const
{
    return (spanMs_ > 0 ? spanMs_ : EndMs()) / PlotWidthFor(width_);
}

void TSeqViewerModel::SetWidth(double width)
{
    width_ = width;
}

TSeqPicture TSeqViewerModel::Picture(double width, double height, std::uint8_t language) const
{
    if (!image_)
        return {};
    // Rows down to a pixel: the time axis stays in sight of 256 outputs.
    const TPictureArea area{width, height, fromMs_, spanMs_ > 0 ? fromMs_ + spanMs_ : 0, cursorMs_, playMs_, 1};
    return LayOutSequence(*image_, language, area);
}

bool TSeqViewerModel::CanZoomIn() const
{
    const double fewest = std::min(EndMs(), FewestSlots * SlotMs());
    return image_ && (spanMs_ > 0 ? spanMs_ : EndMs()) > fewest;
}

bool TSeqViewerModel::CanZoomOut() const
{
    return image_ && spanMs_ > 0;
}

void TSeqViewerModel::Zoom(bool in, std::optional<double> x)
{
    if (!image_ || (in ? !CanZoomIn() : !CanZoomOut()))
        return;
    const double span = spanMs_ > 0 ? spanMs_ : EndMs();
    double anchor = fromMs_ + span / 2;
    if (x)
        anchor = fromMs_ + std::clamp((*x - PicturePlotLeft) / PlotWidthFor(width_), 0.0, 1.0) * span;
    else if (cursorMs_ && *cursorMs_ >= fromMs_ && *cursorMs_ <= fromMs_ + span)
        anchor = *cursorMs_;
    const double fewest = std::min(EndMs(), FewestSlots * SlotMs());
    const double next = in ? std::max(span / 2, fewest) : std::min(span * 2, EndMs());
    fromMs_ = anchor - (anchor - fromMs_) * next / span;
    spanMs_ = next >= EndMs() ? 0 : next;
    KeepFirstInRange();
}

void TSeqViewerModel::KeepFirstInRange()
{
    fromMs_ = spanMs_ > 0 ? std::clamp(fromMs_, 0.0, EndMs() - spanMs_) : 0;
}

void TSeqViewerModel::ScrollTo(int ms)
{
    fromMs_ = ms;
    KeepFirstInRange();
}

void TSeqViewerModel::ScrollBy(double pixels)
{
    fromMs_ += pixels * MsPerPixel();
    KeepFirstInRange();
}

TViewerScroll TSeqViewerModel::Scroll() const
{
    if (!image_ || spanMs_ <= 0)
        return {};
    return {static_cast<int>(std::lround(EndMs() - spanMs_)), static_cast<int>(std::lround(spanMs_)),
            std::max(1, static_cast<int>(std::lround(spanMs_ / 10))), static_cast<int>(std::lround(fromMs_))};
}

// ---------------------------------------------------------------------------
// The cursor

std::uint32_t TSeqViewerModel::SlotTime(double ms) const
{
    const double slot = SlotMs();
    const double last = std::floor((EndMs() - 1) / slot) * slot;
    return static_cast<std::uint32_t>(std::clamp(std::floor(ms / slot) * slot, 0.0, last));
}

void TSeqViewerModel::SetPlayPosition(std::optional<std::uint32_t> ms)
{
    playMs_ = ms;
    // Zoomed in, the view turns its page as the show goes on.
    if (ms && spanMs_ > 0 && (*ms < fromMs_ || *ms > fromMs_ + spanMs_)) {
        fromMs_ = *ms;
        KeepFirstInRange();
    }
}

void TSeqViewerModel::MoveCursorTo(double ms)
{
    if (!image_)
        return;
    cursorMs_ = SlotTime(ms);
    // The cursor's slot stays in view.
    if (spanMs_ > 0) {
        if (*cursorMs_ < fromMs_)
            fromMs_ = *cursorMs_;
        else if (*cursorMs_ + SlotMs() > fromMs_ + spanMs_)
            fromMs_ = *cursorMs_ + SlotMs() - spanMs_;
        KeepFirstInRange();
    }
}

void TSeqViewerModel::PlaceCursor(double x)
{
    const double span = spanMs_ > 0 ? spanMs_ : EndMs();
    MoveCursorTo(fromMs_ + std::clamp((x - PicturePlotLeft) / PlotWidthFor(width_), 0.0, 1.0) * span);
}

void TSeqViewerModel::Run(TViewerCommand command)
{
    if (!image_)
        return;
    const double span = spanMs_ > 0 ? spanMs_ : EndMs();
    // The cursor keys start from the first time shown.
    const double at = cursorMs_ ? *cursorMs_ : SlotTime(fromMs_);
    const bool placed = cursorMs_.has_value();
    switch (command) {
    case TViewerCommand::ZoomIn: Zoom(true); break;
    case TViewerCommand::ZoomOut: Zoom(false); break;
    case TViewerCommand::FitToWindow:
        spanMs_ = 0;
        fromMs_ = 0;
        break;
    case TViewerCommand::CursorLeft: MoveCursorTo(placed ? at - SlotMs() : at); break;
    case TViewerCommand::CursorRight: MoveCursorTo(placed ? at + SlotMs() : at); break;
    case TViewerCommand::PreviousLabel:
    case TViewerCommand::NextLabel: {
        // The labels of what shows now: an hour by 5:00, then closer in.
        const double tick = TickStepMs(MsPerPixel());
        const double label = command == TViewerCommand::NextLabel ? (std::floor(at / tick) + 1) * tick
                                                                  : (std::ceil(at / tick) - 1) * tick;
        MoveCursorTo(std::max(label, 0.0));
        break;
    }
    case TViewerCommand::PageLeft: MoveCursorTo(at - span); break;
    case TViewerCommand::PageRight: MoveCursorTo(at + span); break;
    case TViewerCommand::CursorHome: MoveCursorTo(0); break;
    case TViewerCommand::CursorEnd: MoveCursorTo(EndMs()); break;
    case TViewerCommand::Play:
    case TViewerCommand::Pause:
    case TViewerCommand::StopPlay: break;  // the window model's
    case TViewerCommand::PreviousChange:
    case TViewerCommand::NextChange: {
        // The frames' times grow: the nearest one before or after the cursor.
        const bool next = command == TViewerCommand::NextChange;
        std::optional<std::uint32_t> found;
        for (std::size_t f = 0; f < image_->Frames.size(); ++f) {
            const std::uint32_t t = image_->TimeOf(f);
            if (next && t > at && !image_->Frames[f].Pairs.empty()) {
                found = t;
                break;
            }
            if (!next && t < at && !image_->Frames[f].Pairs.empty())
                found = t;
        }
        MoveCursorTo(found.value_or(static_cast<std::uint32_t>(at)));
        break;
    }
    }
}

std::string TSeqViewerModel::Readout(std::uint8_t language) const
{
    if (!image_)
        return {};
    if (!cursorMs_)
        return Text(ViewerEntry::CursorHint, language);
    const std::array<std::uint8_t, 256> levels = LevelsAt(*image_, *cursorMs_);
    std::string on;
    std::size_t count = 0;
    for (std::size_t output = 0; output < levels.size(); ++output) {
        if (levels[output] == 0)
            continue;
        on += (count++ > 0 ? ", " : "") + std::to_string(output) + " (" + std::to_string(levels[output]) + ')';
    }
    const std::string time = ShowTime(*cursorMs_, HourLabels(static_cast<std::uint32_t>(EndMs())));
    const std::string slot = std::to_string(*cursorMs_ / image_->ResolutionMs);
    if (count == 0)
        return Fill(Text(ViewerEntry::ReadoutNone, language), {time, slot});
    return Fill(Text(ViewerEntry::ReadoutOn, language),
                {time, slot,
                 Counted(language, count, Text(ViewerEntry::OutputOnOne, language),
                         Text(ViewerEntry::OutputOnMany, language)),
                 on});
}
