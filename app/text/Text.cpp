// The language tables, French row first in every table.
#include "Text.h"

#include <array>
#include <stdexcept>

namespace {

struct TTableRows {
    TTextTable Table;
    int FirstEntry;
    std::size_t Count;
    const std::string_view* French;
    const std::string_view* English;
};

constexpr auto HintTextsFrench = std::to_array<std::string_view>({
    "Ouvrir un fichier Midi",
    "Sélectionner un fichier Séquence",
    "Convertir le fichier Midi en un fichier Séquence",
    "Sélectionner un port COM",
    "Sélectionner un port Midi d'entrée",
    "Transposer les évenements Midi",
});
constexpr auto HintTextsEnglish = std::to_array<std::string_view>({
    "Open a Midi file",
    "Select a Sequence file",
    "Convert the Midi file into a Sequence file",
    "Select a COM port",
    "Select a Midi Input port",
    "Transpose Midi events",
});

constexpr auto FileMenuTextsFrench = std::to_array<std::string_view>({
    "&Fichier",
    "&Ouvrir un fichier Midi",
    "&Sélectionner un fichier Seq",
    "&Convertir",
    "&Quitter",
    "Voir la séquence...",
});
constexpr auto FileMenuTextsEnglish = std::to_array<std::string_view>({
    "&File",
    "&Open Midi file",
    "&Select a Sequence file",
    "&Convert",
    "E&xit",
    "View sequence...",
});

constexpr auto LanguageMenuTextsFrench = std::to_array<std::string_view>({
    "&Langue",
    "&English",
    "&Français",
});
constexpr auto LanguageMenuTextsEnglish = std::to_array<std::string_view>({
    "&Language",
    "&English",
    "&Français",
});

constexpr auto HelpMenuTextsFrench = std::to_array<std::string_view>({
    "&Aide",
    "&A propos...",
});
constexpr auto HelpMenuTextsEnglish = std::to_array<std::string_view>({
    "&Help",
    "&About...",
});

constexpr auto Rs232MenuTextsFrench = std::to_array<std::string_view>({
    "&RS232",
    "Autre port...",
    "Nom ou chemin du port série :",
    "&Toutes les sorties à zéro",
    "&Journal...",
});
constexpr auto Rs232MenuTextsEnglish = std::to_array<std::string_view>({
    "&RS232",
    "Other port...",
    "Serial port name or path:",
    "&All outputs off",
    "&Log...",
});

constexpr auto MidiPortMenuTextsFrench = std::to_array<std::string_view>({
    "&Port Midi d'entrée",
    "Aucun...",
    " (absent)",
    "Aucun système Midi trouvé",
});
constexpr auto MidiPortMenuTextsEnglish = std::to_array<std::string_view>({
    "&Input Midi Port",
    "None...",
    " (absent)",
    "No Midi system found",
});

constexpr auto OptionsMenuTextsFrench = std::to_array<std::string_view>({
    "&Options",
    "&Résolution",
    "&Mode Midi",
    "&Transposer",
    "&Proportionnel",
    "&Contact sec",
});
constexpr auto OptionsMenuTextsEnglish = std::to_array<std::string_view>({
    "&Options",
    "&Resolution",
    "&Midi Mode",
    "&Transpose",
    "&Proportional",
    "&Dry contact",
});

constexpr auto AboutTextsFrench = std::to_array<std::string_view>({
    "A propos de \"Midi To TOREM Sequence\" Bridge",
    "\"Midi To TOREM Sequence\" Bridge",
    "Version 1.00",
    "www.torem-devices.example",
});
constexpr auto AboutTextsEnglish = std::to_array<std::string_view>({
    "About \"Midi To TOREM Sequence Bridge\"",
    "Midi To TOREM Sequence Bridge",
    "Version 1.00",
    "www.torem-devices.example",
});

constexpr auto LabelTextsFrench = std::to_array<std::string_view>({
    "             Fichier Midi : ",
    " Résolution :",
    "             Fichier Seq : ",
    "             Port COM : ",
    "             Transposer : ",
    "             Convertisseur de fichier Midi en fichier Séquence TOREM",
    "             Convertir...",
    "             Passerelle Midi temps réel",
    "             Port d'entrée Midi : ",
    "           Activité Midi",
    " Mode Midi : ",
    "           Proportionnel",
    "           Contact sec",
});
constexpr auto LabelTextsEnglish = std::to_array<std::string_view>({
    "              Midi File : ",
    " Resolution :",
    "              Seq File : ",
    "             Port COM : ",
    "             Transpose : ",
    "             Midi file to TOREM Sequence file converter",
    "             Do convert...",
    "             Real time Midi bridge",
    "             Midi Port Input : ",
    "           Midi activity",
    " Midi Mode : ",
    "           Proportional",
    "           Dry Contact",
});

constexpr auto ComMessagesFrench = std::to_array<std::string_view>({
    "Transmission sur le port COM OK",
    "Erreur d'initialisation du port COM",
    "Erreur d'écriture sur le port COM",
    "Erreur de lecture sur le port COM",
    "Erreur d'ouverture du port COM",
    "Erreur d'accès aux paramètres du port COM",
    "Erreur de configuration du port COM",
    "Erreur de Timeout sur le port COM",
    "Erreur de fermeture du port COM",
    "Erreur de Transmission : lecteur MP3 non prêt",
    "Erreur d'écriture en EEPROM",
    "Erreur de lecture en EEPROM",
});
constexpr auto ComMessagesEnglish = std::to_array<std::string_view>({
    "Transmission on COM port OK",
    "Initialization Error on port COM",
    "Writing Error on COM port",
    "Reading Error on COM port",
    "Opening Error of COM port",
    "Parameters access Error of COM port",
    "Setting Error on COM port",
    "Timeouts Error of port COM",
    "Closing Error of COM port",
    "Transmission Error : MP3 player not ready",
    "Writing in EEPROM Error",
    "Reading in EEPROM Error",
});

constexpr auto MessageTextsFrench = std::to_array<std::string_view>({
    " existe déjà. Voulez-vous remplacer ce fichier?",
    "Processus terminé...",
    "Le fichier Séquence doit être assigné...",
    "Le fichier Midi ou son emplacement n'existe pas...",
    "Le fichier Midi est trop long pour cette résolution...",
    "Trop de changements de sorties au même instant...",
    "La séquence ne tient pas dans la mémoire du dispositif...",
});
constexpr auto MessageTextsEnglish = std::to_array<std::string_view>({
    " already exists. Do you want to replace this file?",
    "Process done...",
    "Sequence file must be assigned...",
    "Midi file location or Midi file does not exist...",
    "The Midi file is too long for this resolution...",
    "Too many output changes at the same time...",
    "The sequence does not fit in the device memory...",
});

constexpr auto TransposeTextsFrench = std::to_array<std::string_view>({
    "- 4 Octaves",
    "- 3 Octaves",
    "- 2 Octaves",
    "- 1 Octave",
    " Aucun...",
    "+ 1 Octave",
    "+ 2 Octaves",
    "+ 3 Octaves",
    "+ 4 Octaves",
});
constexpr auto TransposeTextsEnglish = std::to_array<std::string_view>({
    "- 4 Octaves",
    "- 3 Octaves",
    "- 2 Octaves",
    "- 1 Octave",
    " None...",
    "+ 1 Octave",
    "+ 2 Octaves",
    "+ 3 Octaves",
    "+ 4 Octaves",
});

constexpr auto StatusTextsFrench = std::to_array<std::string_view>({
    "Introuvable.",
    "Utilisé par un autre programme.",
    "Accès refusé.",
    "Rejoignez le groupe dialout pour utiliser les ports série (sudo usermod -aG dialout $USER), puis reconnectez-vous.",
    "Perdu.",
    "Ne peut pas être ouvert.",
    "Nouvel essai chaque seconde.",
    "Ouvert dès qu'il apparaît.",
    "Ouvert.",
    "Ouvert à nouveau.",
    "Fermé.",
    "Ne répond pas.",
    "Le dispositif n'a pas acquitté en une seconde, deux fois de suite.",
    "Répond à nouveau.",
    "→ RS232",
    "Aucun port série choisi : choisissez-en un dans le menu RS232 ou avec le bouton à côté.",
    "port %1 : %2",
    "périphérique Midi « %1 » : %2",
    "avertissement : %1",
    " (rétabli à %1)",
    "Sorties des notes tenues éteintes : %1",
    "Toutes les sorties à zéro.",
    "Changements envoyés : %1, acquittés : %2, remplacés par de plus récents : %3, sans réponse : %4 ; "
    "reconnexions : %5 ; notes relâchées : %6 ; pire délai note-dispositif : %7 ms",
    "Journal",
    "Rien pour l'instant.",
    " (absent)",
    " (occupé)",
    " (refusé)",
    " (perdu)",
    " (échec)",
    " (muet)",
    "Test : sortie %1 au niveau %2",
    "Test : sorties %1 à %2 au niveau %3",
    "Test : chenillard des sorties %1 à %2 au niveau %3, %4 pas par seconde",
    "Fin du test : ce qu'il a allumé est éteint.",
    "Lecture de %1 à partir de %2",
    "Lecture en pause à %1 ; ce qu'elle avait allumé est éteint.",
    "Lecture arrêtée ; ce qu'elle avait allumé est éteint.",
    "Lecture finie ; ce qu'elle avait allumé est éteint.",
    "Sorties",
    "Canal %1 : sorties %2 à %3",
    "* en attente du dispositif   ? non confirmé   . à zéro",
});
constexpr auto StatusTextsEnglish = std::to_array<std::string_view>({
    "Not found.",
    "In use by another program.",
    "Permission denied.",
    "Join the dialout group to use serial ports (sudo usermod -aG dialout $USER), then log in again.",
    "Lost.",
    "Cannot be opened.",
    "Tried again every second.",
    "Opened as soon as it appears.",
    "Open.",
    "Open again.",
    "Closed.",
    "Not answering.",
    "The device did not acknowledge within a second, twice in a row.",
    "Answering again.",
    "→ RS232",
    "No serial port chosen yet: choose one in the RS232 menu or with the button beside.",
    "port %1: %2",
    "MIDI device \"%1\": %2",
    "warning: %1",
    " (recovered at %1)",
    "Outputs of held notes switched off: %1",
    "All outputs off.",
    "Changes sent: %1, acknowledged: %2, replaced by newer ones: %3, unanswered: %4; reconnections: %5; "
    "released notes: %6; worst note to device: %7 ms",
    "Log",
    "Nothing yet.",
    " (absent)",
    " (in use)",
    " (denied)",
    " (lost)",
    " (failed)",
    " (silent)",
    "Test: output %1 at level %2",
    "Test: outputs %1 to %2 at level %3",
    "Test: chase of outputs %1 to %2 at level %3, %4 steps a second",
    "Test ended: what it lit is off.",
    "Playing %1 from %2",
    "Play paused at %1; what it lit is off.",
    "Play stopped; what it lit is off.",
    "Played to the end; what it lit is off.",
    "Outputs",
    "Channel %1: outputs %2 to %3",
    "* waiting for the device   ? unconfirmed   . at 0",
});

constexpr auto ViewerTextsFrench = std::to_array<std::string_view>({
    "Visionneuse de séquence",
    "Séquence",
    "Rapport de conversion",
    "Aucune conversion pour l'instant : le rapport de la prochaine s'affichera ici.",
    "Impossible de lire le fichier Séquence %1 : %2",
    "%1 n'est pas une image de séquence valide : %2",
    "octet %1 : %2",
    "Canal 1",
    "Canal 2",
    "temps (%1)",
    "Aucun changement de sortie.",
    "le fichier fait %1 octets, et non 65536",
    "l'en-tête contient 0x%1 à la place d'une espace (0x20)",
    "le code de résolution vaut %1, et non 1 à 4",
    "la longueur des trames vaut %1, plus que 32768",
    "la longueur des trames vaut %1, moins que les 3 octets de la première trame",
    "la trame de %1 changements dépasse la longueur des trames, %2",
    "le créneau suivant vaut %1 et ne vient pas après le créneau %2 de la trame",
    "le créneau suivant de la dernière trame vaut %1, et non 0",
    "0x%1 suit les trames à la place de 0",
    "sortie %1, niveau %2, de %3 à %4",
    " (%1 barres, le niveau le plus haut)",
    "jamais allumée",
    "Jamais allumées : %1",
    "Visionneuse de séquence - %1",
    "%1 (écrit le %2) : résolution %3 ms, dernier changement à %4, %5.",
    "La dernière conversion, de %1 le %2, n'a pas été écrite : voici le fichier d'avant.",
    "Conversion de %1\nen %2\nle %3, résolution %4 ms : %5",
    "écrite.",
    "non écrite.",
    "non écrite, le fichier existant a été gardé.",
    "Zoom avant",
    "Zoom arrière",
    "Ajuster à la fenêtre",
    "Cliquez sur l'image ou utilisez les flèches pour lire ce qui est allumé à un instant.",
    "À %1 (créneau %2), %3 : %4",
    "À %1 (créneau %2), aucune sortie n'est allumée.",
    "sortie allumée",
    "sorties allumées",
});
constexpr auto ViewerTextsEnglish = std::to_array<std::string_view>({
    "Sequence viewer",
    "Sequence",
    "Conversion report",
    "No conversion yet: the report of the next one shows here.",
    "Cannot read the sequence file %1: %2",
    "%1 is not a valid sequence image: %2",
    "byte %1: %2",
    "Channel 1",
    "Channel 2",
    "time (%1)",
    "No output changes.",
    "the file is %1 bytes long, not 65536",
    "the header holds 0x%1 where a space (0x20) belongs",
    "the resolution code is %1, not 1 to 4",
    "the frame bytes are %1, more than 32768",
    "the frame bytes are %1, fewer than the first frame's 3",
    "the frame of %1 changes runs past the %2 frame bytes",
    "the next slot is %1, not after the frame's slot %2",
    "the last frame's next slot is %1, not 0",
    "0x%1 follows the frames where 0 belongs",
    "output %1, level %2, %3 to %4",
    " (%1 bars, the highest level)",
    "never switched on",
    "Never switched on: %1",
    "Sequence viewer - %1",
    "%1 (written %2): resolution %3 ms, last change at %4, %5.",
    "The last conversion, of %1 at %2, was not written: this is the file from before.",
    "Conversion of %1\ninto %2\nat %3, resolution %4 ms: %5",
    "written.",
    "not written.",
    "not written, the existing file was kept.",
    "Zoom in",
    "Zoom out",
    "Fit to window",
    "Click the picture or use the arrow keys to read what is on at a time.",
    "At %1 (slot %2), %3: %4",
    "At %1 (slot %2), no output is on.",
    "output on",
    "outputs on",
});

constexpr auto ReportTextsFrench = std::to_array<std::string_view>({
    "note",
    "notes",
    "changement",
    "changements",
    "trame",
    "trames",
    "octet de trames",
    "octets de trames",
    " (la première vide)",
    "%1, %2, %3%4, %5",
    "Notes des canaux Midi autres que 1 et 2, ignorées : %1",
    "  %1  canal %2, note %3, piste %4",
    "Débuts de note qu'aucune fin de note ne ferme, ignorés : %1",
    "  %1  sortie %2 (canal %3, note %4)",
    "Notes qui n'allument jamais leur sortie, leur début et leur fin tombant dans le même créneau : %1",
    "Notes qui n'allument jamais leur sortie, d'autres notes de la même sortie prenant leur place : %1",
    "Notes fondues avec la suivante sur la même sortie : %1",
    "  %1  sortie %2 (canal %3, note %4), de %5 à %6",
    "  ... et %1 de plus",
    "Aucun événement de tempo ; %1 µs par noire, la valeur par défaut, valent pour tout le fichier",
    "1 événement de tempo ; %1 µs par noire valent pour tout le fichier",
    "%1 événements de tempo ; %2 µs par noire, le dernier, valent pour tout le fichier",
    "  %1  piste %2 : %3 µs par noire",
    "Événements de tempo : %1, aucun n'est utilisé : la division du temps est SMPTE, %2 images par seconde, %3 "
    "tops par image",
    "Dernier changement à %1, créneau %2 sur 65535 ; %3 octets de trames utilisés sur 32768",
    "Aucun changement de sortie ; %1 octets de trames utilisés sur 32768",
});
constexpr auto ReportTextsEnglish = std::to_array<std::string_view>({
    "note",
    "notes",
    "change",
    "changes",
    "frame",
    "frames",
    "frame byte",
    "frame bytes",
    " (the first one empty)",
    "%1, %2, %3%4, %5",
    "Notes on MIDI channels other than 1 and 2, left out: %1",
    "  %1  channel %2, note %3, track %4",
    "Note-ons that no note-off closed, left out: %1",
    "  %1  output %2 (channel %3, note %4)",
    "Notes that never switch their output on, their start and end falling on the same slot: %1",
    "Notes that never switch their output on, other notes of the same output taking their place: %1",
    "Notes merged with the next one on the same output: %1",
    "  %1  output %2 (channel %3, note %4), from %5 to %6",
    "  ... and %1 more",
    "No tempo event; %1 µs per quarter note, the default, is used for the whole file",
    "1 tempo event; %1 µs per quarter note is used for the whole file",
    "%1 tempo events; %2 µs per quarter note, the last, is used for the whole file",
    "  %1  track %2: %3 µs per quarter note",
    "Tempo events: %1, none used: the time division is SMPTE, %2 frames per second, %3 ticks per frame",
    "Last change at %1, slot %2 of 65535; %3 frame bytes used of 32768",
    "No output change; %1 frame bytes used of 32768",
});

constexpr auto ConversionTextsFrench = std::to_array<std::string_view>({
    "&Voir le rapport",
    "Aucune note sur les canaux Midi 1 et 2 : la séquence n'allume aucune sortie.",
    "Notes omises ou fondues : %1 sur %2 (%3).",
    "trop courtes pour la résolution : %1",
    "masquées par d'autres notes de leur sortie : %1",
    "jamais terminées : %1",
    "fondues avec la suivante de leur sortie : %1",
    "Notes des canaux Midi autres que 1 et 2, ignorées : %1.",
    "Une résolution plus fine en garde davantage.",
    "Son dernier changement tombe dans le créneau %1, à %2 : l'image s'arrête au créneau 65535.",
    "Les 256 sorties changent à %1 : une trame contient au plus 255 changements.",
    "Ses trames demandent %1 octets : l'image en contient 32768.",
    "Il tient avec une résolution de %1 ms.",
    "Il ne tient à aucune résolution.",
    " ou ",
    "Fichiers Midi &récents",
});
constexpr auto ConversionTextsEnglish = std::to_array<std::string_view>({
    "&Show the report",
    "No note on MIDI channels 1 and 2: the sequence switches no output on.",
    "Notes left out or merged: %1 of %2 (%3).",
    "too short for the resolution: %1",
    "hidden by other notes of their output: %1",
    "never ended: %1",
    "merged with the next one of their output: %1",
    "Notes on MIDI channels other than 1 and 2, left out: %1.",
    "A finer resolution keeps more.",
    "Its last change falls on slot %1, at %2: the image ends at slot 65535.",
    "All 256 outputs change at %1: a frame holds at most 255 changes.",
    "Its frames need %1 bytes: the image holds 32768.",
    "It fits at a resolution of %1 ms.",
    "It fits at no resolution.",
    " or ",
    "&Recent Midi files",
});

// Both rows hold exactly the entries of Entry's type, none of them empty.
template <TextEntry Entry, std::size_t FrenchCount, std::size_t EnglishCount>
consteval TTableRows RowsOf(const std::array<std::string_view, FrenchCount>& french,
                            const std::array<std::string_view, EnglishCount>& english)
{
    using Entries = TTextEntries<Entry>;
    static_assert(FrenchCount == Entries::Count, "the French row lacks or has extra entries");
    static_assert(EnglishCount == Entries::Count, "the English row lacks or has extra entries");
    for (std::size_t i = 0; i < Entries::Count; ++i)
        if (french[i].empty() || english[i].empty())
            throw "a text of the table is empty";
    return {Entries::Table, Entries::First, Entries::Count, french.data(), english.data()};
}

constexpr auto RigTextsFrench = std::to_array<std::string_view>({
    "&Sorties...",
    "T&ester les sorties...",
    "Tester les sorties",
    "Première sortie :",
    "Dernière sortie :",
    "Niveau :",
    "Pas par seconde :",
    "Une sortie",
    "Plage",
    "Chenillard",
    "Tout à zéro",
    "Arrêter",
    "Lire",
    "Pause",
    "Arrêter",
});
constexpr auto RigTextsEnglish = std::to_array<std::string_view>({
    "O&utputs...",
    "&Test outputs...",
    "Test outputs",
    "First output:",
    "Last output:",
    "Level:",
    "Steps a second:",
    "One output",
    "Range",
    "Chase",
    "All off",
    "Stop",
    "Play",
    "Pause",
    "Stop",
});

constexpr std::array Rows = {
    RowsOf<HintEntry>(HintTextsFrench, HintTextsEnglish),
    RowsOf<FileMenuEntry>(FileMenuTextsFrench, FileMenuTextsEnglish),
    RowsOf<LanguageMenuEntry>(LanguageMenuTextsFrench, LanguageMenuTextsEnglish),
    RowsOf<HelpMenuEntry>(HelpMenuTextsFrench, HelpMenuTextsEnglish),
    RowsOf<Rs232MenuEntry>(Rs232MenuTextsFrench, Rs232MenuTextsEnglish),
    RowsOf<MidiPortMenuEntry>(MidiPortMenuTextsFrench, MidiPortMenuTextsEnglish),
    RowsOf<OptionsMenuEntry>(OptionsMenuTextsFrench, OptionsMenuTextsEnglish),
    RowsOf<AboutEntry>(AboutTextsFrench, AboutTextsEnglish),
    RowsOf<LabelEntry>(LabelTextsFrench, LabelTextsEnglish),
    RowsOf<ComMessageEntry>(ComMessagesFrench, ComMessagesEnglish),
    RowsOf<MessageEntry>(MessageTextsFrench, MessageTextsEnglish),
    RowsOf<TransposeEntry>(TransposeTextsFrench, TransposeTextsEnglish),
    RowsOf<StatusEntry>(StatusTextsFrench, StatusTextsEnglish),
    RowsOf<ViewerEntry>(ViewerTextsFrench, ViewerTextsEnglish),
    RowsOf<ReportEntry>(ReportTextsFrench, ReportTextsEnglish),
    RowsOf<ConversionEntry>(ConversionTextsFrench, ConversionTextsEnglish),
    RowsOf<RigEntry>(RigTextsFrench, RigTextsEnglish),
};

// Rows is indexed by TTextTable.
consteval bool InTableOrder()
{
    for (std::size_t i = 0; i < Rows.size(); ++i)
        if (Rows[i].Table != static_cast<TTextTable>(i))
            return false;
    return Rows.size() == static_cast<std::size_t>(TTextTable::RigTexts) + 1;
}
static_assert(InTableOrder());

} // namespace

std::string_view LookupText(TTextRef text, std::uint8_t languageIndex)
{
    const TTableRows& rows = Rows[static_cast<std::size_t>(text.Table())];
    const int index = text.Entry() - rows.FirstEntry;
    if (index < 0 || static_cast<std::size_t>(index) >= rows.Count)
        throw std::out_of_range("no text entry " + std::to_string(text.Entry()));
    // Only 1 is French; the settings reader never yields anything but 1 or 2.
    return languageIndex == LanguageFrench ? rows.French[index] : rows.English[index];
}

std::string_view TransposeText(std::uint8_t languageIndex, std::uint8_t transposeIndex)
{
    // Out of range only from a hand-edited settings file: the menus show None then.
    if (transposeIndex < 1 || transposeIndex > 9)
        return LookupText(TransposeEntry::None, languageIndex);
    return LookupText(static_cast<TransposeEntry>(transposeIndex), languageIndex);
}

std::string Fill(std::string_view text, std::initializer_list<std::string_view> arguments)
{
    std::string filled;
    filled.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const auto n = static_cast<std::size_t>(next - '1');
        if (text[i] == '%' && next >= '1' && next <= '9' && n < arguments.size()) {
            filled += *(arguments.begin() + n);
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

std::string Counted(std::uint8_t languageIndex, std::uint64_t count, std::string_view one, std::string_view many)
{
    const bool singular = count == 1 || (count == 0 && languageIndex == LanguageFrench);
    return std::to_string(count) + ' ' + std::string(singular ? one : many);
}
