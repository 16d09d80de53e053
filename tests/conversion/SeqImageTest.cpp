#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>

#include "ContactEvents.h"
#include "RandomSmf.h"
#include "SeqExamples.h"
#include "SeqFile.h"
#include "SeqImage.h"
#include "SeqPicture.h"
#include "SmfWriter.h"
#include "SvgPicture.h"
#include "TempDir.h"
#include "Text.h"

namespace {

std::string Bytes(const std::vector<std::uint8_t>& image)
{
    return std::string(image.begin(), image.end());
}

// A MIDI file converted as the Convert command converts it: the sorted
// changes and the image, when the image can hold them.
struct TConverted {
    bool Fits = false;
    std::vector<TContactorEvent> Changes;
    std::vector<TTrameOfContactorEvent> Frames;
    std::string Image;
};

TConverted Convert(const std::string& midi, std::uint16_t resolution)
{
    TMidiFile file;
    file.LoadBytes(midi);
    TConverted converted;
    std::vector<TUseFullMidiEvent> notes;
    CollectContactEvents(file, resolution, notes, converted.Changes);
    if (!CanFitFrameBlock(converted.Changes.size()))
        return converted;
    SortContactEvents(converted.Changes);
    if (CheckSeqImage(converted.Changes, resolution) != TImageFit::Fits)
        return converted;
    BuildSeqFrames(converted.Changes, resolution, converted.Frames);
    converted.Image = Bytes(BuildSeqImage(converted.Frames, resolution));
    converted.Fits = true;
    return converted;
}

TEST(SeqImage, ReadsBackEveryImageTheConversionWrites)
{
    std::mt19937 random(21);
    std::vector<std::string> files;
    for (int i = 0; i < 300; ++i)
        files.push_back(RandomSmf(random));
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        files.push_back(GeneratedSmf(2000 * seed, static_cast<int>(seed), seed));
        files.push_back(DenseSmf(3000, 4, 60 * seed, seed));
    }
    int images = 0;
    for (const std::string& midi : files) {
        for (const std::uint16_t resolution : {std::uint16_t{100}, std::uint16_t{250}, std::uint16_t{1000}}) {
            const TConverted converted = Convert(midi, resolution);
            if (!converted.Fits)
                continue;
            ++images;
            const TSeqImage image = ParseSeqImage(converted.Image, "test.seq");
            ASSERT_EQ(image.ResolutionMs, resolution);
            ASSERT_EQ(image.FrameBytes, FrameBytes(converted.Frames));
            ASSERT_EQ(image.Frames.size(), converted.Frames.size());
            for (std::size_t f = 0; f < image.Frames.size(); ++f) {
                ASSERT_EQ(image.Frames[f].NextSlot, converted.Frames[f].NextSlot);
                ASSERT_EQ(image.Frames[f].Pairs, converted.Frames[f].Pairs);
            }
            ASSERT_EQ(ImageCsv(image), CsvOf(converted.Changes));
            ASSERT_EQ(image.ChangeCount(), converted.Changes.size());
        }
    }
    EXPECT_GT(images, 600) << "most files make an image";
}

TEST(SeqImage, ListsTheFramesWithSlotTimeAndChanges)
{
    EXPECT_EQ(ImageListing(ParseSeqImage(WorkedExampleImage(), "x")),
              "Resolution: 500 ms (code 3)\n"
              "Frame bytes: 10 of 32768\n"
              "slot     0  0:00:00.000  10=255\n"
              "slot     3  0:00:01.500  10=0\n");

    // Nothing at 0: the first frame is empty.
    TTrameOfContactorEvent empty;
    empty.NextSlot = 7384;
    TTrameOfContactorEvent late;
    late.add(200, 8);
    late.add(3, 0);
    const TSeqImage image = ParseSeqImage(Bytes(BuildSeqImage({empty, late}, 1000)), "x");
    EXPECT_EQ(ImageListing(image),
              "Resolution: 1000 ms (code 4)\n"
              "Frame bytes: 10 of 32768\n"
              "slot     0  0:00:00.000  -\n"
              "slot  7384  2:03:04.000  200=8 3=0\n");
    EXPECT_EQ(ImageCsv(image), "time_ms,output,level\n7384000,200,8\n7384000,3,0\n");
}

TEST(SeqImage, CheckFindsEachKindOfDamageAtItsByte)
{
    const std::string good = WorkedExampleImage();
    ASSERT_TRUE(CheckImageBytes(good, good.size()).Valid());
    const auto damaged = [&good](std::size_t at, std::uint8_t byte) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(byte);
        return bytes;
    };
    // Frame records: "00 03 01 0A FF" then "00 00 01 0A 00" at 32768.
    const struct {
        std::string bytes;
        TImageProblem problem;
        std::uint64_t offset;
        std::string text;
    } cases[] = {
        {good.substr(0, 65535), TImageProblem::WrongSize, 65535,
         "byte 65535: the file is 65535 bytes long, not 65536"},
        {good + '\0', TImageProblem::WrongSize, 65536, "byte 65536: the file is 65537 bytes long, not 65536"},
        {"", TImageProblem::WrongSize, 0, "byte 0: the file is 0 bytes long, not 65536"},
        {damaged(0, 0), TImageProblem::HeaderNotSpace, 0, "byte 0: the header holds 0x00 where a space (0x20) belongs"},
        {damaged(35, 'A'), TImageProblem::HeaderNotSpace, 35,
         "byte 35: the header holds 0x41 where a space (0x20) belongs"},
        {damaged(32767, 0xFF), TImageProblem::HeaderNotSpace, 32767,
         "byte 32767: the header holds 0xFF where a space (0x20) belongs"},
        {damaged(34, 0), TImageProblem::BadResolutionCode, 34, "byte 34: the resolution code is 0, not 1 to 4"},
        {damaged(34, 5), TImageProblem::BadResolutionCode, 34, "byte 34: the resolution code is 5, not 1 to 4"},
        {damaged(32, 0x80), TImageProblem::FrameBytesTooLarge, 32, "byte 32: the frame bytes are 32778, more than 32768"},
        {damaged(33, 2), TImageProblem::NoFirstFrame, 32, "byte 32: the frame bytes are 2, fewer than the first frame's 3"},
        {damaged(33, 9), TImageProblem::RecordPastFrameBytes, 32773,
         "byte 32773: the frame of 1 changes runs past the 9 frame bytes"},
        // The second frame no longer ends the frames, so its next slot of 0 is at fault.
        {damaged(33, 11), TImageProblem::SlotNotAfter, 32773, "byte 32773: the next slot is 0, not after the frame's slot 3"},
        {damaged(32770, 3), TImageProblem::RecordPastFrameBytes, 32777, ""},
        {damaged(32769, 0), TImageProblem::SlotNotAfter, 32768,
         "byte 32768: the next slot is 0, not after the frame's slot 0"},
        {damaged(32774, 1), TImageProblem::LastSlotNotZero, 32773, "byte 32773: the last frame's next slot is 1, not 0"},
        {damaged(32778, 7), TImageProblem::NotZeroAfterFrames, 32778,
         "byte 32778: 0x07 follows the frames where 0 belongs"},
        {damaged(65535, 0x20), TImageProblem::NotZeroAfterFrames, 65535, ""},
    };
    for (const auto& c : cases) {
        const TImageCheck check = CheckImageBytes(c.bytes, c.bytes.size());
        EXPECT_EQ(check.Problem, c.problem) << c.offset;
        EXPECT_EQ(check.Offset, c.offset);
        if (!c.text.empty()) {
            EXPECT_EQ(DescribeImageProblem(check, LanguageEnglish), c.text);
        }
        EXPECT_THROW(ParseSeqImage(c.bytes, "x"), ESeqImageError);
    }

    // Slots must grow from frame to frame, not only differ from 0.
    TTrameOfContactorEvent a, b, c;
    a.NextSlot = 5;
    b.NextSlot = 5;
    a.add(1, 1);
    b.add(1, 0);
    c.add(1, 1);
    const TImageCheck same = CheckImageBytes(Bytes(BuildSeqImage({a, b, c}, 100)), 65536);
    EXPECT_EQ(same.Problem, TImageProblem::SlotNotAfter);
    EXPECT_EQ(same.Offset, 32773u);
    EXPECT_EQ(DescribeImageProblem(same, LanguageFrench),
              "octet 32773 : le créneau suivant vaut 5 et ne vient pas après le créneau 5 de la trame");

    // A frame block filled to the last byte holds no zero byte, and needs none.
    // 3 + 2 x 250 bytes, then 6453 frames of 5: 32768.
    std::vector<TTrameOfContactorEvent> full(1);
    for (int i = 0; i < 250; ++i)
        full.front().add(9, 9);
    for (int i = 0; i < 6453; ++i) {
        full.back().NextSlot = static_cast<std::uint16_t>(full.size());
        full.emplace_back().add(0, static_cast<std::uint8_t>(i % 2));
    }
    ASSERT_EQ(FrameBytes(full), SeqFrameBlockSize);
    EXPECT_TRUE(CheckImageBytes(Bytes(BuildSeqImage(full, 100)), 65536).Valid());
}

TEST(SeqImage, FilesAreReadUnderTheInputRulesAndNamedInErrors)
{
    TTempDir dir;
    WriteBytesToFile(dir.File("good.seq"), WorkedExampleImage());
    EXPECT_EQ(ReadSeqImageFile(dir.File("good.seq")).ChangeCount(), 2u);

    const auto errorOf = [](const std::string& path, std::uint8_t language = LanguageEnglish) {
        try {
            ReadSeqImageFile(path);
        } catch (const ESeqImageError& e) {
            EXPECT_EQ(e.what(), DescribeImageError(e, LanguageEnglish));
            return DescribeImageError(e, language);
        }
        return std::string();
    };
    EXPECT_EQ(errorOf(dir.File("none.seq")),
              "Cannot read the sequence file " + dir.File("none.seq") + ": No such file or directory");
    EXPECT_EQ(errorOf(dir.Path().string()),
              "Cannot read the sequence file " + dir.Path().string() + ": it is a folder, not a regular file");
#ifndef _WIN32  // devices have no path among Windows' files
    EXPECT_EQ(errorOf("/dev/zero"), "Cannot read the sequence file /dev/zero: it is a character device, not a regular file");
#endif

    // A large file is told by its size, without reading it all.
    WriteBytesToFile(dir.File("large.seq"), std::string(3u << 20, ' '));
    EXPECT_EQ(errorOf(dir.File("large.seq")), dir.File("large.seq") +
                                                   " is not a valid sequence image: byte 65536: the file is 3145728 "
                                                   "bytes long, not 65536");
    // Past 32 bits too.
    WriteBytesToFile(dir.File("huge.seq"), " ");
    std::filesystem::resize_file(dir.File("huge.seq"), std::uint64_t{5} << 30);
    EXPECT_EQ(errorOf(dir.File("huge.seq")), dir.File("huge.seq") +
                                                  " is not a valid sequence image: byte 65536: the file is 5368709120 "
                                                  "bytes long, not 65536");
    EXPECT_EQ(errorOf(dir.File("large.seq"), LanguageFrench),
              dir.File("large.seq") +
                  " n'est pas une image de séquence valide : octet 65536 : le fichier fait 3145728 octets, et non 65536");
}

TEST(ClockTime, HoursMinutesSecondsAndMilliseconds)
{
    EXPECT_EQ(ClockTime(0), "0:00:00.000");
    EXPECT_EQ(ClockTime(1500), "0:00:01.500");
    EXPECT_EQ(ClockTime(3599999), "0:59:59.999");
    EXPECT_EQ(ClockTime(65535000), "18:12:15.000");
}

}  // namespace

namespace {

// The image of changes (sorted by time) at a resolution.
TSeqImage ImageOf(const std::vector<TContactorEvent>& changes, std::uint16_t resolution)
{
    std::vector<TTrameOfContactorEvent> frames;
    BuildSeqFrames(changes, resolution, frames);
    return ParseSeqImage(Bytes(BuildSeqImage(frames, resolution)), "x");
}

std::vector<TPictureBar> BarsOf(const TSeqPicture& picture, std::uint8_t output)
{
    std::vector<TPictureBar> bars;
    std::copy_if(picture.Bars.begin(), picture.Bars.end(), std::back_inserter(bars),
                 [output](const TPictureBar& bar) { return bar.Output == output; });
    return bars;
}

// The texts left of x beside the rows: headings and output labels.
std::vector<std::string> TextsLeftOf(const TSeqPicture& picture, double x)
{
    std::vector<std::string> texts;
    for (const TPictureText& text : picture.Texts)
        if (text.X < x && text.Y < picture.PlotBottom)
            texts.push_back(text.Text);
    return texts;
}

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(SeqPicture, OneBarPerSwitchOnToTheNextChangeEachBankUnderItsHeading)
{
    // Output 5 is only switched off; 10 is on, off, on, changes level, off;
    // 130 (channel 2) stays on to the end.
    const TSeqImage image = ImageOf({{0, 10, 255}, {500, 5, 0}, {1000, 130, 50}, {1500, 10, 0}, {2000, 10, 100},
                                     {3000, 10, 200}, {4000, 10, 0}},
                                    500);
    const TSeqPicture picture = LayOutSequence(image, LanguageEnglish);
    ASSERT_EQ(picture.Bars.size(), 4u);
    const std::vector<TPictureBar> ten = BarsOf(picture, 10);
    ASSERT_EQ(ten.size(), 3u);
    EXPECT_EQ(ten[0].FromMs, 0u);
    EXPECT_EQ(ten[0].ToMs, 1500u);
    EXPECT_EQ(ten[1].Level, 100);
    EXPECT_EQ(ten[1].ToMs, 3000u) << "to the next change, a level change included";
    EXPECT_EQ(ten[2].Level, 200);
    EXPECT_NEAR(ten[1].X + ten[1].Width, ten[2].X, 1e-9);
    EXPECT_NEAR(ten[0].Width, 1.5 * ten[1].Width, 1e-9) << "widths follow the times";
    const std::vector<TPictureBar> channel2 = BarsOf(picture, 130);
    ASSERT_EQ(channel2.size(), 1u);
    EXPECT_EQ(channel2[0].ToMs, 4500u) << "an output left on runs to one slot past the last change";
    EXPECT_GT(channel2[0].Y, ten[0].Y) << "channel 2 below channel 1";

    // Shades deepen with the level; the banks differ in hue.
    const auto depth = [](TRgb c) { return 3 * 255 - c.R - c.G - c.B; };
    EXPECT_GT(depth(ten[0].Colour), depth(ten[2].Colour));
    EXPECT_GT(depth(ten[2].Colour), depth(ten[1].Colour));
    EXPECT_NE(BarColour(10, 255), BarColour(138, 255));
    EXPECT_EQ(BarColour(130, 50), channel2[0].Colour);

    // Rows for 5, 10 and 130, each labelled, under the two headings.
    EXPECT_EQ(TextsLeftOf(picture, 64), (std::vector<std::string>{"Channel 1", "5", "10", "Channel 2", "130"}));
    EXPECT_EQ(TextsLeftOf(LayOutSequence(image, LanguageFrench), 64),
              (std::vector<std::string>{"Canal 1", "5", "10", "Canal 2", "130"}));
    // Output 5's row is marked as never on, in the row and below the picture.
    ASSERT_EQ(picture.Rows.size(), 3u);
    EXPECT_TRUE(picture.Rows[0].NeverOn && !picture.Rows[1].NeverOn && !picture.Rows[2].NeverOn);
    const auto has = [&picture](const std::string& words, double y) {
        return std::any_of(picture.Texts.begin(), picture.Texts.end(), [&](const TPictureText& t) {
            return t.Text == words && std::abs(t.Y - y) < 12;
        });
    };
    EXPECT_TRUE(has("never switched on", picture.Rows[0].Y + picture.Rows[0].Height / 2));
    EXPECT_TRUE(has("Never switched on: 5", picture.PlotBottom + 30));

    // The SVG has the same bars, each with its title.
    const std::string svg = SequenceSvg(picture);
    EXPECT_EQ(Count(svg, "<rect class=\"bar\""), 4u);
    EXPECT_EQ(Count(svg, "<title>"), 4u);
    EXPECT_NE(svg.find("<title>output 10, level 100, 0:00:02.000 to 0:00:03.000</title>"), std::string::npos);
    EXPECT_EQ(Count(svg, ">Channel 2</text>"), 1u);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);

    // What the window tells on hover: the bar under the point, in the
    // picture's language; nothing between bars.
    const TPictureBar* hovered = BarAt(picture, ten[1].X + 1, ten[1].Y + ten[1].Height - 0.5);
    ASSERT_NE(hovered, nullptr);
    EXPECT_EQ(hovered->FromMs, 2000u);
    EXPECT_EQ(BarAt(picture, ten[1].X - 1, ten[1].Y + 1), nullptr) << "the gap from 1500 to 2000 ms";
    EXPECT_EQ(BarAt(picture, ten[1].X + 1, ten[1].Y - 0.5), nullptr) << "above the bar";
    const TSeqPicture french = LayOutSequence(image, LanguageFrench);
    EXPECT_EQ(BarText(french, *BarAt(french, ten[1].X + 1, ten[1].Y + 1)),
              "sortie 10, niveau 100, de 0:00:02.000 à 0:00:03.000");
}

// Output 1 flickers every 100 ms for 10 s, is on for 100 s at 30 minutes,
// and flashes once at 50 minutes; output 2 is on from 1 s to 2 s.
std::vector<TContactorEvent> FlickerChanges()
{
    std::vector<TContactorEvent> changes;
    for (std::uint32_t k = 0; k < 50; ++k) {
        changes.push_back({k * 200, 1, 255});
        changes.push_back({k * 200 + 100, 1, 0});
    }
    changes.push_back({1000, 2, 64});
    changes.push_back({2000, 2, 0});
    std::sort(changes.begin(), changes.end(), [](auto& a, auto& b) { return a.TimeMs < b.TimeMs; });
    changes.push_back({1800000, 1, 128});
    changes.push_back({1900000, 1, 0});
    changes.push_back({3000000, 1, 255});
    changes.push_back({3000100, 1, 0});
    changes.push_back({3600000, 3, 0});
    return changes;
}

TEST(SeqPicture, BarsNarrowerThanAPixelMergeInALongShowAndStayApartInAShortOne)
{
    std::vector<TContactorEvent> minute = FlickerChanges();
    minute.resize(102);
    const TSeqPicture shortShow = LayOutSequence(ImageOf(minute, 100), LanguageEnglish);
    EXPECT_EQ(BarsOf(shortShow, 1).size(), 50u);
    EXPECT_EQ(BarsOf(shortShow, 2).size(), 1u);

    const TSeqPicture hour = LayOutSequence(ImageOf(FlickerChanges(), 100), LanguageEnglish);
    const std::vector<TPictureBar> bars = BarsOf(hour, 1);
    ASSERT_EQ(bars.size(), 3u);
    EXPECT_EQ(bars[0].Runs, 50u) << "the flicker is one bar";
    EXPECT_EQ(bars[0].FromMs, 0u);
    EXPECT_EQ(bars[0].ToMs, 9900u);
    EXPECT_EQ(bars[0].Level, 255);
    EXPECT_EQ(bars[1].Runs, 1u);
    EXPECT_EQ(bars[1].Level, 128) << "a wide bar keeps its own level";
    EXPECT_GT(bars[1].Width, 20);
    EXPECT_EQ(bars[2].Runs, 1u);
    EXPECT_EQ(bars[2].Width, 1) << "a flash a pixel wide";
    const std::vector<TPictureBar> two = BarsOf(hour, 2);
    ASSERT_EQ(two.size(), 1u) << "other rows merge apart";
    EXPECT_EQ(two[0].Level, 64);
    EXPECT_EQ(Count(SequenceSvg(hour), "<rect class=\"bar\""), 4u);
    EXPECT_NE(SequenceSvg(hour).find("(50 bars, the highest level)</title>"), std::string::npos);
}

TEST(SeqPicture, TimeLabelsAndOutputLabelsKeepTheirDistanceWhateverTheShow)
{
    // A time label at least every 72 pixels apart, and not much more.
    for (const std::uint32_t endMs : {4000u, 60000u, 3600000u, 65535000u}) {
        const TSeqImage image = ImageOf({{0, 1, 255}, {endMs, 1, 0}}, 1000);
        const TSeqPicture picture = LayOutSequence(image, LanguageEnglish);
        std::vector<double> ticks;
        for (const TPictureText& text : picture.Texts)
            if (text.Anchor == TTextAnchor::Middle)
                ticks.push_back(text.X);
        ASSERT_GE(ticks.size(), 5u) << endMs;
        EXPECT_LE(ticks.size(), 20u) << endMs;
        for (std::size_t i = 1; i < ticks.size(); ++i)
            EXPECT_GE(ticks[i] - ticks[i - 1], 72) << endMs;
    }

    // 200 outputs: rows too narrow for a label each, yet every bank labelled.
    std::vector<TContactorEvent> many;
    for (int output = 0; output < 200; ++output)
        many.push_back({0, static_cast<std::uint8_t>(output + 28), 255});
    const TSeqPicture crowded = LayOutSequence(ImageOf(many, 1000), LanguageEnglish);
    const std::vector<std::string> labels = TextsLeftOf(crowded, 64);
    EXPECT_GT(labels.size(), 40u);
    EXPECT_LT(labels.size(), 70u);
    EXPECT_EQ(std::count(labels.begin(), labels.end(), "128"), 1) << "the first output of channel 2";
    double previous = -100;
    for (const TPictureText& text : crowded.Texts) {
        if (text.X >= 64 || text.Bold)
            continue;
        EXPECT_GE(text.Y - previous, 11.9);
        previous = text.Y;
    }
    EXPECT_EQ(crowded.Bars.size(), 200u);

    // In a given area, the rows share its height.
    const TSeqPicture fitted = LayOutSequence(ImageOf(many, 1000), LanguageEnglish, {800, 500});
    EXPECT_EQ(fitted.Width, 800);
    EXPECT_EQ(fitted.Height, 500);
    for (const TPictureBar& bar : fitted.Bars)
        EXPECT_LE(bar.Y + bar.Height, 500 - 30);
}

TEST(SeqPicture, TimesReadAsMinutesOrHoursAndAPartOfTheShowCanFillTheWidth)
{
    const struct {
        std::uint32_t ms;
        bool hours;
        const char* shown;
    } times[] = {{0, false, "0:00"},        {61000, false, "1:01"},         {61500, false, "1:01.5"},
                 {61250, false, "1:01.25"}, {3723000, true, "1:02:03"},     {750000, true, "0:12:30"},
                 {3600100, true, "1:00:00.1"}, {59999000, false, "999:59"}};
    for (const auto& t : times)
        EXPECT_EQ(ShowTime(t.ms, t.hours), t.shown) << t.ms;

    // The labels of a minute, then of an hour, and the axis says which.
    const auto labels = [](const TSeqPicture& picture) {
        std::vector<std::string> texts;
        for (const TPictureText& text : picture.Texts)
            if (text.Anchor != TTextAnchor::Start && text.Y > picture.PlotBottom)
                texts.push_back(text.Text);
        return texts;
    };
    const TSeqImage minute = ImageOf({{0, 1, 255}, {59000, 1, 0}}, 1000);
    std::vector<std::string> shown = labels(LayOutSequence(minute, LanguageEnglish, {1064, 0}));
    EXPECT_EQ(shown.front(), "0:00");
    EXPECT_EQ(shown[1], "0:05");
    EXPECT_EQ(shown.back(), "time (m:ss)");
    const TSeqImage hour = ImageOf({{0, 1, 255}, {3599000, 1, 0}}, 1000);
    shown = labels(LayOutSequence(hour, LanguageFrench, {1064, 0}));
    EXPECT_EQ(shown[1], "0:05:00");
    EXPECT_EQ(shown.back(), "temps (h:mm:ss)");

    // From 1 s to 3 s of the minute: the bar cut at both edges, labels only
    // there, the cursor where it falls.
    const TSeqPicture part = LayOutSequence(minute, LanguageEnglish, {1064, 300, 1000, 3000, 2500});
    ASSERT_EQ(part.Bars.size(), 1u);
    EXPECT_EQ(part.Bars[0].X, PicturePlotLeft);
    EXPECT_EQ(part.Bars[0].Width, 976);
    EXPECT_EQ(part.Bars[0].FromMs, 0u) << "what the bar stands for is whole";
    shown = labels(part);
    EXPECT_EQ(shown.front(), "0:01");
    EXPECT_EQ(shown[shown.size() - 2], "0:03");
    ASSERT_TRUE(part.Cursor.has_value());
    EXPECT_DOUBLE_EQ(part.Cursor->X1, PicturePlotLeft + 976 * 0.75);
    EXPECT_DOUBLE_EQ(TimeAtX(part, PicturePlotLeft + 488), 2000);
    EXPECT_FALSE(LayOutSequence(minute, LanguageEnglish, {1064, 300, 1000, 3000, 4000}).Cursor.has_value());
}

TEST(SeqPicture, AnImageWithoutChangesSaysSo)
{
    const TSeqPicture picture = LayOutSequence(ImageOf({}, 1000), LanguageFrench);
    EXPECT_TRUE(picture.Bars.empty());
    EXPECT_TRUE(std::any_of(picture.Texts.begin(), picture.Texts.end(),
                            [](const TPictureText& t) { return t.Text == "Aucun changement de sortie."; }));
}

}  // namespace
