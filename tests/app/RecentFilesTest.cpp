// The list of recent MIDI files beside the settings file.

#include <gtest/gtest.h>

#include <fstream>

#include "RecentFiles.h"
#include "SettingsErrors.h"
#include "TempDir.h"
#include "Utf8.h"

namespace {

using TNames = std::vector<std::string>;

TEST(RecentFiles, TheLatestComesFirstOnceAndOnlyTheLastSixAreKept)
{
    TNames names;
    for (const char* name : {"a", "b", "c", "b", "d", "e", "f", "g"})
        AddRecentFile(names, name);
    EXPECT_EQ(names, (TNames{"g", "f", "e", "d", "b", "c"}));
    EXPECT_EQ(RecentFilesPath(PathFromUtf8("/cfg/TOREMMidiToSeqBridge.cfg")),
              PathFromUtf8("/cfg/TOREMMidiToSeqBridge.recent"));
}

TEST(RecentFiles, ReadsWhatItWritesAndOnlyWhatLooksLikeItsList)
{
    TTempDir dir;
    const auto file = PathFromUtf8(dir.File(RecentFilesName));
    EXPECT_EQ(LoadRecentFiles(file), TNames{}) << "no file yet";
    const TNames names{"/m/\xC3\xA9t\xC3\xA9.mid", "C:\\music\\song.mid"};
    SaveRecentFiles(names, file);
    EXPECT_EQ(LoadRecentFiles(file), names);

    const auto read = [&](const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
        return LoadRecentFiles(file);
    };
    EXPECT_EQ(read("a\n\nb\r\na\nc"), (TNames{"a", "b", "c"})) << "LF or CR LF, empty lines and repeats skipped";
    EXPECT_EQ(read("1\n2\n3\n4\n5\n6\n7\n"), (TNames{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(read("a\n" + std::string(RecentFilesMaxBytes, 'x')), TNames{"a"}) << "no line cut by the bound";

    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    EXPECT_THROW(LoadRecentFiles(file), EInOutError);
    EXPECT_THROW(SaveRecentFiles(names, file), EInOutError);
}

}  // namespace
