#include "Win32Artwork.h"

#include <map>
#include <utility>

#include "Resources.h"

namespace {

// Loaded once, kept for the life of the program.
HBITMAP Bitmap(TArtwork artwork, int scale)
{
    static std::map<std::pair<TArtwork, int>, HBITMAP> loaded;
    HBITMAP& bitmap = loaded[{artwork, scale}];
    if (bitmap == nullptr)
        bitmap = static_cast<HBITMAP>(LoadImageW(ProgramInstance(),
                                                 MAKEINTRESOURCEW(ARTWORK_RESOURCE(static_cast<int>(artwork), scale)),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return bitmap;
}

BITMAP SizeOf(HBITMAP bitmap)
{
    BITMAP size{};
    if (bitmap != nullptr)
        GetObjectW(bitmap, sizeof size, &size);
    return size;
}

}  // namespace

SIZE ArtworkSize(TArtwork artwork, const TScale& scale)
{
    if (artwork == TArtwork::None)
        return {0, 0};
    const BITMAP size = SizeOf(Bitmap(artwork, 1));
    return {scale(size.bmWidth), scale(size.bmHeight)};
}

void DrawArtwork(HDC dc, TArtwork artwork, const RECT& into, const TScale& scale, BYTE alpha)
{
    if (artwork == TArtwork::None)
        return;
    HBITMAP bitmap = Bitmap(artwork, scale.Dpi > USER_DEFAULT_SCREEN_DPI ? 2 : 1);
    if (bitmap == nullptr)
        return;
    const BITMAP size = SizeOf(bitmap);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    SetStretchBltMode(dc, HALFTONE);
    AlphaBlend(dc, into.left, into.top, into.right - into.left, into.bottom - into.top, source, 0, 0, size.bmWidth,
               size.bmHeight, blend);
    SelectObject(source, old);
    DeleteDC(source);
}
