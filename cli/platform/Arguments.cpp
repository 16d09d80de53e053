#include "CommandLine.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "Utf8.h"
#endif

std::vector<std::string> Utf8Arguments(int argc, const char* const* argv)
{
    std::vector<std::string> arguments;
#ifdef _WIN32
    // The narrow argv went through the ANSI code page, which loses every
    // character outside it: the wide command line keeps them all.
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 1; i < count; ++i)
            arguments.push_back(Utf8FromWide(wide[i]));
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
#endif
    return arguments;
}

void ShowUtf8OnConsole()
{
#ifdef _WIN32
    // The code page belongs to the console, which outlives the program: the
    // Command Prompt would show its next programs' texts in UTF-8.
    static const UINT before = GetConsoleOutputCP();
    if (before != 0 && before != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { SetConsoleOutputCP(before); });
#endif
}
