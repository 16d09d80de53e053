#pragma once
// The converter's two file choices as the window asks for them: the window
// shows the toolkit's open and save dialogs, tests answer directly.

#include <optional>
#include <string>

// What a file dialog lists: the files of one kind, named the same in both
// languages, and the extension added to a name typed without one.
struct TFileFilter {
    const char* Name;
    const char* Pattern;
    const char* DefaultExtension;  // empty: none
};
inline constexpr TFileFilter MidiFileFilter{"Midi files", "*.mid", ""};
inline constexpr TFileFilter SeqFileFilter{"Fichiers Seq", "*.seq", "seq"};

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;
    // OpenDialog1: the Standard MIDI File to convert ("Midi files", *.mid).
    // current is the previous choice (may be empty). Empty when cancelled.
    virtual std::optional<std::string> OpenMidiFile(const std::string& current) = 0;
    // SaveDialog1: the sequence file to write ("Fichiers Seq", *.seq; "seq"
    // is added to a name without suffix). It never asks about replacing an
    // existing file: the Convert command does, when it writes.
    virtual std::optional<std::string> SaveSeqFile(const std::string& current) = 0;
};
