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

std::optional<int> ReadOperands(int argc, const char* const* argv, std::string_view program,
                                std::string_view usage, std::vector<std::string>& operands)
{
    bool options = true;
    for (const std::string& argument : Utf8Arguments(argc, argv)) {
        const std::string_view arg = argument;
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            if (const auto answered = AnswerStandardOption(arg, program, usage))
                return answered;
            return UsageError(program, "unknown option " + std::string(arg));
        } else {
            operands.emplace_back(arg);
        }
    }
    return std::nullopt;
}
