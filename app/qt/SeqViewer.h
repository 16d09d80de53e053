#pragma once
// The window of File > View sequence...: on one tab the picture of the
// sequence file named by SeqFileName, drawn with Qt from the core's layout
// (the same picture torem-seq writes as SVG); on the other the report of the
// last conversion. Texts follow the record's LanguageIndex; ApplyLanguage
// re-labels an open viewer. A window of its own beside the fixed main window.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <QDialog>
#include <QWidget>

#include "SeqImage.h"
#include "SeqPicture.h"
#include "SeqViewerModel.h"

class QLabel;
class QPainter;
class QPlainTextEdit;
class QScrollArea;
class QTabWidget;

// Draws a laid-out picture, its top left corner at the painter's origin.
void PaintSequence(QPainter& painter, const TSeqPicture& picture);

// The picture of an image, laid out anew for the widget's size, never
// shorter than the rows need; the bar under the mouse tells what it stands
// for.
class TSeqPictureView final : public QWidget {
public:
    explicit TSeqPictureView(QWidget* parent = nullptr);

    void SetImage(const TSeqImage& image, std::uint8_t languageIndex);
    void SetLanguage(std::uint8_t languageIndex);
    // The picture as last laid out for the widget's size.
    const TSeqPicture& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void LayOut();

    TSeqImage image_;
    std::uint8_t language_ = 2;
    TSeqPicture picture_;
};

class TSeqViewer final : public QDialog {
public:
    // viewer (the window model's) must outlive the box; language gives the
    // language of the moment.
    TSeqViewer(const TSeqViewerModel& viewer, std::function<std::uint8_t()> language);

    // Shows what the viewer model holds, every text in the language of the
    // moment: the picture or why there is none, and the report.
    void Refresh();

    TSeqPictureView& PictureView() { return *view_; }
    QTabWidget& Tabs() { return *tabs_; }

private:
    const TSeqViewerModel& viewer_;
    std::function<std::uint8_t()> language_;
    QTabWidget* tabs_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    TSeqPictureView* view_ = nullptr;
    QLabel* problem_ = nullptr;
    QPlainTextEdit* report_ = nullptr;
};
