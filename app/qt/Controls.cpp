#include "Controls.h"

#include <QMouseEvent>
#include <QPainter>

TPanel::TPanel(QWidget* parent, const QColor& background, TEdge edge, const QColor& frame)
    : QWidget(parent), background_(background), frame_(frame), edge_(edge)
{
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (edge_ == TEdge::None)
        return;
    if (edge_ == TEdge::FrameLine) {
        painter.setPen(frame_);
        painter.drawRect(r);
    } else {
        // Lowered bevel: shadow on the top and left, light on the bottom and right.
        painter.setPen(QColor(128, 128, 128));
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(QColor(255, 255, 255));
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
}

TShape::TShape(QWidget* parent, const QColor& brush) : QWidget(parent), brush_(brush) {}

void TShape::SetBrushColor(const QColor& brush)
{
    if (brush == brush_)
        return;
    brush_ = brush;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(brush_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

TPictureBox::TPictureBox(QWidget* parent, const QPixmap& picture) : QWidget(parent), picture_(picture) {}

void TPictureBox::SetPicture(const QPixmap& picture)
{
    picture_ = picture;
    update();
}

void TPictureBox::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

void TPictureBox::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TPictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}
