#pragma once
// The one description of the window's controls and menus, and of the About
// box: names, kinds, places, Tags, the command each runs and the text each
// shows (a language table's entry, or a fixed text), with the texts of the
// form design shown until the language is first applied. Each face (Qt,
// Win32) builds its widgets from it, in its order (later controls stand on
// earlier ones), and the window model tells the faces what to show by the
// same names.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Rgb.h"
#include "Text.h"

// Every control, menu and menu item by its name.
enum class TControl : std::uint8_t {
    None,
    // The main window and its client area.
    Form1, ToolBar1, Image4, Panel1,
    // The converter.
    Panel2, Label1, Label4, Label5, Label6, Label10, Label11, Label12, Label13, Label9, Image9,
    SpeedButton3, SpeedButton1, SpeedButton2, Image1, Image2, Image3, Image5, Image6, Image7,
    // The live bridge.
    Panel3, Label2, Label7, Label3, Label8, Label16, Label14, Label17, Label15, Image11,
    SpeedButton4, SpeedButton5, Shape5, SpeedButton6, Image8, Image10,
    // The menu bar.
    MainMenu1,
    File1, Open1, SaveSeqFile1, Convert1, ViewSequence1, RecentFiles1, RecentFilesMenu, N1, Exit1,
    RS2321, COM11, COM21, COM31, COM51, N5, SerialPortMenu, OtherPortMenu, N7, AllOff1, N9, Log1, Outputs1,
    TestOutputs1,
    MIDIPort1, None1, N2, MidiInPortMenu,
    Options1, Resolution1, N1Seconde1, N500ms1, N250ms1, N100ms1, N3, MidiMode1, Proportionnal1, Contactor1,
    Transpose1, Less4OctaveMenu, Less3OctaveMenu, Less2OctaveMenu, Less1OctaveMenu, NoneTransposeMenu,
    UP1OctaveMenu, UP2OctaveMenu, UP3OctaveMenu, UP4OctaveMenu,
    Languages1, English1, French1,
    Help1, About1,
    // The pop-up menus.
    PopupMenu1, COM12, COM22, COM32, COM41, N6, SerialPortPopUp, OtherPortPopUp, N8, AllOffPopUp,
    PopupMenu4, None2, N4, MidiInPortPopUp,
    PopupMenu2, Less4OctavePopUp, Less3OctavePopUp, Less2OctavePopUp, Less1OctavePopUp, NoneTransposePopUp,
    UP1OctavePopUp, UP2OctavePopUp, UP3OctavePopUp, UP4OctavePopUp,
    // The About box.
    Form2, AboutPanel, ProgramIcon, StaticText1, StaticText2, StaticText3, OKBtn,
    // The output test box.
    Form7, Label18, SpinEdit1, Label19, SpinEdit2, Label20, SpinEdit3, Label21, SpinEdit4,
    Button1, Button2, Button3, Button4, Button5,
};

enum class TControlKind : std::uint8_t {
    Window,       // a top-level window: its client area's size
    Panel,        // a filled panel with its edge
    Label,        // one line of text on a filled background, never resized
    SpeedButton,  // a flat picture button with a hint
    Picture,      // a picture; clickable when it runs a command
    Shape,        // the activity lamp: a filled rectangle with an outline
    MenuBar,
    Menu,         // a menu of the bar or a sub-menu; a pop-up menu has no parent
    MenuItem,
    Separator,
    ItemSlot,     // where the items of a family made at run time go in a menu
    StaticText,   // a centred line of the About box
    Button,       // a push button; the About box's OK, its default
    NumberBox,    // a whole number from Min to Max, Initial at first
};

// What a click runs: the handlers of the window, told apart by the Tag of
// the control where a family shares one.
enum class TCommand : std::uint8_t {
    None,
    Open1Click, SaveSeqFile1Click, SpeedButton2Click, ViewSequence1Click, Exit1Click, About1Click,
    English1Click, French1Click,
    Image1Click, N1Seconde1Click, Image8Click, Proportionnal1Click, NoneTransposeMenuClick,
    SpeedButton4Click, SpeedButton5Click, SpeedButton6Click,
    COM11Click, OtherPortClick, AllOff1Click, None1Click, Log1Click, Outputs1Click, TestOutputs1Click,
    Button1Click, Button2Click, Button3Click, Button4Click, Button5Click,
    CloseAboutBox,
};

// Radio items of one group exclude each other, run-time items of a slot
// included.
enum class TRadioGroup : std::uint8_t {
    None, ComMenu, ComPopup, MidiMenu, MidiPopup, Resolution, MidiMode, TransposeMenu, TransposePopup, Language,
};

// The families of items made at run time.
enum class TItemFamily : std::uint8_t {
    None,
    SerialPorts,  // the ports the system lists, below the COM items
    MidiDevices,  // the MIDI input devices, below None
    RecentFiles,  // the MIDI files chosen last, the latest first
};

// The value a label shows after its table text.
enum class TLabelValue : std::uint8_t { None, MidiFileName, SeqFileName, ComPortName, MidiInPortName, Transpose };

// The pictures; each face has its own artwork of the sizes the controls give.
enum class TArtwork : std::uint8_t {
    None, Banner, ConverterIcon, BridgeIcon,
    OpenMidiFile, ChooseSeqFile, Convert, ComPort, MidiInPort, Transpose,  // button glyphs
    SelectedLook, NotSelectedLook, AboutLogo,
};

enum class TPanelEdge : std::uint8_t { None, FrameLine, Sunken };
enum class TFontStyle : std::uint8_t { Window, Arial13 };

struct TBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    friend constexpr bool operator==(TBounds, TBounds) = default;
};

struct TControlSpec {
    TControl Id = TControl::None;
    const char* Name = "";  // the design's name; the Qt face's object names
    TControlKind Kind = TControlKind::Label;
    TControl Parent = TControl::None;  // window, panel or menu; none for a pop-up menu
    TBounds Bounds{};                  // in the parent's client area, in pixels at 100% scale
    int Tag = 0;                       // 0: none
    TCommand Command = TCommand::None;
    // The run-time text: caption, title, hint or label text. A label that
    // shows a value shows it after this text.
    std::optional<TTextRef> Text{};
    TLabelValue Value = TLabelValue::None;
    // The form design's text, after DesignBlanks blanks; a control without a
    // table text keeps it for good.
    int DesignBlanks = 0;
    const char* DesignText = "";
    TRgb Background{};
    TArtwork Artwork = TArtwork::None;
    TRadioGroup Group = TRadioGroup::None;
    bool CheckedAtDesign = false;
    bool Hidden = false;
    TItemFamily Family = TItemFamily::None;  // of an ItemSlot
    const char* Shortcut = "";               // as "Ctrl+Shift+O"
    // The letter a menu or item underlines, its accelerator, where its text
    // marks none: the English text's, then the French text's when it differs
    // ("NA": "&None...", "&Aucun..."). It marks the first of that letter.
    const char* Underline = "";
    TPanelEdge Edge = TPanelEdge::None;
    TRgb Frame{};
    TFontStyle Font = TFontStyle::Window;
    int Min = 0, Max = 0, Initial = 0;  // of a NumberBox
};

// The lamp Shape5 while an event lights it; its Background is its dark look.
inline constexpr TRgb LampLitColour{255, 0, 0};
// The text of a port or device label whose choice is not working.
inline constexpr TRgb AlertTextColour{139, 0, 0};

// The log window's size when it first opens, in pixels at 100% scale.
inline constexpr TBounds LogWindowSize{0, 0, 640, 360};
// The output monitor's, and the least it may be made: two banks of 8 rows
// of 16 cells, a caption over each and the legend.
inline constexpr TBounds MonitorWindowSize{0, 0, 16 * 52 + 16, 2 * (9 * 30 + 24) + 32};
inline constexpr TBounds MonitorLeastSize{0, 0, 16 * 30, 2 * (9 * 18 + 16) + 24};

// The window's title, the same in both languages.
inline constexpr char WindowTitle[] = "Midi To TOREM Sequence Bridge";

// The main window's controls, then its menus and pop-up menus, then the
// About box, each after its parent.
std::span<const TControlSpec> WindowControls();

// The window a control belongs to: Form1 (the main window, its menus and
// pop-up menus), Form2 (the About box) or Form7 (the output test box).
TControl FormOf(TControl control);

// The entry of a control; throws std::out_of_range for None.
const TControlSpec& ControlSpec(TControl control);
// The control of a design name; None when there is none.
TControl ControlNamed(std::string_view name);
// The form design's text: the blanks, then the text; a menu or item's with
// its underlined letter marked.
std::string DesignCaption(const TControlSpec& described);
// The run-time text of a control that has one (described.Text) in a language; a
// menu or item's with its underlined letter marked.
std::string ControlText(const TControlSpec& described, std::uint8_t language);
