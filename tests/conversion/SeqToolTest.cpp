#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "ConversionCommand.h"
#include "FileRuleCases.h"
#include "ProgramRun.h"
#include "RandomSmf.h"
#include "SeqExamples.h"
#include "SeqFile.h"
#include "SmfWriter.h"
#include "SpecialFiles.h"
#include "TempDir.h"
#include "TestDialogs.h"

namespace {

class TNoControls final : public TConverterControls {
public:
    void SetConverterEnabled(bool) override {}
};

class SeqTool : public ::testing::Test {
protected:
    TProgramResult Seq(std::vector<std::string> arguments)
    {
        TProgramOptions options;
        options.Arguments = std::move(arguments);
        return RunProgram(TOREM_SEQ_PATH, options);
    }

    // Converts the MIDI file with the Convert command into the image named;
    // the sorted changes of the conversion as torem-seq --csv lists them,
    // none when the image cannot hold them.
    std::optional<std::string> Convert(const std::string& midi, const std::string& image, std::uint16_t resolution)
    {
        AppSettings settings;
        settings.MidiFileName = midi;
        settings.SeqFileName = image;
        settings.ResolutionMs = resolution;
        TMidiFile file;
        TTestDialogs dialogs;
        dialogs.answerYes = true;
        TNoControls controls;
        switch (TConversionCommand(settings, file, dialogs, controls).Execute()) {
        case TConversionOutcome::Written:
            return CsvOf(settings.ContactEvents);
        case TConversionOutcome::TooLongForResolution:
        case TConversionOutcome::TooManyChangesAtOnce:
        case TConversionOutcome::DoesNotFit:
            return std::nullopt;
        default:
            ADD_FAILURE() << midi;
            return std::nullopt;
        }
    }

    TTempDir dir;
};

TEST_F(SeqTool, CsvGivesTheSortedChangesOfTheConversionOfRealAndGeneratedFiles)
{
    const std::filesystem::path seeds = std::filesystem::path(TOREM_SOURCE_DIR) / "tests/fuzz/seeds/midifile";
    std::vector<std::string> midis{(seeds / "demo.mid").string(), (seeds / "small.mid").string()};
    WriteBytesToFile(dir.File("generated.mid"), GeneratedSmf(3000, 4, 3));
    WriteBytesToFile(dir.File("dense.mid"), DenseSmf(3000, 8, 60, 4));
    midis.push_back(dir.File("generated.mid"));
    midis.push_back(dir.File("dense.mid"));
    std::mt19937 random(15);
    for (int i = 0; i < 24; ++i) {
        midis.push_back(dir.File("random" + std::to_string(i) + ".mid"));
        WriteBytesToFile(midis.back(), RandomSmf(random));
    }
    int images = 0;
    for (const std::string& midi : midis) {
        for (const std::uint16_t resolution : {std::uint16_t{100}, std::uint16_t{1000}}) {
            const std::string image = dir.File("out.seq");
            std::filesystem::remove(image);
            const std::optional<std::string> expected = Convert(midi, image, resolution);
            if (HasFailure())
                return;
            if (!expected)
                continue;
            ++images;
            const TProgramResult run = Seq({"--csv", image});
            EXPECT_EQ(run.ExitCode, 0) << run.Err;
            EXPECT_EQ(run.Out, *expected) << midi << " at " << resolution;
            EXPECT_EQ(Seq({"--check", image}).ExitCode, 0) << midi;
        }
    }
    EXPECT_GT(images, 40);
}

TEST_F(SeqTool, CheckRejectsEachKindOfDamageWithItsByte)
{
    // Frame records: "00 03 01 0A FF" then "00 00 01 0A 00" at 32768.
    const std::string good = WorkedExampleImage();
    const auto damaged = [&good](std::size_t at, std::uint8_t byte) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(byte);
        return bytes;
    };
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 65535), "byte 65535: the file is 65535 bytes long, not 65536"},
        {damaged(35, 'A'), "byte 35: the header holds 0x41 where a space (0x20) belongs"},
        {damaged(34, 5), "byte 34: the resolution code is 5, not 1 to 4"},
        {damaged(32, 0x80), "byte 32: the frame bytes are 32778, more than 32768"},
        {damaged(33, 9), "byte 32773: the frame of 1 changes runs past the 9 frame bytes"},
        {damaged(32769, 0), "byte 32768: the next slot is 0, not after the frame's slot 0"},
        {damaged(32774, 1), "byte 32773: the last frame's next slot is 1, not 0"},
        {damaged(32778, 7), "byte 32778: 0x07 follows the frames where 0 belongs"},
    };
    const std::string path = dir.File("x.seq");
    for (const auto& [bytes, fault] : cases) {
        WriteFileBytes(path, bytes);
        const TProgramResult run = Seq({"--check", path});
        EXPECT_EQ(run.ExitCode, 1) << fault;
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "torem-seq: " + path + " is not a valid sequence image: " + fault + "\n");
    }
}

TEST_F(SeqTool, ListsChecksAndDrawsAnImage)
{
    WriteFileBytes(dir.File("x.seq"), WorkedExampleImage());
    TProgramResult run = Seq({dir.File("x.seq")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out,
              "Resolution: 500 ms (code 3)\nFrame bytes: 10 of 32768\n"
              "slot     0  0:00:00.000  10=255\nslot     3  0:00:01.500  10=0\n");

    run = Seq({"--check", dir.File("x.seq")});
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out, dir.File("x.seq") + ": a valid sequence image: 2 frames, 2 changes, the last frame at 0:00:01.500\n");

    std::string damaged = WorkedExampleImage();
    damaged[34] = 9;
    WriteFileBytes(dir.File("bad.seq"), damaged);
    for (const char* mode : {"--check", "--csv"}) {
        run = Seq({mode, dir.File("bad.seq")});
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, "torem-seq: " + dir.File("bad.seq") +
                               " is not a valid sequence image: byte 34: the resolution code is 9, not 1 to 4\n");
    }

    run = Seq({"--svg", dir.File("x.svg"), dir.File("x.seq")});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    const std::string svg = ReadFileBytes(dir.File("x.svg"));
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("<title>output 10, level 255, 0:00:00.000 to 0:00:01.500</title>"), std::string::npos);

    // An existing picture only with --force; never over the image itself.
    run = Seq({"--svg=" + dir.File("x.svg"), dir.File("x.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "torem-seq: " + dir.File("x.svg") + " already exists; use --force to replace it\n");
    EXPECT_EQ(Seq({"--svg", dir.File("x.svg"), "-f", dir.File("x.seq")}).ExitCode, 0);
    run = Seq({"--force", "--svg", dir.File("x.seq"), dir.File("x.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Err.find("it is the same file as"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(dir.File("x.seq")), WorkedExampleImage());
}

TEST_F(SeqTool, NamesOutsideTheCodePageAreReadWrittenAndToldAsGiven)
{
    // Ωmega.seq and Ωmega ✓.svg: on Windows neither fits the ANSI code page.
    const std::string image = dir.File("\xCE\xA9mega.seq");
    WriteFileBytes(image, WorkedExampleImage());
    const TProgramResult run = Seq({"--check", image});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out.rfind(image + ": a valid sequence image: ", 0), 0u) << run.Out;
    const std::string svg = dir.File("\xCE\xA9mega \xE2\x9C\x93.svg");
    EXPECT_EQ(Seq({"--svg", svg, image}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(svg).rfind("<?xml", 0), 0u);
}

TEST_F(SeqTool, ReadsOnlyRegularFilesAndWritesOnlyWhereTheConverterWould)
{
    TProgramResult run;
#ifndef _WIN32  // Windows has no FIFOs among its files
    MakeFifo(dir.File("pipe.seq"));
    run = Seq({dir.File("pipe.seq")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err,
              "torem-seq: Cannot read the sequence file " + dir.File("pipe.seq") + ": it is a FIFO, not a regular file\n");
#endif
    run = Seq({dir.File("none.seq")});
    EXPECT_EQ(run.Err, "torem-seq: Cannot read the sequence file " + dir.File("none.seq") + ": No such file or directory\n");

    // The rules of the converter's outputs, song.mid holding an image.
    WriteFileBytes(dir.File("song.mid"), WorkedExampleImage());
    ExpectBadOutputsRefused(dir, [&](const std::string& output, bool replace) {
        std::vector<std::string> arguments{"--svg", output, dir.File("song.mid")};
        if (replace)
            arguments.push_back("--force");
        const TProgramResult result = Seq(arguments);
        return result.ExitCode == 0 ? std::string() : result.Err;
    });
}

TEST_F(SeqTool, BadUsageExitsWithTwo)
{
    const std::string image = dir.File("x.seq");
    WriteBytesToFile(image, WorkedExampleImage());
    TProgramOptions options;
    options.WorkingDirectory = dir.Path();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--csv", "--check", image}, {"--svg"}, {"--svg=", image}, {"-f", image},
          {"a.seq", "b.seq"}, {"--svg", "-f", image}, {"--svg", "--csv", image}}) {
        options.Arguments = arguments;
        const TProgramResult run = RunProgram(TOREM_SEQ_PATH, options);
        EXPECT_EQ(run.ExitCode, 2) << ::testing::PrintToString(arguments);
        EXPECT_NE(run.Err.find("\nTry 'torem-seq --help'.\n"), std::string::npos) << run.Err;
    }
    // An option is no picture's name: nothing but the image is there.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
