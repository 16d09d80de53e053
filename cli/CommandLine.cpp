#include "CommandLine.h"

#include <iostream>

std::string VersionLine(std::string_view program)
{
    return std::string(program) + " " + TOREM_VERSION;
}

std::optional<int> AnswerStandardOption(std::string_view argument, std::string_view program,
                                        std::string_view usage)
{
    if (argument == "-h" || argument == "--help")
        std::cout << usage;
    else if (argument == "--version")
        std::cout << VersionLine(program) << '\n';
    else
        return std::nullopt;
    std::cout.flush();
    if (!std::cout)
        return 1;  // nobody got the answer
    return 0;
}

int UsageError(std::string_view program, std::string_view message)
{
    std::cerr << program << ": " << message << "\nTry '" << program << " --help'.\n";
    return ExitUsageError;
}
