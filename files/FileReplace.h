#pragma once
// Writing an output file so that it is never left half written, and only
// where writing is sound: the new content goes to a fresh file beside the
// old one, reaches the disk, and only then takes the old one's place.
//
// The rules, the same for every file the programs write:
// - only a regular file, or a name that does not exist yet, is written; a
//   symbolic link is followed and its target written, the link staying a
//   link; a folder, device, FIFO or socket is refused and left alone;
// - a link in a sticky folder that others may write (/tmp) is followed only
//   when the process or the folder's owner owns it, as the kernel's
//   fs.protected_symlinks guard would have it;
// - nothing on a file system of the kernel's (proc, sysfs, cgroup...) is
//   written, though the kernel calls its attributes regular files;
// - a write-protected file is refused as a direct write would be, by its
//   mode bits, also for the superuser, whom the system lets through;
// - a file to keep (the input of a conversion) is refused as output under
//   any name that reaches it;
// - a replaced file keeps its permission bits, owner and group;
// - the temporary file has a short name of its own, so that any name the
//   system accepts can be written, and it goes on every failure and on the
//   signals that end a program at the user's request;
// - a writable file that no new copy can replace (its folder takes no new
//   file, or a copy could not be given its owner) is written in place, as a
//   direct write would be: its old bytes, read first, are put back after
//   any failure, and a file that cannot be read back, or of more than
//   64 MiB, is refused before it is touched.

#include <filesystem>
#include <string_view>

class TFileSystem;

// Whether anything goes by the name, a dangling symbolic link included:
// writing it replaces something, which needs the user's word.
bool OutputNameTaken(const std::filesystem::path& target);

// Refuses now what ReplaceFileContents would refuse later, so that a caller
// can say so before it does any work. Throws EFileRefused for a refusal,
// std::system_error when the name cannot be looked at.
void CheckOutputFile(const std::filesystem::path& target, const std::filesystem::path& keep = {});

// Makes target hold exactly bytes. keep, when given, names a file that must
// not be overwritten. On failure the previous target (if any) holds what it
// held, no temporary file is left behind, and EFileRefused or
// std::system_error carries the reason; but for a failure to sync the
// folder once the new file has taken the target's place, which is reported
// all the same, and for a file written in place whose old bytes could not
// be put back either, which EFileRefused tells.
void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         const std::filesystem::path& keep = {});
// The same on a file system of the caller's (a test's).
void ReplaceFileContents(TFileSystem& files, const std::filesystem::path& target, std::string_view bytes,
                         const std::filesystem::path& keep = {});

// Removes the temporary files of replacements in progress. Safe to call
// from a signal handler.
void RemovePendingTemporaryFiles() noexcept;

// Makes SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE (on Windows Ctrl+C)
// remove the temporary files of replacements in progress before the process
// ends as the signal would end it. For the command-line programs.
void RemoveTemporaryFilesOnInterrupt();
