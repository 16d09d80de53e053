// The main window offscreen: start-up, the displays kept in step, the
// language switch, the converter, shut-down and the About box.

#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest/QTest>

#include "Controls.h"
#include "GuiTestSupport.h"
#include "Help.h"
#include "MidiFile.h"
#include "SettingsFile.h"
#include "SmfWriter.h"
#include "Text.h"

namespace {

using Kind = TTestDialogs::Kind;
using MainWindow = TWindowTest;
using AboutBox = TWindowTest;

const std::vector<std::string> kDefaultLines = {
    "Settings File of TOREM Midi To TOREM Sequence Bridge", "Language :", "English", "Midi File :", "",
    "Resolution :", "1000", "Seq File :", "", "Port COM :", "COM1", "Port Midi In :", "", "Mode :", "1",
    "Transpose Value :", "5"};

// A settings file naming the keyboard "Keys A".
std::vector<std::string> SettingsLines(const std::string& language, const std::string& resolution,
                                       const std::string& comPort, const std::string& mode,
                                       const std::string& transpose)
{
    std::vector<std::string> lines = kDefaultLines;
    lines[2] = language;
    lines[6] = resolution;
    lines[10] = comPort;
    lines[12] = "Keys A";
    lines[14] = mode;
    lines[16] = transpose;
    return lines;
}

// The keyboard "Keys A" and the simulated device behind the COM port that
// the settings name, and the window started from those settings.
TForm1& StartSaved(TWindowRig& rig, const std::vector<std::string>& lines)
{
    rig.midi.AddDevice("Keys A");
    rig.ports.paths[lines.at(10)] = rig.Device().SlavePath();
    return rig.StartWith(lines);
}

void ClickPicture(TWindowRig& rig, const char* name)
{
    QTest::mouseClick(rig.Find<TPictureBox>(name), Qt::LeftButton);
}

// Every text the language switch may touch, and every check mark.
struct TWindowState {
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> checks;
    bool operator==(const TWindowState&) const = default;
};

TWindowState StateOf(const TForm1& window)
{
    // Qt's own parts (menu titles' actions, the menu bar's extension button)
    // have no names of ours.
    const auto ours = [](const QObject* control) {
        return !control->objectName().isEmpty() && !control->objectName().startsWith(QStringLiteral("qt_"));
    };
    TWindowState state;
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (ours(label))
            state.texts["label " + label->objectName().toStdString()] = label->text().toStdString();
    for (const QAction* item : window.findChildren<QAction*>()) {
        if (!ours(item))
            continue;
        state.texts["item " + item->objectName().toStdString()] = item->text().toStdString();
        state.checks[item->objectName().toStdString()] = item->isChecked();
    }
    for (const QMenu* menu : window.findChildren<QMenu*>())
        if (ours(menu))
            state.texts["menu " + menu->objectName().toStdString()] = menu->title().toStdString();
    for (const QToolButton* button : window.findChildren<QToolButton*>())
        if (ours(button))
            state.texts["hint " + button->objectName().toStdString()] = button->toolTip().toStdString();
    return state;
}

TEST_F(MainWindow, FirstStartShowsTheDefaultsInEnglishAndWritesTheSettingsFile)
{
    rig.midi.AddDevice("Keys A");
    rig.midi.AddDevice("Pads & Drums");
    TForm1& window = rig.Start();

    std::string defaults;
    for (const std::string& line : kDefaultLines)
        defaults += line + "\r\n";
    EXPECT_EQ(ReadFileBytes(rig.SettingsPath()), defaults);
    EXPECT_EQ(window.windowTitle().toStdString(), "Midi To TOREM Sequence Bridge");
    EXPECT_EQ(window.centralWidget()->size(), QSize(466, 438));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "not resizable";
    EXPECT_EQ(rig.Find<QLabel>("Label4")->geometry(), QRect(8, 58, 433, 15));
    EXPECT_EQ(rig.Find<QWidget>("Panel3")->geometry(), QRect(8, 216, 449, 169));
    EXPECT_EQ(rig.Find<TShape>("Shape5")->geometry(), QRect(16, 101, 17, 9));
    EXPECT_EQ(rig.Find<TShape>("Shape5")->BrushColor(), QColor(128, 0, 0));

    EXPECT_EQ(rig.LabelText("Label7"), Blanks(13) + "Port COM : COM1");
    EXPECT_EQ(rig.LabelText("Label3"), Blanks(13) + "Midi Port Input : ");
    EXPECT_EQ(rig.LabelText("Label4"), Blanks(14) + "Midi File : ");
    EXPECT_EQ(rig.LabelText("Label16"), Blanks(13) + "Transpose :  None...");
    EXPECT_EQ(rig.LabelText("Label1"), Blanks(13) + "Midi file to TOREM Sequence file converter");
    EXPECT_EQ(rig.Find<QToolButton>("SpeedButton3")->toolTip().toStdString(), "Open a Midi file");
    EXPECT_TRUE(rig.Selected("Image1"));
    EXPECT_FALSE(rig.Selected("Image2") || rig.Selected("Image3") || rig.Selected("Image5"));
    EXPECT_TRUE(rig.Selected("Image8"));
    EXPECT_FALSE(rig.Selected("Image10"));
    for (const char* item : {"N1Seconde1", "Proportionnal1", "NoneTransposeMenu", "NoneTransposePopUp", "English1",
                             "COM11", "COM12", "None1", "None2"})
        EXPECT_TRUE(rig.Checked(item)) << item;

    // The devices follow None and the separator in both menus, in device
    // order, named as the system names them.
    for (const char* menuName : {"MIDIPort1", "PopupMenu4"}) {
        const QList<QAction*> items = rig.Find<QMenu>(menuName)->actions();
        ASSERT_EQ(items.size(), 4) << menuName;
        EXPECT_TRUE(items[1]->isSeparator());
        EXPECT_EQ(items[2]->text().toStdString(), "Keys A");
        EXPECT_EQ(items[3]->text().toStdString(), "Pads && Drums") << "an ampersand is no accelerator";
        EXPECT_EQ(items[3]->property("Tag").toInt(), 2);
    }

    // COM1 is no port in the tests: its one warning, in English.
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{"COM1 : Opening Error of COM port"});
}

TEST_F(MainWindow, PicturesMenusAndPopUpsShowEachChoiceInBothPlaces)
{
    TForm1& window = rig.Start();

    ClickPicture(rig, "Image3");
    EXPECT_EQ(window.Settings().ResolutionMs, 250);
    EXPECT_TRUE(rig.Checked("N250ms1"));
    EXPECT_TRUE(rig.Selected("Image3"));
    rig.Item("N500ms1")->trigger();
    EXPECT_EQ(window.Settings().ResolutionMs, 500);
    EXPECT_TRUE(rig.Selected("Image2"));
    EXPECT_FALSE(rig.Selected("Image3") || rig.Selected("Image1"));

    ClickPicture(rig, "Image10");
    EXPECT_EQ(window.Settings().MidiMode, MidiModeValue::DryContact);
    EXPECT_TRUE(rig.Checked("Contactor1"));
    rig.Item("Proportionnal1")->trigger();
    EXPECT_EQ(window.Settings().MidiMode, MidiModeValue::Proportional);
    EXPECT_TRUE(rig.Selected("Image8"));
    EXPECT_FALSE(rig.Selected("Image10"));

    QTest::mouseClick(rig.Find<QToolButton>("SpeedButton6"), Qt::LeftButton);
    auto* popup = rig.Find<QMenu>("PopupMenu2");
    ASSERT_TRUE(ProcessUntil([&] { return popup->isVisible(); }));
    rig.Item("UP2OctavePopUp")->trigger();
    popup->hide();
    EXPECT_EQ(window.Settings().TransposeIndex, 7);
    EXPECT_TRUE(rig.Checked("UP2OctaveMenu"));
    EXPECT_EQ(rig.LabelText("Label16"), Blanks(13) + "Transpose : + 2 Octaves");
    rig.Item("Less4OctaveMenu")->trigger();
    EXPECT_TRUE(rig.Checked("Less4OctavePopUp"));
    EXPECT_EQ(window.Settings().TransposeIndex, 1);
}

TEST_F(MainWindow, TheLanguageSwitchChangesTextsOnlyAndKeepsTheValuesShown)
{
    rig.midi.AddDevice("Keys A");
    TForm1& window = rig.Start();
    rig.files.midiAnswers.push_back("/music/my song.mid");
    rig.Item("Open1")->trigger();
    EXPECT_EQ(rig.LabelText("Label4"), Blanks(14) + "Midi File : /music/my song.mid");
    rig.Item("Open1")->trigger();  // cancelled: nothing changes
    EXPECT_EQ(window.Settings().MidiFileName, "/music/my song.mid");
    rig.Item("MidiInPortMenu1")->trigger();
    rig.Item("UP1OctaveMenu")->trigger();
    rig.Item("N100ms1")->trigger();
    const TWindowState english = StateOf(window);

    rig.Item("French1")->trigger();
    EXPECT_EQ(window.Settings().LanguageIndex, LanguageFrench);
    EXPECT_EQ(rig.LabelText("Label4"), Blanks(13) + "Fichier Midi : /music/my song.mid");
    EXPECT_EQ(rig.LabelText("Label3"), Blanks(13) + "Port d'entrée Midi : Keys A");
    EXPECT_EQ(rig.LabelText("Label16"), Blanks(13) + "Transposer : + 1 Octave");
    EXPECT_EQ(rig.Find<QMenu>("File1")->title().toStdString(), "&Fichier");
    EXPECT_EQ(rig.Item("English1")->text().toStdString(), "&English");
    EXPECT_EQ(rig.Item("French1")->text().toStdString(), "&Français");
    EXPECT_EQ(rig.Item("OtherPortMenu")->text().toStdString(), "Autre port...");
    EXPECT_EQ(rig.Find<QToolButton>("SpeedButton6")->toolTip().toStdString(), "Transposer les évenements Midi");
    const TWindowState french = StateOf(window);
    // Only the language items' checks moved; the device, the window title,
    // the COM and resolution items kept their texts.
    for (const auto& [name, checked] : english.checks) {
        if (name != "English1" && name != "French1") {
            EXPECT_EQ(french.checks.at(name), checked) << name;
        }
    }
    for (const char* unchanged : {"item MidiInPortMenu1", "item COM11", "item N100ms1", "label Label10"})
        EXPECT_EQ(french.texts.at(unchanged), english.texts.at(unchanged)) << unchanged;

    rig.Item("English1")->trigger();
    EXPECT_EQ(StateOf(window), english) << "back to English restores every text exactly";
}

TEST_F(MainWindow, ASettingsFileWithCom7OpensItAndShowsItAsAnotherPort)
{
    TForm1& window = StartSaved(rig, SettingsLines("French", "300", "COM7", "2", "9"));

    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(window.Settings().ComPortOpen);
    // COM7 has no item of its own: the item it can be chosen with shows it.
    EXPECT_TRUE(rig.Checked("OtherPortMenu") && rig.Checked("OtherPortPopUp"));
    EXPECT_FALSE(rig.Checked("COM11") || rig.Checked("COM12"));
    EXPECT_EQ(rig.LabelText("Label7"), Blanks(13) + "Port COM : COM7");
    EXPECT_TRUE(rig.Checked("French1"));
    EXPECT_EQ(window.Settings().ResolutionMs, 300) << "kept as read";
    EXPECT_TRUE(rig.Checked("N1Seconde1") && rig.Selected("Image1"));
    EXPECT_TRUE(rig.Checked("Contactor1") && rig.Selected("Image10"));
    EXPECT_TRUE(rig.Checked("UP4OctaveMenu") && rig.Checked("UP4OctavePopUp"));
    EXPECT_TRUE(rig.Checked("MidiInPortMenu1") && rig.Checked("MidiInPortPopUp1"));
    EXPECT_TRUE(rig.midi.IsOpen(0) && rig.midi.IsStarted(0));
}

TEST_F(MainWindow, ABadSettingsFileIsReportedAndStartUpStillAppliesEverything)
{
    std::vector<std::string> lines = SettingsLines("French", "250", "COM3", "2", "9");
    lines.resize(13);  // ends after the MIDI device: mode and transposition missing
    TForm1& window = StartSaved(rig, lines);

    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{EConvertError(EConvertError(""), rig.SettingsPath()).what()});
    EXPECT_EQ(rig.LabelText("Label1"), Blanks(13) + "Convertisseur de fichier Midi en fichier Séquence TOREM");
    EXPECT_EQ(rig.Find<QMenu>("Resolution1")->title().toStdString(), "&Résolution");
    EXPECT_EQ(rig.Item("None2")->text().toStdString(), "Aucun...");
    EXPECT_TRUE(window.Settings().ComPortOpen);
    EXPECT_TRUE(rig.Checked("COM31"));
    EXPECT_EQ(rig.LabelText("Label7"), Blanks(13) + "Port COM : COM3");
    EXPECT_TRUE(rig.midi.IsStarted(0));
    EXPECT_TRUE(rig.Checked("N250ms1") && rig.Selected("Image3"));
    EXPECT_EQ(window.Settings().MidiMode, MidiModeValue::Proportional);
    EXPECT_TRUE(rig.Checked("Proportionnal1") && rig.Checked("NoneTransposeMenu"));

    window.close();
    AppSettings reread;
    EXPECT_NO_THROW(LoadSettings(reread, rig.SettingsPath())) << "a complete file again";
    EXPECT_EQ(reread.ComPortName, "COM3");
    EXPECT_EQ(reread.TransposeIndex, 5);
}

// The close box: the platform window asks to close, as the window system
// does when the user clicks it.
void PressCloseBox(TForm1& window)
{
    window.show();
    ASSERT_TRUE(window.windowHandle() != nullptr);
    window.windowHandle()->close();
}

TEST_F(MainWindow, TheCloseBoxEndsTheProgramExactlyAsFileExit)
{
    struct TRun {
        std::string settings;
        std::vector<TTestDialogs::Shown> shown;
        bool midiOpen;
        bool comOpen;
        bool visible;
    };
    const auto run = [](TWindowRig& session, bool closeBox) {
        TForm1& window = StartSaved(session, SettingsLines("English", "500", "COM2", "1", "4"));
        window.show();
        session.Item("French1")->trigger();
        session.Item("N100ms1")->trigger();
        if (closeBox)
            PressCloseBox(window);
        else
            session.Item("Exit1")->trigger();
        return TRun{ReadFileBytes(session.SettingsPath()), session.dialogs.shown, session.midi.IsOpen(0),
                    window.Settings().ComPortOpen || window.Settings().ComPortHandle != nullptr, window.isVisible()};
    };
    const TRun exit = run(rig, false);
    TWindowRig other;
    const TRun closeBox = run(other, true);

    EXPECT_NE(exit.settings.find("\r\nFrench\r\n"), std::string::npos);
    EXPECT_NE(exit.settings.find("\r\n100\r\n"), std::string::npos);
    EXPECT_EQ(closeBox.settings, exit.settings);
    EXPECT_TRUE(exit.shown.empty() && closeBox.shown.empty());
    EXPECT_FALSE(exit.midiOpen || closeBox.midiOpen);
    EXPECT_FALSE(exit.comOpen || closeBox.comOpen);
    EXPECT_FALSE(exit.visible || closeBox.visible);
}

TEST_F(MainWindow, APortThatNeverOpenedGivesNoSerialMessageAtTheEnd)
{
    TForm1& window = rig.Start();
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);  // COM1 could not be opened
    PressCloseBox(window);
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_NE(ReadFileBytes(rig.SettingsPath()).find("COM1"), std::string::npos);
}

TEST_F(MainWindow, ShutDownSendsNothingMoreAndEndsEvenWhenTheSettingsCannotBeSaved)
{
    TForm1& window = StartSaved(rig, SettingsLines("English", "1000", "COM1", "1", "5"));
    ASSERT_TRUE(window.Settings().ComPortOpen && rig.midi.IsStarted(0));

    // A note waits in the event queue, and the settings file has become a
    // folder: the save fails, and its message box processes events.
    ASSERT_TRUE(rig.midi.InjectShort(0, 0x90, 60, 100));
    std::filesystem::remove(rig.SettingsPath());
    std::filesystem::create_directory(rig.SettingsPath());
    rig.Item("Exit1")->trigger();
    ASSERT_TRUE(ProcessPending());

    const auto warnings = rig.dialogs.TextsOf(Kind::Warning);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("Erreur E/S ", 0), 0u) << warnings[0];
    EXPECT_TRUE(rig.Device().Changes().empty()) << "the note reached the device during shut-down";
    EXPECT_FALSE(rig.midi.IsOpen(0));
    EXPECT_FALSE(window.Settings().ComPortOpen);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindow, ConvertRunsFromTheButtonAndFromTheFileMenu)
{
    TForm1& window = rig.Start();
    rig.dialogs.shown.clear();
    std::vector<std::pair<bool, bool>> enabledWhileShown;  // Panel2, File1
    rig.dialogs.whileShown = [&](const std::string&) {
        enabledWhileShown.emplace_back(rig.Find<QWidget>("Panel2")->isEnabled(),
                                       rig.Find<QMenu>("File1")->menuAction()->isEnabled());
    };
    QToolButton* convert = rig.Find<QToolButton>("SpeedButton2");

    convert->click();
    TSmfTrack track;
    track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(480, {10, 0}).EndOfTrack();
    const std::string midiFile = rig.dir.File("song.mid");
    WriteBytesToFile(midiFile, SmfFile(0, 480, {track}));
    rig.files.midiAnswers.push_back(midiFile);
    rig.Find<QToolButton>("SpeedButton3")->click();
    convert->click();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning),
              (std::vector<std::string>{"Midi file location or Midi file does not exist...",
                                        "Sequence file must be assigned..."}));

    const std::string seqFile = rig.dir.File("song.seq");
    rig.files.seqAnswers.push_back(seqFile);
    rig.Item("SaveSeqFile1")->trigger();
    EXPECT_EQ(rig.LabelText("Label5"), Blanks(14) + "Seq File : " + seqFile);
    rig.Item("Convert1")->trigger();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Information), std::vector<std::string>{"Process done..."});
    EXPECT_EQ(ReadFileBytes(seqFile).size(), 65536u);

    // An existing file: kept on No, replaced on Yes.
    WriteFileBytes(seqFile, "old");
    rig.dialogs.answerYes = false;
    convert->click();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Confirmation).back(),
              seqFile + " already exists. Do you want to replace this file?");
    EXPECT_EQ(ReadFileBytes(seqFile), "old");
    rig.dialogs.answerYes = true;
    convert->click();
    EXPECT_EQ(ReadFileBytes(seqFile).size(), 65536u);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Information).size(), 2u);

    // A malformed MIDI file: the reader's own text, shown by the window.
    WriteFileBytes(midiFile, "MThd broken");
    std::string readerText;
    try {
        TMidiFile reader;
        reader.SetFilename(midiFile);
        reader.LoadFile();
    } catch (const EMidiFileError& error) {
        readerText = error.what();
    }
    ASSERT_FALSE(readerText.empty());
    convert->click();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning).back(), readerText);

    // The command's own boxes come while it runs; the reader's error once it
    // has ended, from the window's error handler.
    ASSERT_EQ(enabledWhileShown.size(), rig.dialogs.shown.size());
    for (std::size_t i = 0; i + 1 < enabledWhileShown.size(); ++i)
        EXPECT_FALSE(enabledWhileShown[i].first || enabledWhileShown[i].second) << "box " << i;
    EXPECT_TRUE(enabledWhileShown.back().first && enabledWhileShown.back().second);
    EXPECT_TRUE(rig.Find<QWidget>("Panel2")->isEnabled());
    EXPECT_TRUE(rig.Find<QMenu>("File1")->menuAction()->isEnabled());
    EXPECT_EQ(window.Settings().SeqFileName, seqFile);
}

TEST_F(MainWindow, MidiInputErrorsAreShownWithTheirOwnTextAndTheWindowCarriesOn)
{
    rig.midi.AddDevice("Keys A");
    TForm1& window = rig.Start();
    rig.dialogs.shown.clear();
    rig.midi.SetFailure(TMidiOperation::Start, MidiResult::NoDriver);
    std::string layerText;
    rig.midi.ErrorText(MidiResult::NoDriver, layerText);

    rig.Item("MidiInPortPopUp1")->trigger();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{layerText});
    EXPECT_EQ(window.Settings().MidiInPortName, "Keys A");
    EXPECT_TRUE(rig.Checked("MidiInPortMenu1"));

    rig.midi.SetFailure(TMidiOperation::Start, 0);
    rig.Item("None1")->trigger();
    EXPECT_FALSE(rig.midi.IsOpen(0));
    EXPECT_TRUE(rig.Checked("None2"));
    EXPECT_EQ(rig.LabelText("Label3"), Blanks(13) + "Midi Port Input : ");
    EXPECT_EQ(rig.dialogs.shown.size(), 1u);
}

TEST_F(AboutBox, ShowsItsTextsInTheLanguageOfTheMomentItOpens)
{
    TForm1& window = rig.Start();
    TForm2 about(window.Settings());
    window.SetAboutBox(&about);
    EXPECT_EQ(about.size(), QSize(394, 124));

    std::vector<std::string> seen;
    const auto openAndRead = [&] {
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(QApplication::activeModalWidget(), &about);
            seen.push_back(about.windowTitle().toStdString());
            seen.push_back(about.findChild<QLabel*>("StaticText1")->text().toStdString());
            QTest::mouseClick(about.findChild<QWidget*>("OKBtn"), Qt::LeftButton);
        });
        rig.Item("About1")->trigger();
    };
    openAndRead();
    rig.Item("French1")->trigger();
    openAndRead();
    EXPECT_EQ(seen, (std::vector<std::string>{"About \"Midi To TOREM Sequence Bridge\"",
                                              "Midi To TOREM Sequence Bridge",
                                              "A propos de \"Midi To TOREM Sequence\" Bridge",
                                              "\"Midi To TOREM Sequence\" Bridge"}));
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
