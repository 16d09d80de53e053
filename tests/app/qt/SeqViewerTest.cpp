// File > View sequence...: the picture of the sequence file named, drawn
// with Qt from the core's layout, and the report of the last conversion.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QImage>
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

TEST_F(SeqViewerWindow, TheFileMenuOffersTheViewerAfterConvertInBothLanguages)
{
    rig.Start();
    std::vector<std::string> names;
    for (const QAction* item : rig.Find<QMenu>("File1")->actions())
        names.push_back(item->objectName().toStdString());
    EXPECT_EQ(names, (std::vector<std::string>{"Open1", "SaveSeqFile1", "Convert1", "ViewSequence1", "N1", "Exit1"}));
    EXPECT_EQ(rig.Item("ViewSequence1")->text().toStdString(), "View sequence...");
    rig.Item("French1")->trigger();
    EXPECT_EQ(rig.Item("ViewSequence1")->text().toStdString(), "Voir la séquence...");
}

TEST_F(SeqViewerWindow, DrawsTheSequenceFileNamedWithTheCoresLayout)
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
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(PictureShown(*viewer));
    EXPECT_EQ(viewer->windowTitle().toStdString(), "Sequence viewer");
    EXPECT_EQ(viewer->Tabs().tabText(0).toStdString(), "Sequence");
    EXPECT_EQ(viewer->Tabs().tabText(1).toStdString(), "Conversion report");
    EXPECT_EQ(MemoText(*viewer), "No conversion yet: the report of the next one shows here.");

    // Laid out for the view's own size: three bars, and on screen each in
    // its colour where the layout puts it.
    TSeqPictureView& view = viewer->PictureView();
    const TSeqPicture picture = view.Picture();
    EXPECT_EQ(picture.Width, view.width());
    EXPECT_EQ(picture.Height, view.height());
    ASSERT_EQ(picture.Bars.size(), 3u);
    const QImage shot = view.grab().toImage();
    for (const TPictureBar& bar : picture.Bars) {
        const QPoint middle(static_cast<int>(bar.X + bar.Width / 2), static_cast<int>(bar.Y + bar.Height / 2));
        EXPECT_EQ(shot.pixelColor(middle), ToQColor(bar.Colour)) << int{bar.Output};
    }
    const TPictureRect& band = picture.Bands.front();
    EXPECT_EQ(shot.pixelColor(static_cast<int>(band.X + band.Width - 2), static_cast<int>(band.Y + 1)),
              ToQColor(band.Colour))
        << "the band shows past the last bar";

    // A wider window lays the picture out again.
    viewer->resize(viewer->width() + 200, viewer->height());
    ASSERT_TRUE(ProcessPending());
    EXPECT_EQ(view.Picture().Width, view.width());
    EXPECT_GT(view.Picture().Bars.front().Width, picture.Bars.front().Width);

    // The language switch re-labels the open viewer, picture included.
    rig.Item("French1")->trigger();
    EXPECT_EQ(viewer->windowTitle().toStdString(), "Visionneuse de séquence");
    EXPECT_EQ(viewer->Tabs().tabText(1).toStdString(), "Rapport de conversion");
    EXPECT_EQ(MemoText(*viewer), "Aucune conversion pour l'instant : le rapport de la prochaine s'affichera ici.");
    const std::vector<TPictureText>& texts = view.Picture().Texts;
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [](const TPictureText& t) { return t.Text == "Canal 2"; }));
}

TEST_F(SeqViewerWindow, AMissingOrDamagedFileIsToldInABoxAndInPlaceOfThePicture)
{
    TForm1& window = rig.Start();
    rig.dialogs.shown.clear();

    // No name yet: the converter's own warning.
    rig.Item("ViewSequence1")->trigger();
    TSeqViewer* viewer = window.SeqViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{"Sequence file must be assigned..."});
    EXPECT_FALSE(PictureShown(*viewer));
    EXPECT_EQ(ProblemText(*viewer), "Sequence file must be assigned...");

    const std::string seqFile = rig.dir.File("show.seq");
    window.Settings().SeqFileName = seqFile;
    rig.Item("ViewSequence1")->trigger();
    const std::string missing = "Cannot read the sequence file " + seqFile + ": No such file or directory";
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning).back(), missing);
    EXPECT_EQ(ProblemText(*viewer), missing);

    std::string damaged = ImageBytes(kChanges, 500);
    damaged[34] = 9;
    WriteFileBytes(seqFile, damaged);
    rig.Item("ViewSequence1")->trigger();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning).back(),
              seqFile + " is not a valid sequence image: byte 34: the resolution code is 9, not 1 to 4");
    rig.Item("French1")->trigger();
    EXPECT_EQ(ProblemText(*viewer),
              seqFile + " n'est pas une image de séquence valide : octet 34 : le code de résolution vaut 9, et non 1 à 4");
    EXPECT_EQ(rig.dialogs.shown.size(), 3u) << "the language switch shows no box";

    // Mended, the picture comes back.
    WriteFileBytes(seqFile, ImageBytes(kChanges, 500));
    rig.Item("ViewSequence1")->trigger();
    EXPECT_TRUE(PictureShown(*viewer));
    EXPECT_EQ(rig.dialogs.shown.size(), 3u);
}

TEST_F(SeqViewerWindow, TheReportTabShowsTheLastConversionAndAnOpenViewerFollowsIt)
{
    TForm1& window = rig.Start();
    TSmfTrack track;
    track.Tempo(0, 500000).Event(0, {0x90, 10, 127}).Event(1152, {10, 0}).Event(0, {0x92, 5, 64}).EndOfTrack();
    WriteBytesToFile(rig.dir.File("song.mid"), SmfFile(0, 480, {track}));
    window.Settings().MidiFileName = rig.dir.File("song.mid");
    window.Settings().SeqFileName = rig.dir.File("song.seq");
    window.Settings().ResolutionMs = 500;

    rig.Item("ViewSequence1")->trigger();
    TSeqViewer* viewer = window.SeqViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_FALSE(PictureShown(*viewer)) << "nothing converted yet";

    rig.dialogs.shown.clear();
    rig.Find<QToolButton>("SpeedButton2")->click();
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Information),
              std::vector<std::string>{"Process done...\n1 note, 2 changes, 2 frames, 10 frame bytes\n"
                                       "Notes on MIDI channels other than 1 and 2, left out: 1."});
    EXPECT_EQ(rig.dialogs.TextsOf(Kind::Warning), std::vector<std::string>{}) << "no box from the open viewer";
    EXPECT_TRUE(PictureShown(*viewer));
    EXPECT_EQ(viewer->PictureView().Picture().Bars.size(), 1u);
    // The summary, then the report as torem-convert prints it.
    const std::string report = MemoText(*viewer);
    EXPECT_EQ(report.substr(0, report.find('\n')), "1 note, 2 changes, 2 frames, 10 frame bytes");
    EXPECT_NE(report.find("\nNotes on MIDI channels other than 1 and 2, left out: 1\n"
                          "  0:00:01.200  channel 3, note 5, track 1\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\nLast change at 0:00:01.500, slot 3 of 65535; 10 frame bytes used of 32768\n"),
              std::string::npos);

    rig.Item("French1")->trigger();
    const std::string french = MemoText(*viewer);
    EXPECT_EQ(french.substr(0, french.find('\n')), "1 note, 2 changements, 2 trames, 10 octets de trames");

    // A declined replacement still reports the conversion; a refused one
    // leaves the last report as it was.
    window.Settings().ResolutionMs = 100;
    rig.dialogs.answerYes = false;
    rig.Find<QToolButton>("SpeedButton2")->click();
    EXPECT_NE(MemoText(*viewer).find("créneau 12 sur 65535"), std::string::npos) << MemoText(*viewer);
    WriteFileBytes(rig.dir.File("song.mid"), "MThd broken");
    rig.Find<QToolButton>("SpeedButton2")->click();
    EXPECT_NE(MemoText(*viewer).find("créneau 12 sur 65535"), std::string::npos);

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
