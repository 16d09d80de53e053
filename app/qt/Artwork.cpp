#include "Artwork.h"

#include <cmath>

#include <QtMath>

#include <QDir>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace Artwork {
namespace {

const QColor Ink(40, 44, 52);
const QColor Navy(24, 54, 104);
const QColor Teal(0, 128, 128);
const QColor Amber(232, 160, 32);
const QColor Paper(250, 250, 246);

// A picture of width by height pixels at 100% scale, drawn with scale
// times as many pixels each way; the painter draws in the pixels at 100%.
QPixmap Blank(int width, int height, qreal scale)
{
    QPixmap pixmap(qCeil(width * scale), qCeil(height * scale));
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QFont LogoFont(int pixelSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The maker's mark: "TOREM" over a row of output lamps at various levels.
void DrawMark(QPainter& p, const QRect& area, int letterSize)
{
    p.setPen(Paper);
    p.setFont(LogoFont(letterSize, true));
    p.drawText(area, Qt::AlignLeft | Qt::AlignTop, QStringLiteral("TOREM"));
    const int levels[] = {255, 64, 192, 0, 128, 255, 32, 160};
    const int lampTop = area.top() + letterSize + 3;
    for (int i = 0; i < 8; ++i) {
        const QRect lamp(area.left() + i * 9, lampTop, 7, 5);
        p.fillRect(lamp, QColor(255, 140 + levels[i] * 115 / 255, 40, 70 + levels[i] * 185 / 255));
    }
}

void DrawNote(QPainter& p, QPointF head, double scale, const QColor& colour)
{
    p.setPen(QPen(colour, 1.6 * scale));
    p.setBrush(colour);
    p.save();
    p.translate(head);
    p.rotate(-20);
    p.drawEllipse(QPointF(0, 0), 3.4 * scale, 2.4 * scale);
    p.restore();
    p.drawLine(head + QPointF(3.0 * scale, -0.8 * scale), head + QPointF(3.0 * scale, -11.0 * scale));
    p.drawLine(head + QPointF(3.0 * scale, -11.0 * scale), head + QPointF(6.5 * scale, -8.0 * scale));
}

void DrawDocument(QPainter& p, const QRectF& r, const QColor& edge)
{
    QPainterPath page;
    const double fold = r.width() * 0.3;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(edge, 1.2));
    p.setBrush(Paper);
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, double width)
{
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QLineF line(to, from);
    QLineF wing1 = line;
    wing1.setLength(width * 2.6);
    wing1.setAngle(line.angle() + 35);
    QLineF wing2 = line;
    wing2.setLength(width * 2.6);
    wing2.setAngle(line.angle() - 35);
    p.drawLine(wing1);
    p.drawLine(wing2);
}

// A round plug face with its pins: the MIDI socket (five pins in an arc) or
// a serial connector (a trapezoid with two rows).
void DrawMidiSocket(QPainter& p, QPointF centre, double radius)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(70, 74, 84));
    p.drawEllipse(centre, radius, radius);
    p.setBrush(QColor(220, 220, 214));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        const double angle = (180.0 + 45.0 * i) * 3.14159265 / 180.0;
        p.drawEllipse(centre + QPointF(std::cos(angle) * radius * 0.6, std::sin(angle) * radius * 0.6), 1.5, 1.5);
    }
    p.setBrush(Amber);
    p.drawRect(QRectF(centre.x() - 1.5, centre.y() + radius - 3.0, 3.0, 3.0));
}

void DrawSerialPlug(QPainter& p, const QRectF& r)
{
    QPainterPath shell;
    const double slant = r.width() * 0.12;
    shell.moveTo(r.topLeft());
    shell.lineTo(r.topRight());
    shell.lineTo(r.right() - slant, r.bottom());
    shell.lineTo(r.left() + slant, r.bottom());
    shell.closeSubpath();
    p.setPen(QPen(Ink, 1.4));
    p.setBrush(QColor(176, 182, 190));
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    const double step = (r.width() - 2 * slant) / 5.0;
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(r.left() + slant + step * (i + 0.5), r.top() + r.height() * 0.33), 1.2, 1.2);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(r.left() + slant + step * (i + 1.0), r.top() + r.height() * 0.7), 1.2, 1.2);
}

QPixmap PanelIcon(const QColor& top, const QColor& bottom, void (*drawSymbol)(QPainter&), qreal scale)
{
    QPixmap pixmap = Blank(34, 34, scale);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, 34);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(Ink, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(1.5, 1.5, 31, 31), 6, 6);
    drawSymbol(p);
    return pixmap;
}

QPixmap Look(bool selected, qreal scale)
{
    QPixmap pixmap = Blank(32, 32, scale);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Centred on the label band the picture stands on (rows 10 to 24).
    const QPointF centre(16, 17);
    p.setPen(QPen(QColor(96, 96, 96), 1.2));
    p.setBrush(QColor(245, 245, 240));
    p.drawEllipse(centre, 7.5, 7.5);
    if (selected) {
        QRadialGradient lamp(centre + QPointF(-1.5, -1.5), 6);
        lamp.setColorAt(0, QColor(140, 255, 140));
        lamp.setColorAt(1, QColor(0, 140, 40));
        p.setPen(Qt::NoPen);
        p.setBrush(lamp);
        p.drawEllipse(centre, 5.0, 5.0);
    } else {
        p.setPen(QPen(QColor(170, 170, 170), 1));
        p.setBrush(QColor(214, 214, 210));
        p.drawEllipse(centre, 4.0, 4.0);
    }
    return pixmap;
}

}  // namespace

QPixmap Banner(qreal scale)
{
    QPixmap pixmap = Blank(208, 40, scale);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 208, 0);
    fill.setColorAt(0, Navy);
    fill.setColorAt(1, Teal);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0, 0, 208, 40), 4, 4);
    DrawMark(p, QRect(8, 4, 80, 32), 17);
    p.setPen(Paper);
    p.setFont(LogoFont(10, false));
    p.drawText(QRect(88, 5, 116, 15), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Midi To Sequence"));
    p.drawText(QRect(88, 20, 116, 15), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Bridge"));
    DrawNote(p, QPointF(186, 31), 1.0, Amber);
    return pixmap;
}

QPixmap ConverterIcon(qreal scale)
{
    return PanelIcon(QColor(92, 140, 210), Navy, [](QPainter& p) {
        DrawDocument(p, QRectF(7, 6, 15, 20), Ink);
        DrawNote(p, QPointF(12, 21), 0.75, Navy);
        DrawArrow(p, QPointF(20, 22), QPointF(29, 22), Amber, 2.0);
    }, scale);
}

QPixmap BridgeIcon(qreal scale)
{
    return PanelIcon(QColor(70, 190, 170), Teal, [](QPainter& p) {
        p.setPen(QPen(Paper, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        // A bridge arc over two piers, with a wave running through it.
        p.drawArc(QRectF(6, 9, 22, 20), 0, 180 * 16);
        p.drawLine(QPointF(6, 19), QPointF(6, 27));
        p.drawLine(QPointF(28, 19), QPointF(28, 27));
        QPainterPath wave;
        wave.moveTo(4, 24);
        wave.cubicTo(10, 18, 14, 30, 20, 24);
        wave.cubicTo(24, 20, 27, 26, 30, 23);
        p.setPen(QPen(Amber, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(wave);
    }, scale);
}

QPixmap ButtonGlyph(TGlyph glyph, qreal scale)
{
    QPixmap pixmap = Blank(32, 32, scale);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case TGlyph::OpenMidiFile: {
        // An open folder with a note on it.
        QPainterPath back;
        back.moveTo(4, 9);
        back.lineTo(12, 9);
        back.lineTo(14, 11);
        back.lineTo(26, 11);
        back.lineTo(26, 25);
        back.lineTo(4, 25);
        back.closeSubpath();
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(214, 160, 40));
        p.drawPath(back);
        QPainterPath front;
        front.moveTo(4, 25);
        front.lineTo(8, 15);
        front.lineTo(30, 15);
        front.lineTo(26, 25);
        front.closeSubpath();
        p.setBrush(QColor(246, 200, 80));
        p.drawPath(front);
        DrawNote(p, QPointF(16, 22), 0.7, Navy);
        break;
    }
    case TGlyph::ChooseSeqFile: {
        // A sequence file: a page of output levels, with a pen.
        DrawDocument(p, QRectF(6, 4, 18, 24), Ink);
        for (int row = 0; row < 4; ++row) {
            const int widths[] = {10, 6, 12, 8};
            p.fillRect(QRectF(9, 10 + row * 4, widths[row], 2), Teal);
        }
        DrawArrow(p, QPointF(29, 14), QPointF(20, 25), Navy, 2.0);
        break;
    }
    case TGlyph::Convert: {
        // Note in, sequence out.
        DrawNote(p, QPointF(7, 21), 0.9, Navy);
        DrawArrow(p, QPointF(12, 16), QPointF(20, 16), Amber, 2.4);
        p.setPen(Qt::NoPen);
        for (int row = 0; row < 4; ++row) {
            const int heights[] = {12, 6, 16, 9};
            p.fillRect(QRectF(21.5 + row * 2.6, 25 - heights[row], 1.8, heights[row]), Teal);
        }
        break;
    }
    case TGlyph::ComPort:
        DrawSerialPlug(p, QRectF(4, 10, 24, 12));
        p.setPen(QPen(Ink, 1.6));
        p.drawLine(QPointF(16, 22), QPointF(16, 28));
        break;
    case TGlyph::MidiInPort:
        DrawMidiSocket(p, QPointF(16, 16), 11);
        break;
    case TGlyph::Transpose:
        DrawNote(p, QPointF(10, 22), 0.9, Navy);
        DrawArrow(p, QPointF(22, 15), QPointF(22, 5), Teal, 2.0);
        DrawArrow(p, QPointF(22, 17), QPointF(22, 27), Amber, 2.0);
        break;
    }
    return pixmap;
}

QPixmap SelectedLook(qreal scale)
{
    return Look(true, scale);
}

QPixmap NotSelectedLook(qreal scale)
{
    return Look(false, scale);
}

QPixmap AboutLogo(qreal scale)
{
    QPixmap pixmap = Blank(128, 54, scale);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 128, 54);
    fill.setColorAt(0, Navy);
    fill.setColorAt(1, Teal);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0, 0, 128, 54), 6, 6);
    DrawMark(p, QRect(12, 8, 104, 40), 26);
    DrawNote(p, QPointF(108, 42), 1.1, Amber);
    return pixmap;
}

QPixmap Picture(TArtwork artwork, qreal scale)
{
    switch (artwork) {
    case TArtwork::None: break;
    case TArtwork::Banner: return Banner(scale);
    case TArtwork::ConverterIcon: return ConverterIcon(scale);
    case TArtwork::BridgeIcon: return BridgeIcon(scale);
    case TArtwork::OpenMidiFile: return ButtonGlyph(TGlyph::OpenMidiFile, scale);
    case TArtwork::ChooseSeqFile: return ButtonGlyph(TGlyph::ChooseSeqFile, scale);
    case TArtwork::Convert: return ButtonGlyph(TGlyph::Convert, scale);
    case TArtwork::ComPort: return ButtonGlyph(TGlyph::ComPort, scale);
    case TArtwork::MidiInPort: return ButtonGlyph(TGlyph::MidiInPort, scale);
    case TArtwork::Transpose: return ButtonGlyph(TGlyph::Transpose, scale);
    case TArtwork::SelectedLook: return SelectedLook(scale);
    case TArtwork::NotSelectedLook: return NotSelectedLook(scale);
    case TArtwork::AboutLogo: return AboutLogo(scale);
    }
    return {};
}

QIcon ApplicationIcon()
{
    QIcon icon;
    const QDir pictures(QStringLiteral(":/icons"));
    for (const QString& name : pictures.entryList({QStringLiteral("*.png")}, QDir::Files))
        icon.addFile(pictures.filePath(name));
    return icon;
}

}  // namespace Artwork
