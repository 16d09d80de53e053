// On Windows a replaced file keeps its Hidden and System marks as it keeps
// its permissions elsewhere, a read-only one is refused and left as it is,
// and a file another program holds open is refused in words that say so,
// whether it is to be written or read.

#include <gtest/gtest.h>

#include <windows.h>

#include "FileKind.h"
#include "FileReplace.h"
#include "InputFile.h"
#include "TempDir.h"
#include "Utf8.h"

namespace {

DWORD Marks(const std::string& path)
{
    return GetFileAttributesW(PathFromUtf8(path).c_str()) &
           (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
}

TEST(WindowsFiles, AReplacedFileKeepsItsMarksAndAReadOnlyOneIsRefused)
{
    struct TCase {
        DWORD Marks;
        const char* Refusal;  // none: replaced
    };
    const TCase cases[] = {
        {FILE_ATTRIBUTE_HIDDEN, nullptr},
        {FILE_ATTRIBUTE_SYSTEM, nullptr},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, "it is write-protected"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Marks);
        TTempDir dir;
        const std::string file = dir.File("show.seq");
        WriteFileBytes(file, "old");
        ASSERT_TRUE(SetFileAttributesW(PathFromUtf8(file).c_str(), c.Marks));
        try {
            ReplaceFileContents(PathFromUtf8(file), "new");
            EXPECT_EQ(c.Refusal, nullptr) << "replaced";
        } catch (const EFileRefused& e) {
            EXPECT_STREQ(e.what(), c.Refusal);
        }
        EXPECT_EQ(ReadFileBytes(file), c.Refusal != nullptr ? "old" : "new");
        EXPECT_EQ(Marks(file), c.Marks);
        SetFileAttributesW(PathFromUtf8(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(WindowsFiles, AFileOpenInAnotherProgramIsRefusedInWordsThatSaySo)
{
    TTempDir dir;
    const std::string file = dir.File("show.seq");
    WriteFileBytes(file, "old");
    // As a program that shares the file with nobody holds it.
    HANDLE held = CreateFileW(PathFromUtf8(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_THROW(
        {
            try {
                ReplaceFileContents(PathFromUtf8(file), "new");
            } catch (const EFileRefused& e) {
                EXPECT_STREQ(e.what(), "it is open in another program");
                throw;
            }
        },
        EFileRefused);
    EXPECT_THROW(
        {
            try {
                OpenInputFile(PathFromUtf8(file));
            } catch (const EFileRefused& e) {
                EXPECT_STREQ(e.what(), "it is open in another program");
                throw;
            }
        },
        EFileRefused);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(file), "old");
    ReplaceFileContents(PathFromUtf8(file), "new");
    EXPECT_EQ(ReadFileBytes(file), "new");
}

}  // namespace
