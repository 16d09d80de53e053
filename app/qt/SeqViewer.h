#pragma once
// The window of File > View sequence...: on one tab the picture of a
// sequence file, drawn with Qt from the core's layout (the same picture
// torem-seq writes as SVG), with what the viewer model says of it above, its
// zoom buttons, a scroll bar across and the readout of the time cursor
// below; on the other the report of the last conversion. The viewer model
// decides everything: what shows across, where the cursor is, every text.
// Texts follow the record's LanguageIndex; Refresh re-labels an open viewer.
// A window of its own beside the fixed main window.

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>
#include <QWidget>

#include "SeqPicture.h"
#include "SeqViewerModel.h"

class QLabel;
class QPainter;
class QPlainTextEdit;
class QScrollArea;
class QScrollBar;
class QTabWidget;
class QToolButton;

// Draws a laid-out picture, its top left corner at the painter's origin.
void PaintSequence(QPainter& painter, const TSeqPicture& picture);

// The picture of the viewer model's image, laid out anew for the widget's
// size, never shorter than the rows need. A click places the time cursor,
// Ctrl and the wheel zoom, the wheel sideways (or with Shift) scrolls
// across; the bar under the mouse tells what it stands for.
class TSeqPictureView final : public QWidget {
public:
    // changed runs after the view changed the model (cursor, zoom, scroll).
    TSeqPictureView(TSeqViewerModel& model, std::function<std::uint8_t()> language, std::function<void()> changed,
                    QWidget* parent = nullptr);

    // Lays the picture out again from the model.
    void LayOut();
    // The picture as last laid out for the widget's size.
    const TSeqPicture& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    TSeqViewerModel& model_;
    std::function<std::uint8_t()> language_;
    std::function<void()> changed_;
    TSeqPicture picture_;
};

class TSeqViewer final : public QDialog {
public:
    // viewer (the window model's) must outlive the box; language gives the
    // language of the moment.
    // play runs the commands that play the show on the device.
    TSeqViewer(TSeqViewerModel& viewer, std::function<std::uint8_t()> language,
               std::function<void(TViewerCommand)> play = {});

    // Shows what the viewer model holds, every text in the language of the
    // moment: the picture or why there is none, and the report; brings the
    // model's page forward.
    void Refresh();

    // After the model changed: the picture, the scroll bar, the readout and
    // the buttons (the play's line moving with the music).
    void Changed();

    TSeqPictureView& PictureView() { return *view_; }
    QTabWidget& Tabs() { return *tabs_; }

private:

    TSeqViewerModel& viewer_;
    std::function<std::uint8_t()> language_;
    QTabWidget* tabs_ = nullptr;
    QLabel* heading_ = nullptr;
    QToolButton* zoomOut_ = nullptr;
    QToolButton* zoomIn_ = nullptr;
    QToolButton* fit_ = nullptr;
    QToolButton* play_ = nullptr;
    QToolButton* pause_ = nullptr;
    QToolButton* stopPlay_ = nullptr;
    std::function<void(TViewerCommand)> playCommand_;
    QScrollArea* scroll_ = nullptr;
    QScrollBar* across_ = nullptr;
    TSeqPictureView* view_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* problem_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
};
