#include "SeqViewer.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>

#include "Artwork.h"
#include "Text.h"

namespace {

QColor ToQt(TRgb colour)
{
    return QColor(colour.R, colour.G, colour.B);
}

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

// The picture's font: the one its SVG names first.
QFont PictureFont(double pixels, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(static_cast<int>(std::lround(pixels)));
    font.setBold(bold);
    return font;
}

}  // namespace

void PaintSequence(QPainter& painter, const TSeqPicture& picture)
{
    painter.fillRect(QRectF(0, 0, picture.Width, picture.Height), ToQt(picture.Background));
    for (const TPictureRect& band : picture.Bands)
        painter.fillRect(QRectF(band.X, band.Y, band.Width, band.Height), ToQt(band.Colour));
    for (const TPictureLine& line : picture.Lines) {
        painter.setPen(QPen(ToQt(line.Colour), 1));
        painter.drawLine(QLineF(line.X1, line.Y1, line.X2, line.Y2));
    }
    for (const TPictureBar& bar : picture.Bars)
        painter.fillRect(QRectF(bar.X, bar.Y, bar.Width, bar.Height), ToQt(bar.Colour));
    for (const TPictureText& text : picture.Texts) {
        const QFont font = PictureFont(picture.FontSize, text.Bold);
        const QString words = ToQt(text.Text);
        const double width = QFontMetricsF(font).horizontalAdvance(words);
        double x = text.X;
        if (text.Anchor == TTextAnchor::Middle)
            x -= width / 2;
        else if (text.Anchor == TTextAnchor::End)
            x -= width;
        painter.setFont(font);
        painter.setPen(ToQt(text.Colour));
        painter.drawText(QPointF(x, text.Y), words);
    }
}

// ---------------------------------------------------------------------------

TSeqPictureView::TSeqPictureView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintBox1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSeqPictureView::SetImage(const TSeqImage& image, std::uint8_t languageIndex)
{
    image_ = image;
    language_ = languageIndex;
    LayOut();
}

void TSeqPictureView::SetLanguage(std::uint8_t languageIndex)
{
    language_ = languageIndex;
    LayOut();
}

void TSeqPictureView::LayOut()
{
    // Never shorter than the rows at their narrowest: the scroll area
    // stretches the view over what is visible, and scrolls when the rows
    // need more.
    const double across = std::max(width(), 1);
    const int least = static_cast<int>(std::ceil(LayOutSequence(image_, language_, {across, 1}).Height));
    if (minimumHeight() != least)
        setMinimumHeight(least);
    picture_ = LayOutSequence(image_, language_, {across, static_cast<double>(std::max(height(), least))});
    update();
}

void TSeqPictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQt(picture_.Background));
    PaintSequence(painter, picture_);
}

void TSeqPictureView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

bool TSeqPictureView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    if (const TPictureBar* bar = BarAt(picture_, help->pos().x(), help->pos().y()))
        QToolTip::showText(help->globalPos(), ToQt(BarText(picture_, *bar)), this);
    else
        QToolTip::hideText();
    return true;
}

// ---------------------------------------------------------------------------

TSeqViewer::TSeqViewer(const TSeqViewerModel& viewer, std::function<std::uint8_t()> language)
    : viewer_(viewer), language_(std::move(language))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowIcon(Artwork::ApplicationIcon());
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(1000, 640);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("PageControl1"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);

    auto* sequence = new QWidget;
    sequence->setObjectName(QStringLiteral("TabSheet1"));
    auto* sequenceLayout = new QVBoxLayout(sequence);
    problem_ = new QLabel(sequence);
    problem_->setObjectName(QStringLiteral("Label18"));
    problem_->setTextFormat(Qt::PlainText);
    problem_->setWordWrap(true);
    problem_->setAlignment(Qt::AlignCenter);
    problem_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    sequenceLayout->addWidget(problem_);
    scroll_ = new QScrollArea(sequence);
    scroll_->setObjectName(QStringLiteral("ScrollBox1"));
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_ = new TSeqPictureView;
    scroll_->setWidget(view_);
    sequenceLayout->addWidget(scroll_);
    tabs_->addTab(sequence, QString());

    report_ = new QPlainTextEdit;
    report_->setObjectName(QStringLiteral("Memo1"));
    report_->setReadOnly(true);
    report_->setLineWrapMode(QPlainTextEdit::NoWrap);
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tabs_->addTab(report_, QString());

    Refresh();
}

void TSeqViewer::Refresh()
{
    const std::uint8_t language = language_();
    setWindowTitle(ToQt(TSeqViewerModel::Title(language)));
    tabs_->setTabText(0, ToQt(TSeqViewerModel::SequenceTab(language)));
    tabs_->setTabText(1, ToQt(TSeqViewerModel::ReportTab(language)));
    if (const TSeqImage* image = viewer_.Image())
        view_->SetImage(*image, language);
    const std::string problem = viewer_.Problem(language);
    problem_->setVisible(!problem.empty());
    scroll_->setVisible(problem.empty());
    problem_->setText(ToQt(problem));
    report_->setPlainText(ToQt(viewer_.ReportText(language)));
}
