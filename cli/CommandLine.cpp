#include "CommandLine.h"

#include <iostream>

std::string VersionLine(std::string_view program)
{
    return std::string(program) + " " + TOREM_VERSION;
}

bool IsOption(std::string_view argument)
{
#ifdef _WIN32
    if (argument == "/?")
        return true;
#endif
    return argument.size() > 1 && argument[0] == '-';
}

std::optional<int> AnswerStandardOption(std::string_view argument, std::string_view program,
                                        std::string_view usage)
{
#ifdef _WIN32
    const bool windowsHelp = argument == "/?";
#else
    const bool windowsHelp = false;
#endif
    if (argument == "-h" || argument == "--help" || windowsHelp)
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

std::optional<int> ReadOperands(int argc, const char* const* argv, std::string_view program,
                                std::string_view usage, std::vector<std::string>& operands)
{
    bool options = true;
    for (const std::string& argument : Utf8Arguments(argc, argv)) {
        const std::string_view arg = argument;
        if (options && arg == "--") {
            options = false;
        } else if (options && IsOption(arg)) {
            if (const auto answered = AnswerStandardOption(arg, program, usage))
                return answered;
            return UsageError(program, "unknown option " + std::string(arg));
        } else {
            operands.emplace_back(arg);
        }
    }
    return std::nullopt;
}
