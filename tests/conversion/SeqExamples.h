#pragma once
// Sequence images and their CSV, for the tests of the viewer and of torem-seq.

#include <string>
#include <vector>

#include "UsefullMidiEventClasse.h"

// The image of the worked example: 500 ms, output 10 on from 0 to 1500 ms.
std::string WorkedExampleImage();

// The sorted changes as torem-seq --csv lists them.
std::string CsvOf(const std::vector<TContactorEvent>& changes);
