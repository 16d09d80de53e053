// The window's behaviour without a toolkit: the model on a face that records
// what it is told, virtual MIDI devices and simulated devices behind the
// ports. Start-up and shut-down, the displays kept in step, the language
// switch, the converter, the ports and devices, and commands that wait for a
// handshake. Runs on every system the programs are built for.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>

#include "EventLoop.h"
#include "MidiFile.h"
#include "RecentFiles.h"
#include "SettingsFile.h"
#include "SmfWriter.h"
#include "Text.h"
#include "Utf8.h"
#include "WindowTestSupport.h"

namespace {

using C = TControl;
using Kind = TTestDialogs::Kind;

std::string Blanks(int count)
{
    return std::string(static_cast<std::size_t>(count), ' ');
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    file << bytes;
}

class WindowModel : public ::testing::Test {
protected:
    // The keyboard "Keys A" and the simulated device behind the port the
    // settings name, then the start-up.
    TWindowModel& StartSaved(const std::vector<std::string>& lines)
    {
        rig.midi.AddDevice("Keys A");
        rig.ports.Map(lines.at(10), rig.Device());
        return rig.Start(lines);
    }

    TModelRig rig;
};

TEST_F(WindowModel, AFirstStartShowsTheDefaultsInEnglishOpensNoPortAndWritesTheSettingsFile)
{
    rig.midi.AddDevice("Keys A");
    rig.midi.AddDevice("Pads & Drums");
    rig.Start();

    std::string defaults;
    for (const std::string& line : DefaultSettingsLines())
        defaults += line + "\r\n";
    EXPECT_EQ(FileBytes(rig.SettingsPath()), defaults);

    const TRecordingView& view = rig.view;
    // No port is opened, none is checked, and the label says where to choose.
    EXPECT_EQ(view.LabelText(C::Label7), Blanks(13) + "Port COM : → RS232");
    EXPECT_EQ(view.labels.at(C::Label7).Tooltip,
              "No serial port chosen yet: choose one in the RS232 menu or with the button beside.");
    EXPECT_FALSE(view.labels.at(C::Label7).Alert);
    for (C item : {C::COM11, C::COM12, C::OtherPortMenu, C::OtherPortPopUp})
        EXPECT_FALSE(view.Checked(item)) << ControlSpec(item).Name;
    EXPECT_EQ(view.LabelText(C::Label3), Blanks(13) + "Midi Port Input : ");
    EXPECT_EQ(view.LabelText(C::Label4), Blanks(14) + "Midi File : ");
    EXPECT_EQ(view.LabelText(C::Label16), Blanks(13) + "Transpose :  None...");
    EXPECT_EQ(view.LabelText(C::Label1), Blanks(13) + "Midi file to TOREM Sequence file converter");
    EXPECT_EQ(view.texts.at(C::SpeedButton3), "Open a Midi file");
    EXPECT_EQ(view.texts.at(C::File1), "&File");
    EXPECT_EQ(view.texts.count(C::COM11), 0u) << "a fixed text is never set";
    EXPECT_TRUE(view.selected.at(C::Image1) && view.selected.at(C::Image8));
    EXPECT_FALSE(view.selected.at(C::Image2) || view.selected.at(C::Image3) || view.selected.at(C::Image5) ||
                 view.selected.at(C::Image10));
    for (C item : {C::N1Seconde1, C::Proportionnal1, C::NoneTransposeMenu, C::NoneTransposePopUp, C::English1,
                   C::None1, C::None2})
        EXPECT_TRUE(view.Checked(item)) << ControlSpec(item).Name;

    // The devices follow None in both menus, in device order, as the system
    // names them, Tags from 1.
    for (C slot : {C::MidiInPortMenu, C::MidiInPortPopUp}) {
        EXPECT_EQ(view.Captions(slot), (std::vector<std::string>{"Keys A", "Pads & Drums"}));
        EXPECT_EQ(view.items.at(slot).at(1).Tag, 2);
        EXPECT_EQ(view.items.at(slot).at(1).Name, std::string(ControlSpec(slot).Name) + "2");
    }

    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(rig.model->Session().Log().empty()) << "nothing happened on stage";
}

TEST_F(WindowModel, EachChoiceShowsInItsMenuItemAndItsPictureOrPopUp)
{
    TWindowModel& model = rig.Start();
    const TRecordingView& view = rig.view;
    struct TCase {
        C clicked;
        std::function<int()> setting;
        int value;
        std::vector<C> checked;
        std::vector<C> selected;
    };
    const auto resolution = [&] { return int{model.Settings().ResolutionMs}; };
    const auto mode = [&] { return int{model.Settings().MidiMode}; };
    const auto transpose = [&] { return int{model.Settings().TransposeIndex}; };
    const std::vector<TCase> cases = {
        {C::Image3, resolution, 250, {C::N250ms1}, {C::Image3}},
        {C::N500ms1, resolution, 500, {C::N500ms1}, {C::Image2}},
        {C::N100ms1, resolution, 100, {C::N100ms1}, {C::Image5}},
        {C::Image10, mode, MidiModeValue::DryContact, {C::Contactor1}, {C::Image10}},
        {C::Proportionnal1, mode, MidiModeValue::Proportional, {C::Proportionnal1}, {C::Image8}},
        {C::UP2OctavePopUp, transpose, 7, {C::UP2OctaveMenu, C::UP2OctavePopUp}, {}},
        {C::Less4OctaveMenu, transpose, 1, {C::Less4OctaveMenu, C::Less4OctavePopUp}, {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(ControlSpec(c.clicked).Name);
        model.Click(c.clicked);
        EXPECT_EQ(c.setting(), c.value);
        for (C item : c.checked)
            EXPECT_TRUE(view.Checked(item)) << ControlSpec(item).Name;
        for (C picture : c.selected) {
            // Exactly one picture of its family shows the selected look.
            int selectedInFamily = 0;
            for (const auto& [other, isSelected] : view.selected)
                if (isSelected && ControlSpec(other).Command == ControlSpec(picture).Command)
                    ++selectedInFamily;
            EXPECT_TRUE(view.selected.at(picture));
            EXPECT_EQ(selectedInFamily, 1);
        }
    }
    EXPECT_EQ(view.LabelText(C::Label16), Blanks(13) + "Transpose : - 4 Octaves");

    // The buttons open their pop-up menus.
    for (C button : {C::SpeedButton4, C::SpeedButton5, C::SpeedButton6})
        model.Click(button);
    EXPECT_EQ(view.popUps, (std::vector<C>{C::PopupMenu1, C::PopupMenu4, C::PopupMenu2}));
}

TEST_F(WindowModel, TheLanguageSwitchChangesTextsOnlyAndBackRestoresEveryText)
{
    rig.midi.AddDevice("Keys A");
    TWindowModel& model = rig.Start();
    rig.files.midiAnswers.push_back("/music/my song.mid");
    model.Click(C::Open1);
    model.Click(C::Open1);  // cancelled: nothing changes
    model.ClickItem(C::MidiInPortMenu, 0);
    model.Click(C::UP1OctaveMenu);
    const TRecordingView english = rig.view;

    model.Click(C::French1);
    EXPECT_EQ(model.Settings().LanguageIndex, LanguageFrench);
    EXPECT_EQ(model.Settings().MidiFileName, "/music/my song.mid");
    const TRecordingView& view = rig.view;
    EXPECT_EQ(view.LabelText(C::Label4), Blanks(13) + "Fichier Midi : /music/my song.mid");
    EXPECT_EQ(view.LabelText(C::Label3), Blanks(13) + "Port d'entrée Midi : Keys A");
    EXPECT_EQ(view.LabelText(C::Label16), Blanks(13) + "Transposer : + 1 Octave");
    EXPECT_EQ(view.texts.at(C::File1), "&Fichier");
    EXPECT_EQ(view.texts.at(C::English1), "&English");
    EXPECT_EQ(view.texts.at(C::French1), "&Français");
    EXPECT_EQ(view.texts.at(C::OtherPortPopUp), "&Autre port...") << "an underlined letter of ours";
    EXPECT_EQ(view.texts.at(C::SpeedButton6), "Transposer les évenements Midi");
    EXPECT_TRUE(view.Checked(C::French1) && view.Checked(C::UP1OctaveMenu) &&
                view.CheckedItem(C::MidiInPortPopUp, 0));
    EXPECT_EQ(view.Captions(C::MidiInPortMenu), english.Captions(C::MidiInPortMenu));
    EXPECT_GT(view.viewerRefreshed, english.viewerRefreshed) << "an open viewer follows";

    model.Click(C::English1);
    EXPECT_EQ(view.texts, english.texts);
    EXPECT_EQ(view.labels, english.labels);
    EXPECT_TRUE(view.Checked(C::English1));
}

TEST_F(WindowModel, SavedChoicesAreShownAndOpenedAndABadFileStillAppliesWhatWasRead)
{
    TWindowModel& model = StartSaved(SettingsLines("French", "300", "COM7", "2", "9"));
    const TRecordingView& view = rig.view;
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(model.Settings().ComPortOpen);
    // COM7 has no item of its own: the item it can be chosen with shows it.
    EXPECT_TRUE(view.Checked(C::OtherPortMenu) && view.Checked(C::OtherPortPopUp));
    EXPECT_EQ(view.LabelText(C::Label7), Blanks(13) + "Port COM : COM7");
    EXPECT_TRUE(view.Checked(C::French1));
    EXPECT_EQ(model.Settings().ResolutionMs, 300) << "kept as read";
    EXPECT_TRUE(view.Checked(C::N1Seconde1) && view.selected.at(C::Image1));
    EXPECT_TRUE(view.Checked(C::Contactor1) && view.selected.at(C::Image10));
    EXPECT_TRUE(view.Checked(C::UP4OctaveMenu) && view.Checked(C::UP4OctavePopUp));
    EXPECT_TRUE(view.CheckedItem(C::MidiInPortMenu, 0) && view.CheckedItem(C::MidiInPortPopUp, 0));
    EXPECT_TRUE(rig.midi.IsOpen(0) && rig.midi.IsStarted(0));

    // A file that ends after the MIDI device: mode and transposition missing.
    TModelRig other;
    std::vector<std::string> lines = SettingsLines("French", "250", "COM3", "2", "9");
    lines.resize(13);
    other.midi.AddDevice("Keys A");
    other.ports.Map("COM3", other.Device());
    TWindowModel& bad = other.Start(lines);
    EXPECT_EQ(other.dialogs.TextsOf(Kind::Warning),
              std::vector<std::string>{EConvertError(EConvertError(""), other.SettingsPath()).what()});
    EXPECT_EQ(other.view.LabelText(C::Label1), Blanks(13) + "Convertisseur de fichier Midi en fichier Séquence TOREM");
    EXPECT_TRUE(bad.Settings().ComPortOpen && other.view.Checked(C::COM31) && other.midi.IsStarted(0));
    EXPECT_TRUE(other.view.Checked(C::N250ms1) && other.view.Checked(C::Proportionnal1) &&
                other.view.Checked(C::NoneTransposeMenu));
    bad.Click(C::Exit1);
    AppSettings reread;
    EXPECT_NO_THROW(LoadSettings(reread, PathFromUtf8(other.SettingsPath()))) << "a complete file again";
    EXPECT_EQ(reread.TransposeIndex, 5);
}

TEST_F(WindowModel, ExitSavesClosesBothPortsAndSendsNothingMoreEvenWhenTheSettingsCannotBeSaved)
{
    TWindowModel& model = StartSaved(SettingsLines("English", "1000", "COM2", "1", "5"));
    ASSERT_TRUE(model.Settings().ComPortOpen && rig.midi.IsStarted(0));
    model.Click(C::N100ms1);

    // A note waits in the loop, and the settings file has become a folder.
    ASSERT_TRUE(rig.midi.InjectShort(0, 0x90, 60, 100));
    std::filesystem::remove(PathFromUtf8(rig.SettingsPath()));
    std::filesystem::create_directory(PathFromUtf8(rig.SettingsPath()));
    model.Click(C::Exit1);
    rig.loop.loop.ProcessMessages();

    EXPECT_TRUE(rig.view.closed);
    const auto warnings = rig.dialogs.TextsOf(Kind::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("Erreur E/S ", 0), 0u) << warnings[0];
    EXPECT_FALSE(rig.midi.IsOpen(0));
    EXPECT_FALSE(model.Settings().ComPortOpen);
    EXPECT_TRUE(rig.Device().Changes().empty()) << "the note reached the device during shut-down";
    model.Click(C::Open1);  // nothing runs once closed
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);

    // Saved as chosen, and a port that never opened says nothing at the end.
    TModelRig other;
    TWindowModel& first = other.Start();
    first.Click(C::N100ms1);
    first.Click(C::French1);
    first.FormClose();
    EXPECT_TRUE(other.dialogs.shown.empty());
    EXPECT_NE(FileBytes(other.SettingsPath()).find("\r\nFrench\r\n"), std::string::npos);
    EXPECT_NE(FileBytes(other.SettingsPath()).find("\r\n100\r\n"), std::string::npos);
}

TEST_F(WindowModel, ConvertRunsFromTheButtonAndTheMenuWithTheConverterDisabledMeanwhile)
{
    TWindowModel& model = rig.Start();
    rig.dialogs.shown.clear();
    model.Click(C::SpeedButton2);
    const std::string midiFile = rig.dir.File("song.mid");
    TSmfTrack track;
    track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(480, {10, 0}).EndOfTrack();
    WriteFile(midiFile, SmfFile(0, 480, {track}));
    rig.files.midiAnswers.push_back(midiFile);
    model.Click(C::SpeedButton3);
    model.Click(C::SpeedButton2);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning),
              (std::vector<std::string>{"Midi file location or Midi file does not exist...",
                                        "Sequence file must be assigned..."}));

    const std::string seqFile = rig.dir.File("song.seq");
    rig.files.seqAnswers.push_back(seqFile);
    model.Click(C::SaveSeqFile1);
    EXPECT_EQ(rig.view.LabelText(C::Label5), Blanks(14) + "Seq File : " + seqFile);
    rig.view.enabled.clear();
    model.Click(C::Convert1);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Information),
              std::vector<std::string>{"Process done...\n1 note, 2 changes, 2 frames, 10 frame bytes"});
    EXPECT_EQ(FileBytes(seqFile).size(), 65536u);
    EXPECT_TRUE(rig.view.enabled.at(C::Panel2) && rig.view.enabled.at(C::File1)) << "enabled again";

    // An open viewer shows the new image and its report.
    model.Click(C::ViewSequence1);
    ASSERT_NE(model.Viewer().Image(), nullptr);
    WriteFile(seqFile, "old");
    rig.dialogs.answerYes = false;
    model.Click(C::SpeedButton2);
    EXPECT_EQ(FileBytes(seqFile), "old") << "kept on No";
    EXPECT_EQ(model.Viewer().Image(), nullptr);
    rig.dialogs.answerYes = true;
    model.Click(C::SpeedButton2);
    EXPECT_EQ(FileBytes(seqFile).size(), 65536u);
    EXPECT_NE(model.Viewer().Image(), nullptr);
    EXPECT_NE(model.Viewer().ReportText(LanguageEnglish).find("1 note"), std::string::npos);

    // A malformed MIDI file: the reader's own text, once the command has
    // ended.
    WriteFile(midiFile, "MThd broken");
    std::string readerText;
    try {
        TMidiFile reader;
        reader.SetFilename(midiFile);
        reader.LoadFile();
    } catch (const EMidiFileError& error) {
        readerText = error.what();
    }
    ASSERT_FALSE(readerText.empty());
    model.Click(C::SpeedButton2);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning).back(), readerText);
}

TEST_F(WindowModel, ACommandGivenWhileAHandshakeWaitsRunsOnceItIsOverInTheOrderGiven)
{
    TWindowModel& model = rig.Start();
    model.Settings().SendBusy = true;  // a handshake waits further up the stack
    model.Click(C::N250ms1);
    model.Click(C::French1);
    EXPECT_EQ(model.Settings().ResolutionMs, 1000);
    ASSERT_TRUE(rig.loop.RunOut("CommandTimer"));
    EXPECT_EQ(model.Settings().ResolutionMs, 1000) << "still waiting";
    model.Settings().SendBusy = false;
    model.Click(C::N100ms1);  // behind the others, whatever the handshake
    EXPECT_EQ(model.Settings().ResolutionMs, 1000);
    ASSERT_TRUE(rig.loop.RunOut("CommandTimer"));
    EXPECT_EQ(model.Settings().ResolutionMs, 100);
    EXPECT_EQ(model.Settings().LanguageIndex, LanguageFrench);
    EXPECT_TRUE(rig.view.Checked(C::N100ms1));
}

TEST_F(WindowModel, PortsAreChosenFromTheSystemsListOrByNameAndShowWhyTheyAreNotOpen)
{
    TSimulatedDevice& device = rig.Device();
    rig.systemPorts = {"COM2", device.SlavePath()};
    TWindowModel& model = rig.Start();
    rig.dialogs.shown.clear();
    TRecordingView& view = rig.view;
    EXPECT_EQ(view.Captions(C::SerialPortMenu), rig.systemPorts);
    EXPECT_EQ(view.Captions(C::SerialPortPopUp), rig.systemPorts);

    model.ClickItem(C::SerialPortPopUp, 1);
    EXPECT_TRUE(model.Settings().ComPortOpen);
    EXPECT_TRUE(view.CheckedItem(C::SerialPortMenu, 1) && view.CheckedItem(C::SerialPortPopUp, 1));
    EXPECT_EQ(view.labels.at(C::Label7).Tooltip, device.SlavePath() + "\nOpen.");
    EXPECT_FALSE(view.labels.at(C::Label7).Alert);

    // COM2 is listed but not there: why, and what the bridge does about it.
    model.ClickItem(C::SerialPortMenu, 0);
    EXPECT_EQ(view.LabelText(C::Label7), Blanks(13) + "Port COM : COM2 (absent)") << "in words, not colour alone";
    EXPECT_EQ(view.labels.at(C::Label7).Tooltip, "COM2\nNot found.\nTried again every second.");
    EXPECT_TRUE(view.labels.at(C::Label7).Alert);

    // "Other port...": asked with the current name proposed, the answer
    // trimmed; a cancel puts the check mark back where it was.
    rig.prompt.answer = " " + device.SlavePath() + " ";
    model.Click(C::OtherPortMenu);
    EXPECT_EQ(rig.prompt.questions, std::vector<std::string>{"Serial port name or path:"});
    EXPECT_EQ(rig.prompt.proposed, std::vector<std::string>{"COM2"});
    EXPECT_EQ(model.Settings().ComPortName, device.SlavePath());
    EXPECT_TRUE(model.Settings().ComPortOpen);
    rig.prompt.answer.reset();
    view.Check(C::OtherPortPopUp);
    model.Click(C::OtherPortPopUp);
    EXPECT_TRUE(view.CheckedItem(C::SerialPortPopUp, 1));
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning),
              std::vector<std::string>{Stamped(rig.loop, "COM2 : Opening Error of COM port")});

    // A port plugged in later shows when a port menu opens.
    rig.systemPorts.push_back("COM9");
    model.MenuOpening(C::PopupMenu1);
    EXPECT_EQ(view.Captions(C::SerialPortMenu).size(), 3u);
    EXPECT_TRUE(view.CheckedItem(C::SerialPortMenu, 1));
}

TEST_F(WindowModel, MidiDevicesAbsentOrFailingAreShownAsSuchAndTheWindowCarriesOn)
{
    std::vector<std::string> lines = DefaultSettingsLines();
    lines[12] = "Later Keys";
    TWindowModel& model = rig.Start(lines);
    TRecordingView& view = rig.view;
    EXPECT_EQ(model.Settings().MidiInPortName, "Later Keys") << "kept while absent";
    EXPECT_EQ(view.Captions(C::MidiInPortMenu), std::vector<std::string>{"Later Keys (absent)"});
    EXPECT_TRUE(view.CheckedItem(C::MidiInPortMenu, 0));
    EXPECT_EQ(view.labels.at(C::Label3).Tooltip, "Later Keys\nNot found.\nOpened as soon as it appears.");

    // It appears: the watch opens it.
    rig.midi.AddDevice("Later Keys");
    ASSERT_TRUE(rig.loop.RunOut("WatchTimer"));
    EXPECT_TRUE(rig.midi.IsStarted(0));
    EXPECT_EQ(view.labels.at(C::Label3).Tooltip, "Later Keys\nOpen.");
    model.MenuOpening(C::MIDIPort1);
    EXPECT_EQ(view.Captions(C::MidiInPortMenu), std::vector<std::string>{"Later Keys"});

    // A device that fails to start: its own text, and the choice stays.
    rig.dialogs.shown.clear();
    rig.midi.SetFailure(TMidiOperation::Start, MidiResult::NoDriver);
    std::string layerText;
    rig.midi.ErrorText(MidiResult::NoDriver, layerText);
    model.ClickItem(C::MidiInPortPopUp, 0);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{layerText});
    EXPECT_TRUE(view.CheckedItem(C::MidiInPortMenu, 0));
    rig.midi.SetFailure(TMidiOperation::Start, 0);
    model.Click(C::None2);
    EXPECT_FALSE(rig.midi.IsOpen(0));
    EXPECT_TRUE(view.Checked(C::None1));
    EXPECT_EQ(view.LabelText(C::Label3), Blanks(13) + "Midi Port Input : ");

    // Without a MIDI system the menus say so, in the language of the moment.
    TModelRig none;
    none.midi.SetMidiSystemFound(false);
    none.Start();
    none.model->Click(C::French1);
    for (C slot : {C::MidiInPortMenu, C::MidiInPortPopUp}) {
        ASSERT_EQ(none.view.items.at(slot).size(), 1u);
        EXPECT_FALSE(none.view.items.at(slot)[0].Enabled);
        EXPECT_EQ(none.view.items.at(slot)[0].Caption, "Aucun système Midi trouvé");
    }
}

TEST(WindowDescription, EveryMenuAndItemUnderlinesALetterOfItsOwnAndNoTwoShortcutsMeet)
{
    // A menu's items each mark one letter, in both languages, none marked
    // twice in a menu: but the transposition items, whose shift down and up
    // by the same octaves share their digit.
    std::map<std::string, std::string> shortcuts;
    for (const std::uint8_t language : {LanguageEnglish, LanguageFrench}) {
        std::map<std::pair<TControl, char>, int> letters;
        for (const TControlSpec& described : WindowControls()) {
            if (described.Kind != TControlKind::Menu && described.Kind != TControlKind::MenuItem)
                continue;
            if (described.Parent == TControl::None)
                continue;  // a pop-up menu has no title
            const std::string caption = described.Text ? ControlText(described, language) : DesignCaption(described);
            SCOPED_TRACE(described.Name + (" " + caption));
            const auto mark = caption.find('&');
            ASSERT_NE(mark, std::string::npos);
            ASSERT_EQ(caption.find('&', mark + 1), std::string::npos);
            const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[mark + 1])));
            const std::pair<TControl, char> key{described.Parent, letter};
            if (described.Group != TRadioGroup::TransposeMenu && described.Group != TRadioGroup::TransposePopup) {
                EXPECT_EQ(++letters[key], 1) << "marked twice in its menu";
            }
            if (*described.Shortcut != '\0' && language == LanguageEnglish) {
                EXPECT_TRUE(shortcuts.emplace(described.Shortcut, described.Name).second) << described.Shortcut;
            }
        }
    }
    EXPECT_EQ(shortcuts, (std::map<std::string, std::string>{{"Ctrl+O", "Open1"},
                                                              {"Ctrl+S", "SaveSeqFile1"},
                                                              {"Ctrl+R", "Convert1"},
                                                              {"F3", "ViewSequence1"},
                                                              {"Ctrl+Q", "Exit1"},
                                                              {"Ctrl+Shift+O", "AllOff1"},
                                                              {"F1", "About1"}}));
    // The design's own texts stay as they are written.
    EXPECT_EQ(ControlText(ControlSpec(TControl::None1), LanguageFrench), "&Aucun...");
    EXPECT_EQ(ControlText(ControlSpec(TControl::Exit1), LanguageEnglish), "E&xit");
    EXPECT_EQ(DesignCaption(ControlSpec(TControl::N1Seconde1)), "1 &Seconde");
}

TEST(WindowView, ALongValueIsShortenedInTheMiddleKeepingItsFileNameWhole)
{
    // Each character one unit wide; the prefix is "P: ".
    const TTextWidth characters = CharacterCount;
    const std::string path = "/home/user/show/song.mid";
    using E = TValueLabel::TElide;
    const struct {
        double width;
        E elide;
        std::size_t keepEnd;
        std::string suffix;
        std::string shown;
    } cases[] = {
        {30, E::Middle, 9, "", "P: /home/user/show/song.mid"},   // it fits
        {20, E::Middle, 9, "", "P: /home/u\u2026/song.mid"},       // the head shortened, the name whole
        {13, E::Middle, 9, "", "P: \u2026/song.mid"},              // nothing of the head left
        {10, E::Middle, 9, "", "P: /ho\u2026mid"},                 // the name too long: both ends of the whole
        {20, E::Middle, 0, "", "P: /home/us\u2026song.mid"},       // no name to keep: the middle goes
        {20, E::None, 9, "", "P: /home/user/show/song.mid"},     // never shortened: the label cuts it
        {20, E::Start, 0, " (lost)", "P: \u2026/song.mid (lost)"},  // the end kept, and the mark after it
        {9, E::Start, 0, " (lost)", "P:  (lost)"},               // where no ellipsis fits, the mark alone tells
        {2, E::Middle, 9, "", "P: "},
    };
    for (const auto& c : cases) {
        const TValueLabel label{"P: ", path, {}, false, c.elide, c.suffix, c.keepEnd};
        const std::string shown = FittedLabelText(label, c.width, characters);
        EXPECT_EQ(shown, c.shown) << c.width << " " << c.keepEnd;
        if (c.elide != E::None && c.width >= 10) {
            EXPECT_LE(characters(shown), c.width);
        }
    }
    // Never half a character.
    EXPECT_EQ(FittedLabelText({"", "\xC3\xA9t\xC3\xA9 \xC3\xA0 Paris", {}, false, E::Middle}, 6, characters),
              "\xC3\xA9t\u2026ris");
}

TEST_F(WindowModel, TheFileLabelsKeepTheFileNameAndTheSaveDialogProposesTheMidiFilesName)
{
    TWindowModel& model = rig.Start();
    rig.files.midiAnswers.push_back("/music/2024/my song.mid");
    model.Click(C::Open1);
    const TValueLabel& label = rig.view.labels.at(C::Label4);
    EXPECT_EQ(label.Elide, TValueLabel::TElide::Middle);
    EXPECT_EQ(label.Value.substr(label.Value.size() - label.KeepEnd), "/my song.mid");
    EXPECT_EQ(label.Tooltip, "/music/2024/my song.mid");

    rig.files.seqAnswers.push_back("/shows/song.seq");
    model.Click(C::SpeedButton1);
    EXPECT_EQ(rig.view.labels.at(C::Label5).Tooltip, "/shows/song.seq");
    model.Click(C::SaveSeqFile1);
    rig.files.midiAnswers.push_back("/music/tune.MID");
    model.Click(C::Open1);
    model.Click(C::SaveSeqFile1);
    EXPECT_EQ(rig.files.seqProposed,
              (std::vector<std::string>{"/music/2024/my song.seq", "/music/2024/my song.seq", "/music/tune.seq"}));
    EXPECT_EQ(model.Settings().SeqFileName, "/shows/song.seq") << "a cancelled dialog changes nothing";
}

TEST_F(WindowModel, RecentMidiFilesAreKeptBesideTheSettingsFileAndChosenFromTheFileMenu)
{
    TWindowModel& model = rig.Start();
    EXPECT_TRUE(rig.view.items.at(C::RecentFilesMenu).empty());
    EXPECT_FALSE(rig.view.enabled.at(C::RecentFiles1));
    const std::string longName = "/music/" + std::string(80, 'x') + "/finale.mid";
    for (const std::string& name : std::vector<std::string>{"/music/a.mid", "/music/b.mid", longName})
        rig.files.midiAnswers.push_back(name);
    for (int i = 0; i < 3; ++i)
        model.Click(C::Open1);
    model.ClickItem(C::RecentFilesMenu, 2);  // a.mid comes first again
    EXPECT_EQ(model.Settings().MidiFileName, "/music/a.mid");
    EXPECT_EQ(model.RecentFiles(), (std::vector<std::string>{"/music/a.mid", longName, "/music/b.mid"}));
    const std::vector<TRunTimeItem>& items = rig.view.items.at(C::RecentFilesMenu);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Caption, "1 /music/a.mid");
    EXPECT_EQ(items[0].Underlined, 0u) << "its number";
    EXPECT_EQ(items[1].Caption.substr(items[1].Caption.size() - 14), "\u2026/finale.mid");
    EXPECT_LT(items[1].Caption.size(), 70u);
    EXPECT_EQ(items[1].Tooltip, longName);
    EXPECT_TRUE(rig.view.enabled.at(C::RecentFiles1));

    // Beside the settings file, whose 17 lines stay as they are.
    model.Click(C::Exit1);
    EXPECT_EQ(FileBytes(rig.dir.File(RecentFilesName)), "/music/a.mid\r\n" + longName + "\r\n/music/b.mid\r\n");
    std::string settings = FileBytes(rig.SettingsPath());
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 17);

    TModelRig again;
    std::filesystem::copy_file(PathFromUtf8(rig.dir.File(RecentFilesName)),
                               PathFromUtf8(again.dir.File(RecentFilesName)));
    again.Start();
    EXPECT_EQ(again.view.Captions(C::RecentFilesMenu).size(), 3u);

    // A list that cannot be read is told, and the window carries on.
    TModelRig broken;
    std::filesystem::create_directory(PathFromUtf8(broken.dir.File(RecentFilesName)));
    broken.Start();
    const auto warnings = broken.dialogs.TextsOf(Kind::Warning);
    EXPECT_TRUE(std::any_of(warnings.begin(), warnings.end(), [](const std::string& w) {
        return w.find(RecentFilesName) != std::string::npos;
    }));
    EXPECT_TRUE(broken.view.items.at(C::RecentFilesMenu).empty());
}

TEST_F(WindowModel, ADroppedMidiFileIsTheOneToConvertAndADroppedSequenceOpensTheViewer)
{
    TWindowModel& model = rig.Start();
    const struct {
        std::vector<std::string> paths;
        bool taken;
    } drops[] = {
        {{"/m/song.mid"}, true}, {{"/m/SONG.MIDI"}, true}, {{"/m/show.Seq"}, true},
        {{"/m/notes.txt", "/m/show.seq"}, true}, {{"/m/notes.txt"}, false}, {{"/m.mid/readme"}, false}, {{}, false},
    };
    for (const auto& drop : drops)
        EXPECT_EQ(model.CanDrop(drop.paths), drop.taken) << (drop.paths.empty() ? "" : drop.paths.back());

    WriteFile(rig.dir.File("show.seq"), "not an image");
    model.FilesDropped({"/m/notes.txt", "/m/song.mid", "/m/other.mid", rig.dir.File("show.seq")});
    EXPECT_EQ(model.Settings().MidiFileName, "/m/song.mid");
    EXPECT_EQ(model.RecentFiles(), std::vector<std::string>{"/m/song.mid"});
    EXPECT_EQ(rig.view.viewerShown, 1);
    EXPECT_EQ(model.Viewer().FileName(), rig.dir.File("show.seq"));
    EXPECT_TRUE(model.Settings().SeqFileName.empty()) << "looking at a file makes it no target";
    EXPECT_NE(model.Viewer().Problem(LanguageEnglish), "");
}

TEST_F(WindowModel, TheViewerTellsOfTheLastConversionWhateverCameOfIt)
{
    TWindowModel& model = rig.Start();
    const std::string midiFile = rig.dir.File("song.mid");
    const std::string seqFile = rig.dir.File("song.seq");
    TSmfTrack track;
    track.Event(0, {0x90, 10, 127}).Event(960, {10, 0}).EndOfTrack();
    WriteFile(midiFile, SmfFile(0, 480, {track}));
    model.Settings().MidiFileName = midiFile;
    model.Settings().SeqFileName = seqFile;
    model.Click(C::SpeedButton2);
    EXPECT_EQ(rig.view.viewerShown, 0) << "the report only when asked for";
    std::string report = model.Viewer().ReportText(LanguageEnglish);
    EXPECT_EQ(report.substr(0, report.find('\n', report.find("\nat ") + 1)),
              "Conversion of " + midiFile + "\ninto " + seqFile + "\nat " +
                  report.substr(report.find("\nat ") + 4, 19) + ", resolution 1000 ms: written.");
    EXPECT_NE(report.find("\n1 note, 2 changes, 2 frames, 10 frame bytes\n"), std::string::npos);

    // Refused at 100 ms: the report is the refused file's; the picture,
    // still the file from before, says so.
    TSmfTrack late;
    late.Event(0, {0x90, 1, 1}).Event(6554u * 960, {1, 0}).EndOfTrack();
    WriteFile(midiFile, SmfFile(0, 480, {late}));
    model.Click(C::N100ms1);
    rig.dialogs.chooseButton = true;
    model.Click(C::SpeedButton2);
    report = model.Viewer().ReportText(LanguageEnglish);
    EXPECT_NE(report.find("resolution 100 ms: not written.\nThe Midi file is too long for this resolution...\n"
                          "Its last change falls on slot 65540"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\n1 note, 2 changes, 0 frames, 0 frame bytes\n"), std::string::npos) << report;
    model.Click(C::ViewSequence1);
    EXPECT_EQ(model.Viewer().Page(), TViewerPage::Sequence);

    // A written one asked for from its box opens the viewer on its report.
    model.Click(C::N1Seconde1);
    rig.dialogs.answerYes = true;
    model.Click(C::SpeedButton2);
    EXPECT_EQ(model.Viewer().Page(), TViewerPage::Report);

    // An error ends the command, and the report tells it too.
    WriteFile(midiFile, "MThd broken");
    model.Click(C::SpeedButton2);
    report = model.Viewer().ReportText(LanguageFrench);
    EXPECT_NE(report.find("résolution 1000 ms : non écrite.\n" + rig.dialogs.TextsOf(Kind::Warning).back()),
              std::string::npos)
        << report;
}

TEST_F(WindowModel, ASilentDeviceIsNotAnsweringInWordsItsWarningStaysTrueAndTheLogTellsWhatHappenedWhen)
{
    rig.midi.AddDevice("Keys A");
    TSimulatedDevice& device = rig.Device();
    rig.ports.Map("COM3", device);
    TWindowModel& model = rig.Start(SettingsLines("English", "1000", "COM3", "1", "5"));
    ASSERT_TRUE(model.Settings().ComPortOpen);
    const TRecordingView& view = rig.view;

    // The device stops answering; nobody presses the box's OK. Each wait
    // runs out as soon as it begins, and the next change goes at once.
    device.SetBehaviour({.Silent = true});
    rig.dialogs.noWaitOpen = true;
    TLoopTimer runOut(rig.loop.loop, std::chrono::milliseconds(0), [&] {
        if (rig.loop.ackClock.Enabled())
            rig.loop.ackClock.RunOut();
        rig.loop.RunOut("DrainTimer");
    });
    runOut.SetEnabled(true);
    ASSERT_TRUE(rig.midi.InjectShort(0, 0x90, 60, 100));
    ASSERT_TRUE(rig.RunUntil([&] { return model.Session().PortStatus().Problem == TLinkProblem::NotAnswering; }));
    runOut.SetEnabled(false);
    EXPECT_EQ(view.LabelText(C::Label7), Blanks(13) + "Port COM : COM3 (silent)");
    EXPECT_TRUE(view.labels.at(C::Label7).Alert);
    EXPECT_EQ(view.labels.at(C::Label7).Tooltip,
              "COM3\nNot answering.\nThe device did not acknowledge within a second, twice in a row.\n"
              "Tried again every second.");
    const std::string warning = Stamped(rig.loop, "COM3 : Writing Error on COM port");
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{warning}) << "once per spell";

    // It answers again at the watch's next tick, two seconds on: the box
    // says when it recovered, and the log what happened when.
    device.SetBehaviour({});
    ASSERT_TRUE(WaitUntil([&] { return device.AbandonedFrames() >= 1; }));  // the half change dropped
    rig.loop.now += std::chrono::seconds(2);
    ASSERT_TRUE(rig.loop.RunOut("WatchTimer"));
    ASSERT_TRUE(rig.RunUntil([&] {
        rig.loop.RunOut("DrainTimer");
        return !model.Settings().SendBusy && model.Settings().SendContacts.empty();
    }));
    EXPECT_EQ(model.Session().PortStatus(), (TLinkStatus{true, TLinkProblem::None}));
    EXPECT_EQ(device.Level(60), 201);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning).back(),
              warning + " (recovered at " + TLiveSession::TimeOfDay(rig.loop.now) + ")");
    EXPECT_FALSE(view.labels.at(C::Label7).Alert);

    // A new warning after the OK starts a list of its own.
    rig.dialogs.noWaitOpen = false;
    model.Click(C::AllOff1);
    model.Click(C::Log1);
    EXPECT_TRUE(view.logShown);
    std::vector<std::string> lines;
    for (const TLogEntry& entry : model.Session().Log())
        lines.push_back(entry.Text);
    EXPECT_EQ(lines, (std::vector<std::string>{"port COM3: Open.", "MIDI device \"Keys A\": Open.",
                                               "warning: COM3 : Writing Error on COM port",
                                               "port COM3: Not answering. The device did not acknowledge within a "
                                               "second, twice in a row. Tried again every second.",
                                               "port COM3: Answering again.", "All outputs off."}));
    const std::string log = model.LogText();
    EXPECT_EQ(log.rfind("Changes sent: ", 0), 0u) << log;
    EXPECT_NE(log.find(TLiveSession::TimeOfDay(rig.loop.now) + "  port COM3: Answering again.\n"), std::string::npos)
        << log;
}

TEST_F(WindowModel, TheRigIsCheckedFromTheTestBoxAndWatchedOnTheMonitor)
{
    TSimulatedDevice& device = rig.Device();
    rig.ports.Map("COM3", device);
    TWindowModel& model = rig.Start(SettingsLines("French", "1000", "COM3", "1", "5"));
    TRecordingView& view = rig.view;
    const auto settled = [&] { return !model.Settings().SendBusy && model.Settings().SendContacts.empty(); };

    model.Click(C::TestOutputs1);
    EXPECT_EQ(view.formsShown, std::vector<C>{C::Form7});
    model.FormActivated(C::Form7);
    EXPECT_EQ(view.texts.at(C::Form7), "Tester les sorties");
    EXPECT_EQ(view.texts.at(C::Button3), "Chenillard");
    view.numbers = {{C::SpinEdit1, 22}, {C::SpinEdit2, 20}, {C::SpinEdit3, 100}};
    model.Click(C::Button2);  // the range, whichever way round
    ASSERT_TRUE(rig.RunUntil([&] {
        rig.loop.RunOut("DrainTimer");
        return settled() && device.Level(20) == 100 && device.Level(22) == 100;
    }));

    // The monitor shows what the device holds, drawn at its clock only after
    // a change.
    model.Click(C::Outputs1);
    EXPECT_TRUE(view.monitorVisible);
    EXPECT_EQ(view.monitorRefreshed, 1);
    const auto cells = model.MonitorCells();
    EXPECT_EQ(cells[21].Text, "100");
    EXPECT_EQ(cells[19].Text, ".");
    EXPECT_EQ(model.MonitorCaption(1), "Canal 2 : sorties 128 à 255");
    ASSERT_TRUE(rig.loop.RunOut("MonitorTimer"));
    EXPECT_EQ(view.monitorRefreshed, 1) << "nothing changed";

    model.Click(C::Button5);
    ASSERT_TRUE(rig.RunUntil([&] {
        rig.loop.RunOut("DrainTimer");
        return settled();
    }));
    EXPECT_EQ(device.Levels(), (std::array<std::uint8_t, 256>{}));
    ASSERT_TRUE(rig.loop.RunOut("MonitorTimer"));
    EXPECT_EQ(view.monitorRefreshed, 2);
    view.monitorVisible = false;  // closed: the clock rests
    ASSERT_TRUE(rig.loop.RunOut("MonitorTimer"));
    EXPECT_FALSE(rig.loop.Running("MonitorTimer"));
    const auto& log = model.Session().Log();
    EXPECT_EQ(log[log.size() - 2].Text, "Test : sorties 20 à 22 au niveau 100");
    EXPECT_EQ(log.back().Text, "Fin du test : ce qu'il a allumé est éteint.");
}

TEST_F(WindowModel, TheViewersShowPlaysOnTheDeviceFromItsCursorAndAStopLeavesNothingOn)
{
    TSimulatedDevice& device = rig.Device();
    rig.ports.Map("COM3", device);
    TWindowModel& model = rig.Start(SettingsLines("English", "1000", "COM3", "1", "5"));
    // Two seconds: 40 and 41 on at 0, 40 off and 42 on at 1 s, all off at 2 s.
    const std::string midiFile = rig.dir.File("short.mid");
    TSmfTrack track;
    track.Tempo(0, 500000)
        .Event(0, {0x90, 40, 127}).Event(0, {0x90, 41, 127})
        .Event(960, {0x80, 40, 0}).Event(0, {0x90, 42, 127})
        .Event(960, {0x80, 41, 0}).Event(0, {0x80, 42, 0}).EndOfTrack();
    WriteFile(midiFile, SmfFile(0, 480, {track}));
    rig.files.midiAnswers.push_back(midiFile);
    rig.files.seqAnswers.push_back(rig.dir.File("short.seq"));
    model.Click(C::Open1);
    model.Click(C::SaveSeqFile1);
    model.Click(C::SpeedButton2);
    model.Click(C::ViewSequence1);
    ASSERT_NE(model.Viewer().Image(), nullptr);
    const auto settled = [&] {
        rig.loop.RunOut("DrainTimer");
        return !model.Settings().SendBusy && model.Settings().SendContacts.empty();
    };

    // From 1.5 s: the show's state there first.
    model.Viewer().PlaceCursorAt(1500);
    model.ViewerCommand(TViewerCommand::Play);
    ASSERT_TRUE(rig.RunUntil(settled));
    EXPECT_EQ(device.Level(41), 255);
    EXPECT_EQ(device.Level(42), 255);
    EXPECT_EQ(device.Level(40), 0);
    EXPECT_TRUE(model.Viewer().PlayPosition().has_value()) << "the play's line shows";
    EXPECT_TRUE(rig.loop.Running("PlayViewTimer"));

    model.ViewerCommand(TViewerCommand::StopPlay);
    ASSERT_TRUE(rig.RunUntil(settled));
    EXPECT_EQ(device.Levels(), (std::array<std::uint8_t, 256>{}));
    EXPECT_FALSE(model.Viewer().PlayPosition().has_value());
    EXPECT_FALSE(rig.loop.Running("PlayViewTimer"));
}

}  // namespace
