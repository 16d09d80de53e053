#pragma once
// Where the settings file lives. Beside the executable when it is there
// already or when the executable's folder can be written, so that a copy of
// the program carried around keeps its settings with it; otherwise in the
// user's own settings folder, as for a program installed in a system folder.

#include <filesystem>
#include <functional>

// The value of an environment variable; empty when it is unset.
using TEnvironmentLookup = std::function<std::filesystem::path(const char* name)>;

// The environment of this process.
std::filesystem::path SystemEnvironment(const char* name);

// The user's folder for the program's settings: $XDG_CONFIG_HOME/torem-bridge,
// or $HOME/.config/torem-bridge when XDG_CONFIG_HOME is unset, empty or not
// absolute; on Windows %APPDATA%\TOREM bridge. Empty when none is known.
std::filesystem::path UserSettingsDirectory(const TEnvironmentLookup& environment);

// Whether a new entry can be made in directory, found out by making one:
// permission bits say nothing for root, ACLs or a read-only file system.
bool CanCreateIn(const std::filesystem::path& directory);

// Whether directory is where installed programs live (/usr/bin, /usr/local/bin,
// the folder of the install rules; on Windows anywhere under Program Files):
// no place for a settings file, even for root or an administrator, who may
// write there.
bool IsSystemProgramFolder(const std::filesystem::path& directory,
                           const TEnvironmentLookup& environment = SystemEnvironment);

// The settings file: fileName in executableDirectory when it exists there or
// when canCreateIn(executableDirectory); otherwise fileName in userDirectory,
// which is created with its parents. Without a user folder the executable's
// folder is kept, and the failure to write there tells the user why. Throws
// EInOutError naming the settings file there when its folder cannot be
// created.
std::filesystem::path ChooseSettingsFile(
    const std::filesystem::path& executableDirectory, const std::filesystem::path& userDirectory,
    const std::filesystem::path& fileName,
    const std::function<bool(const std::filesystem::path&)>& canCreateIn = CanCreateIn);
