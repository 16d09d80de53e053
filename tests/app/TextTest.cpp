#include <gtest/gtest.h>

#include <string>

#include "Text.h"

namespace {

constexpr std::uint8_t FR = LanguageFrench;
constexpr std::uint8_t EN = LanguageEnglish;

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string Label(std::uint8_t language, int entry) { return Text(TTextTable::LabelTexts, language, entry); }

TEST(LanguageTables, EveryTableHasItsEntriesInBothLanguages)
{
    const struct {
        TTextTable table;
        int first;
        int count;
    } tables[] = {
        {TTextTable::HintTexts, 1, 6},       {TTextTable::FileMenuTexts, 1, 6},
        {TTextTable::LanguageMenuTexts, 1, 3}, {TTextTable::HelpMenuTexts, 1, 2},
        {TTextTable::Rs232MenuTexts, 1, 4},  {TTextTable::MidiPortMenuTexts, 1, 4},
        {TTextTable::OptionsMenuTexts, 1, 6}, {TTextTable::AboutTexts, 1, 4},
        {TTextTable::LabelTexts, 1, 13},     {TTextTable::ComMessages, 0, 12},
        {TTextTable::MessageTexts, 1, 7},    {TTextTable::TransposeTexts, 1, 9},
        {TTextTable::StatusTexts, 1, 8},     {TTextTable::ViewerTexts, 1, 22},
        {TTextTable::ReportTexts, 1, 26},
    };
    for (const auto& t : tables) {
        EXPECT_EQ(TextEntryCount(t.table), t.count);
        for (int e = t.first; e < t.first + t.count; ++e) {
            EXPECT_FALSE(LookupText(t.table, FR, e).empty());
            EXPECT_FALSE(LookupText(t.table, EN, e).empty());
        }
        EXPECT_THROW(LookupText(t.table, EN, t.first - 1), std::out_of_range);
        EXPECT_THROW(LookupText(t.table, EN, t.first + t.count), std::out_of_range);
    }
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
    EXPECT_EQ(Text(TTextTable::ComMessages, EN, 9), "Transmission Error : MP3 player not ready");
    EXPECT_EQ(Text(TTextTable::ComMessages, FR, 9), "Erreur de Transmission : lecteur MP3 non prêt");
    EXPECT_EQ(Text(TTextTable::ComMessages, FR, 11), "Erreur de lecture en EEPROM");
    EXPECT_EQ(Text(TTextTable::MessageTexts, EN, MessageEntry::AlreadyExists),
              " already exists. Do you want to replace this file?");
    EXPECT_EQ(Text(TTextTable::MessageTexts, FR, MessageEntry::ProcessDone), "Processus terminé...");
    EXPECT_EQ(Text(TTextTable::MessageTexts, FR, MessageEntry::DoesNotFit),
              "La séquence ne tient pas dans la mémoire du dispositif...");
    // Each language is named in its own language in both rows.
    EXPECT_EQ(Text(TTextTable::LanguageMenuTexts, FR, LanguageMenuEntry::English), "&English");
    EXPECT_EQ(Text(TTextTable::LanguageMenuTexts, EN, LanguageMenuEntry::French), "&Français");
    EXPECT_EQ(Text(TTextTable::FileMenuTexts, EN, FileMenuEntry::Exit), "E&xit");
    EXPECT_EQ(Text(TTextTable::AboutTexts, EN, AboutEntry::Title), "About \"Midi To TOREM Sequence Bridge\"");
    EXPECT_EQ(Text(TTextTable::AboutTexts, FR, AboutEntry::Title), "A propos de \"Midi To TOREM Sequence\" Bridge");
    EXPECT_EQ(Text(TTextTable::AboutTexts, FR, AboutEntry::ProductName), "\"Midi To TOREM Sequence\" Bridge");
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
