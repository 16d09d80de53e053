#pragma once
// The picture of a sequence as an SVG document.

#include <string>

#include "SeqPicture.h"

// A standalone SVG document (UTF-8) of the picture. Each bar carries its
// BarText as a title, which viewers show on hover.
std::string SequenceSvg(const TSeqPicture& picture);
