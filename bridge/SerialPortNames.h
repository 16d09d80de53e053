#pragma once
// The system's serial ports as the menus and torem-live list them: in the
// order a person expects ("/dev/ttyS2" before "/dev/ttyS10", "COM3" before
// "COM12"), each once.

#include <string>
#include <vector>

// Runs of digits compare by value, everything else byte by byte.
bool NaturalLess(const std::string& a, const std::string& b);

// Sorts names with NaturalLess and drops repeats.
void SortPortNames(std::vector<std::string>& names);
