#include "WindowDescription.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

using C = TControl;
using K = TControlKind;
using G = TRadioGroup;
using A = TArtwork;

constexpr TRgb Silver{192, 192, 192};
constexpr TRgb PanelColour{212, 208, 200};
constexpr TRgb PanelFrame{227, 225, 219};
constexpr TRgb BackPanelColour{179, 179, 179};
constexpr TRgb ConverterTitleColour{236, 235, 232};
constexpr TRgb BridgeTitleColour{227, 225, 219};

constexpr TControlSpec Panel(C id, const char* name, C parent, TBounds bounds, TRgb background, TPanelEdge edge,
                             TRgb frame = {})
{
    return {.Id = id, .Name = name, .Kind = K::Panel, .Parent = parent, .Bounds = bounds, .Background = background,
            .Edge = edge, .Frame = frame};
}

constexpr TControlSpec Label(C id, const char* name, C parent, TBounds bounds, std::optional<TTextRef> text,
                             int blanks, const char* design, TRgb background = Silver,
                             TLabelValue value = TLabelValue::None)
{
    return {.Id = id, .Name = name, .Kind = K::Label, .Parent = parent, .Bounds = bounds, .Text = text,
            .Value = value, .DesignBlanks = blanks, .DesignText = design, .Background = background};
}

constexpr TControlSpec Picture(C id, const char* name, C parent, TBounds bounds, A artwork, int tag = 0,
                               TCommand command = TCommand::None, bool hidden = false)
{
    return {.Id = id, .Name = name, .Kind = K::Picture, .Parent = parent, .Bounds = bounds, .Tag = tag,
            .Command = command, .Artwork = artwork, .Hidden = hidden};
}

constexpr TControlSpec SpeedButton(C id, const char* name, C parent, TBounds bounds, A glyph, HintEntry hint,
                                   TCommand command)
{
    return {.Id = id, .Name = name, .Kind = K::SpeedButton, .Parent = parent, .Bounds = bounds,
            .Command = command, .Text = hint, .DesignText = "...", .Artwork = glyph};
}

constexpr TControlSpec Menu(C id, const char* name, C parent, std::optional<TTextRef> title, const char* design)
{
    return {.Id = id, .Name = name, .Kind = K::Menu, .Parent = parent, .Text = title, .DesignText = design};
}

constexpr TControlSpec Item(C id, const char* name, C menu, TCommand command, std::optional<TTextRef> text,
                            const char* design, G group = G::None, int tag = 0, bool checked = false,
                            const char* underline = "", const char* shortcut = "")
{
    return {.Id = id, .Name = name, .Kind = K::MenuItem, .Parent = menu, .Tag = tag, .Command = command,
            .Text = text, .DesignText = design, .Group = group, .CheckedAtDesign = checked, .Shortcut = shortcut,
            .Underline = underline};
}

// An item of no radio group, with its shortcut.
constexpr TControlSpec Command(C id, const char* name, C menu, TCommand command, TTextRef text, const char* design,
                               const char* shortcut, const char* underline = "")
{
    return Item(id, name, menu, command, text, design, G::None, 0, false, underline, shortcut);
}

constexpr TControlSpec Separator(C id, const char* name, C menu)
{
    return {.Id = id, .Name = name, .Kind = K::Separator, .Parent = menu};
}

constexpr TControlSpec Slot(C id, const char* name, C menu, TItemFamily family, G group)
{
    return {.Id = id, .Name = name, .Kind = K::ItemSlot, .Parent = menu, .Group = group, .Family = family};
}

constexpr TControlSpec StaticText(C id, const char* name, TBounds bounds, AboutEntry text, TFontStyle font)
{
    return {.Id = id, .Name = name, .Kind = K::StaticText, .Parent = C::Form2, .Bounds = bounds, .Text = text,
            .Font = font};
}

// The nine transposition items of a menu, Tags 1 to 9, "None" checked.
constexpr std::array<TControlSpec, 9> TransposeItems(C first, const std::array<const char*, 9>& names, C menu,
                                                     G group)
{
    constexpr std::array<const char*, 9> designTexts{"- 4 Octaves", "- 3 Octaves", "- 2 Octaves",
                                                     "- 1 Octave",  " None",       "+ 1 Octave",
                                                     "+ 2 Octaves", "+ 3 Octaves", "+ 4 Octaves"};
    // The number of octaves, the same for a shift down and up (a second
    // press of it goes on to the other); None's initial.
    constexpr std::array<const char*, 9> underlines{"4", "3", "2", "1", "NA", "1", "2", "3", "4"};
    std::array<TControlSpec, 9> items{};
    for (int i = 0; i < 9; ++i) {
        const auto at = static_cast<std::size_t>(i);
        items[at] = Item(static_cast<C>(static_cast<int>(first) + i), names[at], menu, TCommand::NoneTransposeMenuClick,
                         static_cast<TransposeEntry>(i + 1), designTexts[at], group, i + 1, i == 4, underlines[at]);
    }
    return items;
}

template <std::size_t... N>
constexpr auto Join(const std::array<TControlSpec, N>&... parts)
{
    std::array<TControlSpec, (N + ...)> all{};
    std::size_t next = 0;
    ((std::copy(parts.begin(), parts.end(), all.begin() + static_cast<std::ptrdiff_t>(next)), next += N), ...);
    return all;
}

constexpr std::array ClientArea{
    TControlSpec{.Id = C::Form1, .Name = "Form1", .Kind = K::Window, .Bounds = {0, 0, 466, 438},
                 .DesignText = WindowTitle},
    Panel(C::ToolBar1, "ToolBar1", C::Form1, {0, 0, 466, 44}, PanelColour, TPanelEdge::None),
    Picture(C::Image4, "Image4", C::ToolBar1, {0, 2, 208, 40}, A::Banner),
    Panel(C::Panel1, "Panel1", C::Form1, {0, 44, 466, 394}, BackPanelColour, TPanelEdge::Sunken),

    // The converter. Labels first: the pictures and buttons stand on them.
    Panel(C::Panel2, "Panel2", C::Panel1, {8, 8, 449, 201}, PanelColour, TPanelEdge::FrameLine, PanelFrame),
    Label(C::Label1, "Label1", C::Panel2, {0, 18, 449, 14}, LabelEntry::ConverterTitle, 13,
          "Midi file to TOREM sequence file bridge", ConverterTitleColour),
    Label(C::Label4, "Label4", C::Panel2, {8, 58, 433, 15}, LabelEntry::MidiFile, 14, "Midi File : ...", Silver,
          TLabelValue::MidiFileName),
    Label(C::Label5, "Label5", C::Panel2, {8, 98, 433, 15}, LabelEntry::SeqFile, 14, "Seq File : ...", Silver,
          TLabelValue::SeqFileName),
    Label(C::Label6, "Label6", C::Panel2, {8, 139, 433, 15}, LabelEntry::Resolution, 1, "Resolution :"),
    Label(C::Label10, "Label10", C::Panel2, {72, 139, 87, 15}, std::nullopt, 11, "1 Seconde"),
    Label(C::Label11, "Label11", C::Panel2, {160, 139, 87, 15}, std::nullopt, 11, "500 ms"),
    Label(C::Label12, "Label12", C::Panel2, {248, 139, 87, 15}, std::nullopt, 11, "250 ms"),
    Label(C::Label13, "Label13", C::Panel2, {336, 139, 81, 15}, std::nullopt, 11, "100 ms"),
    Label(C::Label9, "Label9", C::Panel2, {8, 178, 433, 15}, LabelEntry::DoConvert, 14, "Process..."),
    Picture(C::Image9, "Image9", C::Panel2, {0, 0, 34, 34}, A::ConverterIcon),
    SpeedButton(C::SpeedButton3, "SpeedButton3", C::Panel2, {8, 37, 37, 36}, A::OpenMidiFile,
                HintEntry::OpenMidiFile, TCommand::Open1Click),
    SpeedButton(C::SpeedButton1, "SpeedButton1", C::Panel2, {8, 77, 36, 36}, A::ChooseSeqFile, HintEntry::SeqFile,
                TCommand::SaveSeqFile1Click),
    SpeedButton(C::SpeedButton2, "SpeedButton2", C::Panel2, {8, 157, 36, 36}, A::Convert, HintEntry::Convert,
                TCommand::SpeedButton2Click),
    Picture(C::Image1, "Image1", C::Panel2, {72, 129, 32, 32}, A::NotSelectedLook, 1, TCommand::Image1Click),
    Picture(C::Image2, "Image2", C::Panel2, {160, 129, 32, 32}, A::NotSelectedLook, 2, TCommand::Image1Click),
    Picture(C::Image3, "Image3", C::Panel2, {248, 129, 32, 32}, A::NotSelectedLook, 3, TCommand::Image1Click),
    Picture(C::Image5, "Image5", C::Panel2, {336, 129, 32, 32}, A::NotSelectedLook, 4, TCommand::Image1Click),
    // The selected and the not-selected look, copied into the selection pictures.
    Picture(C::Image6, "Image6", C::Panel2, {368, 34, 32, 32}, A::SelectedLook, 0, TCommand::None, true),
    Picture(C::Image7, "Image7", C::Panel2, {400, 34, 32, 32}, A::NotSelectedLook, 0, TCommand::None, true),

    // The live bridge.
    Panel(C::Panel3, "Panel3", C::Panel1, {8, 216, 449, 169}, PanelColour, TPanelEdge::FrameLine, PanelFrame),
    Label(C::Label2, "Label2", C::Panel3, {0, 18, 449, 14}, LabelEntry::BridgeTitle, 13, "Real time midi bridge",
          BridgeTitleColour),
    Label(C::Label7, "Label7", C::Panel3, {8, 58, 145, 15}, LabelEntry::ComPort, 13, "Port COM : ...", Silver,
          TLabelValue::ComPortName),
    Label(C::Label3, "Label3", C::Panel3, {160, 58, 281, 15}, LabelEntry::MidiIn, 13, "Midi In Port : ...", Silver,
          TLabelValue::MidiInPortName),
    Label(C::Label8, "Label8", C::Panel3, {8, 98, 209, 15}, LabelEntry::MidiActivity, 11, "Midi activity"),
    Label(C::Label16, "Label16", C::Panel3, {224, 98, 209, 15}, LabelEntry::Transpose, 13, "Transpose : ...",
          Silver, TLabelValue::Transpose),
    Label(C::Label14, "Label14", C::Panel3, {8, 138, 433, 15}, LabelEntry::MidiMode, 1, "Midi Mode : "),
    Label(C::Label17, "Label17", C::Panel3, {72, 138, 105, 15}, LabelEntry::Proportional, 11, "Proportional"),
    Label(C::Label15, "Label15", C::Panel3, {192, 138, 97, 15}, LabelEntry::DryContact, 11, "Contactor"),
    Picture(C::Image11, "Image11", C::Panel3, {0, 0, 34, 34}, A::BridgeIcon),
    SpeedButton(C::SpeedButton4, "SpeedButton4", C::Panel3, {8, 37, 36, 36}, A::ComPort, HintEntry::ComPort,
                TCommand::SpeedButton4Click),
    SpeedButton(C::SpeedButton5, "SpeedButton5", C::Panel3, {160, 37, 36, 36}, A::MidiInPort, HintEntry::MidiIn,
                TCommand::SpeedButton5Click),
    TControlSpec{.Id = C::Shape5, .Name = "Shape5", .Kind = K::Shape, .Parent = C::Panel3, .Bounds = {16, 101, 17, 9},
                 .Background = {128, 0, 0}},
    SpeedButton(C::SpeedButton6, "SpeedButton6", C::Panel3, {224, 77, 36, 36}, A::Transpose, HintEntry::Transpose,
                TCommand::SpeedButton6Click),
    Picture(C::Image8, "Image8", C::Panel3, {72, 129, 32, 32}, A::NotSelectedLook, 1, TCommand::Image8Click),
    Picture(C::Image10, "Image10", C::Panel3, {192, 129, 32, 32}, A::NotSelectedLook, 2, TCommand::Image8Click),
};

constexpr std::array Menus{
    TControlSpec{.Id = C::MainMenu1, .Name = "MainMenu1", .Kind = K::MenuBar, .Parent = C::Form1},

    Menu(C::File1, "File1", C::MainMenu1, FileMenuEntry::Title, "&File"),
    Command(C::Open1, "Open1", C::File1, TCommand::Open1Click, FileMenuEntry::OpenMidiFile, "&Open Midi File", "Ctrl+O"),
    Command(C::SaveSeqFile1, "SaveSeqFile1", C::File1, TCommand::SaveSeqFile1Click, FileMenuEntry::SeqFile,
            "&Save Seq File", "Ctrl+S"),
    Command(C::Convert1, "Convert1", C::File1, TCommand::SpeedButton2Click, FileMenuEntry::Convert, "&Convert",
            "Ctrl+R"),
    Command(C::ViewSequence1, "ViewSequence1", C::File1, TCommand::ViewSequence1Click, FileMenuEntry::ViewSequence,
            "View sequence...", "F3", "V"),
    TControlSpec{.Id = C::RecentFiles1, .Name = "RecentFiles1", .Kind = K::Menu, .Parent = C::File1,
                 .Text = ConversionEntry::RecentFiles, .DesignText = "&Recent Midi files"},
    Slot(C::RecentFilesMenu, "RecentFilesMenu", C::RecentFiles1, TItemFamily::RecentFiles, G::None),
    Separator(C::N1, "N1", C::File1),
    Command(C::Exit1, "Exit1", C::File1, TCommand::Exit1Click, FileMenuEntry::Exit, "&Exit", "Ctrl+Q"),

    Menu(C::RS2321, "RS2321", C::MainMenu1, Rs232MenuEntry::Title, "&RS232"),
    Item(C::COM11, "COM11", C::RS2321, TCommand::COM11Click, std::nullopt, "COM &1", G::ComMenu, 1, true),
    Item(C::COM21, "COM21", C::RS2321, TCommand::COM11Click, std::nullopt, "COM &2", G::ComMenu, 2),
    Item(C::COM31, "COM31", C::RS2321, TCommand::COM11Click, std::nullopt, "COM &3", G::ComMenu, 3),
    Item(C::COM51, "COM51", C::RS2321, TCommand::COM11Click, std::nullopt, "COM &4", G::ComMenu, 4),
    Separator(C::N5, "N5", C::RS2321),
    Slot(C::SerialPortMenu, "SerialPortMenu", C::RS2321, TItemFamily::SerialPorts, G::ComMenu),
    // Checked when the port in use has no item of its own.
    Item(C::OtherPortMenu, "OtherPortMenu", C::RS2321, TCommand::OtherPortClick, Rs232MenuEntry::OtherPort,
         "Other port...", G::ComMenu, 0, false, "OA"),
    Separator(C::N7, "N7", C::RS2321),
    TControlSpec{.Id = C::AllOff1, .Name = "AllOff1", .Kind = K::MenuItem, .Parent = C::RS2321,
                 .Command = TCommand::AllOff1Click, .Text = Rs232MenuEntry::AllOutputsOff,
                 .DesignText = "&All outputs off", .Shortcut = "Ctrl+Shift+O"},
    // The log of what happened on stage.
    Separator(C::N9, "N9", C::RS2321),
    Item(C::Log1, "Log1", C::RS2321, TCommand::Log1Click, Rs232MenuEntry::Log, "&Log..."),
    // Checking the rig: what the device holds, and output tests.
    Item(C::Outputs1, "Outputs1", C::RS2321, TCommand::Outputs1Click, RigEntry::OutputsMenu, "O&utputs..."),
    Item(C::TestOutputs1, "TestOutputs1", C::RS2321, TCommand::TestOutputs1Click, RigEntry::TestOutputsMenu,
         "&Test outputs..."),

    Menu(C::MIDIPort1, "MIDIPort1", C::MainMenu1, MidiPortMenuEntry::Title, "&MIDI In Port"),
    Item(C::None1, "None1", C::MIDIPort1, TCommand::None1Click, MidiPortMenuEntry::None, "&None", G::MidiMenu, 0,
         true, "NA"),
    Separator(C::N2, "N2", C::MIDIPort1),
    Slot(C::MidiInPortMenu, "MidiInPortMenu", C::MIDIPort1, TItemFamily::MidiDevices, G::MidiMenu),

    Menu(C::Options1, "Options1", C::MainMenu1, OptionsMenuEntry::Title, "&Options"),
    Menu(C::Resolution1, "Resolution1", C::Options1, OptionsMenuEntry::Resolution, "&Resolution"),
    Item(C::N1Seconde1, "N1Seconde1", C::Resolution1, TCommand::N1Seconde1Click, std::nullopt, "1 Seconde",
         G::Resolution, 1, false, "S"),
    Item(C::N500ms1, "N500ms1", C::Resolution1, TCommand::N1Seconde1Click, std::nullopt, "500 ms", G::Resolution, 2,
         false, "5"),
    Item(C::N250ms1, "N250ms1", C::Resolution1, TCommand::N1Seconde1Click, std::nullopt, "250 ms", G::Resolution, 3,
         false, "2"),
    Item(C::N100ms1, "N100ms1", C::Resolution1, TCommand::N1Seconde1Click, std::nullopt, "100 ms", G::Resolution, 4,
         false, "1"),
    Separator(C::N3, "N3", C::Options1),
    Menu(C::MidiMode1, "MidiMode1", C::Options1, OptionsMenuEntry::MidiMode, "&Midi Mode"),
    Item(C::Proportionnal1, "Proportionnal1", C::MidiMode1, TCommand::Proportionnal1Click,
         OptionsMenuEntry::Proportional, "&Proportionnal", G::MidiMode, 1),
    Item(C::Contactor1, "Contactor1", C::MidiMode1, TCommand::Proportionnal1Click, OptionsMenuEntry::DryContact,
         "&Contactor", G::MidiMode, 2),
    Menu(C::Transpose1, "Transpose1", C::Options1, OptionsMenuEntry::Transpose, "&Transpose"),
};

constexpr auto TransposeMenuItems =
    TransposeItems(C::Less4OctaveMenu,
                   {"Less4OctaveMenu", "Less3OctaveMenu", "Less2OctaveMenu", "Less1OctaveMenu", "NoneTransposeMenu",
                    "UP1OctaveMenu", "UP2OctaveMenu", "UP3OctaveMenu", "UP4OctaveMenu"},
                   C::Transpose1, G::TransposeMenu);

constexpr std::array LastMenus{
    Menu(C::Languages1, "Languages1", C::MainMenu1, LanguageMenuEntry::Title, "&Language"),
    Item(C::English1, "English1", C::Languages1, TCommand::English1Click, LanguageMenuEntry::English, "&English",
         G::Language, 0, true),
    Item(C::French1, "French1", C::Languages1, TCommand::French1Click, LanguageMenuEntry::French, "&French",
         G::Language),

    Menu(C::Help1, "Help1", C::MainMenu1, HelpMenuEntry::Title, "&Help"),
    Command(C::About1, "About1", C::Help1, TCommand::About1Click, HelpMenuEntry::About, "&About", "F1"),

    // The pop-up menus, shown at the cursor by their buttons.
    Menu(C::PopupMenu1, "PopupMenu1", C::None, std::nullopt, ""),
    Item(C::COM12, "COM12", C::PopupMenu1, TCommand::COM11Click, std::nullopt, "COM 1", G::ComPopup, 1, false, "1"),
    Item(C::COM22, "COM22", C::PopupMenu1, TCommand::COM11Click, std::nullopt, "COM 2", G::ComPopup, 2, false, "2"),
    Item(C::COM32, "COM32", C::PopupMenu1, TCommand::COM11Click, std::nullopt, "COM 3", G::ComPopup, 3, false, "3"),
    Item(C::COM41, "COM41", C::PopupMenu1, TCommand::COM11Click, std::nullopt, "COM 4", G::ComPopup, 4, false, "4"),
    Separator(C::N6, "N6", C::PopupMenu1),
    Slot(C::SerialPortPopUp, "SerialPortPopUp", C::PopupMenu1, TItemFamily::SerialPorts, G::ComPopup),
    Item(C::OtherPortPopUp, "OtherPortPopUp", C::PopupMenu1, TCommand::OtherPortClick, Rs232MenuEntry::OtherPort,
         "Other port...", G::ComPopup, 0, false, "OA"),
    Separator(C::N8, "N8", C::PopupMenu1),
    Item(C::AllOffPopUp, "AllOffPopUp", C::PopupMenu1, TCommand::AllOff1Click, Rs232MenuEntry::AllOutputsOff,
         "All outputs off", G::None, 0, false, "A"),

    Menu(C::PopupMenu4, "PopupMenu4", C::None, std::nullopt, ""),
    Item(C::None2, "None2", C::PopupMenu4, TCommand::None1Click, MidiPortMenuEntry::None, "None", G::MidiPopup, 0,
         true, "NA"),
    Separator(C::N4, "N4", C::PopupMenu4),
    Slot(C::MidiInPortPopUp, "MidiInPortPopUp", C::PopupMenu4, TItemFamily::MidiDevices, G::MidiPopup),

    Menu(C::PopupMenu2, "PopupMenu2", C::None, std::nullopt, ""),
};

constexpr auto TransposePopupItems =
    TransposeItems(C::Less4OctavePopUp,
                   {"Less4OctavePopUp", "Less3OctavePopUp", "Less2OctavePopUp", "Less1OctavePopUp",
                    "NoneTransposePopUp", "UP1OctavePopUp", "UP2OctavePopUp", "UP3OctavePopUp", "UP4OctavePopUp"},
                   C::PopupMenu2, G::TransposePopup);

constexpr std::array AboutBox{
    TControlSpec{.Id = C::Form2, .Name = "Form2", .Kind = K::Window, .Bounds = {0, 0, 394, 124},
                 .Text = AboutEntry::Title},
    Panel(C::AboutPanel, "Panel1", C::Form2, {8, 8, 377, 73}, {}, TPanelEdge::Sunken),
    Picture(C::ProgramIcon, "ProgramIcon", C::Form2, {16, 16, 128, 54}, A::AboutLogo),
    StaticText(C::StaticText1, "StaticText1", {152, 19, 225, 17}, AboutEntry::ProductName, TFontStyle::Arial13),
    StaticText(C::StaticText2, "StaticText2", {152, 40, 225, 15}, AboutEntry::Version, TFontStyle::Window),
    StaticText(C::StaticText3, "StaticText3", {152, 57, 225, 17}, AboutEntry::WebSite, TFontStyle::Arial13),
    TControlSpec{.Id = C::OKBtn, .Name = "OKBtn", .Kind = K::Button, .Parent = C::Form2, .Bounds = {311, 92, 75, 25},
                 .Command = TCommand::CloseAboutBox, .DesignText = "OK"},
};

constexpr TControlSpec NumberBox(C id, const char* name, TBounds bounds, int min, int max, int initial)
{
    return {.Id = id, .Name = name, .Kind = K::NumberBox, .Parent = C::Form7, .Bounds = bounds, .Min = min,
            .Max = max, .Initial = initial};
}

constexpr TControlSpec TestButton(C id, const char* name, TBounds bounds, TCommand command, RigEntry text)
{
    return {.Id = id, .Name = name, .Kind = K::Button, .Parent = C::Form7, .Bounds = bounds, .Command = command,
            .Text = text};
}

// The output test box: the outputs, the level and the chase's rate, and a
// button for each test.
constexpr std::array OutputTestBox{
    TControlSpec{.Id = C::Form7, .Name = "Form7", .Kind = K::Window, .Bounds = {0, 0, 300, 188},
                 .Text = RigEntry::TestTitle},
    Label(C::Label18, "Label18", C::Form7, {8, 11, 124, 15}, RigEntry::FirstOutput, 0, "", PanelColour),
    NumberBox(C::SpinEdit1, "SpinEdit1", {140, 8, 64, 22}, 0, 255, 0),
    Label(C::Label19, "Label19", C::Form7, {8, 39, 124, 15}, RigEntry::LastOutput, 0, "", PanelColour),
    NumberBox(C::SpinEdit2, "SpinEdit2", {140, 36, 64, 22}, 0, 255, 255),
    Label(C::Label20, "Label20", C::Form7, {8, 67, 124, 15}, RigEntry::Level, 0, "", PanelColour),
    NumberBox(C::SpinEdit3, "SpinEdit3", {140, 64, 64, 22}, 0, 255, 255),
    Label(C::Label21, "Label21", C::Form7, {8, 95, 124, 15}, RigEntry::StepsPerSecond, 0, "", PanelColour),
    NumberBox(C::SpinEdit4, "SpinEdit4", {140, 92, 64, 22}, 1, 50, 4),
    TestButton(C::Button1, "Button1", {8, 124, 90, 25}, TCommand::Button1Click, RigEntry::TestOne),
    TestButton(C::Button2, "Button2", {105, 124, 90, 25}, TCommand::Button2Click, RigEntry::TestRange),
    TestButton(C::Button3, "Button3", {202, 124, 90, 25}, TCommand::Button3Click, RigEntry::TestChase),
    TestButton(C::Button4, "Button4", {8, 155, 90, 25}, TCommand::Button4Click, RigEntry::TestAllOff),
    TestButton(C::Button5, "Button5", {202, 155, 90, 25}, TCommand::Button5Click, RigEntry::TestStop),
};

constexpr auto Controls =
    Join(ClientArea, Menus, TransposeMenuItems, LastMenus, TransposePopupItems, AboutBox, OutputTestBox);

// Every control once, in the order of its enumerator; a control's entry is
// found by its number.
constexpr bool InEnumOrder()
{
    for (std::size_t i = 0; i < Controls.size(); ++i)
        if (static_cast<std::size_t>(Controls[i].Id) != i + 1)
            return false;
    return Controls.size() == static_cast<std::size_t>(C::Button5);
}

// Every parent stands before its children, so a face can build in one pass.
constexpr bool ParentsFirst()
{
    for (std::size_t i = 0; i < Controls.size(); ++i)
        if (Controls[i].Parent != C::None && static_cast<std::size_t>(Controls[i].Parent) > i + 1)
            return false;
    return true;
}

}  // namespace

std::span<const TControlSpec> WindowControls()
{
    return Controls;
}

static_assert(InEnumOrder(), "one entry per control, in the order of TControl");
static_assert(ParentsFirst(), "a parent stands before its children");

const TControlSpec& ControlSpec(TControl control)
{
    if (control == TControl::None)
        throw std::out_of_range("no control");
    return Controls[static_cast<std::size_t>(control) - 1];
}

TControl FormOf(TControl control)
{
    for (TControl at = control; at != TControl::None; at = ControlSpec(at).Parent)
        if (ControlSpec(at).Kind == TControlKind::Window)
            return at;
    return TControl::Form1;  // a menu of the bar or a pop-up menu
}

TControl ControlNamed(std::string_view name)
{
    for (const TControlSpec& described : Controls)
        if (name == described.Name && described.Parent != TControl::Form2)
            return described.Id;
    return TControl::None;
}

namespace {

bool IsMenuOrItem(const TControlSpec& described)
{
    return described.Kind == K::Menu || described.Kind == K::MenuItem;
}

// The text with its underlined letter marked, unless it marks one already.
std::string Underlined(std::string text, const TControlSpec& described, std::uint8_t language)
{
    const std::string_view letters = described.Underline;
    if (!IsMenuOrItem(described) || letters.empty() || text.find('&') != std::string::npos)
        return text;
    const char letter = language == LanguageFrench && letters.size() > 1 ? letters[1] : letters[0];
    if (const auto at = text.find(letter); at != std::string::npos)
        text.insert(at, 1, '&');
    return text;
}

}  // namespace

std::string DesignCaption(const TControlSpec& described)
{
    // The design's texts are English.
    return Underlined(std::string(static_cast<std::size_t>(described.DesignBlanks), ' ') + described.DesignText, described,
                      LanguageEnglish);
}

std::string ControlText(const TControlSpec& described, std::uint8_t language)
{
    return described.Text ? Underlined(Text(*described.Text, language), described, language) : std::string();
}
