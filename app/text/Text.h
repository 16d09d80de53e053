#pragma once
// The texts of the user interface in French and English, looked up as
// (table, LanguageIndex, entry). Texts are UTF-8.

#include <cstdint>
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
};

// The text of an entry; throws std::out_of_range for an entry the table lacks.
std::string_view LookupText(TTextTable table, std::uint8_t languageIndex, int entry);

inline std::string Text(TTextTable table, std::uint8_t languageIndex, int entry)
{
    return std::string(LookupText(table, languageIndex, entry));
}

// Number of entries per language of a table.
int TextEntryCount(TTextTable table);

// The transpose text of a TransposeIndex; "None" for values outside 1..9.
std::string_view TransposeText(std::uint8_t languageIndex, std::uint8_t transposeIndex);

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
}  // namespace Rs232MenuEntry
