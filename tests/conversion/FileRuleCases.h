#pragma once
// The names a careless or hostile user may give the conversion, as input
// or as output, checked the same way through the Convert command and
// through torem-convert. Each is made in the test's folder beside the MIDI
// file "song.mid" (which must exist), the conversion is run on it, and
// what it reports and what it leaves are checked.

#include <functional>
#include <string>

#include "TempDir.h"

// Runs the conversion of song.mid into output, replacing an existing
// output only when replace is true. Returns the error or warning reported,
// empty when the image was written.
using TConvertTo = std::function<std::string(const std::string& output, bool replace)>;

// Folders, the MIDI file itself under other names, a write-protected file,
// and except on Windows FIFOs, sockets, devices, links to them and a kernel attribute: each
// refused with its reason, untouched, and no temporary file left.
void ExpectBadOutputsRefused(const TTempDir& dir, const TConvertTo& convert);

// A name outside the system's code page; except on Windows, also a link to
// a file (its target written, the link kept), a dangling link (an existing
// name: replaced only when told), a name of 255 bytes, and a replaced file
// keeping its mode and owner.
void ExpectCarefulWrites(const TTempDir& dir, const TConvertTo& convert);

// Runs the conversion of input into a new output. Returns the error or
// warning reported, empty when the image was written.
using TConvertFrom = std::function<std::string(const std::string& input)>;

// Empty, text and zero-filled files, a file that does not begin with a
// header chunk, one beyond 32 MiB, a folder, and except on Windows FIFOs,
// devices, a loop of links and a file of the kernel's (refused at once):
// each refused with its reason, naming the file, and nothing written.
void ExpectBadInputsRefused(const TTempDir& dir, const TConvertFrom& convert);
