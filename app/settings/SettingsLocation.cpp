#include "SettingsLocation.h"

#include <cstdlib>
#include <cwctype>
#include <random>
#include <string>
#include <system_error>

#include "SettingsErrors.h"

namespace fs = std::filesystem;

fs::path SystemEnvironment(const char* name)
{
#ifdef _WIN32
    // The wide environment: a folder name outside the ANSI code page survives.
    std::wstring wideName;
    for (const char* c = name; *c != '\0'; ++c)
        wideName += static_cast<wchar_t>(*c);
    const wchar_t* value = _wgetenv(wideName.c_str());
#else
    const char* value = std::getenv(name);
#endif
    return value != nullptr ? fs::path(value) : fs::path();
}

fs::path UserSettingsDirectory(const TEnvironmentLookup& environment)
{
#ifdef _WIN32
    const fs::path appData = environment("APPDATA");
    return appData.empty() ? fs::path() : appData / "TOREM bridge";
#else
    // A relative XDG_CONFIG_HOME is to be ignored, as the XDG base directory
    // rules say: it would depend on the working directory.
    const fs::path xdg = environment("XDG_CONFIG_HOME");
    if (xdg.is_absolute())
        return xdg / "torem-bridge";
    const fs::path home = environment("HOME");
    return home.empty() ? fs::path() : home / ".config" / "torem-bridge";
#endif
}

bool CanCreateIn(const fs::path& directory)
{
    std::random_device random;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const fs::path probe = directory / (".torem-bridge-probe-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(probe, error)) {
            fs::remove(probe, error);
            return true;
        }
        if (error)
            return false;
        // The name was taken already: try another one.
    }
    return false;
}

#ifdef _WIN32
namespace {

// Whether path is root or lies beneath it, as Windows compares names: letter
// case aside.
bool IsWithin(const fs::path& path, const fs::path& root)
{
    const auto folded = [](fs::path p) {
        p = p.lexically_normal();
        if (p.has_parent_path() && p.filename().empty())
            p = p.parent_path();  // a trailing separator
        std::wstring text = p.wstring();
        for (wchar_t& c : text)
            c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
        return fs::path(text);
    };
    const fs::path inner = folded(path);
    const fs::path outer = folded(root);
    auto i = inner.begin();
    for (const fs::path& part : outer) {
        if (i == inner.end() || *i != part)
            return false;
        ++i;
    }
    return true;
}

}  // namespace
#endif

bool IsSystemProgramFolder(const fs::path& directory, const TEnvironmentLookup& environment)
{
#ifdef _WIN32
    // Programs installed for every user live under Program Files, where an
    // administrator may write too.
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const fs::path folder = environment(name);
        if (!folder.empty() && IsWithin(directory, folder))
            return true;
    }
    return false;
#else
    (void)environment;
    std::error_code error;
    const fs::path folder = fs::weakly_canonical(directory, error);
    if (error)
        return false;
    for (const char* system : {TOREM_INSTALL_BINDIR, "/usr/bin", "/usr/local/bin", "/bin"}) {
        const fs::path known = fs::weakly_canonical(system, error);
        if (!error && known == folder)
            return true;
    }
    return false;
#endif
}

fs::path ChooseSettingsFile(const fs::path& executableDirectory, const fs::path& userDirectory,
                            const fs::path& fileName, const std::function<bool(const fs::path&)>& canCreateIn)
{
    const fs::path beside = executableDirectory / fileName;
    std::error_code error;
    if (fs::exists(beside, error) || canCreateIn(executableDirectory) || userDirectory.empty())
        return beside;
    fs::create_directories(userDirectory, error);
    if (error)
        throw EInOutError(error, userDirectory / fileName, "its folder cannot be made");
    return userDirectory / fileName;
}
