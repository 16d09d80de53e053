// A console program under a console of its own (the test runs under a
// pseudo-terminal, which gives wine's programs one) gives the console its
// code page back when it ends: the Command Prompt would show the next
// programs' texts in UTF-8 otherwise.

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

struct TProgram {
    std::string Name;
    std::filesystem::path Path;
};

const std::vector<TProgram> Programs{
#include "Programs.inc"
};

TEST(ConsolePrograms, LeaveTheConsolesCodePageAsTheyFoundIt)
{
    if (GetConsoleOutputCP() == 0)
        GTEST_SKIP() << "no console: run under a pseudo-terminal";
    for (const TProgram& program : Programs) {
        if (program.Name == "torem-bridge")
            continue;  // a window, no console
        SCOPED_TRACE(program.Name);
        for (const UINT codePage : {850u, 1252u}) {
            ASSERT_TRUE(SetConsoleOutputCP(codePage));
            TProgramOptions options;
            options.Arguments = {"--version"};
            const TProgramResult run = RunProgram(program.Path, options);
            EXPECT_EQ(run.ExitCode, 0) << run.Err;
            EXPECT_EQ(GetConsoleOutputCP(), codePage);
        }
    }
}

}  // namespace
