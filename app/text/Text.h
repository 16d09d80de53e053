#pragma once
// The texts of the user interface in French and English, looked up as
// (table, LanguageIndex, entry). Texts are UTF-8.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

inline constexpr std::uint8_t LanguageFrench = 1;
inline constexpr std::uint8_t LanguageEnglish = 2;

enum class TTextTable {
    HintTexts,          // entries 1..6
    FileMenuTexts,      // 1..5
    LanguageMenuTexts,  // 1..3
    HelpMenuTexts,      // 1..2
    Rs232MenuTexts,     // 1..3
    MidiPortMenuTexts,  // 1..2
    OptionsMenuTexts,   // 1..6
    AboutTexts,         // 1..4
    LabelTexts,         // 1..13
    ComMessages,        // 0..11, by serial link result code
    MessageTexts,       // 1..7
    TransposeTexts,     // 1..9, by TransposeIndex
    StatusTexts,        // 1..8: why a port or a MIDI device is not open
    ViewerTexts,        // 1..22: the sequence viewer, its picture and the image's faults
    ReportTexts,        // 1..26: the conversion report
};

// The text of an entry; throws std::out_of_range for an entry the table lacks.
std::string_view LookupText(TTextTable table, std::uint8_t languageIndex, int entry);

inline std::string Text(TTextTable table, std::uint8_t languageIndex, int entry)
{
    return std::string(LookupText(table, languageIndex, entry));
}

// The text with %1 to %9 replaced by the arguments in turn.
std::string Fill(std::string_view text, std::initializer_list<std::string_view> arguments);

// "1 note", "2 notes": the count and the noun in the number the language
// gives it (French takes the singular for 0 as well).
std::string Counted(std::uint8_t languageIndex, std::uint64_t count, std::string_view one, std::string_view many);

// Number of entries per language of a table.
int TextEntryCount(TTextTable table);

// The transpose text of a TransposeIndex; "None" for values outside 1..9.
std::string_view TransposeText(std::uint8_t languageIndex, std::uint8_t transposeIndex);

// Entries of the tables that are looked up by a fixed entry (ComMessages go
// by TComResult code, TransposeTexts by TransposeIndex, HintTexts in the order
// of the picture buttons).
namespace FileMenuEntry {
inline constexpr int Title = 1;
inline constexpr int OpenMidiFile = 2;
inline constexpr int SeqFile = 3;
inline constexpr int Convert = 4;
inline constexpr int Exit = 5;
inline constexpr int ViewSequence = 6;
}  // namespace FileMenuEntry

namespace LanguageMenuEntry {
inline constexpr int Title = 1;
inline constexpr int English = 2;
inline constexpr int French = 3;
}  // namespace LanguageMenuEntry

namespace HelpMenuEntry {
inline constexpr int Title = 1;
inline constexpr int About = 2;
}  // namespace HelpMenuEntry

namespace MidiPortMenuEntry {
inline constexpr int Title = 1;
inline constexpr int None = 2;
inline constexpr int AbsentMark = 3;  // follows the name of a device that is not there
inline constexpr int NoMidiSystem = 4;
}  // namespace MidiPortMenuEntry

namespace OptionsMenuEntry {
inline constexpr int Title = 1;
inline constexpr int Resolution = 2;
inline constexpr int MidiMode = 3;
inline constexpr int Transpose = 4;
inline constexpr int Proportional = 5;
inline constexpr int DryContact = 6;
}  // namespace OptionsMenuEntry

// Entries of AboutTexts: the box's title, then its three lines.
namespace AboutEntry {
inline constexpr int Title = 1;
inline constexpr int ProductName = 2;
inline constexpr int Version = 3;
inline constexpr int WebSite = 4;
}  // namespace AboutEntry

// Entries of LabelTexts. The value labels (MidiFile, SeqFile, ComPort,
// Transpose, MidiIn) are followed directly by the value they show.
namespace LabelEntry {
inline constexpr int MidiFile = 1;
inline constexpr int Resolution = 2;
inline constexpr int SeqFile = 3;
inline constexpr int ComPort = 4;
inline constexpr int Transpose = 5;
inline constexpr int ConverterTitle = 6;
inline constexpr int DoConvert = 7;
inline constexpr int BridgeTitle = 8;
inline constexpr int MidiIn = 9;
inline constexpr int MidiActivity = 10;
inline constexpr int MidiMode = 11;
inline constexpr int Proportional = 12;
inline constexpr int DryContact = 13;
}  // namespace LabelEntry

// Entries of MessageTexts.
namespace MessageEntry {
inline constexpr int AlreadyExists = 1;
inline constexpr int ProcessDone = 2;
inline constexpr int SeqFileMissing = 3;
inline constexpr int MidiFileMissing = 4;
inline constexpr int TooLongForResolution = 5;
inline constexpr int TooManyChanges = 6;
inline constexpr int DoesNotFit = 7;
}  // namespace MessageEntry

// Entries of Rs232MenuTexts: the menu title, then the item that asks for a
// port the system does not list (a USB adapter, a pseudo-terminal) and its
// question.
namespace Rs232MenuEntry {
inline constexpr int Title = 1;
inline constexpr int OtherPort = 2;
inline constexpr int OtherPortPrompt = 3;
inline constexpr int AllOutputsOff = 4;
}  // namespace Rs232MenuEntry

// Entries of StatusTexts, the tooltip of a port or MIDI device display that
// is not open: why, then what the bridge does about it.
namespace StatusEntry {
inline constexpr int NotFound = 1;
inline constexpr int InUse = 2;
inline constexpr int PermissionDenied = 3;
inline constexpr int DialoutHint = 4;
inline constexpr int Lost = 5;
inline constexpr int Failed = 6;
inline constexpr int Retrying = 7;
inline constexpr int OpensWhenPresent = 8;
}  // namespace StatusEntry

// Entries of ViewerTexts: the window, its picture, what makes a file no
// image (entry ImageProblem + a TImageProblem, WrongSize being 1), and what
// a bar of the picture stands for.
namespace ViewerEntry {
inline constexpr int Title = 1;
inline constexpr int SequenceTab = 2;
inline constexpr int ReportTab = 3;
inline constexpr int NoReport = 4;
inline constexpr int CannotRead = 5;   // %1 the file, %2 why
inline constexpr int NotAnImage = 6;   // %1 the file, %2 the fault
inline constexpr int AtByte = 7;       // %1 the byte, %2 the fault
inline constexpr int Channel1 = 8;
inline constexpr int Channel2 = 9;
inline constexpr int TimeAxis = 10;
inline constexpr int NoChanges = 11;
inline constexpr int ImageProblem = 11;
inline constexpr int Bar = 21;   // %1 output, %2 level, %3 from, %4 to
inline constexpr int Runs = 22;  // %1 bars
}  // namespace ViewerEntry

// Entries of ReportTexts: nouns in both numbers (for Counted), then the
// lines of the report; list lines begin with two spaces.
namespace ReportEntry {
inline constexpr int NoteOne = 1;
inline constexpr int NoteMany = 2;
inline constexpr int ChangeOne = 3;
inline constexpr int ChangeMany = 4;
inline constexpr int FrameOne = 5;
inline constexpr int FrameMany = 6;
inline constexpr int FrameByteOne = 7;
inline constexpr int FrameByteMany = 8;
inline constexpr int FirstFrameEmpty = 9;
inline constexpr int Summary = 10;           // %1 notes, %2 changes, %3 frames, %4 FirstFrameEmpty or nothing, %5 bytes
inline constexpr int OtherChannels = 11;     // %1 count
inline constexpr int OtherChannelLine = 12;  // %1 time, %2 channel, %3 note, %4 track
inline constexpr int Unclosed = 13;          // %1 count
inline constexpr int NoteAtLine = 14;        // %1 time, %2 output, %3 channel, %4 note
inline constexpr int SameSlot = 15;          // %1 count
inline constexpr int TakenOver = 16;         // %1 count
inline constexpr int Merged = 17;            // %1 count
inline constexpr int NoteLine = 18;          // %1 time, %2 output, %3 channel, %4 note, %5 start, %6 end
inline constexpr int More = 19;              // %1 count
inline constexpr int TempoNone = 20;         // %1 tempo
inline constexpr int TempoOne = 21;          // %1 tempo
inline constexpr int TempoMany = 22;         // %1 count, %2 tempo
inline constexpr int TempoLine = 23;         // %1 time, %2 track, %3 tempo
inline constexpr int TempoSmpte = 24;        // %1 count, %2 frames per second, %3 ticks per frame
inline constexpr int ImageUse = 25;          // %1 time, %2 slot, %3 frame bytes
inline constexpr int NoChange = 26;          // %1 frame bytes
}  // namespace ReportEntry
