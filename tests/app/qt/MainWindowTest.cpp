// The main window's Qt face offscreen: every control where the description
// puts it, clicks reaching the model and what it says drawn, the language
// switch over every widget, the close box and the About box.

#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QUrl>
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

// What a menu holds, by name: separators and run-time items included.
std::vector<std::string> ItemNames(const QMenu& menu)
{
    std::vector<std::string> names;
    for (const QAction* item : menu.actions())
        names.push_back(item->menu() != nullptr ? item->menu()->objectName().toStdString()
                                                : item->objectName().toStdString());
    return names;
}

TEST_F(MainWindow, EveryControlAndMenuStandsWhereTheDescriptionPutsIt)
{
    rig.midi.AddDevice("Keys A");
    rig.systemPorts = {"/dev/ttyUSB7"};
    TForm1& window = rig.Start();
    EXPECT_EQ(window.windowTitle().toStdString(), "Midi To TOREM Sequence Bridge");
    EXPECT_EQ(window.centralWidget()->size(), QSize(466, 438));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "not resizable";
    EXPECT_EQ(rig.Find<TShape>("Shape5")->BrushColor(), QColor(128, 0, 0));

    std::map<std::string, std::vector<std::string>> expectedItems;
    for (const TControlSpec& described : WindowControls()) {
        if (FormOf(described.Id) != TControl::Form1 || described.Kind == TControlKind::Window ||
            described.Kind == TControlKind::MenuBar)
            continue;
        SCOPED_TRACE(described.Name);
        switch (described.Kind) {
        case TControlKind::Menu:
            if (described.Parent != TControl::MainMenu1 && described.Parent != TControl::None)
                expectedItems[ControlSpec(described.Parent).Name].push_back(described.Name);
            break;
        case TControlKind::MenuItem:
        case TControlKind::Separator: {
            expectedItems[ControlSpec(described.Parent).Name].push_back(described.Name);
            const QAction* item = rig.Item(described.Name);
            EXPECT_EQ(item->isCheckable(), described.Group != TRadioGroup::None);
            EXPECT_EQ(item->property("Tag").toInt(), described.Tag);
            EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromLatin1(described.Shortcut)));
            break;
        }
        case TControlKind::ItemSlot: {
            // Run-time items stand where their slot is.
            auto& names = expectedItems[ControlSpec(described.Parent).Name];
            const std::size_t count = described.Family == TItemFamily::SerialPorts   ? rig.systemPorts.size()
                                      : described.Family == TItemFamily::MidiDevices ? rig.midi.DeviceCount()
                                                                                : 0;  // no recent file yet
            for (std::size_t i = 1; i <= count; ++i)
                names.push_back(described.Name + std::to_string(i));
            break;
        }
        default: {
            const QWidget* control = rig.Find<QWidget>(described.Name);
            EXPECT_EQ(control->geometry(), QRect(described.Bounds.Left, described.Bounds.Top, described.Bounds.Width,
                                                 described.Bounds.Height));
            EXPECT_EQ(control->parentWidget()->objectName().toStdString(),
                      described.Parent == TControl::Form1 ? "" : ControlSpec(described.Parent).Name);
            EXPECT_EQ(control->isHidden(), described.Hidden);
            EXPECT_EQ(control->property("Tag").toInt(), described.Tag);
            break;
        }
        }
    }
    for (const auto& [menu, names] : expectedItems)
        EXPECT_EQ(ItemNames(*rig.Find<QMenu>(menu.c_str())), names) << menu;
    EXPECT_EQ(ItemNames(*rig.Find<QMenu>("RS2321"))[5], "SerialPortMenu1") << "below N5";
    EXPECT_EQ(rig.Item("MidiInPortMenu1")->text().toStdString(), "Keys A");
    EXPECT_EQ(rig.Item("AllOff1")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    EXPECT_EQ(rig.Item("Open1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_FALSE(rig.Find<QMenu>("RecentFiles1")->isEnabled()) << "no recent file yet";
}

TEST_F(MainWindow, ClicksReachTheModelAndWhatItSaysIsDrawn)
{
    TForm1& window = rig.Start();
    ClickPicture(rig, "Image3");
    EXPECT_EQ(window.Settings().ResolutionMs, 250);
    EXPECT_TRUE(rig.Checked("N250ms1") && rig.Selected("Image3") && !rig.Selected("Image1"));
    rig.Item("Contactor1")->trigger();
    EXPECT_TRUE(rig.Selected("Image10") && !rig.Selected("Image8"));
    QTest::mouseClick(rig.Find<QToolButton>("SpeedButton6"), Qt::LeftButton);
    auto* popup = rig.Find<QMenu>("PopupMenu2");
    ASSERT_TRUE(ProcessUntil([&] { return popup->isVisible(); }));
    rig.Item("UP2OctavePopUp")->trigger();
    popup->hide();
    EXPECT_TRUE(rig.Checked("UP2OctaveMenu"));
    EXPECT_EQ(rig.LabelText("Label16"), Blanks(13) + "Transpose : + 2 Octaves");

    // A long port name is shortened at its start, what it lacks kept whole,
    // the whole name and why it is not open in the tooltip, in dark red.
    const std::string name = "/dev/serial/by-id/usb-TOREM_Interface_0123456789-if00-port0";
    rig.prompt.answer = name;
    rig.Item("OtherPortPopUp")->trigger();
    const QLabel* label = rig.Find<QLabel>("Label7");
    const QString shown = label->text();
    EXPECT_TRUE(shown.startsWith(QString::fromStdString(Blanks(13) + "Port COM : ")) &&
                shown.endsWith(QStringLiteral(" (absent)")) && !shown.contains(QStringLiteral("/dev/serial")))
        << "[" << shown.toStdString() << "]";
    EXPECT_EQ(label->toolTip().toStdString(), name + "\nNot found.\nTried again every second.");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(139, 0, 0));

    // The converter panel and the File menu are disabled while the command
    // runs, and enabled again after.
    std::vector<std::pair<bool, bool>> enabledWhileShown;
    rig.dialogs.whileShown = [&](const std::string&) {
        enabledWhileShown.emplace_back(rig.Find<QWidget>("Panel2")->isEnabled(),
                                       rig.Find<QMenu>("File1")->menuAction()->isEnabled());
    };
    rig.Find<QToolButton>("SpeedButton2")->click();
    EXPECT_EQ(enabledWhileShown, (std::vector<std::pair<bool, bool>>{{false, false}}));
    EXPECT_TRUE(rig.Find<QWidget>("Panel2")->isEnabled() && rig.Find<QMenu>("File1")->menuAction()->isEnabled());
}

TEST_F(MainWindow, DroppedFilesGoToTheModelAndLongNamesKeepTheirFileName)
{
    TForm1& window = rig.Start();
    const std::string folder = rig.dir.File("a folder whose name is far too long for the label of the window");
    const std::string midi = folder + "/my song.mid";
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(midi)), QUrl::fromLocalFile(QStringLiteral("/x/notes.txt"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.Settings().MidiFileName, midi);

    // The file name stays whole at the end of its label; the path is in the tooltip.
    const QLabel* label = rig.Find<QLabel>("Label4");
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("\u2026/my song.mid"))) << label->text().toStdString();
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->contentsRect().width());
    EXPECT_EQ(label->toolTip().toStdString(), midi);

    // A text file alone is refused at the door.
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QStringLiteral("/x/notes.txt"))});
    QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &refused);
    EXPECT_FALSE(refused.isAccepted());
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
    EXPECT_EQ(rig.Item("OtherPortMenu")->text().toStdString(), "&Autre port...");
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

TEST_F(AboutBox, ShowsItsTextsInTheLanguageOfTheMomentItOpens)
{
    TForm1& window = rig.Start();
    TForm2 about(window.Model());
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
