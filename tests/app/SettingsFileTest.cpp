#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "SettingsFile.h"
#ifndef _WIN32
#include "PosixTesting.h"
#endif
#include "SettingsFormat.h"
#include "SettingsLocation.h"
#include "SpecialFiles.h"
#include "TempDir.h"

namespace fs = std::filesystem;

namespace {

// A first start chooses no port: its line stays empty.
const std::string DefaultFile =
    "Settings File of TOREM Midi To TOREM Sequence Bridge\r\n"
    "Language :\r\nEnglish\r\n"
    "Midi File :\r\n\r\n"
    "Resolution :\r\n1000\r\n"
    "Seq File :\r\n\r\n"
    "Port COM :\r\n\r\n"
    "Port Midi In :\r\n\r\n"
    "Mode :\r\n1\r\n"
    "Transpose Value :\r\n5\r\n";

// A settings file with the given value lines and the usual labels.
std::string File(const std::vector<std::string>& values, const std::string& end = "\r\n")
{
    const char* labels[] = {"Settings File of TOREM Midi To TOREM Sequence Bridge", "Language :", nullptr,
                            "Midi File :", nullptr, "Resolution :", nullptr, "Seq File :", nullptr,
                            "Port COM :", nullptr, "Port Midi In :", nullptr, "Mode :", nullptr,
                            "Transpose Value :", nullptr};
    std::string text;
    std::size_t next = 0;
    for (const char* label : labels) {
        if (!label && next == values.size())
            break;
        text += label ? std::string(label) : values[next++];
        text += end;
    }
    return text;
}

auto Saved(const AppSettings& s)
{
    return std::tuple(s.LanguageIndex, s.MidiFileName, s.ResolutionMs, s.SeqFileName, s.ComPortName,
                      s.MidiInPortName, int{s.MidiMode}, int{s.TransposeIndex});
}

std::vector<std::string> Entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

// The error text of f, or "" when it throws nothing.
std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ESettingsError& e) {
        return e.what();
    }
    return "";
}

#ifdef _WIN32
// Wine applies no ACLs, and Windows has no file size limit per process.
constexpr char PosixOnly[] = "needs POSIX permissions and another user, or a file size limit";
#else
// Runs body in a child process and returns its exit code: 0 when body holds.
int HoldsInChild(const std::function<bool()>& body, const TChildOptions& options = {})
{
    return RunInChild([&] { return body() ? 0 : 1; }, options).ExitCode;
}

#endif

// The run-time library's text, then the file and the system's reason.
std::string InOutText(std::error_code code, const fs::path& file)
{
    return "Erreur E/S " + std::to_string(code.value()) + "\n" + file.string() + ": " + code.message();
}

std::string InOutText(int code, const fs::path& file)
{
    return InOutText(std::error_code(code, std::generic_category()), file);
}

// What the system says of a path that goes through a file as if it were a
// folder.
#ifdef _WIN32
const std::error_code ThroughAFile(3, std::system_category());  // ERROR_PATH_NOT_FOUND
const char* const TestProgram = "torem_settings_tests.exe";
#else
const std::error_code ThroughAFile = std::make_error_code(std::errc::not_a_directory);
const char* const TestProgram = "torem_settings_tests";
#endif

std::string ConvertText(const std::string& line, const fs::path& file)
{
    return "'" + line + "' n'est pas une valeur entière correcte\n" + file.string();
}

#ifndef _WIN32
bool ReportsInOutError(const std::function<void()>& f, int code, const fs::path& file)
{
    const std::string text = ErrorOf(f);
    std::cerr << "child saw: " << text << "\n";
    return text == InOutText(code, file);
}
#endif

TEST(SettingsFile, AMissingFileIsWrittenFromTheCurrentValuesThenRead)
{
    TTempDir dir;
    AppSettings settings;
    EXPECT_EQ(LoadSettings(settings, dir.File(SettingsFileName)), 2);
    EXPECT_EQ(ReadFileBytes(dir.File(SettingsFileName)), DefaultFile);
    EXPECT_EQ(Saved(settings), Saved(AppSettings{}));
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{SettingsFileName});

    AppSettings french;
    french.LanguageIndex = 1;
    french.MidiMode = 2;
    EXPECT_EQ(LoadSettings(french, dir.File("other.cfg")), 1);
    EXPECT_EQ(ReadFileBytes(dir.File("other.cfg")),
              File({"French", "", "1000", "", "", "", "2", "5"}));
}

TEST(SettingsFile, EveryFieldRoundTripsByteForByte)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    AppSettings written;
    written.LanguageIndex = 1;
    written.MidiFileName = "/home/jo/Mes morceaux/Été à Noël.mid";
    written.ResolutionMs = 250;
    written.SeqFileName = "";
    written.ComPortName = "COM3";
    written.MidiMode = 2;
    written.TransposeIndex = 9;
#ifdef _WIN32
    // Every character has its byte in Windows-1252, the earlier tool's
    // encoding. (The program's texts are always valid UTF-8 there.)
    written.MidiInPortName = "Périphérique MIDI 2 ";
    const std::string midiFileBytes = "/home/jo/Mes morceaux/\xC9t\xE9 \xE0 No\xEBl.mid";
    const std::string portBytes = "P\xE9riph\xE9rique MIDI 2 ";
#else
    written.MidiInPortName = "Périphérique \xE9 MIDI 2 ";  // a stray Latin-1 byte passes too
    const std::string midiFileBytes = written.MidiFileName;
    const std::string portBytes = written.MidiInPortName;
#endif
    SaveSettings(written, path);
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes, File({"French", midiFileBytes, "250", "", "COM3", portBytes, "2", "9"}));

    AppSettings read;
    read.SeqFileName = "something else";
    EXPECT_EQ(LoadSettings(read, path), 1);
    EXPECT_EQ(Saved(read), Saved(written));
    SaveSettings(read, path);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}

TEST(SettingsFile, EarlierWindows1252FilesReadOnWindowsAndTextsBeyondItAreWrittenInUtf8)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    // As the earlier tool wrote it: Windows-1252.
    const std::string old = File({"French", "C:\\Musique\\M\xE9lodie \x80.mid", "250", "", "COM3", "Clavier \xE9t\xE9", "1", "5"});
    WriteFileBytes(path, old);
    AppSettings read;
    LoadSettings(read, path);
#ifdef _WIN32
    EXPECT_EQ(read.MidiFileName, "C:\\Musique\\Mélodie €.mid");
    EXPECT_EQ(read.MidiInPortName, "Clavier été");
#else
    EXPECT_EQ(read.MidiFileName, "C:\\Musique\\M\xE9lodie \x80.mid") << "bytes as they are";
#endif
    SaveSettings(read, path);
    EXPECT_EQ(ReadFileBytes(path), old);

    // An omega has no byte in Windows-1252: the whole file is UTF-8, on
    // every system, and reads back unchanged.
    AppSettings written;
    written.MidiFileName = "Mélodie.mid";
    written.SeqFileName = "\xCE\xA9mega.seq";
    SaveSettings(written, path);
    EXPECT_EQ(ReadFileBytes(path), File({"English", "Mélodie.mid", "1000", "\xCE\xA9mega.seq", "", "", "1", "5"}));
    LoadSettings(read, path);
    EXPECT_EQ(Saved(read), Saved(written));
}

TEST(SettingsFormat, OnWindowsTheFileIsUtf8WhenValidOtherwiseWindows1252)
{
    const struct {
        std::string bytes;
        std::string text;
    } reads[] = {
        {"plain", "plain"},
        {"M\xC3\xA9lodie \xE2\x82\xAC", "Mélodie €"},
        {"M\xE9lodie \x80", "Mélodie €"},
        {"\xC3\xA9 and \xE9", "Ã© and é"},  // one stray byte: all of it is Windows-1252
    };
    for (const auto& r : reads)
        EXPECT_EQ(SettingsTextFromWindowsFile(r.bytes), r.text) << r.bytes;

    const struct {
        std::string text;
        std::string bytes;
    } writes[] = {
        {"plain", "plain"},
        {"Mélodie € “x”", "M\xE9lodie \x80 \x93x\x94"},
        {"Mélodie \xCE\xA9", "Mélodie \xCE\xA9"},  // an omega: all of it stays UTF-8
        // Its Windows-1252 bytes would read as UTF-8, as "é": it stays UTF-8.
        {"Ã©", "\xC3\x83\xC2\xA9"},
    };
    for (const auto& w : writes) {
        EXPECT_EQ(WindowsFileFromSettingsText(w.text), w.bytes) << w.text;
        EXPECT_EQ(SettingsTextFromWindowsFile(w.bytes), w.text) << w.text;
    }
}

TEST(SettingsFile, OnlyTheExactWordEnglishGivesEnglish)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    for (const std::string word : {"French", "english", "ENGLISH", "English ", " English", "", "Anglais"}) {
        WriteFileBytes(path, File({word, "", "1000", "", "COM1", "", "1", "5"}));
        AppSettings settings;
        EXPECT_EQ(LoadSettings(settings, path), 1) << word;
        EXPECT_EQ(settings.LanguageIndex, 1) << word;
    }
}

TEST(SettingsFile, ValuesAreKeptAsReadAndWrittenBackUnchanged)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    WriteFileBytes(path, File({"English", "a.mid", "300", "b.seq", "COM7", "", "-1", "+0258"}));
    AppSettings settings;
    LoadSettings(settings, path);
    EXPECT_EQ(settings.ResolutionMs, 300);
    EXPECT_EQ(settings.ComPortName, "COM7");
    EXPECT_EQ(settings.MidiMode, 255);       // low 8 bits of -1
    EXPECT_EQ(settings.TransposeIndex, 2);   // low 8 bits of 258
    SaveSettings(settings, path);
    EXPECT_EQ(ReadFileBytes(path), File({"English", "a.mid", "300", "b.seq", "COM7", "", "255", "2"}));

    // Numbers are stored in 16 bits; the full signed 32-bit range converts.
    WriteFileBytes(path, File({"English", "", "65836", "", "COM1", "", "-2147483648", "2147483647"}));
    LoadSettings(settings, path);
    EXPECT_EQ(settings.ResolutionMs, 300);
    EXPECT_EQ(settings.MidiMode, 0);
    EXPECT_EQ(settings.TransposeIndex, 255);
}

TEST(SettingsFile, ANumericLineThatIsNoIntegerStopsTheReadingThere)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    for (const std::string bad : {"", "abc", " 1", "1 ", "1.0", "0x10", "$10", "+", "-", "+-1", "12a",
                                  "2147483648", "-2147483649", "99999999999999999999"}) {
        WriteFileBytes(path, File({"French", "x.mid", bad, "y.seq", "COM2", "", "2", "9"}));
        AppSettings settings;
        EXPECT_EQ(ErrorOf([&] { LoadSettings(settings, path); }), ConvertText(bad, path));
        EXPECT_EQ(settings.LanguageIndex, 1) << bad;
        EXPECT_EQ(settings.MidiFileName, "x.mid");
        EXPECT_EQ(settings.ResolutionMs, 1000);
        EXPECT_EQ(settings.SeqFileName, "");
    }
}

TEST(SettingsFile, AFileCutAfterLine13KeepsWhatWasReadAndIsWrittenWholeAgain)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    WriteFileBytes(path, File({"French", "x.mid", "500", "y.seq", "COM2", "Synth"}));
#ifndef _WIN32
    const auto openFiles = [] { return Entries("/proc/self/fd").size(); };
    const std::size_t before = openFiles();
#endif
    AppSettings settings;
    EXPECT_THROW(LoadSettings(settings, path), EConvertError);
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings, path); }), ConvertText("", path));
#ifndef _WIN32
    EXPECT_EQ(openFiles(), before);  // closed although the reading failed
#endif
    AppSettings expected;
    expected.LanguageIndex = 1;
    expected.MidiFileName = "x.mid";
    expected.ResolutionMs = 500;
    expected.SeqFileName = "y.seq";
    expected.ComPortName = "COM2";
    expected.MidiInPortName = "Synth";
    EXPECT_EQ(Saved(settings), Saved(expected));

    // (Windows would refuse to replace a file still open.)
    SaveSettings(settings, path);
    EXPECT_EQ(ReadFileBytes(path), File({"French", "x.mid", "500", "y.seq", "COM2", "Synth", "1", "5"}));
}

TEST(SettingsFile, LfOrCrLineEndsReadLikeCrLfAndLaterLinesAreIgnored)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    const std::vector<std::string> values = {"French", "m i d.mid", "100", "", "COM4", "Keys", "2", "3"};
    AppSettings expected;
    WriteFileBytes(path, File(values));
    LoadSettings(expected, path);
    ASSERT_EQ(expected.MidiInPortName, "Keys");

    std::string mixed = File(values, "\n");
    mixed.replace(mixed.find("\nCOM4\n"), 6, "\rCOM4\r\n");
    std::string unended = File(values);
    unended.resize(unended.size() - 2);
    for (const std::string& text : {File(values, "\n"), File(values, "\r"), mixed, unended,
                                    File(values) + "garbage\r\nnot a number\r\n", File(values) + "\x1A" + "junk"}) {
        WriteFileBytes(path, text);
        AppSettings settings;
        LoadSettings(settings, path);
        EXPECT_EQ(Saved(settings), Saved(expected));
        SaveSettings(settings, path);
        EXPECT_EQ(ReadFileBytes(path), File(values));
    }
}

TEST(SettingsFile, ACrLfSplitBetweenTwoReadsIsOneLineEnd)
{
    const std::string text = "a\r\nb\rc\nd\r\n\r\ne";
    for (const std::size_t chunk : {1, 2, 3, 4096}) {
        std::size_t at = 0;
        TTextLineReader reader([&](char* buf, std::size_t size) {
            const std::size_t n = std::min(size, text.size() - at);
            text.copy(buf, n, at);
            at += n;
            return n;
        }, chunk);
        std::string lines;
        for (int i = 0; i < 8; ++i)
            lines += reader.ReadLine() + "|";
        EXPECT_EQ(lines, "a|b|c|d||e|||") << chunk;
    }
}

TEST(SettingsFile, AnEndOfTextByteEndsTheTextAndLaterLinesReadEmpty)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    AppSettings settings;
    WriteFileBytes(path, File({"English", "", "1000", "", "COM1", "", "2", "7\x1A" "9"}));
    LoadSettings(settings, path);
    EXPECT_EQ(settings.TransposeIndex, 7);

    WriteFileBytes(path, File({"English", "", "1000", "", "COM1", "Syn\x1Ath", "2", "9"}));
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings, path); }), ConvertText("", path));
    EXPECT_EQ(settings.MidiInPortName, "Syn");
}

TEST(SettingsFile, InAFolderWithoutWriteAccessAWritableFileIsWrittenInPlaceAndANewOneIsRefused)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir tmp;
    const fs::path dir = tmp.Path() / "locked";
    fs::create_directory(dir);
    const std::string old = File({"French", "keep.mid", "250", "", "COM2", "", "2", "4"});
    WriteFileBytes((dir / SettingsFileName).string(), old);
    // The file itself stays writable: only the directory is locked, so no
    // file can be made beside it, and a missing one cannot be made at all.
    fs::permissions(dir / SettingsFileName, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec |
                                                                fs::perms::others_exec));
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    AppSettings english;
    english.MidiFileName = "new.mid";
    EXPECT_EQ(HoldsInChild([&] {
                  SaveSettings(english, dir / SettingsFileName);
                  return ReportsInOutError([&] {
                      AppSettings s;
                      LoadSettings(s, dir / "missing.cfg");
                  }, EACCES, dir / "missing.cfg");
              }, TChildOptions{.Unprivileged = true}),
              0);
    EXPECT_EQ(ReadFileBytes((dir / SettingsFileName).string()), FormatSettings(english));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{SettingsFileName});
#endif
}

TEST(SettingsFile, AFullDiskNeverDestroysThePreviousFile)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    const std::string old = File({"French", "keep.mid", "250", "", "COM2", "", "2", "4"});
    WriteFileBytes(path, old);
    // The disk "fills up" part-way through the new file.
    EXPECT_EQ(HoldsInChild([&] { return ReportsInOutError([&] { SaveSettings(AppSettings{}, path); }, EFBIG, path); },
                           TChildOptions{.FileSizeLimit = 40}),
              0);
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{SettingsFileName});
#endif
}

TEST(SettingsFile, AFailedReplaceNeverDestroysThePreviousFile)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    const std::string old = File({"French", "keep.mid", "250", "", "COM2", "", "2", "4"});
    WriteFileBytes(path, old);

    // The new file is complete but cannot take the place of a directory.
    fs::create_directories(dir.Path() / "taken.cfg" / "inside");
    EXPECT_EQ(ErrorOf([&] { SaveSettings(AppSettings{}, dir.Path() / "taken.cfg"); }),
              InOutText(EISDIR, dir.Path() / "taken.cfg"));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "taken.cfg" / "inside"));
    EXPECT_EQ(Entries(dir.Path()).size(), 2u);

    // A directory on the way is a file.
    const fs::path impossible = dir.Path() / SettingsFileName / SettingsFileName;
    const std::string notDir = InOutText(ThroughAFile, impossible);
    EXPECT_EQ(ErrorOf([&] { SaveSettings(AppSettings{}, impossible); }), notDir);
    AppSettings settings;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings, impossible); }), notDir);
    EXPECT_EQ(ReadFileBytes(path), old);
}

TEST(SettingsFile, AWriteProtectedFileIsRefused)
{
    TTempDir dir;
    const std::string old = File({"French", "keep.mid", "250", "", "COM2", "", "2", "4"});
    AppSettings english;
    english.MidiFileName = "new.mid";

    // Refused by its mode bits, root or not, as a direct write would be.
    const std::string locked = dir.File("locked.cfg");
    WriteFileBytes(locked, old);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(ErrorOf([&] { SaveSettings(english, locked); }), InOutText(EACCES, locked));
    EXPECT_EQ(ReadFileBytes(locked), old);
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
}

TEST(SettingsFile, ALinkedFileIsWrittenThroughItsLinkAndAFifoNeverWaitedOn)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs, and only a privileged user may make symbolic links there";
#else
    TTempDir dir;
    const std::string old = File({"French", "keep.mid", "250", "", "COM2", "", "2", "4"});
    AppSettings english;
    english.MidiFileName = "new.mid";

    // The link's target gets the settings, the link stays, and they read back.
    WriteFileBytes(dir.File("real.cfg"), old);
    fs::create_symlink("real.cfg", dir.File(SettingsFileName));
    SaveSettings(english, dir.File(SettingsFileName));
    EXPECT_TRUE(fs::is_symlink(dir.File(SettingsFileName)));
    EXPECT_EQ(ReadFileBytes(dir.File("real.cfg")), FormatSettings(english));
    AppSettings read;
    LoadSettings(read, dir.File(SettingsFileName));
    EXPECT_EQ(read.MidiFileName, "new.mid");

    // A FIFO in its place: refused at once, read or written, and left alone.
    MakeFifo(dir.File("fifo.cfg"));
    const std::string invalid = InOutText(EINVAL, dir.File("fifo.cfg"));
    EXPECT_EQ(ErrorOf([&] { LoadSettings(read, dir.File("fifo.cfg")); }), invalid);
    EXPECT_EQ(ErrorOf([&] { SaveSettings(english, dir.File("fifo.cfg")); }), invalid);
    EXPECT_EQ(fs::symlink_status(dir.File("fifo.cfg")).type(), fs::file_type::fifo);
    EXPECT_EQ(LeftoverTemporaryFiles(dir.Path().string()), 0);
#endif
}

// A file far larger, or with a far longer line, than any settings file is
// no settings file: reported, moved aside whole, and the settings start from
// their defaults; the next save writes a new file. Its bytes are never all
// read, whatever their size.
struct TBadSettings {
    const char* Name;
    std::function<void(const std::string& path)> Make;
    std::string Why;
};

class BadSettingsFile : public ::testing::TestWithParam<TBadSettings> {};

TEST_P(BadSettingsFile, IsReportedAndMovedAsideWhole)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    GetParam().Make(path);
    const std::uintmax_t size = fs::file_size(path);
    WriteFileBytes(path + ".bad", "an earlier one");

    AppSettings settings;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(settings, path); }),
              "The settings file " + path + " is no settings file: " + GetParam().Why + ".\nIt is kept as " + path +
                  ".bad-2; the settings start from their defaults.");
    EXPECT_EQ(Saved(settings), Saved(AppSettings{}));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path + ".bad-2"), size);
    EXPECT_EQ(ReadFileBytes(path + ".bad"), "an earlier one");
    SaveSettings(settings, path);
    EXPECT_EQ(ReadFileBytes(path), DefaultFile);
}

// A settings file whose MIDI file's name is bytes long.
std::string LineOf(std::size_t bytes)
{
    return File({"English", std::string(bytes, 'm'), "1000", "", "COM1", "", "1", "5"});
}

INSTANTIATE_TEST_SUITE_P(
    SettingsFile, BadSettingsFile,
    ::testing::Values(
        TBadSettings{"OneGigabyteOfZeros",
                     [](const std::string& path) {
                         WriteFileBytes(path, "");
                         fs::resize_file(path, std::uintmax_t{1} << 30);
                     },
                     "it is 1073741824 bytes long, and a settings file takes 1048576 at most"},
        TBadSettings{"OneByteTooMany",
                     [](const std::string& path) { WriteFileBytes(path, DefaultFile + std::string((1 << 20) + 1 - DefaultFile.size(), '\n')); },
                     "it is 1048577 bytes long, and a settings file takes 1048576 at most"},
        TBadSettings{"ALongLine", [](const std::string& path) { WriteFileBytes(path, LineOf((128 << 10) + 1)); },
                     "its line 5 is longer than the 131072 bytes a settings file's line takes at most"}),
    [](const auto& test) { return std::string(test.param.Name); });

TEST(SettingsFile, AFileAtTheBoundsIsASettingsFile)
{
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    WriteFileBytes(path, LineOf(128 << 10) + std::string((1 << 20) - LineOf(128 << 10).size(), '\n'));
    AppSettings settings;
    LoadSettings(settings, path);
    EXPECT_EQ(settings.MidiFileName, std::string(128 << 10, 'm'));
}

TEST(SettingsFile, ABadFileThatCannotBeMovedAsideIsNeverWrittenOver)
{
#ifdef _WIN32
    GTEST_SKIP() << PosixOnly;
#else
    TTempDir tmp;
    const fs::path dir = tmp.Path() / "locked";
    fs::create_directory(dir);
    const fs::path path = dir / SettingsFileName;
    const std::string bad = LineOf(200 << 10);
    WriteFileBytes(path.string(), bad);
    fs::permissions(path, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string why = "The settings file " + path.string() +
                            " is no settings file: its line 5 is longer than the 131072 bytes a settings file's line "
                            "takes at most.\nIt cannot be moved aside (Permission denied), so it stays as it is, ";
    EXPECT_EQ(HoldsInChild([&] {
                  AppSettings settings;
                  return ErrorOf([&] { LoadSettings(settings, path); }) == why + "and no settings are saved over it." &&
                         ErrorOf([&] { SaveSettings(settings, path); }) == why + "and the settings are not saved.";
              }, TChildOptions{.Unprivileged = true}),
              0);
    EXPECT_EQ(ReadFileBytes(path.string()), bad);
    EXPECT_EQ(Entries(dir), std::vector<std::string>{SettingsFileName});
#endif
}

TEST(SettingsFile, ReadingAnyFileTakesLittleMemory)
{
#ifdef _WIN32
    GTEST_SKIP() << "needs fork and a limit on the address space";
#else
    // One line of 50 MB took some 1.9 GB.
    TTempDir dir;
    const std::string path = dir.File(SettingsFileName);
    WriteFileBytes(path, LineOf(50 << 20));
    EXPECT_EQ(HoldsInChild([&] {
                  AppSettings settings;
                  return ErrorOf([&] { LoadSettings(settings, path); }).find("is no settings file") != std::string::npos;
              }, TChildOptions{.MoreMemory = std::uint64_t{16} << 20}),
              0);
#endif
}

TEST(SettingsFile, ThePathIsBesideTheExecutableWhateverTheWorkingDirectory)
{
    TTempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    const fs::path path = SettingsFilePath();
    fs::current_path(previous);
    EXPECT_EQ(path.filename(), SettingsFileName);
    EXPECT_TRUE(fs::is_regular_file(path.parent_path() / TestProgram));
}

TEST(SettingsLocation, TheUsersFolderFollowsTheXdgRulesOrAppData)
{
    using TEnv = std::map<std::string, std::string>;
    struct TCase {
        TEnv environment;
        fs::path expected;
    };
#ifdef _WIN32
    const std::vector<TCase> cases{
        {{{"APPDATA", "C:\\Users\\jo\\AppData\\Roaming"}}, "C:\\Users\\jo\\AppData\\Roaming\\TOREM bridge"},
        {{{"XDG_CONFIG_HOME", "C:\\cfg"}}, ""},
    };
#else
    const std::vector<TCase> cases{
        {{{"XDG_CONFIG_HOME", "/x/cfg"}, {"HOME", "/home/jo"}}, "/x/cfg/torem-bridge"},
        {{{"XDG_CONFIG_HOME", "/x/cfg"}}, "/x/cfg/torem-bridge"},
        {{{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/jo"}}, "/home/jo/.config/torem-bridge"},
        {{{"HOME", "/home/jo"}}, "/home/jo/.config/torem-bridge"},
        {{{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/jo"}}, "/home/jo/.config/torem-bridge"},  // relative: ignored
        {{{"APPDATA", "/appdata"}}, ""},
        {{}, ""},
    };
#endif
    for (const TCase& c : cases) {
        const auto lookup = [&](const char* name) {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? fs::path() : fs::path(found->second);
        };
        EXPECT_EQ(UserSettingsDirectory(lookup), c.expected) << c.expected;
    }
}

TEST(SettingsLocation, BesideTheExecutableWhenTheFileIsThereOrCanBeMadeThereElseInTheUsersFolder)
{
    TTempDir tmp;
    const fs::path program = tmp.Path() / "bin";
    const fs::path user = tmp.Path() / "home" / ".config" / "torem-bridge";
    fs::create_directory(program);
    const fs::path beside = program / SettingsFileName;
    const auto writable = [](const fs::path&) { return true; };
    const auto locked = [](const fs::path&) { return false; };

    EXPECT_EQ(ChooseSettingsFile(program, user, SettingsFileName, writable), beside);
    EXPECT_EQ(ChooseSettingsFile(program, {}, SettingsFileName, locked), beside) << "no user folder known";
    EXPECT_FALSE(fs::exists(tmp.Path() / "home"));

    EXPECT_EQ(ChooseSettingsFile(program, user, SettingsFileName, locked), user / SettingsFileName);
    EXPECT_TRUE(fs::is_directory(user)) << "made with its parents";
    EXPECT_TRUE(fs::is_empty(user));

    WriteFileBytes(beside.string(), DefaultFile);
    EXPECT_EQ(ChooseSettingsFile(program, user, SettingsFileName, locked), beside) << "the portable file wins";

    // The error names the file when its folder cannot be made, and says so.
    fs::remove(beside);
    WriteFileBytes((tmp.Path() / "file").string(), "");
    const fs::path impossible = tmp.Path() / "file" / "torem-bridge";
    const std::error_code notADirectory(ENOTDIR, std::generic_category());
    EXPECT_EQ(ErrorOf([&] { ChooseSettingsFile(program, impossible, SettingsFileName, locked); }),
              "Erreur E/S " + std::to_string(ENOTDIR) + "\n" + (impossible / SettingsFileName).string() +
                  ": its folder cannot be made: " + notADirectory.message());
}

TEST(SettingsLocation, TheSystemsProgramFoldersAreNoPlaceForSettings)
{
    // Root may write in /usr/bin; an installed program still keeps its
    // settings in the user's folder.
    TTempDir tmp;
    EXPECT_FALSE(IsSystemProgramFolder(tmp.Path()));
#ifdef _WIN32
    // An administrator may write under Program Files.
    const auto lookup = [](const char* name) {
        const std::string value = name == std::string("ProgramFiles")        ? "C:\\Program Files"
                                  : name == std::string("ProgramFiles(x86)") ? "C:\\Program Files (x86)\\"
                                                                             : "";
        return fs::path(value);
    };
    const std::vector<std::pair<std::string, bool>> cases{
        {"C:\\Program Files\\TOREM Bridge", true},       {"c:\\PROGRAM FILES\\torem bridge\\", true},
        {"C:\\Program Files (x86)\\TOREM Bridge", true}, {"C:\\Program Files", true},
        {"C:\\Program Files Extra\\TOREM Bridge", false}, {"D:\\Program Files\\TOREM Bridge", false},
        {"C:\\Users\\jo\\TOREM Bridge", false},         {"C:\\Program", false},
    };
    for (const auto& [folder, system] : cases)
        EXPECT_EQ(IsSystemProgramFolder(folder, lookup), system) << folder;
    EXPECT_FALSE(IsSystemProgramFolder("C:\\Program Files\\TOREM", [](const char*) { return fs::path(); }));
#else
    EXPECT_TRUE(IsSystemProgramFolder("/usr/bin"));
    EXPECT_TRUE(IsSystemProgramFolder("/usr/local/bin"));
    EXPECT_TRUE(IsSystemProgramFolder("/usr/bin/"));
    EXPECT_FALSE(IsSystemProgramFolder("/usr"));
#endif
}

TEST(SettingsLocation, AFolderIsWritableWhenAnEntryCanReallyBeMadeInIt)
{
    TTempDir tmp;
    EXPECT_TRUE(CanCreateIn(tmp.Path()));
    EXPECT_TRUE(fs::is_empty(tmp.Path())) << "the probe is removed";
    EXPECT_FALSE(CanCreateIn(tmp.Path() / "missing"));
    // Beneath a file nothing can be made, whoever asks (root too).
    WriteFileBytes(tmp.File("file"), "");
    EXPECT_FALSE(CanCreateIn(tmp.Path() / "file"));

#ifndef _WIN32
    // A read-only folder, for a user to whom the permissions apply.
    const fs::path locked = tmp.Path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(HoldsInChild([&] { return !CanCreateIn(locked); }, TChildOptions{.Unprivileged = true}), 0);
    EXPECT_TRUE(fs::is_empty(locked));
#endif
}

}  // namespace
