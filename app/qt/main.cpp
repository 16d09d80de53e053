#include "main.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCursor>
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
#include "QtNotificationTarget.h"
#include "SeqViewer.h"
#include "SettingsFile.h"
#include "Text.h"

namespace {

constexpr char TagProperty[] = "Tag";
constexpr char PortNameProperty[] = "PortName";
constexpr char DeviceNameProperty[] = "DeviceName";

const QColor Silver(192, 192, 192);
const QColor PanelColour(212, 208, 200);
const QColor PanelFrame(227, 225, 219);
const QColor BackPanelColour(179, 179, 179);
const QColor ConverterTitleColour(236, 235, 232);
const QColor BridgeTitleColour(227, 225, 219);
// How soon a command deferred by a handshake is tried again.
constexpr int CommandRetryMs = 10;
// A port or MIDI device that is chosen but not open.
const QColor DownColour(139, 0, 0);

// What the labels and the menu items of the resolutions say, in the order of
// Resolutions, in both languages.
constexpr std::array<const char*, Resolutions.size()> ResolutionCaptions{"1 Seconde", "500 ms", "250 ms", "100 ms"};

int TagOf(const QObject* control)
{
    return control != nullptr ? control->property(TagProperty).toInt() : 0;
}

QString Blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

// Menu items that show a name as it is (a MIDI device, a port) must not
// turn its ampersands into accelerator marks.
QString LiteralCaption(const std::string& name)
{
    return ToQt(name).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
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

}  // namespace

template <class TStep>
void TForm1::Guarded(TStep&& step) noexcept
{
    try {
        step();
    } catch (...) {
        ReportException(std::current_exception());
    }
}

TForm1::TForm1(const TForm1Services& services, QWidget* parent) : QMainWindow(parent), services_(services)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(WindowTitle));
    setWindowIcon(Artwork::ApplicationIcon());
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setFont(WindowFont(font()));

    CreateControls();
    CreateMenus();
    CreateComponents();
    ConnectHandlers();

    // Single border, not resizable: the window takes the size of the client
    // area and the menu bar, whatever the menu bar's font.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    if (services_.AdoptDialogs)
        services_.AdoptDialogs(*this);
    FormCreate();
}

TForm1::~TForm1() = default;

// ---------------------------------------------------------------------------
// Building the window

QLabel* TForm1::NewLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& designText,
                         const QColor& background)
{
    auto* label = new QLabel(designText, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(false);
    label->setGeometry(geometry);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Window, background);
    label->setPalette(palette);
    return label;
}

QToolButton* TForm1::NewSpeedButton(QWidget* parent, const char* name, const QRect& geometry, const QPixmap& glyph)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(QIcon(glyph));
    button->setIconSize(glyph.size());
    button->setToolTip(QStringLiteral("..."));
    button->setGeometry(geometry);
    return button;
}

TPictureBox* TForm1::NewPicture(QWidget* parent, const char* name, const QRect& geometry, int tag,
                                const QPixmap& picture)
{
    auto* image = new TPictureBox(parent, picture);
    image->setObjectName(QString::fromLatin1(name));
    image->setGeometry(geometry);
    if (tag != 0)
        image->setProperty(TagProperty, tag);
    return image;
}

void TForm1::CreateControls()
{
    using Artwork::TGlyph;
    auto* client = new QWidget(this);
    client->setFixedSize(466, 438);
    setCentralWidget(client);

    auto* toolBar = new TPanel(client, PanelColour, TPanel::TEdge::None);
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setGeometry(0, 0, 466, 44);
    NewPicture(toolBar, "Image4", QRect(0, 2, 208, 40), 0, Artwork::Banner());

    auto* panel1 = new TPanel(client, BackPanelColour, TPanel::TEdge::Sunken);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setGeometry(0, 44, 466, 394);

    // The converter. Labels first: the pictures and buttons stand on them.
    Panel2 = new TPanel(panel1, PanelColour, TPanel::TEdge::FrameLine, PanelFrame);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(8, 8, 449, 201);
    Label1 = NewLabel(Panel2, "Label1", QRect(0, 18, 449, 14),
                      Blanks(13) + QStringLiteral("Midi file to TOREM sequence file bridge"), ConverterTitleColour);
    Label4 = NewLabel(Panel2, "Label4", QRect(8, 58, 433, 15), Blanks(14) + QStringLiteral("Midi File : ..."), Silver);
    Label5 = NewLabel(Panel2, "Label5", QRect(8, 98, 433, 15), Blanks(14) + QStringLiteral("Seq File : ..."), Silver);
    Label6 = NewLabel(Panel2, "Label6", QRect(8, 139, 433, 15), QStringLiteral(" Resolution :"), Silver);
    const char* resolutionLabels[] = {"Label10", "Label11", "Label12", "Label13"};
    const int resolutionX[] = {72, 160, 248, 336};
    const int resolutionWidth[] = {87, 87, 87, 81};
    for (std::size_t i = 0; i < Resolutions.size(); ++i)
        NewLabel(Panel2, resolutionLabels[i], QRect(resolutionX[i], 139, resolutionWidth[i], 15),
                 Blanks(11) + QString::fromLatin1(ResolutionCaptions[i]), Silver);
    Label9 = NewLabel(Panel2, "Label9", QRect(8, 178, 433, 15), Blanks(14) + QStringLiteral("Process..."), Silver);
    NewPicture(Panel2, "Image9", QRect(0, 0, 34, 34), 0, Artwork::ConverterIcon());
    speedButtons_[0] = NewSpeedButton(Panel2, "SpeedButton3", QRect(8, 37, 37, 36),
                                      Artwork::ButtonGlyph(TGlyph::OpenMidiFile));
    speedButtons_[1] = NewSpeedButton(Panel2, "SpeedButton1", QRect(8, 77, 36, 36),
                                      Artwork::ButtonGlyph(TGlyph::ChooseSeqFile));
    speedButtons_[2] = NewSpeedButton(Panel2, "SpeedButton2", QRect(8, 157, 36, 36),
                                      Artwork::ButtonGlyph(TGlyph::Convert));
    for (std::size_t i = 0; i < Resolutions.size(); ++i)
        resolutionPictures_[i] = NewPicture(Panel2, Resolutions[i].Picture, QRect(resolutionX[i], 129, 32, 32),
                                            Resolutions[i].Tag, Artwork::NotSelectedLook());
    Image6 = NewPicture(Panel2, "Image6", QRect(368, 34, 32, 32), 0, Artwork::SelectedLook());
    Image7 = NewPicture(Panel2, "Image7", QRect(400, 34, 32, 32), 0, Artwork::NotSelectedLook());
    Image6->hide();
    Image7->hide();

    // The live bridge.
    auto* panel3 = new TPanel(panel1, PanelColour, TPanel::TEdge::FrameLine, PanelFrame);
    panel3->setObjectName(QStringLiteral("Panel3"));
    panel3->setGeometry(8, 216, 449, 169);
    Label2 = NewLabel(panel3, "Label2", QRect(0, 18, 449, 14), Blanks(13) + QStringLiteral("Real time midi bridge"),
                      BridgeTitleColour);
    Label7 = NewLabel(panel3, "Label7", QRect(8, 58, 145, 15), Blanks(13) + QStringLiteral("Port COM : ..."), Silver);
    Label3 = NewLabel(panel3, "Label3", QRect(160, 58, 281, 15), Blanks(13) + QStringLiteral("Midi In Port : ..."),
                      Silver);
    Label8 = NewLabel(panel3, "Label8", QRect(8, 98, 209, 15), Blanks(11) + QStringLiteral("Midi activity"), Silver);
    Label16 = NewLabel(panel3, "Label16", QRect(224, 98, 209, 15), Blanks(13) + QStringLiteral("Transpose : ..."),
                       Silver);
    Label14 = NewLabel(panel3, "Label14", QRect(8, 138, 433, 15), QStringLiteral(" Midi Mode : "), Silver);
    Label17 = NewLabel(panel3, "Label17", QRect(72, 138, 105, 15), Blanks(11) + QStringLiteral("Proportional"),
                       Silver);
    Label15 = NewLabel(panel3, "Label15", QRect(192, 138, 97, 15), Blanks(11) + QStringLiteral("Contactor"), Silver);
    NewPicture(panel3, "Image11", QRect(0, 0, 34, 34), 0, Artwork::BridgeIcon());
    speedButtons_[3] = NewSpeedButton(panel3, "SpeedButton4", QRect(8, 37, 36, 36),
                                      Artwork::ButtonGlyph(TGlyph::ComPort));
    speedButtons_[4] = NewSpeedButton(panel3, "SpeedButton5", QRect(160, 37, 36, 36),
                                      Artwork::ButtonGlyph(TGlyph::MidiInPort));
    Shape5 = new TShape(panel3, TQtActivityIndicator::DarkColor());
    Shape5->setObjectName(QStringLiteral("Shape5"));
    Shape5->setGeometry(16, 101, 17, 9);
    speedButtons_[5] = NewSpeedButton(panel3, "SpeedButton6", QRect(224, 77, 36, 36),
                                      Artwork::ButtonGlyph(TGlyph::Transpose));
    Image8 = NewPicture(panel3, "Image8", QRect(72, 129, 32, 32), MidiModeValue::Proportional,
                        Artwork::NotSelectedLook());
    Image10 = NewPicture(panel3, "Image10", QRect(192, 129, 32, 32), MidiModeValue::DryContact,
                         Artwork::NotSelectedLook());
}

QAction* TForm1::NewItem(QMenu* menu, const char* name, const QString& designText, QActionGroup* group, int tag)
{
    QAction* item = menu->addAction(designText);
    item->setObjectName(QString::fromLatin1(name));
    if (group != nullptr) {
        item->setCheckable(true);
        group->addAction(item);
    }
    if (tag != 0)
        item->setProperty(TagProperty, tag);
    return item;
}

void TForm1::CreateMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto newMenu = [this](QWidget* parent, const char* name, const QString& designText) {
        auto* menu = new QMenu(designText, parent);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    const auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    const auto group = [this] {
        auto* g = new QActionGroup(this);
        g->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
        return g;
    };

    File1 = newMenu(bar, "File1", QStringLiteral("&File"));
    bar->addMenu(File1);
    Open1 = NewItem(File1, "Open1", QStringLiteral("&Open Midi File"));
    SaveSeqFile1 = NewItem(File1, "SaveSeqFile1", QStringLiteral("&Save Seq File"));
    Convert1 = NewItem(File1, "Convert1", QStringLiteral("&Convert"));
    ViewSequence1 = NewItem(File1, "ViewSequence1", QStringLiteral("View sequence..."));
    separator(File1, "N1");
    Exit1 = NewItem(File1, "Exit1", QStringLiteral("&Exit"));

    RS2321 = newMenu(bar, "RS2321", QStringLiteral("&RS232"));
    bar->addMenu(RS2321);
    comMenuGroup_ = group();
    const char* comMenuNames[] = {"COM11", "COM21", "COM31", "COM51"};
    for (int i = 0; i < 4; ++i)
        comMenuItems_[i] = NewItem(RS2321, comMenuNames[i], QStringLiteral("COM &%1").arg(i + 1), comMenuGroup_, i + 1);
    comMenuItems_[0]->setChecked(true);
    separator(RS2321, "N5");
    // Checked when the port in use was named through it.
    OtherPortMenu = NewItem(RS2321, "OtherPortMenu", QStringLiteral("Other port..."), comMenuGroup_);
    separator(RS2321, "N7");
    AllOff1 = NewItem(RS2321, "AllOff1", QStringLiteral("&All outputs off"));
    AllOff1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));

    MIDIPort1 = newMenu(bar, "MIDIPort1", QStringLiteral("&MIDI In Port"));
    bar->addMenu(MIDIPort1);
    midiMenuGroup_ = group();
    None1 = NewItem(MIDIPort1, "None1", QStringLiteral("&None"), midiMenuGroup_);
    None1->setChecked(true);
    separator(MIDIPort1, "N2");

    Options1 = newMenu(bar, "Options1", QStringLiteral("&Options"));
    bar->addMenu(Options1);
    Resolution1 = newMenu(Options1, "Resolution1", QStringLiteral("&Resolution"));
    Options1->addMenu(Resolution1);
    QActionGroup* resolutionGroup = group();
    for (std::size_t i = 0; i < Resolutions.size(); ++i)
        resolutionItems_[i] = NewItem(Resolution1, Resolutions[i].MenuItem, QString::fromLatin1(ResolutionCaptions[i]),
                                      resolutionGroup, Resolutions[i].Tag);
    separator(Options1, "N3");
    MidiMode1 = newMenu(Options1, "MidiMode1", QStringLiteral("&Midi Mode"));
    Options1->addMenu(MidiMode1);
    QActionGroup* modeGroup = group();
    Proportionnal1 = NewItem(MidiMode1, "Proportionnal1", QStringLiteral("&Proportionnal"), modeGroup,
                             MidiModeValue::Proportional);
    Contactor1 = NewItem(MidiMode1, "Contactor1", QStringLiteral("&Contactor"), modeGroup, MidiModeValue::DryContact);
    Transpose1 = newMenu(Options1, "Transpose1", QStringLiteral("&Transpose"));
    Options1->addMenu(Transpose1);

    const char* transposeMenuNames[] = {"Less4OctaveMenu", "Less3OctaveMenu", "Less2OctaveMenu",
                                        "Less1OctaveMenu", "NoneTransposeMenu", "UP1OctaveMenu",
                                        "UP2OctaveMenu",   "UP3OctaveMenu",   "UP4OctaveMenu"};
    const char* transposePopupNames[] = {"Less4OctavePopUp", "Less3OctavePopUp", "Less2OctavePopUp",
                                         "Less1OctavePopUp", "NoneTransposePopUp", "UP1OctavePopUp",
                                         "UP2OctavePopUp",   "UP3OctavePopUp",   "UP4OctavePopUp"};
    const char* transposeTexts[] = {"- 4 Octaves", "- 3 Octaves", "- 2 Octaves", "- 1 Octave", " None",
                                    "+ 1 Octave",  "+ 2 Octaves", "+ 3 Octaves", "+ 4 Octaves"};
    QActionGroup* transposeGroup = group();
    for (int i = 0; i < 9; ++i)
        transposeMenuItems_[i] = NewItem(Transpose1, transposeMenuNames[i], QString::fromLatin1(transposeTexts[i]),
                                         transposeGroup, i + 1);
    transposeMenuItems_[4]->setChecked(true);

    Languages1 = newMenu(bar, "Languages1", QStringLiteral("&Language"));
    bar->addMenu(Languages1);
    QActionGroup* languageGroup = group();
    English1 = NewItem(Languages1, "English1", QStringLiteral("&English"), languageGroup);
    French1 = NewItem(Languages1, "French1", QStringLiteral("&French"), languageGroup);
    English1->setChecked(true);

    Help1 = newMenu(bar, "Help1", QStringLiteral("&Help"));
    bar->addMenu(Help1);
    About1 = NewItem(Help1, "About1", QStringLiteral("&About"));

    // The pop-up menus.
    PopupMenu1 = newMenu(this, "PopupMenu1", QString());
    comPopupGroup_ = group();
    const char* comPopupNames[] = {"COM12", "COM22", "COM32", "COM41"};
    for (int i = 0; i < 4; ++i)
        comPopupItems_[i] = NewItem(PopupMenu1, comPopupNames[i], QStringLiteral("COM %1").arg(i + 1),
                                    comPopupGroup_, i + 1);
    separator(PopupMenu1, "N6");
    OtherPortPopUp = NewItem(PopupMenu1, "OtherPortPopUp", QStringLiteral("Other port..."), comPopupGroup_);
    separator(PopupMenu1, "N8");
    AllOffPopUp = NewItem(PopupMenu1, "AllOffPopUp", QStringLiteral("All outputs off"));

    PopupMenu4 = newMenu(this, "PopupMenu4", QString());
    midiPopupGroup_ = group();
    None2 = NewItem(PopupMenu4, "None2", QStringLiteral("None"), midiPopupGroup_);
    None2->setChecked(true);
    separator(PopupMenu4, "N4");

    PopupMenu2 = newMenu(this, "PopupMenu2", QString());
    QActionGroup* transposePopupGroup = group();
    for (int i = 0; i < 9; ++i)
        transposePopupItems_[i] = NewItem(PopupMenu2, transposePopupNames[i],
                                          QString::fromLatin1(transposeTexts[i]), transposePopupGroup, i + 1);
    transposePopupItems_[4]->setChecked(true);
}

void TForm1::CreateComponents()
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(100);
    // The live bridge's watch (port and MIDI device tried again about once a
    // second) and its drain (the next waiting change, after the user's input).
    WatchTimer = new QTimer(this);
    WatchTimer->setObjectName(QStringLiteral("WatchTimer"));
    DrainTimer = new QTimer(this);
    DrainTimer->setObjectName(QStringLiteral("DrainTimer"));
    watchClock_ = std::make_unique<TQtTimerClock>(*WatchTimer);
    drainClock_ = std::make_unique<TQtTimerClock>(*DrainTimer);

    ackClock_ = std::make_unique<TQtAckClock>(*Timer1);
    link_ = std::make_unique<TRs232Link>(services_.SerialPorts, *ackClock_, pump_);
    indicator_ = std::make_unique<TQtActivityIndicator>(*Shape5, *Timer2);

    const auto newInput = [this](TMidiDeviceLayer& layer) {
        auto target = std::make_unique<TQtNotificationTarget>([this](std::exception_ptr error) {
            ReportException(error);
        });
        auto input = std::make_unique<TMidiInput>(layer, std::move(target));
        input->SetCapacity(4096);
        input->SetSysexBufferSize(4096);
        return input;
    };
    try {
        MidiInput1 = newInput(services_.MidiDevices);
    } catch (const std::exception& error) {
        // The MIDI system cannot even name its devices: run without any.
        ReportError(error.what());
        MidiInput1 = newInput(noMidiDevices_);
    }
    bridge_ = std::make_unique<TLiveBridge>(settings_, *MidiInput1, *link_, services_.Dialogs, *indicator_,
                                            TLiveBridge::TClocks{*watchClock_, *drainClock_});
    bridge_->SetOnStatusChanged([this] {
        ShowComPort();
        ShowMidiInPortName();
    });
}

void TForm1::ConnectHandlers()
{
    const auto onTrigger = [this](QAction* item, auto handler) {
        connect(item, &QAction::triggered, this, [this, handler] { Command(handler); });
    };
    const auto onSenderTrigger = [this](QAction* item, void (TForm1::*handler)(QObject*)) {
        connect(item, &QAction::triggered, this,
                [this, item, handler] { Command([this, item, handler] { (this->*handler)(item); }); });
    };
    const auto onClick = [this](QToolButton* button, void (TForm1::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                [this, handler] { Command([this, handler] { (this->*handler)(); }); });
    };
    const auto onPictureClick = [this](TPictureBox* picture, void (TForm1::*handler)(QObject*)) {
        connect(picture, &TPictureBox::clicked, this,
                [this, picture, handler] { Command([this, picture, handler] { (this->*handler)(picture); }); });
    };

    onTrigger(Open1, [this] { Open1Click(); });
    onTrigger(SaveSeqFile1, [this] { SaveSeqFile1Click(); });
    onTrigger(Convert1, [this] { SpeedButton2Click(); });
    onTrigger(ViewSequence1, [this] { ViewSequence1Click(); });
    onTrigger(Exit1, [this] { Exit1Click(); });
    for (QAction* item : comMenuItems_)
        onSenderTrigger(item, &TForm1::COM11Click);
    for (QAction* item : comPopupItems_)
        onSenderTrigger(item, &TForm1::COM11Click);
    onTrigger(OtherPortMenu, [this] { OtherPortClick(); });
    onTrigger(OtherPortPopUp, [this] { OtherPortClick(); });
    onTrigger(AllOff1, [this] { AllOff1Click(); });
    onTrigger(AllOffPopUp, [this] { AllOff1Click(); });
    onTrigger(None1, [this] { None1Click(); });
    onTrigger(None2, [this] { None1Click(); });
    for (QAction* item : resolutionItems_)
        onSenderTrigger(item, &TForm1::N1Seconde1Click);
    onSenderTrigger(Proportionnal1, &TForm1::Proportionnal1Click);
    onSenderTrigger(Contactor1, &TForm1::Proportionnal1Click);
    for (QAction* item : transposeMenuItems_)
        onSenderTrigger(item, &TForm1::NoneTransposeMenuClick);
    for (QAction* item : transposePopupItems_)
        onSenderTrigger(item, &TForm1::NoneTransposeMenuClick);
    onTrigger(English1, [this] { English1Click(); });
    onTrigger(French1, [this] { French1Click(); });
    onTrigger(About1, [this] { About1Click(); });

    onClick(speedButtons_[0], &TForm1::Open1Click);
    onClick(speedButtons_[1], &TForm1::SaveSeqFile1Click);
    onClick(speedButtons_[2], &TForm1::SpeedButton2Click);
    onClick(speedButtons_[3], &TForm1::SpeedButton4Click);
    onClick(speedButtons_[4], &TForm1::SpeedButton5Click);
    onClick(speedButtons_[5], &TForm1::SpeedButton6Click);
    for (TPictureBox* picture : resolutionPictures_)
        onPictureClick(picture, &TForm1::Image1Click);
    onPictureClick(Image8, &TForm1::Image8Click);
    onPictureClick(Image10, &TForm1::Image8Click);

    // A port plugged in during the run shows the next time a port menu opens.
    connect(RS2321, &QMenu::aboutToShow, this, [this] { Guarded([this] { BuildSerialPortMenus(); }); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { Guarded([this] { BuildSerialPortMenus(); }); });

    // A device plugged in during the run shows the next time a MIDI menu opens.
    connect(MIDIPort1, &QMenu::aboutToShow, this, [this] { Guarded([this] { BuildMidiInPortMenus(); }); });
    connect(PopupMenu4, &QMenu::aboutToShow, this, [this] { Guarded([this] { BuildMidiInPortMenus(); }); });

    connect(Timer2, &QTimer::timeout, this, [this] { Guarded([this] { bridge_->Timer2Timer(); }); });
    connect(WatchTimer, &QTimer::timeout, this, [this] { Guarded([this] { bridge_->WatchClockRanOut(); }); });
    connect(DrainTimer, &QTimer::timeout, this, [this] { Guarded([this] { bridge_->DrainClockRanOut(); }); });
}

// ---------------------------------------------------------------------------
// The general error handler

void TForm1::Command(const std::function<void()>& command)
{
    // A command that reaches the window while a handshake waits for its
    // answer (a queued click, a shortcut) runs once the handshake is over:
    // a dialog or a port change nested in the wait would outlast its clock.
    if (settings_.SendBusy) {
        QTimer::singleShot(CommandRetryMs, this, [this, command] { Command(command); });
        return;
    }
    Guarded(command);
}

void TForm1::ReportException(std::exception_ptr error) noexcept
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
}

void TForm1::ReportError(const std::string& text) noexcept
{
    try {
        services_.Dialogs.Warning(text);
    } catch (...) {
        // Nothing is left to tell the user with.
    }
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

void TForm1::FormCreate()
{
    settings_.ClearWorkLists();
    settings_.SetDefaults();
    Guarded([this] { BuildMidiInPortMenus(); });
    settings_.ComPortName = "COM1";
    settings_.MidiInPortName.clear();
    // A bad settings file is reported and start-up goes on: the values read
    // before the bad line and the defaults of the rest are all applied.
    Guarded([this] { LoadSettingsStep(); });
    CheckLanguageItem();
    Guarded([this] { SelectSavedMidiInPort(); });
    Guarded([this] { ApplyLanguage(); });
    settings_.ComPortOpen = false;
    Guarded([this] { bridge_->OpenComPort(); });
    settings_.MidiInOpen = false;
    Guarded([this] { bridge_->OpenMidiInPort(); });
    bridge_->StartWatching();
    Guarded([this] { BuildSerialPortMenus(); });
    Guarded([this] { ShowResolution(); });
    Guarded([this] { ShowMidiMode(); });
    Guarded([this] { ShowComPort(); });
    Guarded([this] { ShowTranspose(); });
}

void TForm1::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    // The viewer would keep the program running.
    if (viewer_ != nullptr)
        viewer_->close();
    // A MIDI notification still queued, or one that runs inside a message
    // box below, must not send anything once the lists are gone.
    bridge_->BeginShutdown();
    settings_.ClearWorkLists();
    // A settings file that cannot be written is reported; the ports are
    // closed all the same.
    Guarded([this] { SaveSettingsStep(); });
    Guarded([this] { bridge_->CloseMidiInPort(); });
    if (settings_.ComPortOpen)
        Guarded([this] { bridge_->CloseComPort(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm1::LoadSettingsStep()
{
    if (services_.SettingsFile.empty())
        LoadSettings(settings_);
    else
        LoadSettings(settings_, services_.SettingsFile);
}

void TForm1::SaveSettingsStep()
{
    if (services_.SettingsFile.empty())
        SaveSettings(settings_);
    else
        SaveSettings(settings_, services_.SettingsFile);
}

void TForm1::CheckLanguageItem()
{
    (settings_.LanguageIndex == LanguageEnglish ? English1 : French1)->setChecked(true);
}

// ---------------------------------------------------------------------------
// Language

std::string TForm1::Label(LabelEntry entry) const
{
    return Text(entry, settings_.LanguageIndex);
}

void TForm1::ShowMidiFileName()
{
    Label4->setText(ToQt(Label(LabelEntry::MidiFile) + settings_.MidiFileName));
}

void TForm1::ShowSeqFileName()
{
    Label5->setText(ToQt(Label(LabelEntry::SeqFile) + settings_.SeqFileName));
}

void TForm1::ShowMidiInPortName()
{
    ShowLinkLabel(*Label3, LabelEntry::MidiIn, settings_.MidiInPortName, bridge_->MidiInStatus(), false);
}

std::string TForm1::Status(StatusEntry entry) const
{
    return Text(entry, settings_.LanguageIndex);
}

void TForm1::ShowLinkLabel(QLabel& label, LabelEntry entry, const std::string& value, TLinkStatus status,
                           bool serialPort)
{
    // The value in full when it fits, else elided in the middle; the
    // tooltip always has all of it.
    const QString prefix = ToQt(Label(entry));
    const QFontMetrics metrics(label.font());
    const int room = label.contentsRect().width() - metrics.horizontalAdvance(prefix) - 2;
    label.setText(prefix + metrics.elidedText(ToQt(value), Qt::ElideMiddle, std::max(room, 0)));

    const bool down = !value.empty() && !status.Open;
    QString tip = ToQt(value);
    if (down) {
        std::optional<StatusEntry> reason;
        switch (status.Problem) {
        case TLinkProblem::NotFound: reason = StatusEntry::NotFound; break;
        case TLinkProblem::InUse: reason = StatusEntry::InUse; break;
        case TLinkProblem::PermissionDenied: reason = StatusEntry::PermissionDenied; break;
        case TLinkProblem::Lost: reason = StatusEntry::Lost; break;
        case TLinkProblem::Failed: reason = StatusEntry::Failed; break;
        case TLinkProblem::None: break;
        }
        if (reason)
            tip += QLatin1Char('\n') + ToQt(Status(*reason));
        const bool waitsForDevice = !serialPort && (status.Problem == TLinkProblem::NotFound ||
                                                    status.Problem == TLinkProblem::Lost);
        tip += QLatin1Char('\n') + ToQt(Status(waitsForDevice ? StatusEntry::OpensWhenPresent : StatusEntry::Retrying));
#if defined(__linux__)
        if (serialPort && status.Problem == TLinkProblem::PermissionDenied)
            tip += QLatin1Char('\n') + ToQt(Status(StatusEntry::DialoutHint));
#endif
    }
    label.setToolTip(tip);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, down ? DownColour : QColor(Qt::black));
    label.setPalette(palette);
}

void TForm1::ApplyLanguage()
{
    const std::uint8_t language = settings_.LanguageIndex;
    const auto text = [language](TTextRef entry) { return ToQt(Text(entry, language)); };
    const auto setTitle = [](QMenu* menu, const QString& caption) { menu->setTitle(caption); };

    setTitle(File1, text(FileMenuEntry::Title));
    Open1->setText(text(FileMenuEntry::OpenMidiFile));
    SaveSeqFile1->setText(text(FileMenuEntry::SeqFile));
    Convert1->setText(text(FileMenuEntry::Convert));
    ViewSequence1->setText(text(FileMenuEntry::ViewSequence));
    Exit1->setText(text(FileMenuEntry::Exit));

    setTitle(Languages1, text(LanguageMenuEntry::Title));
    English1->setText(text(LanguageMenuEntry::English));
    French1->setText(text(LanguageMenuEntry::French));

    setTitle(Help1, text(HelpMenuEntry::Title));
    About1->setText(text(HelpMenuEntry::About));

    setTitle(RS2321, text(Rs232MenuEntry::Title));
    OtherPortMenu->setText(text(Rs232MenuEntry::OtherPort));
    OtherPortPopUp->setText(text(Rs232MenuEntry::OtherPort));
    AllOff1->setText(text(Rs232MenuEntry::AllOutputsOff));
    AllOffPopUp->setText(text(Rs232MenuEntry::AllOutputsOff));

    setTitle(MIDIPort1, text(MidiPortMenuEntry::Title));
    None1->setText(text(MidiPortMenuEntry::None));
    BuildMidiInPortMenus();  // the marks of an absent device and of a missing MIDI system

    setTitle(Options1, text(OptionsMenuEntry::Title));
    setTitle(Resolution1, text(OptionsMenuEntry::Resolution));
    setTitle(MidiMode1, text(OptionsMenuEntry::MidiMode));
    setTitle(Transpose1, text(OptionsMenuEntry::Transpose));
    Proportionnal1->setText(text(OptionsMenuEntry::Proportional));
    Contactor1->setText(text(OptionsMenuEntry::DryContact));

    for (int tag = 1; tag <= 9; ++tag)
        transposeMenuItems_[tag - 1]->setText(text(static_cast<TransposeEntry>(tag)));
    None2->setText(text(MidiPortMenuEntry::None));
    for (int tag = 1; tag <= 9; ++tag)
        transposePopupItems_[tag - 1]->setText(text(static_cast<TransposeEntry>(tag)));

    for (int entry = 1; entry <= TextEntryCount<HintEntry>; ++entry)
        speedButtons_[entry - 1]->setToolTip(text(static_cast<HintEntry>(entry)));

    Label1->setText(ToQt(Label(LabelEntry::ConverterTitle)));
    ShowMidiFileName();
    Label6->setText(ToQt(Label(LabelEntry::Resolution)));
    ShowSeqFileName();
    Label9->setText(ToQt(Label(LabelEntry::DoConvert)));
    Label2->setText(ToQt(Label(LabelEntry::BridgeTitle)));
    ShowComPort();
    ShowMidiInPortName();
    Label8->setText(ToQt(Label(LabelEntry::MidiActivity)));
    Label14->setText(ToQt(Label(LabelEntry::MidiMode)));
    Label17->setText(ToQt(Label(LabelEntry::Proportional)));
    Label15->setText(ToQt(Label(LabelEntry::DryContact)));
    ShowTranspose();
    if (viewer_ != nullptr)
        viewer_->ApplyLanguage();
}

void TForm1::English1Click()
{
    English1->setChecked(true);
    settings_.LanguageIndex = LanguageEnglish;
    ApplyLanguage();
}

void TForm1::French1Click()
{
    French1->setChecked(true);
    settings_.LanguageIndex = LanguageFrench;
    ApplyLanguage();
}

// ---------------------------------------------------------------------------
// The converter

void TForm1::Open1Click()
{
    const auto chosen = services_.FileDialogs.OpenMidiFile(settings_.MidiFileName);
    if (!chosen)
        return;
    settings_.MidiFileName = *chosen;
    ShowMidiFileName();
}

void TForm1::SaveSeqFile1Click()
{
    ChooseSeqFile();
}

void TForm1::ChooseSeqFile()
{
    const auto chosen = services_.FileDialogs.SaveSeqFile(settings_.SeqFileName);
    if (!chosen)
        return;
    settings_.SeqFileName = *chosen;
    ShowSeqFileName();
}

void TForm1::SpeedButton2Click()
{
    TConversionCommand command(settings_, MidiFile1, services_.Dialogs, *this);
    command.Execute();
    if (command.Facts())
        lastReport_ = ReportConversion(settings_.NoteEvents, settings_.ContactEvents, settings_.SeqFrames,
                                       *command.Facts());
    // An open viewer shows the new image and its report.
    if (viewer_ != nullptr && viewer_->isVisible()) {
        viewer_->SetReport(lastReport_);
        viewer_->LoadSeqFile();
    }
}

void TForm1::ViewSequence1Click()
{
    if (viewer_ == nullptr)
        viewer_ = std::make_unique<TSeqViewer>(settings_);
    viewer_->SetReport(lastReport_);
    const std::string problem = viewer_->LoadSeqFile();
    if (viewer_->isVisible()) {
        viewer_->raise();
        viewer_->activateWindow();
    }
    viewer_->show();
    if (!problem.empty())
        services_.Dialogs.Warning(problem);
}

void TForm1::SetConverterEnabled(bool enabled)
{
    Panel2->setEnabled(enabled);
    File1->setEnabled(enabled);
    File1->menuAction()->setEnabled(enabled);
}

void TForm1::Image1Click(QObject* sender)
{
    settings_.ResolutionMs = ResolutionMsOfTag(TagOf(sender));
    ShowResolution();
}

void TForm1::N1Seconde1Click(QObject* sender)
{
    Image1Click(sender);
}

void TForm1::ShowResolution()
{
    for (TPictureBox* picture : resolutionPictures_)
        picture->SetPicture(Image7->Picture());
    const std::size_t chosen = ResolutionIndex(settings_.ResolutionMs);
    resolutionPictures_[chosen]->SetPicture(Image6->Picture());
    resolutionItems_[chosen]->setChecked(true);
    for (TPictureBox* picture : resolutionPictures_)
        picture->update();
}

// ---------------------------------------------------------------------------
// The live bridge's settings

void TForm1::Image8Click(QObject* sender)
{
    // The pictures and items of the modes carry their mode as their Tag.
    settings_.MidiMode =
        TagOf(sender) == MidiModeValue::DryContact ? MidiModeValue::DryContact : MidiModeValue::Proportional;
    ShowMidiMode();
}

void TForm1::Proportionnal1Click(QObject* sender)
{
    Image8Click(sender);
}

void TForm1::ShowMidiMode()
{
    Image8->SetPicture(Image7->Picture());
    Image10->SetPicture(Image7->Picture());
    if (settings_.MidiMode == MidiModeValue::DryContact) {
        Image10->SetPicture(Image6->Picture());
        Contactor1->setChecked(true);
    } else {
        Image8->SetPicture(Image6->Picture());
        Proportionnal1->setChecked(true);
    }
    Image8->update();
    Image10->update();
}

void TForm1::NoneTransposeMenuClick(QObject* sender)
{
    settings_.TransposeIndex = static_cast<std::uint8_t>(TagOf(sender));
    ShowTranspose();
}

void TForm1::ShowTranspose()
{
    const std::uint8_t index = settings_.TransposeIndex;
    const std::size_t item = (index >= 1 && index <= 9) ? index - 1u : 4u;
    transposeMenuItems_[item]->setChecked(true);
    transposePopupItems_[item]->setChecked(true);
    Label16->setText(
        ToQt(Label(LabelEntry::Transpose) + std::string(TransposeText(settings_.LanguageIndex, index))));
}

void TForm1::SpeedButton4Click()
{
    PopupMenu1->popup(QCursor::pos());
}

void TForm1::SpeedButton5Click()
{
    PopupMenu4->popup(QCursor::pos());
}

void TForm1::SpeedButton6Click()
{
    PopupMenu2->popup(QCursor::pos());
}

// ---------------------------------------------------------------------------
// COM port

void TForm1::COM11Click(QObject* sender)
{
    SelectComPort("COM" + std::to_string(TagOf(sender)));
}

void TForm1::SerialPortClick(QObject* sender)
{
    if (sender != nullptr)
        SelectComPort(sender->property(PortNameProperty).toString().toStdString());
}

void TForm1::OtherPortClick()
{
    const std::string question =
        Text(Rs232MenuEntry::OtherPortPrompt, settings_.LanguageIndex);
    const auto answer = services_.PortNamePrompt.AskPortName(question, settings_.ComPortName);
    const std::string name = answer ? Trimmed(*answer) : std::string();
    if (name.empty()) {
        ShowComPort();  // the item's own check mark goes back where it was
        return;
    }
    SelectComPort(name);
}

void TForm1::AllOff1Click()
{
    bridge_->AllOutputsOff();
}

void TForm1::SelectComPort(const std::string& name)
{
    if (settings_.ComPortOpen)
        bridge_->CloseComPort();
    settings_.ComPortName = name;
    ShowComPort();
    bridge_->OpenComPort();
}

void TForm1::ShowComPort()
{
    const std::string& name = settings_.ComPortName;
    bool shown = false;
    for (std::size_t i = 0; i < serialPortNames_.size(); ++i) {
        if (serialPortNames_[i] == name) {
            serialMenuItems_[i]->setChecked(true);
            serialPopupItems_[i]->setChecked(true);
            shown = true;
            break;
        }
    }
    if (!shown) {
        // COM1..COM4 have items of their own; any other name came through
        // "Other port..." (or a settings file), which then shows it.
        const bool comItem = name.size() == 4 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '4';
        const auto item = comItem ? static_cast<std::size_t>(name[3] - '1') : 0u;
        (comItem ? comMenuItems_[item] : OtherPortMenu)->setChecked(true);
        (comItem ? comPopupItems_[item] : OtherPortPopUp)->setChecked(true);
    }
    ShowLinkLabel(*Label7, LabelEntry::ComPort, name, bridge_->ComPortStatus(), true);
}

void TForm1::BuildSerialPortMenus()
{
    for (QAction* item : serialMenuItems_)
        delete item;
    for (QAction* item : serialPopupItems_)
        delete item;
    serialMenuItems_.clear();
    serialPopupItems_.clear();
    serialPortNames_.clear();

    if (services_.ListSerialPorts)
        serialPortNames_ = services_.ListSerialPorts();
    for (std::size_t i = 0; i < serialPortNames_.size(); ++i) {
        const std::string& name = serialPortNames_[i];
        const auto newItem = [&](QMenu* menu, QActionGroup* group, QAction* before, const QString& objectName) {
            auto* item = new QAction(LiteralCaption(name), menu);
            item->setObjectName(objectName);
            item->setCheckable(true);
            item->setProperty(PortNameProperty, ToQt(name));
            group->addAction(item);
            menu->insertAction(before, item);
            connect(item, &QAction::triggered, this, [this, item] { Command([this, item] { SerialPortClick(item); }); });
            return item;
        };
        const QString number = QString::number(i + 1);
        serialMenuItems_.push_back(
            newItem(RS2321, comMenuGroup_, OtherPortMenu, QStringLiteral("SerialPortMenu") + number));
        serialPopupItems_.push_back(
            newItem(PopupMenu1, comPopupGroup_, OtherPortPopUp, QStringLiteral("SerialPortPopUp") + number));
    }
    ShowComPort();
}

// ---------------------------------------------------------------------------
// MIDI input device

void TForm1::BuildMidiInPortMenus()
{
    for (QAction* item : midiDeviceItems_)
        delete item;
    midiDeviceItems_.clear();

    // Device i at position i + 2 of both menus, after None and the separator.
    std::vector<std::string> names = MidiInput1->DeviceNames();
    const std::size_t present = names.size();
    const std::string& saved = settings_.MidiInPortName;
    if (!saved.empty() && std::find(names.begin(), names.end(), saved) == names.end())
        names.push_back(saved);  // kept and shown, opened when it appears
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int tag = static_cast<int>(i) + 1;
        const QString caption =
            LiteralCaption(names[i]) +
            (i < present ? QString()
                         : ToQt(Text(MidiPortMenuEntry::AbsentMark, settings_.LanguageIndex)));
        const auto newItem = [&](QMenu* menu, QActionGroup* group, const QString& objectName) {
            auto* item = new QAction(caption, menu);
            item->setObjectName(objectName + QString::number(tag));
            item->setCheckable(true);
            item->setProperty(TagProperty, tag);
            item->setProperty(DeviceNameProperty, ToQt(names[i]));
            group->addAction(item);
            menu->addAction(item);
            connect(item, &QAction::triggered, this, [this, item] { Command([this, item] { MidiInPortClick(item); }); });
            midiDeviceItems_.push_back(item);
        };
        newItem(MIDIPort1, midiMenuGroup_, QStringLiteral("MidiInPortMenu"));
        newItem(PopupMenu4, midiPopupGroup_, QStringLiteral("MidiInPortPopUp"));
    }
    if (!MidiInput1->MidiSystemFound()) {
        for (QMenu* menu : {MIDIPort1, PopupMenu4}) {
            auto* item = new QAction(ToQt(Text(MidiPortMenuEntry::NoMidiSystem, settings_.LanguageIndex)),
                                     menu);
            item->setObjectName(menu == MIDIPort1 ? QStringLiteral("NoMidiSystemMenu")
                                                  : QStringLiteral("NoMidiSystemPopUp"));
            item->setEnabled(false);
            menu->addAction(item);
            midiDeviceItems_.push_back(item);
        }
    }
    CheckMidiInItems();
}

void TForm1::CheckMidiInItems()
{
    const QString name = ToQt(settings_.MidiInPortName);
    None1->setChecked(name.isEmpty());
    None2->setChecked(name.isEmpty());
    if (name.isEmpty())
        return;
    // The last device of that name wins, as the device walk finds it.
    for (QMenu* menu : {MIDIPort1, PopupMenu4}) {
        QAction* chosen = nullptr;
        for (QAction* item : menu->actions())
            if (item->isCheckable() && item != None1 && item != None2 &&
                item->property(DeviceNameProperty).toString() == name)
                chosen = item;
        if (chosen != nullptr)
            chosen->setChecked(true);
    }
}

void TForm1::SelectSavedMidiInPort()
{
    // A saved device that is not there keeps its name: the bridge opens it
    // when it appears, and the menus show it marked absent meanwhile.
    CheckMidiInItems();
}

void TForm1::MidiInPortClick(QObject* sender)
{
    if (sender == nullptr)
        return;
    settings_.MidiInPortName = sender->property(DeviceNameProperty).toString().toStdString();
    CheckMidiInItems();
    ShowMidiInPortName();
    bridge_->ReopenMidiInPort();
}

void TForm1::None1Click()
{
    None1->setChecked(true);
    None2->setChecked(true);
    settings_.MidiInPortName.clear();
    ShowMidiInPortName();
    bridge_->ReopenMidiInPort();
}

// ---------------------------------------------------------------------------
// Program

void TForm1::Exit1Click()
{
    close();
}

void TForm1::About1Click()
{
    if (aboutBox_ != nullptr)
        aboutBox_->exec();
}
