#pragma once
// What every program of the TOREM bridge answers on its command line, the
// same way: --help prints the usage on stdout and --version the program's
// name and version, both without doing anything else and ending with 0; a
// usage mistake is one line on stderr followed by a hint, ending with 2.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int ExitUsageError = 2;

// The arguments of the command line after the program's name, in UTF-8 on
// every system (on Windows read again from the wide command line).
std::vector<std::string> Utf8Arguments(int argc, const char* const* argv);

// Makes a Windows console show the program's UTF-8 output as the characters
// it means (file names, device names), and gives the console its code page
// back when the program ends; nothing elsewhere.
void ShowUtf8OnConsole();

// "torem-convert 1.0": the program's name and the project's version.
std::string VersionLine(std::string_view program);

// Whether an argument is an option: it begins with '-' (a lone "-" does
// not), or on Windows it is "/?", the help Windows programs answer.
bool IsOption(std::string_view argument);

// Answers "-h", "--help" (on Windows "/?" too) with the usage and
// "--version" on stdout and gives the exit code 0; gives nothing for any
// other argument.
std::optional<int> AnswerStandardOption(std::string_view argument, std::string_view program,
                                        std::string_view usage);

// Prints "program: message" and "Try 'program --help'." on stderr and gives
// ExitUsageError.
int UsageError(std::string_view program, std::string_view message);

// The whole command line of a program without options of its own: answers
// --help and --version, refuses any other option, and gives the other
// arguments ("--" ends the options) in operands. Gives the exit code when
// the program is to end at once. The operands are UTF-8 (Utf8Arguments).
std::optional<int> ReadOperands(int argc, const char* const* argv, std::string_view program,
                                std::string_view usage, std::vector<std::string>& operands);
