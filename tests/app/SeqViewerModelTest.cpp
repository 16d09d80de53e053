// What the viewer shows and how it is looked at, without a toolkit: what
// shows across as it zooms and scrolls, the time cursor and what is on at
// it, the names of what it shows, its first size.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "SeqFile.h"
#include "SeqViewerModel.h"
#include "TempDir.h"
#include "Text.h"
#include "Utf8.h"

namespace {

using V = TViewerCommand;

class SeqViewer : public ::testing::Test {
protected:
    // The image of sorted changes, written and loaded; the picture 1064
    // pixels wide, so that the times get 976.
    void Show(const std::vector<TContactorEvent>& changes, std::uint16_t resolution, const std::string& name = "show.seq")
    {
        std::vector<TTrameOfContactorEvent> frames;
        BuildSeqFrames(changes, resolution, frames);
        const std::vector<std::uint8_t> image = BuildSeqImage(frames, resolution);
        std::ofstream(PathFromUtf8(dir.File(name)), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        viewer.Load(dir.File(name));
        viewer.SetWidth(1064);
        ASSERT_EQ(PlotWidthFor(1064), 976);
    }

    // x in the picture of a time, while the whole show shows.
    static double XOf(double ms, double endMs) { return PicturePlotLeft + ms / endMs * 976; }

    TTempDir dir;
    TSeqViewerModel viewer;
};

// An hour at 1 s: output 1 on from 0 to 12:30, output 130 at 100 from
// 12:30 to 1:00:00, output 5 only ever switched off.
const std::vector<TContactorEvent> kHour{{0, 1, 255}, {5000, 5, 0}, {750000, 1, 0}, {750000, 130, 100},
                                         {3600000, 130, 0}};

TEST_F(SeqViewer, ZoomsByHalvesToEightSlotsAroundTheCursorAndScrollsWithinTheShow)
{
    Show(kHour, 1000);
    const double end = 3601000;
    EXPECT_EQ(viewer.Scroll(), TViewerScroll{}) << "the whole show: nothing to scroll";
    EXPECT_FALSE(viewer.CanZoomOut());

    viewer.PlaceCursor(XOf(750500, end));  // within the slot
    ASSERT_EQ(viewer.CursorMs(), 750000u);
    viewer.Run(V::ZoomIn);
    EXPECT_EQ(viewer.SpanMs(), end / 2);
    EXPECT_NEAR(viewer.FromMs(), 750000 - 750000.0 / 2, 1e-6) << "the cursor's time stays where it was";
    int zooms = 1;
    while (viewer.CanZoomIn() && zooms < 100) {
        viewer.Zoom(true);
        ++zooms;
    }
    EXPECT_EQ(viewer.SpanMs(), 8000) << "eight slots at the closest";
    EXPECT_EQ(zooms, 9) << "3601 s, halved 8 times, then 8 s";
    EXPECT_LE(viewer.FromMs(), 750000);
    EXPECT_GE(viewer.FromMs() + viewer.SpanMs(), 751000);

    // The scroll bar is the times before and after; it stops at the ends.
    const TViewerScroll scroll = viewer.Scroll();
    EXPECT_EQ(scroll.Maximum, end - 8000);
    EXPECT_EQ(scroll.PageStep, 8000);
    EXPECT_EQ(scroll.SingleStep, 800);
    viewer.ScrollTo(-5);
    EXPECT_EQ(viewer.FromMs(), 0);
    viewer.ScrollBy(976);  // a window's width
    EXPECT_DOUBLE_EQ(viewer.FromMs(), 8000);
    viewer.ScrollTo(10000000);
    EXPECT_EQ(viewer.FromMs(), end - 8000);

    // Zooming out at the mouse keeps the time under it; then the whole show again.
    viewer.ScrollTo(100000);
    viewer.Zoom(false, PicturePlotLeft + 976 / 4.0);
    EXPECT_EQ(viewer.SpanMs(), 16000);
    EXPECT_DOUBLE_EQ(viewer.FromMs(), 102000 - 4000);
    viewer.Run(V::FitToWindow);
    EXPECT_FALSE(viewer.CanZoomOut());
    EXPECT_EQ(viewer.FromMs(), 0);
    EXPECT_EQ(viewer.Picture(1064, 400, LanguageEnglish).ToMs, end);
}

TEST_F(SeqViewer, TheCursorKeysMoveBySlotChangeAndWindowAndKeepTheCursorInView)
{
    Show(kHour, 1000);
    viewer.Run(V::CursorRight);
    EXPECT_EQ(viewer.CursorMs(), 0u) << "the first key places it at the first time shown";
    const struct {
        V command;
        std::uint32_t cursor;
    } steps[] = {
        {V::CursorRight, 1000},      {V::NextChange, 5000},      {V::NextChange, 750000},
        {V::NextChange, 3600000},    {V::NextChange, 3600000},   {V::CursorRight, 3600000},
        {V::PreviousChange, 750000}, {V::CursorLeft, 749000},    {V::CursorHome, 0},
        {V::CursorLeft, 0},          {V::PageRight, 3600000},    {V::CursorEnd, 3600000},
        // An hour across 976 pixels is labelled every 5 minutes.
        {V::CursorHome, 0},          {V::NextLabel, 300000},     {V::NextLabel, 600000},
        {V::CursorRight, 601000},    {V::PreviousLabel, 600000}, {V::PreviousLabel, 300000},
    };
    for (const auto& step : steps) {
        viewer.Run(step.command);
        EXPECT_EQ(viewer.CursorMs(), step.cursor) << static_cast<int>(step.command);
    }

    // Zoomed in, a page is what shows, and the view follows the cursor.
    viewer.Run(V::CursorHome);
    for (int i = 0; i < 6; ++i)
        viewer.Zoom(true);
    const double span = viewer.SpanMs();
    viewer.Run(V::PageRight);
    EXPECT_EQ(viewer.CursorMs(), static_cast<std::uint32_t>(span / 1000) * 1000);
    EXPECT_GE(viewer.FromMs() + span, *viewer.CursorMs() + 1000.0);
    viewer.Run(V::CursorEnd);
    EXPECT_EQ(viewer.FromMs(), 3601000 - span);
    const TSeqPicture picture = viewer.Picture(1064, 400, LanguageEnglish);
    ASSERT_TRUE(picture.Cursor.has_value());
    EXPECT_NEAR(picture.Cursor->X1, PicturePlotLeft + (3600000 - viewer.FromMs()) / span * 976, 1e-6);

    // Every key the face binds runs a command.
    std::set<V> bound;
    for (const TViewerKey& key : ViewerKeys())
        bound.insert(key.Command);
    EXPECT_EQ(bound.size(), 13u);
}

TEST_F(SeqViewer, TheReadoutTellsWhatIsOnAtTheCursorForAMinuteAndForAnHour)
{
    Show({{0, 10, 255}, {500, 130, 100}, {1000, 10, 0}, {30500, 130, 0}}, 500, "minute.seq");
    EXPECT_EQ(viewer.Readout(LanguageEnglish),
              "Click the picture or use the arrow keys to read what is on at a time.");
    viewer.PlaceCursor(XOf(700, 31000));
    EXPECT_EQ(viewer.Readout(LanguageEnglish), "At 0:00.5 (slot 1), 2 outputs on: 10 (255), 130 (100)");
    EXPECT_EQ(viewer.Readout(LanguageFrench), "À 0:00.5 (créneau 1), 2 sorties allumées : 10 (255), 130 (100)");
    viewer.Run(V::CursorRight);
    EXPECT_EQ(viewer.Readout(LanguageEnglish), "At 0:01 (slot 2), 1 output on: 130 (100)");
    viewer.Run(V::CursorEnd);
    EXPECT_EQ(viewer.Readout(LanguageFrench), "À 0:30.5 (créneau 61), aucune sortie n'est allumée.");

    Show(kHour, 1000);
    EXPECT_FALSE(viewer.CursorMs().has_value()) << "another file starts afresh";
    viewer.PlaceCursor(XOf(750500, 3601000));
    EXPECT_EQ(viewer.Readout(LanguageEnglish), "At 0:12:30 (slot 750), 1 output on: 130 (100)");
    viewer.Run(V::CursorLeft);
    EXPECT_EQ(viewer.Readout(LanguageEnglish), "At 0:12:29 (slot 749), 1 output on: 1 (255)");
    viewer.Load(dir.File("show.seq"));
    EXPECT_EQ(viewer.CursorMs(), 749000u) << "the same file read again keeps the cursor";

    // 12:30 from the start, by the keyboard alone: labels every 5 minutes,
    // then every 30 seconds once zoomed in around the cursor.
    viewer.Run(V::CursorHome);
    viewer.Run(V::NextLabel);
    viewer.Run(V::NextLabel);
    for (int i = 0; i < 4; ++i)
        viewer.Run(V::ZoomIn);
    viewer.Run(V::NextLabel);
    EXPECT_EQ(viewer.CursorMs(), 630000u);
    for (int i = 0; i < 4; ++i)
        viewer.Run(V::NextLabel);
    EXPECT_EQ(viewer.Readout(LanguageEnglish), "At 0:12:30 (slot 750), 1 output on: 130 (100)");
}

TEST_F(SeqViewer, NamesTheFileItShowsAndTheConversionItsReportIsOf)
{
    EXPECT_EQ(viewer.Title(LanguageEnglish), "Sequence viewer");
    Show(kHour, 1000);
    EXPECT_EQ(viewer.Title(LanguageFrench), "Visionneuse de séquence - show.seq");
    const std::string heading = viewer.Heading(LanguageEnglish);
    const std::string written = heading.substr(heading.find("(written ") + 9, 19);
    EXPECT_EQ(heading, dir.File("show.seq") + " (written " + written +
                           "): resolution 1000 ms, last change at 1:00:00, 5 changes.");
    EXPECT_EQ(written.size(), 19u);
    EXPECT_EQ(written[4], '-');
    EXPECT_EQ(viewer.ReportText(LanguageEnglish), "No conversion yet: the report of the next one shows here.");

    // A refusal meant for this file: the picture is of the file from before.
    TConversionRecord refused{.MidiFile = "/m/long.mid", .SeqFile = dir.File("show.seq"), .ResolutionMs = 100};
    refused.Outcome = TConversionOutcome::TooLongForResolution;
    refused.Refusal.emplace();
    refused.Refusal->Outcome = TConversionOutcome::TooLongForResolution;
    refused.Refusal->TrackTooLong = true;
    viewer.SetConversion(refused);
    const std::string when = LocalDateTime(refused.When);
    EXPECT_EQ(viewer.Heading(LanguageEnglish).substr(heading.size()),
              "\nThe last conversion, of /m/long.mid at " + when + ", was not written: this is the file from before.");
    EXPECT_EQ(viewer.ReportText(LanguageEnglish), "Conversion of /m/long.mid\ninto " + dir.File("show.seq") + "\nat " +
                                                      when + ", resolution 100 ms: not written.\n"
                                                      "The Midi file is too long for this resolution...\n"
                                                      "It fits at no resolution.\n");
    refused.SeqFile = dir.File("other.seq");
    viewer.SetConversion(refused);
    EXPECT_EQ(viewer.Heading(LanguageEnglish), heading) << "another file's conversion is none of this one's";

    // No file: the converter's own words, in place of a picture and a heading.
    viewer.Load("");
    EXPECT_EQ(viewer.Problem(LanguageEnglish), "Sequence file must be assigned...");
    EXPECT_EQ(viewer.Heading(LanguageEnglish), "");
    EXPECT_EQ(viewer.Readout(LanguageEnglish), "");
}

TEST(SeqViewerSize, TheFirstSizeIsTheDesignsWithinNineTenthsOfTheScreen)
{
    const struct {
        int width, height;
        TViewerSize size;
    } screens[] = {
        {1920, 1040, {1000, 640}}, {960, 520, {864, 468}}, {640, 700, {576, 630}}, {0, 0, {1000, 640}},
    };
    for (const auto& screen : screens) {
        const TViewerSize size = ViewerSizeFor(screen.width, screen.height);
        EXPECT_EQ(size.Width, screen.size.Width) << screen.width;
        EXPECT_EQ(size.Height, screen.size.Height) << screen.height;
    }
}

}  // namespace
