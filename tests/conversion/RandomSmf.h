#pragma once
// Random MIDI files for the tests that compare ways of converting.

#include <random>
#include <string>

// A file of random events of every kind over a few tracks: notes on
// channels 1 to 3 with few note numbers, note-offs of both kinds, running
// status, tempo changes, program changes, times from ticks to long gaps.
std::string RandomSmf(std::mt19937& random);
