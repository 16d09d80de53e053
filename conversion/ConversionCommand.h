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

    // What the last Execute did, once the file was read: its image written
    // or declined at the replace question, or refused; none after any other
    // outcome.
    const std::optional<TConversionReport>& Report() const { return report_; }
    // Why the file was refused, after a refusal.
    const std::optional<TRefusal>& Refusal() const { return refusal_; }
    // The user asked for the report from the completion message.
    bool ReportAsked() const { return reportAsked_; }

private:
    TConversionOutcome ConfirmAndWriteSeqFile();
    void WriteSeqFile();
    std::string Message(MessageEntry entry) const;
    // Reports the refusal with its numbers and where the file would fit.
    TConversionOutcome Refuse(TConversionOutcome outcome, bool trackTooLong);
    // The resolutions other than the chosen one at which the notes fit,
    // finest first; only the coarser ones are tried when asked.
    std::vector<std::uint16_t> FittingResolutions(bool coarserOnly);

    AppSettings& settings_;
    TMidiFile& midiFile_;
    TDialogs& dialogs_;
    TConverterControls& controls_;
    std::optional<TConversionReport> report_;
    std::optional<TRefusal> refusal_;
    bool reportAsked_ = false;
};
