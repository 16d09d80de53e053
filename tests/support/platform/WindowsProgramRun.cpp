#include "ProgramRun.h"

#include <windows.h>

#include <stdexcept>

namespace {

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return {};
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
    if (size <= 0)
        throw std::invalid_argument("not UTF-8: " + text);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// One argument as CommandLineToArgvW and the C run-time read it back:
// quoted, with the backslashes before a quote (or the closing quote) doubled.
void AppendArgument(std::wstring& line, const std::wstring& argument)
{
    if (!line.empty())
        line += L' ';
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD creation)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE file = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path.string() + " for a program's output");
    return file;
}

// The C run-time writes a program's lines with CR LF in text mode; the tests
// compare them as written on POSIX systems.
std::string WithLfLineEnds(std::string text)
{
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos)
        text.erase(at, 1);
    return text;
}

}  // namespace

TRunningProgram::TRunningProgram(const std::filesystem::path& program, const TProgramOptions& options)
{
    if (options.Unprivileged || options.EndSignalsBlocked)
        throw std::logic_error("TRunningProgram: no other user and no signals on Windows");

    std::wstring commandLine;
    AppendArgument(commandLine, program.wstring());
    for (const std::string& argument : options.Arguments)
        AppendArgument(commandLine, Wide(argument));

    // "NAME=value\0" for each entry, and one more "\0" at the end.
    std::wstring environment;
    if (options.Environment) {
        for (const std::string& entry : *options.Environment)
            environment += Wide(entry) + L'\0';
        environment += L'\0';
        if (options.Environment->empty())
            environment += L'\0';
    }

    const HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    const HANDLE out = InheritableFile(output_.Path() / "out", GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = InheritableFile(output_.Path() / "err", GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    const std::wstring workingDirectory = options.WorkingDirectory.wstring();
    const BOOL started = CreateProcessW(
        program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
        CREATE_UNICODE_ENVIRONMENT, options.Environment ? environment.data() : nullptr,
        workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup, &info);
    const DWORD error = GetLastError();
    CloseHandle(in);
    CloseHandle(out);
    CloseHandle(err);
    if (!started)
        throw std::runtime_error("cannot start " + program.string() + ": error " + std::to_string(error));
    CloseHandle(info.hThread);
    process_ = reinterpret_cast<std::intptr_t>(info.hProcess);
}

TRunningProgram::~TRunningProgram()
{
    if (process_ != -1) {
        const auto process = reinterpret_cast<HANDLE>(process_);
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
}

void TRunningProgram::Signal(int)
{
    throw std::logic_error("TRunningProgram::Signal: no signals on Windows");
}

TProgramResult TRunningProgram::Wait()
{
    const auto process = reinterpret_cast<HANDLE>(process_);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    process_ = -1;
    TProgramResult result;
    result.ExitCode = static_cast<int>(code);
    result.Out = WithLfLineEnds(ReadFileBytes(output_.File("out")));
    result.Err = WithLfLineEnds(ReadFileBytes(output_.File("err")));
    return result;
}
