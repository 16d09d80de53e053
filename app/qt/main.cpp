#include "main.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "Artwork.h"
#include "Controls.h"
#include "Help.h"
#include "QtActivityIndicator.h"
#include "QtMessageLoop.h"
#include "RigWindows.h"
#include "SeqViewer.h"
#include "Text.h"

namespace {

constexpr char TagProperty[] = "Tag";
QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

QColor ToQt(TRgb colour)
{
    return {colour.R, colour.G, colour.B};
}

QRect ToQt(const TBounds& bounds)
{
    return {bounds.Left, bounds.Top, bounds.Width, bounds.Height};
}

// Menu items that show a name as it is (a MIDI device, a port) must not
// turn its ampersands into accelerator marks; the one byte the model
// underlines, if any, is marked.
QString LiteralCaption(const std::string& name, std::size_t underlined = std::string::npos)
{
    if (underlined >= name.size())
        return ToQt(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
    return LiteralCaption(name.substr(0, underlined)) + QLatin1Char('&') + LiteralCaption(name.substr(underlined));
}

// The local files a drag carries, as paths.
std::vector<std::string> DraggedFiles(const QMimeData* data)
{
    std::vector<std::string> paths;
    if (data == nullptr)
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    return paths;
}

// The window's 8-point sans serif: narrow enough for the fixed label widths.
QFont WindowFont(const QFont& base)
{
    QFont font = base;
    font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

void SetTextColour(QLabel& label, const QColor& colour)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

}  // namespace

TForm1::TForm1(const TForm1Services& services, QWidget* parent) : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(WindowTitle));
    setWindowIcon(Artwork::ApplicationIcon());
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setFont(WindowFont(font()));
    setAcceptDrops(true);

    Build();

    // Single border, not resizable: the window takes the size of the client
    // area and the menu bar, whatever the menu bar's font.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    if (services_.AdoptDialogs)
        services_.AdoptDialogs(*this);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(100);
    indicator_ = std::make_unique<TQtActivityIndicator>(*static_cast<TShape*>(Widget(TControl::Shape5)), *Timer2);
    loop_ = std::make_unique<TQtMessageLoop>(*this, [this](std::exception_ptr error) {
        if (model_ != nullptr)
            model_->ReportError(error);
    });
    model_ = std::make_unique<TWindowModel>(TWindowSeams{services_, *this, *loop_, *indicator_});
    connect(Timer2, &QTimer::timeout, this, [this] { model_->Timer2Timer(); });
    model_->FormCreate();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------------------
// Building the window from its description

void TForm1::Build()
{
    auto* client = new QWidget(this);
    client->setFixedSize(ControlSpec(TControl::Form1).Bounds.Width, ControlSpec(TControl::Form1).Bounds.Height);
    setCentralWidget(client);
    widgets_[TControl::Form1] = client;

    for (const TControlSpec& described : WindowControls()) {
        if (described.Id == TControl::Form1 || FormOf(described.Id) != TControl::Form1)
            continue;  // the About box and the test box build themselves
        switch (described.Kind) {
        case TControlKind::MenuBar:
        case TControlKind::Menu:
        case TControlKind::MenuItem:
        case TControlKind::Separator:
        case TControlKind::ItemSlot:
            BuildMenu(described);
            break;
        default:
            BuildControl(described);
            break;
        }
    }
}

QWidget* TForm1::Widget(TControl control) const
{
    return widgets_.at(control);
}

void TForm1::BuildControl(const TControlSpec& described)
{
    QWidget* parent = Widget(described.Parent);
    QWidget* widget = nullptr;
    switch (described.Kind) {
    case TControlKind::Panel: {
        const auto edge = described.Edge == TPanelEdge::Sunken      ? TPanel::TEdge::Sunken
                          : described.Edge == TPanelEdge::FrameLine ? TPanel::TEdge::FrameLine
                                                               : TPanel::TEdge::None;
        widget = new TPanel(parent, ToQt(described.Background), edge, ToQt(described.Frame));
        break;
    }
    case TControlKind::Label: {
        auto* label = new QLabel(ToQt(DesignCaption(described)), parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(false);
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, ToQt(described.Background));
        palette.setColor(QPalette::WindowText, Qt::black);
        palette.setColor(QPalette::Disabled, QPalette::Window, ToQt(described.Background));
        label->setPalette(palette);
        widget = label;
        break;
    }
    case TControlKind::SpeedButton: {
        auto* button = new QToolButton(parent);
        const QPixmap glyph = Artwork::Picture(described.Artwork);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(QIcon(glyph));
        button->setIconSize(glyph.size());
        button->setToolTip(ToQt(DesignCaption(described)));
        connect(button, &QToolButton::clicked, this, [this, id = described.Id] { model_->Click(id); });
        widget = button;
        break;
    }
    case TControlKind::Picture: {
        auto* picture = new TPictureBox(parent, Artwork::Picture(described.Artwork));
        if (described.Command != TCommand::None)
            connect(picture, &TPictureBox::clicked, this, [this, id = described.Id] { model_->Click(id); });
        widget = picture;
        break;
    }
    case TControlKind::Shape:
        widget = new TShape(parent, ToQt(described.Background));
        break;
    default:
        return;
    }
    widget->setObjectName(QString::fromLatin1(described.Name));
    widget->setGeometry(ToQt(described.Bounds));
    if (described.Tag != 0)
        widget->setProperty(TagProperty, described.Tag);
    if (described.Hidden)
        widget->hide();
    widgets_[described.Id] = widget;
}

void TForm1::BuildMenu(const TControlSpec& described)
{
    if (described.Kind == TControlKind::MenuBar) {
        menuBar()->setObjectName(QString::fromLatin1(described.Name));
        return;
    }
    if (described.Kind == TControlKind::Menu) {
        QWidget* parent = described.Parent == TControl::MainMenu1 ? static_cast<QWidget*>(menuBar())
                          : described.Parent == TControl::None    ? static_cast<QWidget*>(this)
                                                             : menus_.at(described.Parent);
        auto* menu = new QMenu(ToQt(DesignCaption(described)), parent);
        menu->setObjectName(QString::fromLatin1(described.Name));
        if (described.Parent == TControl::MainMenu1)
            menuBar()->addMenu(menu);
        else if (described.Parent != TControl::None)
            menus_.at(described.Parent)->addMenu(menu);
        connect(menu, &QMenu::aboutToShow, this, [this, id = described.Id] { model_->MenuOpening(id); });
        menus_[described.Id] = menu;
        return;
    }
    QMenu* menu = menus_.at(described.Parent);
    QActionGroup*& group = groups_[described.Group];
    if (described.Group != TRadioGroup::None && group == nullptr) {
        group = new QActionGroup(this);
        // Optional, so that a group can show nothing chosen (no port yet).
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    if (described.Kind == TControlKind::ItemSlot) {
        slots_[described.Id] = TSlot{menu, nullptr, group, {}};
        openSlots_[menu] = described.Id;
        return;
    }
    QAction* item = described.Kind == TControlKind::Separator ? menu->addSeparator()
                                                          : menu->addAction(ToQt(DesignCaption(described)));
    item->setObjectName(QString::fromLatin1(described.Name));
    if (const auto open = openSlots_.find(menu); open != openSlots_.end()) {
        slots_.at(open->second).Before = item;
        openSlots_.erase(open);
    }
    if (described.Group != TRadioGroup::None) {
        item->setCheckable(true);
        group->addAction(item);
        item->setChecked(described.CheckedAtDesign);
    }
    if (described.Tag != 0)
        item->setProperty(TagProperty, described.Tag);
    if (*described.Shortcut != '\0')
        item->setShortcut(QKeySequence(QString::fromLatin1(described.Shortcut)));
    if (described.Command != TCommand::None)
        connect(item, &QAction::triggered, this, [this, id = described.Id] { model_->Click(id); });
    actions_[described.Id] = item;
}

// ---------------------------------------------------------------------------
// What the model tells the window to show

void TForm1::SetText(TControl control, const std::string& text)
{
    const TControlSpec& described = ControlSpec(control);
    const TControl form = FormOf(control);
    if (form == TControl::Form2) {
        if (aboutBox_ != nullptr)
            aboutBox_->SetText(control, text);
        return;
    }
    if (form == TControl::Form7) {
        if (testBox_ != nullptr)
            testBox_->SetText(control, text);
        return;
    }
    switch (described.Kind) {
    case TControlKind::Menu: menus_.at(control)->setTitle(ToQt(text)); break;
    case TControlKind::MenuItem: actions_.at(control)->setText(ToQt(text)); break;
    case TControlKind::SpeedButton: Widget(control)->setToolTip(ToQt(text)); break;
    case TControlKind::Label: static_cast<QLabel*>(Widget(control))->setText(ToQt(text)); break;
    default: break;
    }
}

void TForm1::SetValueLabel(TControl control, const TValueLabel& value)
{
    auto& label = *static_cast<QLabel*>(Widget(control));
    const QFontMetricsF metrics(label.font());
    label.setText(ToQt(FittedLabelText(value, label.contentsRect().width() - 2, [&metrics](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    })));
    label.setToolTip(ToQt(value.Tooltip));
    SetTextColour(label, value.Alert ? ToQt(AlertTextColour) : QColor(Qt::black));
}

void TForm1::Check(TControl item)
{
    actions_.at(item)->setChecked(true);
}

void TForm1::ClearChecks(TRadioGroup group)
{
    if (QAction* checked = groups_.at(group)->checkedAction())
        checked->setChecked(false);
}

void TForm1::SetItems(TControl slotId, const std::vector<TRunTimeItem>& items)
{
    TSlot& slot = slots_.at(slotId);
    for (QAction* item : slot.Items)
        delete item;
    slot.Items.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto* item = new QAction(LiteralCaption(items[i].Caption, items[i].Underlined), slot.Menu);
        item->setObjectName(ToQt(items[i].Name));
        item->setEnabled(items[i].Enabled);
        if (!items[i].Tooltip.empty()) {
            item->setToolTip(ToQt(items[i].Tooltip));
            slot.Menu->setToolTipsVisible(true);
        }
        if (items[i].Tag != 0)
            item->setProperty(TagProperty, items[i].Tag);
        if (items[i].Checkable) {
            item->setCheckable(true);
            slot.Group->addAction(item);
        }
        slot.Menu->insertAction(slot.Before, item);
        connect(item, &QAction::triggered, this, [this, slotId, i] { model_->ClickItem(slotId, i); });
        slot.Items.push_back(item);
    }
}

void TForm1::CheckItem(TControl slot, std::size_t index)
{
    slots_.at(slot).Items.at(index)->setChecked(true);
}

void TForm1::SetSelected(TControl control, bool selected)
{
    auto* picture = static_cast<TPictureBox*>(Widget(control));
    const auto* look = static_cast<TPictureBox*>(Widget(selected ? TControl::Image6 : TControl::Image7));
    picture->SetPicture(look->Picture());
    picture->update();
}

void TForm1::SetEnabled(TControl control, bool enabled)
{
    if (const auto menu = menus_.find(control); menu != menus_.end()) {
        menu->second->setEnabled(enabled);
        menu->second->menuAction()->setEnabled(enabled);
    } else if (const auto item = actions_.find(control); item != actions_.end()) {
        item->second->setEnabled(enabled);
    } else {
        Widget(control)->setEnabled(enabled);
    }
}

void TForm1::PopUp(TControl menu)
{
    menus_.at(menu)->popup(QCursor::pos());
}

void TForm1::ShowAboutBox()
{
    if (aboutBox_ != nullptr)
        aboutBox_->exec();
}

void TForm1::ShowForm(TControl form)
{
    if (form != TControl::Form7)
        return;
    if (testBox_ == nullptr)
        testBox_ = std::make_unique<TOutputTestBox>(*model_);
    testBox_->show();
    testBox_->raise();
    testBox_->activateWindow();
}

int TForm1::Number(TControl numberBox) const
{
    if (testBox_ == nullptr)
        return ControlSpec(numberBox).Initial;
    return testBox_->Number(numberBox);
}

void TForm1::ShowMonitor()
{
    if (monitor_ == nullptr)
        monitor_ = std::make_unique<TOutputMonitor>(*model_);
    monitor_->show();
    monitor_->raise();
    monitor_->activateWindow();
}

void TForm1::RefreshMonitor()
{
    if (monitor_ != nullptr)
        monitor_->update();
}

bool TForm1::MonitorVisible() const
{
    return monitor_ != nullptr && monitor_->isVisible();
}

void TForm1::ShowSequenceViewer()
{
    if (viewer_ == nullptr)
        viewer_ = std::make_unique<TSeqViewer>(
            model_->Viewer(), [this] { return model_->Settings().LanguageIndex; },
            [this](TViewerCommand command) { model_->PlayCommand(command); });
    viewer_->Refresh();
    if (viewer_->isVisible()) {
        viewer_->raise();
        viewer_->activateWindow();
    }
    viewer_->show();
}

void TForm1::RefreshSequenceViewer()
{
    if (viewer_ != nullptr)
        viewer_->Refresh();
}

void TForm1::RedrawSequenceViewer()
{
    if (viewer_ != nullptr && viewer_->isVisible())
        viewer_->Changed();
}

bool TForm1::SequenceViewerVisible() const
{
    return viewer_ != nullptr && viewer_->isVisible();
}

void TForm1::ShowLog()
{
    if (log_ == nullptr) {
        log_ = std::make_unique<QDialog>();
        log_->setObjectName(QStringLiteral("Form4"));
        log_->setWindowIcon(Artwork::ApplicationIcon());
        log_->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        log_->resize(LogWindowSize.Width, LogWindowSize.Height);
        logText_ = new QPlainTextEdit(log_.get());
        logText_->setObjectName(QStringLiteral("Memo2"));
        logText_->setReadOnly(true);
        logText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        logText_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        (new QVBoxLayout(log_.get()))->addWidget(logText_);
    }
    RefreshLog();
    log_->show();
    log_->raise();
    log_->activateWindow();
}

void TForm1::RefreshLog()
{
    if (log_ == nullptr)
        return;
    log_->setWindowTitle(ToQt(Text(StatusEntry::LogTitle, model_->Settings().LanguageIndex)));
    // The newest line stays in sight unless the user scrolled back.
    QScrollBar* bar = logText_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    logText_->setPlainText(ToQt(model_->LogText()));
    if (atEnd)
        bar->setValue(bar->maximum());
}

void TForm1::CloseWindow()
{
    close();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (model_->CanDrop(DraggedFiles(event->mimeData())))
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> paths = DraggedFiles(event->mimeData());
    if (!model_->CanDrop(paths))
        return;
    event->acceptProposedAction();
    model_->FilesDropped(paths);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!closed_) {
        closed_ = true;
        // The viewer and the log would keep the program running.
        if (viewer_ != nullptr)
            viewer_->close();
        if (log_ != nullptr)
            log_->close();
        if (testBox_ != nullptr)
            testBox_->close();
        if (monitor_ != nullptr)
            monitor_->close();
        model_->FormClose();
    }
    event->accept();
}
