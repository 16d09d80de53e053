#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <type_traits>

#include "Text.h"

namespace {

constexpr std::uint8_t FR = LanguageFrench;
constexpr std::uint8_t EN = LanguageEnglish;

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string Label(std::uint8_t language, LabelEntry entry) { return Text(entry, language); }

// Each entry type names its own table, and its count is the table's.
static_assert(TTextRef(LabelEntry::MidiFile).Table() == TTextTable::LabelTexts);
static_assert(TTextRef(ComMessageEntry::ComErrNotReady) == TTextRef(ComMessageEntry::ComErrNotReady));
static_assert(TTextRef(ComMessageEntry::ComErrNotReady).Entry() == 9);
static_assert(TTextRef(HintEntry::OpenMidiFile) != TTextRef(FileMenuEntry::Title));
static_assert(!std::is_convertible_v<int, TTextRef>);
static_assert(TextEntryCount<ComMessageEntry> == 12 && TextEntryCount<TransposeEntry> == 9);
static_assert(TextEntryCount<ViewerEntry> == 39 && TextEntryCount<ReportEntry> == 26);
static_assert(TextEntryCount<ConversionEntry> == 16);

TEST(LanguageTables, EveryTableHasItsFirstAndLastEntryInBothLanguages)
{
    // Row lengths and empty texts are checked where the tables are built;
    // here each table's first and last entry read from the right table.
    const struct {
        TTextRef first;
        TTextRef last;
        std::string_view lastEnglish;
    } tables[] = {
        {HintEntry::OpenMidiFile, HintEntry::Transpose, "Transpose Midi events"},
        {FileMenuEntry::Title, FileMenuEntry::ViewSequence, "View sequence..."},
        {LanguageMenuEntry::Title, LanguageMenuEntry::French, "&Français"},
        {HelpMenuEntry::Title, HelpMenuEntry::About, "&About..."},
        {Rs232MenuEntry::Title, Rs232MenuEntry::AllOutputsOff, "&All outputs off"},
        {MidiPortMenuEntry::Title, MidiPortMenuEntry::NoMidiSystem, "No Midi system found"},
        {OptionsMenuEntry::Title, OptionsMenuEntry::DryContact, "&Dry contact"},
        {AboutEntry::Title, AboutEntry::WebSite, "www.torem-devices.example"},
        {LabelEntry::MidiFile, LabelEntry::DryContact, "           Dry Contact"},
        {ComMessageEntry::ComOk, ComMessageEntry::ComErrEepromRead, "Reading in EEPROM Error"},
        {MessageEntry::AlreadyExists, MessageEntry::DoesNotFit, "The sequence does not fit in the device memory..."},
        {TransposeEntry::Down4, TransposeEntry::Up4, "+ 4 Octaves"},
        {StatusEntry::NotFound, StatusEntry::OpensWhenPresent, "Opened as soon as it appears."},
        {ViewerEntry::Title, ViewerEntry::OutputOnMany, "outputs on"},
        {ReportEntry::NoteOne, ReportEntry::NoChange, "No output change; %1 frame bytes used of 32768"},
        {ConversionEntry::ShowReport, ConversionEntry::RecentFiles, "&Recent Midi files"},
    };
    for (const auto& t : tables) {
        EXPECT_FALSE(LookupText(t.first, FR).empty());
        EXPECT_FALSE(LookupText(t.first, EN).empty());
        EXPECT_FALSE(LookupText(t.last, FR).empty());
        EXPECT_EQ(LookupText(t.last, EN), t.lastEnglish);
    }
    // Only a number cast to an entry type can miss its table.
    EXPECT_THROW(LookupText(static_cast<LabelEntry>(14), EN), std::out_of_range);
    EXPECT_THROW(LookupText(static_cast<ComMessageEntry>(-1), EN), std::out_of_range);
}

TEST(LanguageTables, LabelsKeepTheirLeadingAndTrailingBlanks)
{
    EXPECT_EQ(Label(EN, LabelEntry::MidiFile), Blanks(14) + "Midi File : ");
    EXPECT_EQ(Label(FR, LabelEntry::MidiFile), Blanks(13) + "Fichier Midi : ");
    EXPECT_EQ(Label(EN, LabelEntry::Resolution), " Resolution :");
    EXPECT_EQ(Label(FR, LabelEntry::Resolution), " Résolution :");
    EXPECT_EQ(Label(EN, LabelEntry::SeqFile), Blanks(14) + "Seq File : ");
    EXPECT_EQ(Label(FR, LabelEntry::SeqFile), Blanks(13) + "Fichier Seq : ");
    EXPECT_EQ(Label(EN, LabelEntry::ComPort) + "COM1", Blanks(13) + "Port COM : COM1");
    EXPECT_EQ(Label(EN, LabelEntry::Transpose) + std::string(TransposeText(EN, 6)),
              Blanks(13) + "Transpose : + 1 Octave");
    EXPECT_EQ(Label(FR, LabelEntry::ConverterTitle),
              Blanks(13) + "Convertisseur de fichier Midi en fichier Séquence TOREM");
    EXPECT_EQ(Label(EN, LabelEntry::MidiIn), Blanks(13) + "Midi Port Input : ");
    EXPECT_EQ(Label(FR, LabelEntry::MidiIn), Blanks(13) + "Port d'entrée Midi : ");
    EXPECT_EQ(Label(EN, LabelEntry::MidiActivity), Blanks(11) + "Midi activity");
    EXPECT_EQ(Label(EN, LabelEntry::MidiMode), " Midi Mode : ");
    EXPECT_EQ(Label(FR, LabelEntry::DryContact), Blanks(11) + "Contact sec");
    EXPECT_EQ(Label(EN, LabelEntry::DoConvert), Blanks(13) + "Do convert...");
    EXPECT_EQ(Label(EN, LabelEntry::BridgeTitle), Blanks(13) + "Real time Midi bridge");
    EXPECT_EQ(Label(EN, LabelEntry::Proportional), Blanks(11) + "Proportional");
}

TEST(LanguageTables, MessagesAndMenusReadAsWritten)
{
    EXPECT_EQ(Text(ComMessageEntry::ComErrNotReady, EN), "Transmission Error : MP3 player not ready");
    EXPECT_EQ(Text(ComMessageEntry::ComErrNotReady, FR), "Erreur de Transmission : lecteur MP3 non prêt");
    EXPECT_EQ(Text(ComMessageEntry::ComErrEepromRead, FR), "Erreur de lecture en EEPROM");
    EXPECT_EQ(Text(MessageEntry::AlreadyExists, EN),
              " already exists. Do you want to replace this file?");
    EXPECT_EQ(Text(MessageEntry::ProcessDone, FR), "Processus terminé...");
    EXPECT_EQ(Text(MessageEntry::DoesNotFit, FR),
              "La séquence ne tient pas dans la mémoire du dispositif...");
    // Each language is named in its own language in both rows.
    EXPECT_EQ(Text(LanguageMenuEntry::English, FR), "&English");
    EXPECT_EQ(Text(LanguageMenuEntry::French, EN), "&Français");
    EXPECT_EQ(Text(FileMenuEntry::Exit, EN), "E&xit");
    EXPECT_EQ(Text(AboutEntry::Title, EN), "About \"Midi To TOREM Sequence Bridge\"");
    EXPECT_EQ(Text(AboutEntry::Title, FR), "A propos de \"Midi To TOREM Sequence\" Bridge");
    EXPECT_EQ(Text(AboutEntry::ProductName, FR), "\"Midi To TOREM Sequence\" Bridge");
}

TEST(LanguageTables, TransposeTextsFollowTheIndexAndFallBackToNone)
{
    EXPECT_EQ(TransposeText(EN, 1), "- 4 Octaves");
    EXPECT_EQ(TransposeText(EN, 4), "- 1 Octave");
    EXPECT_EQ(TransposeText(EN, 5), " None...");
    EXPECT_EQ(TransposeText(FR, 5), " Aucun...");
    EXPECT_EQ(TransposeText(FR, 9), "+ 4 Octaves");
    EXPECT_EQ(TransposeText(EN, 0), " None...");
    EXPECT_EQ(TransposeText(FR, 200), " Aucun...");
}

}  // namespace
