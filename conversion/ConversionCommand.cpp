#include "ConversionCommand.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "ContactEvents.h"
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
    facts_.reset();

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
        dialogs_.Warning(Message(MessageEntry::TooLongForResolution));
        return TConversionOutcome::TooLongForResolution;
    }
    try {
        // Refused before the replace question: the user is never asked to
        // replace a file with an image that cannot be written. Too many
        // changes are refused before sorting, which bounds the sort's work.
        CollectContactEvents(midiFile_, settings_.ResolutionMs, settings_.NoteEvents, settings_.ContactEvents);
    } catch (const std::bad_alloc&) {
        throw EMidiFileError("Not enough memory to convert the MIDI file " + settings_.MidiFileName);
    }
    if (!CanFitFrameBlock(settings_.ContactEvents.size())) {
        dialogs_.Warning(Message(MessageEntry::DoesNotFit));
        return TConversionOutcome::DoesNotFit;
    }
    SortContactEvents(settings_.ContactEvents);
    switch (CheckSeqImage(settings_.ContactEvents, settings_.ResolutionMs)) {
    case TImageFit::Fits:
        break;
    case TImageFit::SlotTooLarge:
        dialogs_.Warning(Message(MessageEntry::TooLongForResolution));
        return TConversionOutcome::TooLongForResolution;
    case TImageFit::TooManyChangesAtOnce:
        dialogs_.Warning(Message(MessageEntry::TooManyChanges));
        return TConversionOutcome::TooManyChangesAtOnce;
    case TImageFit::TooLarge:
        dialogs_.Warning(Message(MessageEntry::DoesNotFit));
        return TConversionOutcome::DoesNotFit;
    }

    // The frames are built before the question, so that the report of a
    // declined conversion tells of the image it would have written.
    BuildSeqFrames(settings_.ContactEvents, settings_.ResolutionMs, settings_.SeqFrames);
    facts_ = FactsOf(midiFile_, settings_.ResolutionMs);
    return ConfirmAndWriteSeqFile();
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
    dialogs_.Information(Message(MessageEntry::ProcessDone));
}
