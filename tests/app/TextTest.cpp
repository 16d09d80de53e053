#include <gtest/gtest.h>

#include <string>

#include "Text.h"

namespace {

constexpr std::uint8_t FR = LanguageFrench;
constexpr std::uint8_t EN = LanguageEnglish;

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

TEST(LanguageTables, EveryTableHasItsEntriesInBothLanguages)
{
    const struct {
        TTextTable table;
        int first;
        int count;
    } tables[] = {
        {TTextTable::HintTexts, 1, 6},       {TTextTable::FileMenuTexts, 1, 5},
        {TTextTable::LanguageMenuTexts, 1, 3}, {TTextTable::HelpMenuTexts, 1, 2},
        {TTextTable::Rs232MenuTexts, 1, 3},  {TTextTable::MidiPortMenuTexts, 1, 2},
        {TTextTable::OptionsMenuTexts, 1, 6}, {TTextTable::AboutTexts, 1, 4},
        {TTextTable::LabelTexts, 1, 13},     {TTextTable::ComMessages, 0, 12},
        {TTextTable::MessageTexts, 1, 7},    {TTextTable::TransposeTexts, 1, 9},
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
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 1), Blanks(14) + "Midi File : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, FR, 1), Blanks(13) + "Fichier Midi : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 2), " Resolution :");
    EXPECT_EQ(Text(TTextTable::LabelTexts, FR, 2), " Résolution :");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 3), Blanks(14) + "Seq File : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, FR, 3), Blanks(13) + "Fichier Seq : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 4) + "COM1", Blanks(13) + "Port COM : COM1");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 5) + std::string(TransposeText(EN, 6)),
              Blanks(13) + "Transpose : + 1 Octave");
    EXPECT_EQ(Text(TTextTable::LabelTexts, FR, 6),
              Blanks(13) + "Convertisseur de fichier Midi en fichier Séquence TOREM");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 9), Blanks(13) + "Midi Port Input : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, FR, 9), Blanks(13) + "Port d'entrée Midi : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 10), Blanks(11) + "Midi activity");
    EXPECT_EQ(Text(TTextTable::LabelTexts, EN, 11), " Midi Mode : ");
    EXPECT_EQ(Text(TTextTable::LabelTexts, FR, 13), Blanks(11) + "Contact sec");
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
    EXPECT_EQ(Text(TTextTable::LanguageMenuTexts, FR, 2), "&English");
    EXPECT_EQ(Text(TTextTable::LanguageMenuTexts, EN, 3), "&Français");
    EXPECT_EQ(Text(TTextTable::FileMenuTexts, EN, 5), "E&xit");
    EXPECT_EQ(Text(TTextTable::AboutTexts, EN, 1), "About \"Midi To TOREM Sequence Bridge\"");
    EXPECT_EQ(Text(TTextTable::AboutTexts, FR, 1), "A propos de \"Midi To TOREM Sequence\" Bridge");
    EXPECT_EQ(Text(TTextTable::AboutTexts, FR, 2), "\"Midi To TOREM Sequence\" Bridge");
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
