#pragma once
// The window's pictures, drawn at build time by torem-artwork (the Qt
// face's drawings) and compiled in as 32-bit bitmaps with premultiplied
// alpha at 100% and 200%; each is drawn from the one nearest above the
// screen's scale.

#include <windows.h>

#include "Win32Ui.h"
#include "WindowDescription.h"

// The picture's size at the scale.
SIZE ArtworkSize(TArtwork artwork, const TScale& scale);

// Draws the picture into the rectangle (the picture's size at the scale),
// transparent where the picture is; alpha below 255 fades all of it (a
// disabled button's glyph).
void DrawArtwork(HDC dc, TArtwork artwork, const RECT& into, const TScale& scale, BYTE alpha = 255);
