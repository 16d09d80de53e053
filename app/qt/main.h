#pragma once
// TForm1, the main window: the converter panel and the live bridge panel, the
// menu bar offering the same choices, and three pop-up menus behind picture
// buttons. It owns the components of the two halves (MidiFile1, MidiInput1,
// Timer1, Timer2, the serial link and the live bridge), runs the start-up and
// shut-down sequences, wires every control to one step of the core and keeps
// the displays of each setting in step. It holds no conversion, serial or
// MIDI logic of its own.
//
// Every control carries its name as objectName, and the controls of a family
// their Tag as the property "Tag". Every handler runs under one general error
// handler: an exception is shown in a warning box with its own text and never
// reaches Qt's event loop.

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "AppSettings.h"
#include "ConversionCommand.h"
#include "Dialogs.h"
#include "FileDialogs.h"
#include "LiveBridge.h"
#include "MidiDeviceLayer.h"
#include "MidiFile.h"
#include "MidiIn.h"
#include "PortNamePrompt.h"
#include "Resolution.h"
#include "QtAckClock.h"
#include "QtActivityIndicator.h"
#include "QtMessagePump.h"
#include "QtTimerClock.h"
#include "Rs232Link.h"
#include "SerialDevice.h"
#include "Text.h"
#include "NoMidiDeviceLayer.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTimer;
class QToolButton;
class TForm2;
class TPictureBox;
class TSeqViewer;
class TShape;

inline constexpr char WindowTitle[] = "Midi To TOREM Sequence Bridge";

// What the window talks to. The program gives the real ones; tests give
// recording dialogs, answered prompts, virtual MIDI devices and
// pseudo-terminals. Everything referred to must outlive the window.
struct TForm1Services {
    TDialogs& Dialogs;
    TFileDialogs& FileDialogs;
    TPortNamePrompt& PortNamePrompt;
    TMidiDeviceLayer& MidiDevices;
    TSerialPorts& SerialPorts;
    // The system's serial ports by path, asked again whenever a COM port
    // menu opens; none when empty.
    std::function<std::vector<std::string>()> ListSerialPorts;
    // The settings file; empty means TOREMMidiToSeqBridge.cfg where
    // SettingsFilePath puts it (beside the executable or the user's folder).
    std::filesystem::path SettingsFile;
    // Called with the window before its start-up sequence runs, so that every
    // box of the run, the first warnings included, is a child of the window.
    std::function<void(QWidget& window)> AdoptDialogs;
};

class TForm1 final : public QMainWindow, private TConverterControls {
public:
    // Builds the window with its design texts, then runs FormCreate.
    explicit TForm1(const TForm1Services& services, QWidget* parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    AppSettings& Settings() { return settings_; }
    const AppSettings& Settings() const { return settings_; }
    // The viewer, once ViewSequence1Click has opened it.
    TSeqViewer* SeqViewer() const { return viewer_.get(); }

    // The About box that About1Click shows; the program entry creates it.
    void SetAboutBox(TForm2* aboutBox) { aboutBox_ = aboutBox; }

    // The shut-down sequence; runs once, from the first close.
    void FormClose();

    // Commands, as the controls run them; each may also be called directly.
    void Open1Click();
    void SaveSeqFile1Click();
    void ChooseSeqFile();
    void SpeedButton2Click();  // the Convert command
    // The viewer of the sequence file named and of the last conversion's report.
    void ViewSequence1Click();
    void Exit1Click();
    void About1Click();
    void English1Click();
    void French1Click();
    void Image1Click(QObject* sender);         // resolution pictures
    void N1Seconde1Click(QObject* sender);     // resolution items
    void Image8Click(QObject* sender);         // MIDI mode pictures
    void Proportionnal1Click(QObject* sender); // MIDI mode items
    void NoneTransposeMenuClick(QObject* sender);
    void SpeedButton4Click();  // PopupMenu1 at the cursor
    void SpeedButton5Click();  // PopupMenu4 at the cursor
    void SpeedButton6Click();  // PopupMenu2 at the cursor
    void COM11Click(QObject* sender);
    void SerialPortClick(QObject* sender);  // a port of the system's list
    void OtherPortClick();                  // "Other port...": asks for a name
    void MidiInPortClick(QObject* sender);
    void None1Click();
    void AllOff1Click();  // "All outputs off"

    // Displays and menus.
    void ApplyLanguage();
    void ShowResolution();
    void ShowMidiMode();
    void ShowTranspose();
    void ShowComPort();
    void BuildMidiInPortMenus();
    void SelectSavedMidiInPort();
    // Checks the item of MidiInPortName in both MIDI menus, None when empty.
    void CheckMidiInItems();
    // The system's ports below the separator of the RS232 menu and of PopupMenu1.
    void BuildSerialPortMenus();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The start-up sequence, run by the constructor.
    void FormCreate();
    void SetConverterEnabled(bool enabled) override;

    // The general error handler: runs step, shows what it throws.
    template <class TStep>
    void Guarded(TStep&& step) noexcept;
    void ReportError(const std::string& text) noexcept;
    // A user's command (menu item, button, picture): run under the general
    // error handler, but only once no handshake waits.
    void Command(const std::function<void()>& command);
    void ReportException(std::exception_ptr error) noexcept;

    // Steps of the commands.
    void LoadSettingsStep();
    void SaveSettingsStep();
    void CheckLanguageItem();
    void SelectComPort(const std::string& name);
    std::string Label(LabelEntry entry) const;
    std::string Status(StatusEntry entry) const;
    // A port or device display: prefix and value (elided in the middle when
    // too long), the whole value and, when it is not open, why in the tooltip
    // and a dark red text.
    void ShowLinkLabel(QLabel& label, LabelEntry entry, const std::string& value, TLinkStatus status, bool serialPort);
    // The value labels whose value has no other display.
    void ShowMidiFileName();
    void ShowSeqFileName();
    void ShowMidiInPortName();

    // Building the window.
    void CreateControls();
    void CreateMenus();
    void CreateComponents();
    void ConnectHandlers();
    QLabel* NewLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& designText,
                     const QColor& background);
    QToolButton* NewSpeedButton(QWidget* parent, const char* name, const QRect& geometry, const QPixmap& glyph);
    TPictureBox* NewPicture(QWidget* parent, const char* name, const QRect& geometry, int tag, const QPixmap& picture);
    QAction* NewItem(QMenu* menu, const char* name, const QString& designText, QActionGroup* group = nullptr,
                     int tag = 0);

    TForm1Services services_;
    AppSettings settings_;
    TMidiFile MidiFile1;
    TForm2* aboutBox_ = nullptr;
    // Made when first asked for; a window of its own, which the main window
    // neither covers nor stays under.
    std::unique_ptr<TSeqViewer> viewer_;
    // Of the last conversion that built an image, written or declined.
    std::optional<TConversionReport> lastReport_;
    bool closed_ = false;

    // Menus and their items.
    QMenu* File1 = nullptr;
    QAction *Open1 = nullptr, *SaveSeqFile1 = nullptr, *Convert1 = nullptr, *ViewSequence1 = nullptr,
            *Exit1 = nullptr;
    QMenu* RS2321 = nullptr;
    std::array<QAction*, 4> comMenuItems_{};   // COM11, COM21, COM31, COM51
    QActionGroup* comMenuGroup_ = nullptr;
    QAction* OtherPortMenu = nullptr;
    QAction* AllOff1 = nullptr;
    QMenu* MIDIPort1 = nullptr;
    QAction* None1 = nullptr;
    QActionGroup* midiMenuGroup_ = nullptr;
    QMenu* Options1 = nullptr;
    QMenu* Resolution1 = nullptr;
    std::array<QAction*, Resolutions.size()> resolutionItems_{};  // by row of Resolutions
    QMenu* MidiMode1 = nullptr;
    QAction *Proportionnal1 = nullptr, *Contactor1 = nullptr;
    QMenu* Transpose1 = nullptr;
    std::array<QAction*, 9> transposeMenuItems_{};
    QMenu* Languages1 = nullptr;
    QAction *English1 = nullptr, *French1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    std::array<QAction*, 4> comPopupItems_{};  // COM12, COM22, COM32, COM41
    QActionGroup* comPopupGroup_ = nullptr;
    QAction* OtherPortPopUp = nullptr;
    QAction* AllOffPopUp = nullptr;
    QMenu* PopupMenu4 = nullptr;
    QAction* None2 = nullptr;
    QActionGroup* midiPopupGroup_ = nullptr;
    QMenu* PopupMenu2 = nullptr;
    std::array<QAction*, 9> transposePopupItems_{};
    // The system's ports, the same in both menus, below N5 and N6.
    std::vector<QAction*> serialMenuItems_;
    std::vector<QAction*> serialPopupItems_;
    std::vector<std::string> serialPortNames_;

    // Controls.
    QWidget* Panel2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label14 = nullptr,
           *Label15 = nullptr, *Label16 = nullptr, *Label17 = nullptr;
    std::array<QToolButton*, TextEntryCount<HintEntry>> speedButtons_{};  // SpeedButton3, 1, 2, 4, 5, 6: the order of HintTexts
    std::array<TPictureBox*, Resolutions.size()> resolutionPictures_{};  // by row of Resolutions
    TPictureBox *Image6 = nullptr, *Image7 = nullptr, *Image8 = nullptr, *Image10 = nullptr;
    TShape* Shape5 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* WatchTimer = nullptr;  // the bridge's watch
    QTimer* DrainTimer = nullptr;  // the bridge's drain

    // Components. The bridge refers to all the others and goes first.
    std::vector<QAction*> midiDeviceItems_;   // the device items of both MIDI menus
    TNoMidiDeviceLayer noMidiDevices_;       // stands in when the MIDI system fails at start
    std::unique_ptr<TQtAckClock> ackClock_;
    TQtMessagePump pump_;
    std::unique_ptr<TRs232Link> link_;
    std::unique_ptr<TQtActivityIndicator> indicator_;
    std::unique_ptr<TQtTimerClock> watchClock_;
    std::unique_ptr<TQtTimerClock> drainClock_;
    std::unique_ptr<TMidiInput> MidiInput1;
    std::unique_ptr<TLiveBridge> bridge_;
};
