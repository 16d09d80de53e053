#pragma once
// The texts of the user interface in French and English. Each table has its
// own entry type, so a text is named by its entry alone and an entry of one
// table cannot be looked up in another. Texts are UTF-8.

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

inline constexpr std::uint8_t LanguageFrench = 1;
inline constexpr std::uint8_t LanguageEnglish = 2;

// The tables, in the order stored.
enum class TTextTable {
    HintTexts,
    FileMenuTexts,
    LanguageMenuTexts,
    HelpMenuTexts,
    Rs232MenuTexts,
    MidiPortMenuTexts,
    OptionsMenuTexts,
    AboutTexts,
    LabelTexts,
    ComMessages,
    MessageTexts,
    TransposeTexts,
    StatusTexts,
    ViewerTexts,
    ReportTexts,
    ConversionTexts,
    RigTexts,
};

// Entries of HintTexts, in the order of the picture buttons: SpeedButton3,
// SpeedButton1, SpeedButton2, SpeedButton4, SpeedButton5, SpeedButton6.
enum class HintEntry {
    OpenMidiFile = 1,
    SeqFile,
    Convert,
    ComPort,
    MidiIn,
    Transpose,
};

enum class FileMenuEntry {
    Title = 1,
    OpenMidiFile,
    SeqFile,
    Convert,
    Exit,
    ViewSequence,
};

enum class LanguageMenuEntry {
    Title = 1,
    English,
    French,
};

enum class HelpMenuEntry {
    Title = 1,
    About,
};

// The menu title, then the item that asks for a port the system does not
// list (a USB adapter, a pseudo-terminal) and its question.
enum class Rs232MenuEntry {
    Title = 1,
    OtherPort,
    OtherPortPrompt,
    AllOutputsOff,
    Log,
};

enum class MidiPortMenuEntry {
    Title = 1,
    None,
    AbsentMark,  // follows the name of a device that is not there
    NoMidiSystem,
};

enum class OptionsMenuEntry {
    Title = 1,
    Resolution,
    MidiMode,
    Transpose,
    Proportional,
    DryContact,
};

// The About box's title, then its three lines.
enum class AboutEntry {
    Title = 1,
    ProductName,
    Version,
    WebSite,
};

// The value labels (MidiFile, SeqFile, ComPort, Transpose, MidiIn) are
// followed directly by the value they show.
enum class LabelEntry {
    MidiFile = 1,
    Resolution,
    SeqFile,
    ComPort,
    Transpose,
    ConverterTitle,
    DoConvert,
    BridgeTitle,
    MidiIn,
    MidiActivity,
    MidiMode,
    Proportional,
    DryContact,
};

// Numbered by the serial link's result code; the last two complete the table
// so that any code of the device has a text.
enum class ComMessageEntry {
    ComOk = 0,
    ComErrInit,
    ComErrWrite,
    ComErrRead,
    ComErrOpen,
    ComErrGetParams,
    ComErrSetParams,
    ComErrTimeouts,
    ComErrClose,
    ComErrNotReady,
    ComErrEepromWrite,
    ComErrEepromRead,
};

enum class MessageEntry {
    AlreadyExists = 1,
    ProcessDone,
    SeqFileMissing,
    MidiFileMissing,
    TooLongForResolution,
    TooManyChanges,
    DoesNotFit,
};

// Numbered by TransposeIndex: the shift is (entry - 5) octaves.
enum class TransposeEntry {
    Down4 = 1,
    Down3,
    Down2,
    Down1,
    None,
    Up1,
    Up2,
    Up3,
    Up4,
};

// The state of a port or a MIDI device, in the window's tooltips and
// torem-live's lines alike: why it is not open, then what the bridge does
// about it; or that it is open, open again or closed.
enum class StatusEntry {
    NotFound = 1,
    InUse,
    PermissionDenied,
    DialoutHint,
    Lost,
    Failed,
    Retrying,
    OpensWhenPresent,
    Open,
    OpenAgain,
    Closed,
    NotAnswering,
    NotAnsweringWhy,
    AnsweringAgain,
    NoPort,          // the port label's value while none is chosen
    NoPortWhy,       // its tooltip
    PortLine,        // %1 the port, %2 its state
    DeviceLine,      // %1 the MIDI device, %2 its state
    WarningLine,     // %1 the warning
    RecoveredAt,     // %1 the time
    NotesReleased,   // %1 how many
    AllOutputsOff,
    Summary,         // %1 sent, %2 acknowledged, %3 replaced, %4 unanswered, %5 reconnections, %6 released, %7 ms
    LogTitle,
    LogEmpty,
    // What a port or device label adds to the name of one that does not work:
    // a word short enough for the narrow port label.
    MarkNotFound,
    MarkInUse,
    MarkPermissionDenied,
    MarkLost,
    MarkFailed,
    MarkNotAnswering,
    // Checking the rig and rehearsing a show, in the log.
    TestOne,         // %1 output, %2 level
    TestRange,       // %1 first, %2 last, %3 level
    TestChase,       // %1 first, %2 last, %3 level, %4 steps a second
    TestEnded,
    PlayFrom,        // %1 the show, %2 the time
    PlayPaused,      // %1 the time
    PlayStopped,
    PlayEnded,
    // The output monitor.
    MonitorTitle,
    MonitorBank,     // %1 the channel, %2 first output, %3 last
    MonitorLegend,
};

// The window, its picture, what makes a file no image (one entry per fault of
// the image check, in its order), and what a bar of the picture stands for.
enum class ViewerEntry {
    Title = 1,
    SequenceTab,
    ReportTab,
    NoReport,
    CannotRead,  // %1 the file, %2 why
    NotAnImage,  // %1 the file, %2 the fault
    AtByte,      // %1 the byte, %2 the fault
    Channel1,
    Channel2,
    TimeAxis,
    NoChanges,
    WrongSize,             // %1 the size
    HeaderNotSpace,        // %1 the byte in hex
    BadResolutionCode,     // %1 the code
    FrameBytesTooLarge,    // %1 the frame bytes
    NoFirstFrame,          // %1 the frame bytes
    RecordPastFrameBytes,  // %1 the changes, %2 the frame bytes
    SlotNotAfter,          // %1 the next slot, %2 the frame's slot
    LastSlotNotZero,       // %1 the next slot
    NotZeroAfterFrames,    // %1 the byte in hex
    Bar,                   // %1 output, %2 level, %3 from, %4 to
    Runs,                  // %1 bars
    NeverOn,               // in the row of an output only ever switched off
    NeverOnLegend,         // %1 the outputs
    TitleOf,               // %1 the file's name
    Shows,                 // %1 the file, %2 when written, %3 resolution, %4 last change, %5 changes
    NotThisConversion,     // %1 the MIDI file, %2 when
    ReportOf,              // %1 MIDI file, %2 sequence file, %3 when, %4 resolution, %5 what came of it
    Written,
    NotWritten,
    Declined,
    ZoomIn,
    ZoomOut,
    FitToWindow,
    CursorHint,
    ReadoutOn,             // %1 time, %2 slot, %3 outputs on, %4 each with its level
    ReadoutNone,           // %1 time, %2 slot
    OutputOnOne,
    OutputOnMany,
};

// Nouns in both numbers (for Counted), then the lines of the conversion
// report; list lines begin with two spaces.
enum class ReportEntry {
    NoteOne = 1,
    NoteMany,
    ChangeOne,
    ChangeMany,
    FrameOne,
    FrameMany,
    FrameByteOne,
    FrameByteMany,
    FirstFrameEmpty,
    Summary,           // %1 notes, %2 changes, %3 frames, %4 FirstFrameEmpty or nothing, %5 bytes
    OtherChannels,     // %1 count
    OtherChannelLine,  // %1 time, %2 channel, %3 note, %4 track
    Unclosed,          // %1 count
    NoteAtLine,        // %1 time, %2 output, %3 channel, %4 note
    SameSlot,          // %1 count
    TakenOver,         // %1 count
    Merged,            // %1 count
    NoteLine,          // %1 time, %2 output, %3 channel, %4 note, %5 start, %6 end
    More,              // %1 count
    TempoNone,         // %1 tempo
    TempoOne,          // %1 tempo
    TempoMany,         // %1 count, %2 tempo
    TempoLine,         // %1 time, %2 track, %3 tempo
    TempoSmpte,        // %1 count, %2 frames per second, %3 ticks per frame
    ImageUse,          // %1 time, %2 slot, %3 frame bytes
    NoChange,          // %1 frame bytes
};

// What a conversion did, told after it: the completion box's button and its
// line on lost notes, what a refused file would need, the recent MIDI files.
enum class ConversionEntry {
    ShowReport = 1,    // the completion box's second button
    NoNotes,
    Lost,              // %1 lost, %2 the notes, %3 the kinds
    TooShort,          // %1 count
    HiddenByOthers,    // %1 count
    NeverEnded,        // %1 count
    MergedWithNext,    // %1 count
    OtherChannels,     // %1 count
    FinerKeepsMore,
    SlotPast,          // %1 slot, %2 time
    AllOutputsAtOnce,  // %1 time
    FrameBytesPast,    // %1 frame bytes
    FitsAt,            // %1 the resolutions
    FitsNowhere,
    Or,                // between the last two resolutions
    RecentFiles,       // the File menu's sub-menu
};

// Checking the rig and rehearsing a show in the window: the menu items, the
// output test box and the viewer's play controls.
enum class RigEntry {
    OutputsMenu = 1,
    TestOutputsMenu,
    TestTitle,
    FirstOutput,
    LastOutput,
    Level,
    StepsPerSecond,
    TestOne,
    TestRange,
    TestChase,
    TestAllOff,
    TestStop,
    Play,
    Pause,
    Stop,
};

// The table of each entry type and its entries, First to Last.
template <typename Entry>
struct TTextEntries;

template <TTextTable Of, auto FirstEntry, auto LastEntry>
struct TTextEntriesOf {
    static constexpr TTextTable Table = Of;
    static constexpr int First = static_cast<int>(FirstEntry);
    static constexpr int Count = static_cast<int>(LastEntry) - First + 1;
};

template <> struct TTextEntries<HintEntry> : TTextEntriesOf<TTextTable::HintTexts, HintEntry::OpenMidiFile, HintEntry::Transpose> {};
template <> struct TTextEntries<FileMenuEntry> : TTextEntriesOf<TTextTable::FileMenuTexts, FileMenuEntry::Title, FileMenuEntry::ViewSequence> {};
template <> struct TTextEntries<LanguageMenuEntry> : TTextEntriesOf<TTextTable::LanguageMenuTexts, LanguageMenuEntry::Title, LanguageMenuEntry::French> {};
template <> struct TTextEntries<HelpMenuEntry> : TTextEntriesOf<TTextTable::HelpMenuTexts, HelpMenuEntry::Title, HelpMenuEntry::About> {};
template <> struct TTextEntries<Rs232MenuEntry> : TTextEntriesOf<TTextTable::Rs232MenuTexts, Rs232MenuEntry::Title, Rs232MenuEntry::Log> {};
template <> struct TTextEntries<MidiPortMenuEntry> : TTextEntriesOf<TTextTable::MidiPortMenuTexts, MidiPortMenuEntry::Title, MidiPortMenuEntry::NoMidiSystem> {};
template <> struct TTextEntries<OptionsMenuEntry> : TTextEntriesOf<TTextTable::OptionsMenuTexts, OptionsMenuEntry::Title, OptionsMenuEntry::DryContact> {};
template <> struct TTextEntries<AboutEntry> : TTextEntriesOf<TTextTable::AboutTexts, AboutEntry::Title, AboutEntry::WebSite> {};
template <> struct TTextEntries<LabelEntry> : TTextEntriesOf<TTextTable::LabelTexts, LabelEntry::MidiFile, LabelEntry::DryContact> {};
template <> struct TTextEntries<ComMessageEntry> : TTextEntriesOf<TTextTable::ComMessages, ComMessageEntry::ComOk, ComMessageEntry::ComErrEepromRead> {};
template <> struct TTextEntries<MessageEntry> : TTextEntriesOf<TTextTable::MessageTexts, MessageEntry::AlreadyExists, MessageEntry::DoesNotFit> {};
template <> struct TTextEntries<TransposeEntry> : TTextEntriesOf<TTextTable::TransposeTexts, TransposeEntry::Down4, TransposeEntry::Up4> {};
template <> struct TTextEntries<ViewerEntry> : TTextEntriesOf<TTextTable::ViewerTexts, ViewerEntry::Title, ViewerEntry::OutputOnMany> {};
template <> struct TTextEntries<ReportEntry> : TTextEntriesOf<TTextTable::ReportTexts, ReportEntry::NoteOne, ReportEntry::NoChange> {};
template <> struct TTextEntries<ConversionEntry> : TTextEntriesOf<TTextTable::ConversionTexts, ConversionEntry::ShowReport, ConversionEntry::RecentFiles> {};
template <> struct TTextEntries<StatusEntry> : TTextEntriesOf<TTextTable::StatusTexts, StatusEntry::NotFound, StatusEntry::MonitorLegend> {};
template <> struct TTextEntries<RigEntry> : TTextEntriesOf<TTextTable::RigTexts, RigEntry::OutputsMenu, RigEntry::Stop> {};

template <typename Entry>
concept TextEntry = std::is_enum_v<Entry> && requires {
    { TTextEntries<Entry>::Table } -> std::convertible_to<TTextTable>;
};

// Number of entries per language of the table of Entry.
template <TextEntry Entry>
inline constexpr int TextEntryCount = TTextEntries<Entry>::Count;

// One text of any table, as a control's description keeps it: made from a
// typed entry only, so it always names an entry of the table it names.
class TTextRef {
public:
    template <TextEntry E>
    constexpr TTextRef(E entry) : table_(TTextEntries<E>::Table), entry_(static_cast<int>(entry))
    {
    }

    constexpr TTextTable Table() const { return table_; }
    constexpr int Entry() const { return entry_; }
    friend constexpr bool operator==(TTextRef, TTextRef) = default;

private:
    TTextTable table_;
    int entry_;
};

// The text of an entry in a language; throws std::out_of_range for an entry
// the table lacks (only a number cast to an entry type can be one).
std::string_view LookupText(TTextRef text, std::uint8_t languageIndex);

inline std::string Text(TTextRef text, std::uint8_t languageIndex)
{
    return std::string(LookupText(text, languageIndex));
}

// The text with %1 to %9 replaced by the arguments in turn.
std::string Fill(std::string_view text, std::initializer_list<std::string_view> arguments);

// "1 note", "2 notes": the count and the noun in the number the language
// gives it (French takes the singular for 0 as well).
std::string Counted(std::uint8_t languageIndex, std::uint64_t count, std::string_view one, std::string_view many);

// The transpose text of a TransposeIndex; "None" for values outside 1..9.
std::string_view TransposeText(std::uint8_t languageIndex, std::uint8_t transposeIndex);
