// File > View sequence... as Qt draws it: the picture the viewer model lays
// out, with its cursor; clicks, keys, the wheel, the buttons and the scroll
// bar handed to the model; a problem in place of the picture; the report.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest/QTest>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "SeqFile.h"
#include "SeqViewer.h"
#include "SmfWriter.h"
#include "Text.h"

namespace {

using Kind = TTestDialogs::Kind;
using SeqViewerWindow = TWindowTest;
using SequencePainter = TQtTest;

// The image of sorted changes at a resolution.
std::string ImageBytes(const std::vector<TContactorEvent>& changes, std::uint16_t resolution)
{
    std::vector<TTrameOfContactorEvent> frames;
    BuildSeqFrames(changes, resolution, frames);
    const std::vector<std::uint8_t> image = BuildSeqImage(frames, resolution);
    return std::string(image.begin(), image.end());
}

// Output 10 on from 0 to 1 s, output 130 (channel 2) at level 100 from
// 0.5 s to 2 s, output 20 on from 3 s to 4 s.
const std::vector<TContactorEvent> kChanges{{0, 10, 255},    {500, 130, 100}, {1000, 10, 0},
                                            {2000, 130, 0}, {3000, 20, 254}, {4000, 20, 0}};

std::string MemoText(TSeqViewer& viewer)
{
    return viewer.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText().toStdString();
}

std::string ProblemText(TSeqViewer& viewer)
{
    return viewer.findChild<QLabel*>(QStringLiteral("Label18"))->text().toStdString();
}

bool PictureShown(TSeqViewer& viewer)
{
    return !viewer.findChild<QScrollArea*>(QStringLiteral("ScrollBox1"))->isHidden() &&
           viewer.findChild<QLabel*>(QStringLiteral("Label18"))->isHidden();
}

QColor ToQColor(TRgb c)
{
    return QColor(c.R, c.G, c.B);
}

TEST_F(SeqViewerWindow, DrawsTheModelsPictureForItsSizeWithTheCursorAndFitsTheScreen)
{
    TForm1& window = rig.Start();
    const std::string seqFile = rig.dir.File("show.seq");
    WriteFileBytes(seqFile, ImageBytes(kChanges, 500));
    rig.files.seqAnswers.push_back(seqFile);
    rig.Item("SaveSeqFile1")->trigger();
    rig.dialogs.shown.clear();

    rig.Item("ViewSequence1")->trigger();
    TSeqViewer* viewer = window.SeqViewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(ProcessPending());
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(PictureShown(*viewer));
    EXPECT_EQ(viewer->windowTitle().toStdString(), "Sequence viewer - show.seq");
    EXPECT_EQ(viewer->Tabs().tabText(1).toStdString(), "Conversion report");
    EXPECT_EQ(viewer->findChild<QLabel*>("Label19")->text().toStdString(),
              window.Model().Viewer().Heading(LanguageEnglish));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(viewer->width(), screen.width() * 9 / 10);
    EXPECT_LE(viewer->height(), screen.height() * 9 / 10);

    // Laid out for the view's own size: three bars, and on screen each in
    // its colour where the layout puts it; the time cursor in red over them.
    TSeqPictureView& view = viewer->PictureView();
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(static_cast<int>(PicturePlotLeft) + 2, view.height() / 2));
    ASSERT_EQ(window.Model().Viewer().CursorMs(), 0u);
    const TSeqPicture picture = view.Picture();
    EXPECT_EQ(picture.Width, view.width());
    EXPECT_EQ(picture.Height, view.height());
    ASSERT_EQ(picture.Bars.size(), 3u);
    ASSERT_TRUE(picture.Cursor.has_value());
    const QImage shot = view.grab().toImage();
    for (const TPictureBar& bar : picture.Bars) {
        const QPoint middle(static_cast<int>(bar.X + bar.Width / 2), static_cast<int>(bar.Y + bar.Height / 2));
        EXPECT_EQ(shot.pixelColor(middle), ToQColor(bar.Colour)) << int{bar.Output};
    }
    EXPECT_EQ(shot.pixelColor(static_cast<int>(picture.Cursor->X1), static_cast<int>(picture.Bars[0].Y + 1)),
              ToQColor(picture.Cursor->Colour));
    EXPECT_EQ(viewer->findChild<QLabel*>("Label20")->text().toStdString(),
              window.Model().Viewer().Readout(LanguageEnglish));

    // A wider window lays the picture out again.
    viewer->resize(viewer->width() + 200, viewer->height());
    ASSERT_TRUE(ProcessPending());
    EXPECT_EQ(view.Picture().Width, view.width());
    EXPECT_GT(view.Picture().Bars.front().Width, picture.Bars.front().Width);

    // The language switch re-labels the open viewer, picture included.
    rig.Item("French1")->trigger();
    EXPECT_EQ(viewer->windowTitle().toStdString(), "Visionneuse de séquence - show.seq");
    EXPECT_EQ(viewer->findChild<QToolButton*>("FitButton")->text().toStdString(), "Ajuster à la fenêtre");
    const std::vector<TPictureText>& texts = view.Picture().Texts;
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const TPictureText& t) { return t.Text == "Canal 2"; }));
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST_F(SeqViewerWindow, KeysTheWheelButtonsAndTheScrollBarReachTheModel)
{
    TForm1& window = rig.Start();
    // An hour at 1 s.
    WriteFileBytes(rig.dir.File("hour.seq"), ImageBytes({{0, 1, 255}, {3600000, 1, 0}}, 1000));
    window.Settings().SeqFileName = rig.dir.File("hour.seq");
    rig.Item("ViewSequence1")->trigger();
    TSeqViewer& viewer = *window.SeqViewer();
    TSeqPictureView& view = viewer.PictureView();
    const TSeqViewerModel& model = window.Model().Viewer();
    auto* across = viewer.findChild<QScrollBar*>("ScrollBar1");
    ASSERT_TRUE(ProcessPending());

    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(model.CursorMs(), 0u) << "the first key places the cursor";
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(model.CursorMs(), 3600000u);
    QTest::keyClick(&view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_TRUE(model.CanZoomOut());
    EXPECT_EQ(across->maximum(), model.Scroll().Maximum);
    EXPECT_EQ(across->value(), model.Scroll().Value);
    EXPECT_GT(across->maximum(), 0);

    // The scroll bar moves what shows; Ctrl and the wheel zoom at the mouse.
    across->setValue(0);
    EXPECT_EQ(model.FromMs(), 0);
    const double span = model.SpanMs();
    QWheelEvent wheel(QPointF(PicturePlotLeft, 50), view.mapToGlobal(QPointF(PicturePlotLeft, 50)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_EQ(model.SpanMs(), span / 2);
    EXPECT_EQ(model.FromMs(), 0) << "the time under the mouse stays where it is";

    viewer.findChild<QToolButton*>("FitButton")->click();
    EXPECT_FALSE(model.CanZoomOut());
    EXPECT_FALSE(across->isEnabled());
    EXPECT_FALSE(viewer.findChild<QToolButton*>("FitButton")->isEnabled());

    // The report's text keeps its own keys.
    viewer.Tabs().setCurrentIndex(1);
    EXPECT_EQ(model.Page(), TViewerPage::Report);
}

TEST_F(SeqViewerWindow, AMissingOrDamagedFileIsToldInPlaceOfThePictureAndInNoBox)
{
    TForm1& window = rig.Start();
    rig.dialogs.shown.clear();

    rig.Item("ViewSequence1")->trigger();
    TSeqViewer* viewer = window.SeqViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(PictureShown(*viewer));
    EXPECT_EQ(ProblemText(*viewer), "Sequence file must be assigned...");

    const std::string seqFile = rig.dir.File("show.seq");
    std::string damaged = ImageBytes(kChanges, 500);
    damaged[34] = 9;
    WriteFileBytes(seqFile, damaged);
    window.Settings().SeqFileName = seqFile;
    rig.Item("ViewSequence1")->trigger();
    rig.Item("French1")->trigger();
    EXPECT_EQ(ProblemText(*viewer),
              seqFile + " n'est pas une image de séquence valide : octet 34 : le code de résolution vaut 9, et non 1 à 4");
    EXPECT_TRUE(rig.dialogs.shown.empty()) << "told once, in the viewer";

    // Mended, the picture comes back.
    WriteFileBytes(seqFile, ImageBytes(kChanges, 500));
    rig.Item("ViewSequence1")->trigger();
    EXPECT_TRUE(PictureShown(*viewer));
}

TEST_F(SeqViewerWindow, TheCompletionBoxOpensTheReportOfTheConversionJustDone)
{
    TForm1& window = rig.Start();
    TSmfTrack track;
    track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(1152, {10, 0}).Event(0, {0x92, 5, 64}).EndOfTrack();
    WriteBytesToFile(rig.dir.File("song.mid"), SmfFile(0, 480, {track}));
    window.Settings().MidiFileName = rig.dir.File("song.mid");
    window.Settings().SeqFileName = rig.dir.File("song.seq");
    window.Settings().ResolutionMs = 500;

    rig.dialogs.chooseButton = true;
    rig.Find<QToolButton>("SpeedButton2")->click();
    EXPECT_EQ(rig.dialogs.buttons, std::vector<std::string>{"&Show the report"});
    TSeqViewer* viewer = window.SeqViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Tabs().currentIndex(), 1);
    EXPECT_EQ(MemoText(*viewer), window.Model().Viewer().ReportText(LanguageEnglish));
    EXPECT_TRUE(PictureShown(*viewer));

    // Closed with the main window, which would otherwise leave the program running.
    window.close();
    EXPECT_FALSE(viewer->isVisible());
}

TEST_F(SequencePainter, PaintsEveryPartOfTheLayoutWhereItStands)
{
    TSeqPicture picture;
    picture.Width = 60;
    picture.Height = 40;
    picture.FontSize = 11;
    picture.Background = {255, 255, 255};
    picture.Bands.push_back({0, 0, 30, 40, {200, 220, 240}});
    picture.Lines.push_back({45.5, 0, 45.5, 40, {10, 10, 10}});
    TPictureBar bar;
    bar.X = 10;
    bar.Y = 10;
    bar.Width = 8;
    bar.Height = 6;
    bar.Colour = {200, 0, 0};
    picture.Bars.push_back(bar);
    picture.Texts.push_back({58, 38, "W", TTextAnchor::End, {0, 0, 200}, true});
    picture.Cursor = TPictureLine{25, 0, 25, 40, {0, 200, 0}};

    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    PaintSequence(painter, picture);
    painter.end();
    EXPECT_EQ(image.pixelColor(2, 2), QColor(200, 220, 240));
    EXPECT_EQ(image.pixelColor(35, 2), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(14, 13), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(9, 13), QColor(200, 220, 240)) << "the bar starts at its X";
    EXPECT_EQ(image.pixelColor(45, 20), QColor(10, 10, 10));
    EXPECT_EQ(image.pixelColor(25, 13), QColor(0, 200, 0)) << "the cursor over everything";
    // The text ends at its anchor, left of x 58.
    int inked = 0;
    for (int x = 46; x < 60; ++x)
        for (int y = 26; y < 40; ++y)
            if (image.pixelColor(x, y).blue() > 100 && image.pixelColor(x, y).red() < 100) {
                ++inked;
                EXPECT_LT(x, 59) << "drawn past its end anchor";
            }
    EXPECT_GT(inked, 5);
}

}  // namespace
