#pragma once
// The few kinds of control the window is built from that Qt has no exact
// equal for: framed panels, the coloured rectangle Shape5, and pictures that
// can take another picture's image and report clicks.

#include <QColor>
#include <QFrame>
#include <QPixmap>
#include <QWidget>

// A panel with a flat background and a one-pixel frame line in its own
// colour, a sunken edge, or no edge.
class TPanel : public QWidget {
public:
    enum class TEdge { None, FrameLine, Sunken };

    TPanel(QWidget* parent, const QColor& background, TEdge edge, const QColor& frame = QColor());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background_;
    QColor frame_;
    TEdge edge_;
};

// A filled rectangle with a black one-pixel outline.
class TShape : public QWidget {
public:
    TShape(QWidget* parent, const QColor& brush);

    QColor BrushColor() const { return brush_; }
    // Repaints when the colour changes.
    void SetBrushColor(const QColor& brush);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor brush_;
};

// A picture drawn at its top-left corner, transparent where the image is;
// a click (press and release inside) emits clicked().
class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* parent, const QPixmap& picture = QPixmap());

    const QPixmap& Picture() const { return picture_; }
    // Takes the image of another picture, e.g. the selected look.
    void SetPicture(const QPixmap& picture);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
    bool pressed_ = false;
};
