#include "SeqViewer.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

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
    for (const auto& line : {picture.Cursor, picture.Play})
        if (line) {
            painter.setPen(QPen(ToQt(line->Colour), 2));
            painter.drawLine(QLineF(line->X1, line->Y1, line->X2, line->Y2));
        }
}

// ---------------------------------------------------------------------------

TSeqPictureView::TSeqPictureView(TSeqViewerModel& model, std::function<std::uint8_t()> language,
                                 std::function<void()> changed, QWidget* parent)
    : QWidget(parent), model_(model), language_(std::move(language)), changed_(std::move(changed))
{
    setObjectName(QStringLiteral("PaintBox1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The cursor keys are the picture's.
    setFocusPolicy(Qt::StrongFocus);
}

void TSeqPictureView::LayOut()
{
    // Never shorter than the rows at their narrowest: the scroll area
    // stretches the view over what is visible, and scrolls when the rows
    // need more.
    const double across = std::max(width(), 1);
    model_.SetWidth(across);
    const int least = static_cast<int>(std::ceil(model_.Picture(across, 1, language_()).Height));
    if (minimumHeight() != least)
        setMinimumHeight(least);
    picture_ = model_.Picture(across, static_cast<double>(std::max(height(), least)), language_());
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
    changed_();  // laid out again, with what the new width shows across
}

void TSeqPictureView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    model_.PlaceCursor(event->position().x());
    changed_();
}

void TSeqPictureView::wheelEvent(QWheelEvent* event)
{
    const QPoint steps = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        if (steps.y() != 0)
            model_.Zoom(steps.y() > 0, event->position().x());
    } else if (steps.x() != 0 || (event->modifiers() & Qt::ShiftModifier)) {
        // A notch of 120 scrolls 48 pixels.
        const int across = steps.x() != 0 ? steps.x() : steps.y();
        model_.ScrollBy(-across * 0.4);
    } else {
        event->ignore();  // up and down: the scroll area's
        return;
    }
    event->accept();
    changed_();
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

namespace {

QLabel* WrappedLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

TSeqViewer::TSeqViewer(TSeqViewerModel& viewer, std::function<std::uint8_t()> language,
                       std::function<void(TViewerCommand)> play)
    : viewer_(viewer), language_(std::move(language)), playCommand_(std::move(play))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowIcon(Artwork::ApplicationIcon());
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Never larger than the screen, whatever its scale.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect room = screen != nullptr ? screen->availableGeometry() : QRect();
    const TViewerSize size = ViewerSizeFor(room.width(), room.height());
    resize(size.Width, size.Height);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("PageControl1"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);

    auto* sequence = new QWidget;
    sequence->setObjectName(QStringLiteral("TabSheet1"));
    auto* sequenceLayout = new QVBoxLayout(sequence);
    auto* top = new QHBoxLayout;
    heading_ = WrappedLabel("Label19", sequence);
    top->addWidget(heading_, 1);
    const auto button = [&](const char* name, TViewerCommand command) {
        auto* b = new QToolButton(sequence);
        b->setObjectName(QString::fromLatin1(name));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [this, command] {
            if (PlaysTheShow(command)) {
                if (playCommand_)
                    playCommand_(command);
                return;
            }
            viewer_.Run(command);
            Changed();
        });
        // Its key, the first the model gives it.
        for (const TViewerKey& key : ViewerKeys())
            if (key.Command == command) {
                b->setToolTip(QKeySequence(QString::fromLatin1(key.Key)).toString(QKeySequence::NativeText));
                break;
            }
        top->addWidget(b, 0, Qt::AlignTop);
        return b;
    };
    zoomOut_ = button("ZoomOutButton", TViewerCommand::ZoomOut);
    zoomIn_ = button("ZoomInButton", TViewerCommand::ZoomIn);
    fit_ = button("FitButton", TViewerCommand::FitToWindow);
    // Playing the show on the device, from the cursor.
    play_ = button("PlayButton", TViewerCommand::Play);
    pause_ = button("PauseButton", TViewerCommand::Pause);
    stopPlay_ = button("StopPlayButton", TViewerCommand::StopPlay);
    sequenceLayout->addLayout(top);

    problem_ = WrappedLabel("Label18", sequence);
    problem_->setAlignment(Qt::AlignCenter);
    sequenceLayout->addWidget(problem_, 1);
    scroll_ = new QScrollArea(sequence);
    scroll_->setObjectName(QStringLiteral("ScrollBox1"));
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_ = new TSeqPictureView(viewer_, language_, [this] { Changed(); });
    scroll_->setWidget(view_);
    sequenceLayout->addWidget(scroll_, 1);
    across_ = new QScrollBar(Qt::Horizontal, sequence);
    across_->setObjectName(QStringLiteral("ScrollBar1"));
    connect(across_, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == viewer_.Scroll().Value)
            return;
        viewer_.ScrollTo(value);
        Changed();
    });
    sequenceLayout->addWidget(across_);
    readout_ = WrappedLabel("Label20", sequence);
    sequenceLayout->addWidget(readout_);
    tabs_->addTab(sequence, QString());

    // The keys of the picture, on its tab only: the report's text keeps its own.
    for (const TViewerKey& key : ViewerKeys()) {
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(key.Key)), sequence);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, command = key.Command] {
            viewer_.Run(command);
            Changed();
        });
    }

    report_ = new QPlainTextEdit;
    report_->setObjectName(QStringLiteral("Memo1"));
    report_->setReadOnly(true);
    report_->setLineWrapMode(QPlainTextEdit::NoWrap);
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    tabs_->addTab(report_, QString());
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        viewer_.SetPage(index == 1 ? TViewerPage::Report : TViewerPage::Sequence);
    });

    Refresh();
}

void TSeqViewer::Refresh()
{
    const std::uint8_t language = language_();
    setWindowTitle(ToQt(viewer_.Title(language)));
    tabs_->setTabText(0, ToQt(TSeqViewerModel::SequenceTab(language)));
    tabs_->setTabText(1, ToQt(TSeqViewerModel::ReportTab(language)));
    for (const auto& [b, command] : {std::pair{zoomOut_, TViewerCommand::ZoomOut},
                                     std::pair{zoomIn_, TViewerCommand::ZoomIn},
                                     std::pair{fit_, TViewerCommand::FitToWindow},
                                     std::pair{play_, TViewerCommand::Play}, std::pair{pause_, TViewerCommand::Pause},
                                     std::pair{stopPlay_, TViewerCommand::StopPlay}})
        b->setText(ToQt(TSeqViewerModel::CommandText(command, language)));
    const std::string problem = viewer_.Problem(language);
    problem_->setVisible(!problem.empty());
    problem_->setText(ToQt(problem));
    for (QWidget* part : std::initializer_list<QWidget*>{scroll_, across_, readout_, zoomOut_, zoomIn_, fit_, play_,
                                                         pause_, stopPlay_})
        part->setVisible(problem.empty());
    const std::string heading = viewer_.Heading(language);
    heading_->setVisible(!heading.empty());
    heading_->setText(ToQt(heading));
    report_->setPlainText(ToQt(viewer_.ReportText(language)));
    tabs_->setCurrentIndex(viewer_.Page() == TViewerPage::Report ? 1 : 0);
    Changed();
    if (problem.empty() && viewer_.Page() == TViewerPage::Sequence)
        view_->setFocus(Qt::OtherFocusReason);
}

void TSeqViewer::Changed()
{
    const std::uint8_t language = language_();
    view_->LayOut();
    const TViewerScroll scroll = viewer_.Scroll();
    const QSignalBlocker quiet(across_);
    across_->setRange(0, scroll.Maximum);
    across_->setPageStep(scroll.PageStep);
    across_->setSingleStep(scroll.SingleStep);
    across_->setValue(scroll.Value);
    across_->setEnabled(scroll.Maximum > 0);
    readout_->setText(ToQt(viewer_.Readout(language)));
    zoomIn_->setEnabled(viewer_.CanZoomIn());
    zoomOut_->setEnabled(viewer_.CanZoomOut());
    fit_->setEnabled(viewer_.CanZoomOut());
    const bool playing = viewer_.PlayPosition().has_value();
    play_->setEnabled(viewer_.Image() != nullptr && !playing);
    pause_->setEnabled(playing);
    stopPlay_->setEnabled(playing);
}
