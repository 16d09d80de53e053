#pragma once
// The window's pictures, drawn by the program at the sizes the window gives
// them: banner, panel icons, button glyphs, the two looks of a selection
// picture and the About box logo. Transparent where nothing is drawn. The
// program's icon is drawn from its SVG at build time. Each picture is drawn
// for a scale (1 is 100%): scale times as many pixels each way, the same
// picture.

#include <QIcon>
#include <QPixmap>

#include "WindowDescription.h"

namespace Artwork {

enum class TGlyph {
    OpenMidiFile,   // SpeedButton3
    ChooseSeqFile,  // SpeedButton1
    Convert,        // SpeedButton2
    ComPort,        // SpeedButton4
    MidiInPort,     // SpeedButton5
    Transpose,      // SpeedButton6
};

QPixmap Banner(qreal scale = 1);          // 208 x 40, the tool bar's picture
QPixmap ConverterIcon(qreal scale = 1);   // 34 x 34, Image9
QPixmap BridgeIcon(qreal scale = 1);      // 34 x 34, Image11
QPixmap ButtonGlyph(TGlyph glyph, qreal scale = 1);  // 32 x 32
QPixmap SelectedLook(qreal scale = 1);    // 32 x 32, Image6
QPixmap NotSelectedLook(qreal scale = 1); // 32 x 32, Image7
QPixmap AboutLogo(qreal scale = 1);       // 128 x 54
QIcon ApplicationIcon();   // every size the build drew, for the windows

// The picture the window's description names; null for None.
QPixmap Picture(TArtwork artwork, qreal scale = 1);

}  // namespace Artwork
