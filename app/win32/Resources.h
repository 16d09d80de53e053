#pragma once
// The numbers of the resources compiled into torem-bridge.exe, for the
// resource script and the program alike.

// The program's icon: the lowest number, which Windows shows for the file.
#define PROGRAM_ICON 1
// Picture n of the description (its number in TArtwork) drawn at scale s
// (1 or 2 times 100%), written by torem-artwork.
#define ARTWORK_RESOURCE(n, s) (1000 + 10 * (n) + (s))
