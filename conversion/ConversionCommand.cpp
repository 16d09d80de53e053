#include "ConversionCommand.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>

#include "ContactEvents.h"
#include "Resolution.h"
#include "SeqFile.h"
#include "Text.h"
#include "Utf8.h"

namespace {

// Nothing goes by the name, a dangling link included. Anything else (a
// folder, a loop of links) is left to the reader, which says what it is.
bool NothingByTheName(const std::string& name)
{
    if (name.empty())
        return true;
    std::error_code ec;
    return std::filesystem::status(PathFromUtf8(name), ec).type() == std::filesystem::file_type::not_found;
}

class TControlsDisabled {
public:
    explicit TControlsDisabled(TConverterControls& controls) : controls_(controls)
    {
        controls_.SetConverterEnabled(false);
    }
    ~TControlsDisabled() { controls_.SetConverterEnabled(true); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TConverterControls& controls_;
};

}  // namespace

TConversionCommand::TConversionCommand(AppSettings& settings, TMidiFile& midiFile, TDialogs& dialogs,
                                       TConverterControls& controls)
    : settings_(settings), midiFile_(midiFile), dialogs_(dialogs), controls_(controls)
{
}

std::string TConversionCommand::Message(MessageEntry entry) const
{
    return Text(entry, settings_.LanguageIndex);
}

TConversionOutcome TConversionCommand::Execute()
{
    const TControlsDisabled disabled(controls_);
    report_.reset();
    refusal_.reset();
    reportAsked_ = false;

    if (NothingByTheName(settings_.MidiFileName)) {
        dialogs_.Warning(Message(MessageEntry::MidiFileMissing));
        return TConversionOutcome::MidiFileMissing;
    }
    if (settings_.SeqFileName.empty()) {
        dialogs_.Warning(Message(MessageEntry::SeqFileMissing));
        return TConversionOutcome::SeqFileMissing;
    }

    // A name the image can never go to is refused before any work.
    CheckSeqFileName(settings_.SeqFileName, settings_.MidiFileName);

    midiFile_.SetFilename(settings_.MidiFileName);
    try {
        midiFile_.LoadFile();
    } catch (const EMidiTrackTooLong&) {
        return Refuse(TConversionOutcome::TooLongForResolution, true);
    }
    try {
        // Refused before the replace question: the user is never asked to
        // replace a file with an image that cannot be written. Too many
        // changes are refused before sorting, which bounds the sort's work.
        CollectContactEvents(midiFile_, settings_.ResolutionMs, settings_.NoteEvents, settings_.ContactEvents);
    } catch (const std::bad_alloc&) {
        throw EMidiFileError("Not enough memory to convert the MIDI file " + settings_.MidiFileName);
    }
    if (!CanFitFrameBlock(settings_.ContactEvents.size()))
        return Refuse(TConversionOutcome::DoesNotFit, false);
    SortContactEvents(settings_.ContactEvents);
    switch (CheckSeqImage(settings_.ContactEvents, settings_.ResolutionMs)) {
    case TImageFit::Fits:
        break;
    case TImageFit::SlotTooLarge:
        return Refuse(TConversionOutcome::TooLongForResolution, false);
    case TImageFit::TooManyChangesAtOnce:
        return Refuse(TConversionOutcome::TooManyChangesAtOnce, false);
    case TImageFit::TooLarge:
        return Refuse(TConversionOutcome::DoesNotFit, false);
    }

    // The frames are built before the question, so that the report of a
    // declined conversion tells of the image it would have written.
    BuildSeqFrames(settings_.ContactEvents, settings_.ResolutionMs, settings_.SeqFrames);
    report_ = ReportConversion(settings_.NoteEvents, settings_.ContactEvents, settings_.SeqFrames,
                               FactsOf(midiFile_, settings_.ResolutionMs));
    return ConfirmAndWriteSeqFile();
}

TConversionOutcome TConversionCommand::Refuse(TConversionOutcome outcome, bool trackTooLong)
{
    TRefusal refusal;
    refusal.Outcome = outcome;
    refusal.ResolutionMs = ResolutionOf(settings_.ResolutionMs).Ms;
    refusal.TrackTooLong = trackTooLong;
    if (!trackTooLong) {
        std::vector<TContactorEvent>& changes = settings_.ContactEvents;
        // What is told of a file this large is worth no failure of its own:
        // without the memory for it, the report or the other resolutions
        // are left out.
        try {
            // Too many changes to be sorted the image's way are sorted by
            // time all the same, once, for the numbers and the report.
            const auto byTime = [](const TContactorEvent& a, const TContactorEvent& b) { return a.TimeMs < b.TimeMs; };
            if (!std::is_sorted(changes.begin(), changes.end(), byTime))
                std::stable_sort(changes.begin(), changes.end(), byTime);
            refusal.Needs = MeasureSeqImage(changes, settings_.ResolutionMs);
            // No frames: the image was never built.
            report_ = ReportConversion(settings_.NoteEvents, changes, {}, FactsOf(midiFile_, settings_.ResolutionMs));
        } catch (const std::bad_alloc&) {
            refusal.Needs = MeasureSeqImage(changes, settings_.ResolutionMs);
            report_.reset();
        }
        try {
            refusal.FitsAt = FittingResolutions(outcome == TConversionOutcome::TooLongForResolution);
        } catch (const std::bad_alloc&) {
            refusal.FitsAtKnown = false;
        }
    }
    refusal_ = refusal;
    std::string text;
    for (const std::string& line : RefusalLines(refusal, settings_.LanguageIndex))
        text += (text.empty() ? "" : "\n") + line;
    dialogs_.Warning(text);
    return outcome;
}

std::vector<std::uint16_t> TConversionCommand::FittingResolutions(bool coarserOnly)
{
    std::vector<std::uint16_t> fitting;
    std::vector<TContactorEvent> changes;
    const std::uint16_t chosen = ResolutionOf(settings_.ResolutionMs).Ms;
    for (auto r = Resolutions.rbegin(); r != Resolutions.rend(); ++r) {
        // A finer resolution only puts the last change on a later slot.
        if (r->Ms == chosen || (coarserOnly && r->Ms < chosen))
            continue;
        CleanContactEvents(settings_.NoteEvents, r->Ms, changes);
        if (!CanFitFrameBlock(changes.size()))
            continue;
        SortContactEvents(changes);
        if (CheckSeqImage(changes, r->Ms) == TImageFit::Fits)
            fitting.push_back(r->Ms);
    }
    return fitting;
}

TConversionOutcome TConversionCommand::ConfirmAndWriteSeqFile()
{
    if (SeqFileExists(settings_.SeqFileName) &&
        !dialogs_.Confirmation(settings_.SeqFileName + Message(MessageEntry::AlreadyExists)))
        return TConversionOutcome::Declined;
    WriteSeqFile();
    return TConversionOutcome::Written;
}

void TConversionCommand::WriteSeqFile()
{
    WriteSeqImageFile(settings_.SeqFileName, BuildSeqImage(settings_.SeqFrames, settings_.ResolutionMs),
                      settings_.MidiFileName);
    // The summary and what was lost follow the design's message; the report
    // is a click away.
    reportAsked_ = dialogs_.InformationWithButton(CompletionText(*report_, settings_.LanguageIndex),
                                                  Text(ConversionEntry::ShowReport, settings_.LanguageIndex));
}
