// Every box is a child of the window with a close button only, the first
// warnings of the start-up included; the window carries the program's icon.

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include "GuiTestSupport.h"
#include "Help.h"
#include "QtDialogs.h"

namespace {

// Title and close button, nothing to minimise or maximise with.
void ExpectCloseButtonOnly(const QWidget& box)
{
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_EQ(box.windowType(), Qt::Dialog);
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
}

TEST(BoxWindows, MessageBoxesAndTheAboutBoxHaveACloseButtonOnly)
{
    TWindowRig rig;
    TForm1& window = rig.Start();
    for (const TMessageKind kind : {TMessageKind::Warning, TMessageKind::Information, TMessageKind::Confirmation}) {
        const auto box = MakeMessageBox(kind, "text", &window);
        EXPECT_EQ(box->parentWidget(), &window);
        ExpectCloseButtonOnly(*box);
    }
    TForm2 about(window.Model(), &window);
    EXPECT_EQ(about.parentWidget(), &window);
    ExpectCloseButtonOnly(about);
    EXPECT_EQ(about.size(), QSize(394, 124));
}

TEST(BoxWindows, TheFirstWarningOfTheStartUpIsAlreadyAChildOfTheWindow)
{
    EnsureApplication();
    TTempDir dir;
    TQtDialogs dialogs;
    TAnsweredFileDialogs files;
    TAnsweredPortPrompt prompt;
    TVirtualMidiDeviceLayer midi;
    TMappedSerialPorts ports;  // COM1 never opens: a warning at start-up
    const TForm1Services services{{dialogs, files, prompt, midi, ports, {}, dir.File("settings.cfg")},
                                  [&](QWidget& window) { dialogs.SetParent(&window); }};
    // The port's warning does not wait: it is up once the window is made.
    TForm1 window(services);
    const QList<QMessageBox*> boxes = window.findChildren<QMessageBox*>();
    ASSERT_EQ(boxes.size(), 1);
    const QMessageBox* box = boxes.front();
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text().toStdString(), "COM1 : Opening Error of COM port");
    EXPECT_FALSE(box->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(box->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

TEST(BoxWindows, TheWindowShowsTheProgramsIconAtTheThemesSizes)
{
    TWindowRig rig;
    const QIcon icon = rig.Start().windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    // Drawn, not blank: the corner is clear and the middle is not.
    const QImage picture = icon.pixmap(QSize(48, 48)).toImage();
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(24, 24)), 255);
}

}  // namespace
