#pragma once
// The window's pictures, drawn by the program at the sizes the window gives
// them: banner, panel icons, button glyphs, the two looks of a selection
// picture and the About box logo. Transparent where nothing is drawn. The
// program's icon is drawn from its SVG at build time.

#include <QIcon>
#include <QPixmap>

namespace Artwork {

enum class TGlyph {
    OpenMidiFile,   // SpeedButton3
    ChooseSeqFile,  // SpeedButton1
    Convert,        // SpeedButton2
    ComPort,        // SpeedButton4
    MidiInPort,     // SpeedButton5
    Transpose,      // SpeedButton6
};

QPixmap Banner();          // 208 x 40, the tool bar's picture
QPixmap ConverterIcon();   // 34 x 34, Image9
QPixmap BridgeIcon();      // 34 x 34, Image11
QPixmap ButtonGlyph(TGlyph glyph);  // 32 x 32
QPixmap SelectedLook();    // 32 x 32, Image6
QPixmap NotSelectedLook(); // 32 x 32, Image7
QPixmap AboutLogo();       // 128 x 54
QIcon ApplicationIcon();   // every size the build drew, for the windows

}  // namespace Artwork
