#pragma once
// The Convert command, shared by the window's Convert button and the
// command-line converter: checks the two file names, loads the MIDI file,
// prepares the output changes, asks before replacing an existing sequence
// file and writes the image, reporting every outcome through the dialogs.

#include <optional>

#include "AppSettings.h"
#include "ConversionReport.h"
#include "Dialogs.h"
#include "MidiFile.h"

enum class MessageEntry;  // of the language tables

// The converter panel and the File menu, disabled while a conversion runs.
class TConverterControls {
public:
    virtual ~TConverterControls() = default;
    virtual void SetConverterEnabled(bool enabled) = 0;
};

enum class TConversionOutcome {
    MidiFileMissing,       // warning shown
    SeqFileMissing,        // warning shown
    TooLongForResolution,  // warning shown, nothing written (a track past 2^32 - 1 ticks included)
    TooManyChangesAtOnce,  // warning shown, nothing written
    DoesNotFit,            // warning shown, nothing written
    Declined,              // the user kept the existing sequence file
    Written,               // image written, completion message shown
};

class TConversionCommand {
public:
    TConversionCommand(AppSettings& settings, TMidiFile& midiFile, TDialogs& dialogs,
                       TConverterControls& controls);

    // Runs the command on MidiFileName, SeqFileName and ResolutionMs. The
    // reader's EMidiFileError (memory running out included) and the
    // writer's ESeqFileError (a sequence file name refused before the MIDI
    // file is read included) pass through to the caller, whose error handler
    // shows their text; the controls are enabled again on every outcome.
    TConversionOutcome Execute();

    // What the reader knew of the file of the last Execute that built an
    // image (written, or declined at the replace question), for the report
    // on the record's lists; none after any other outcome.
    const std::optional<TConversionFacts>& Facts() const { return facts_; }

private:
    TConversionOutcome ConfirmAndWriteSeqFile();
    void WriteSeqFile();
    std::string Message(MessageEntry entry) const;

    AppSettings& settings_;
    TMidiFile& midiFile_;
    TDialogs& dialogs_;
    TConverterControls& controls_;
    std::optional<TConversionFacts> facts_;
};
