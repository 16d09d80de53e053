// The main window's Windows face under wine, on a display: every control
// where the description puts it (at 100%, 150% and 200%) with its text in
// both languages, the menus, commands reaching the model, the boxes (their
// buttons, the warning that does not wait), closing in every way, the About
// box and the sequence viewer; and the message loop the model runs on, its
// clocks and the notifications of the MIDI driver's thread.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <fstream>
#include <optional>
#include <thread>

#include "Controls.h"
#include "Help.h"
#include "LogWindow.h"
#include "RigWindows.h"
#include "SeqViewer.h"
#include "SettingsFile.h"
#include "SmfWriter.h"
#include "Text.h"
#include "Utf8.h"
#include "Win32Artwork.h"
#include "Win32Dialogs.h"
#include "Win32MessageLoop.h"
#include "WindowTestSupport.h"
#include "main.h"

namespace {

using C = TControl;

std::string Narrow(const std::wstring& text)
{
    return Utf8FromWide(text);
}

std::string TextOf(HWND window)
{
    return Narrow(WindowTextOf(window));
}

// Everything pending, as the program's loop would; whether the window's end
// asked the loop to stop.
bool Pump()
{
    bool quit = false;
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return quit;
}

std::string TooltipOf(HWND tooltips, HWND owner, HWND tool)
{
    std::wstring text(1024, L'\0');
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = text.data();
    SendMessageW(tooltips, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&info));
    return Narrow(text.c_str());
}

struct TMenuItem {
    UINT Command = 0;
    std::string Text;
    bool Checked = false;
    bool Radio = false;
    HMENU SubMenu = nullptr;
};

std::vector<TMenuItem> ItemsOf(HMENU menu)
{
    std::vector<TMenuItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = 256;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back({info.wID, Narrow(text), (info.fState & MFS_CHECKED) != 0, (info.fType & MFT_RADIOCHECK) != 0,
                         info.hSubMenu});
    }
    return items;
}

// Records the boxes, and runs what a test asks while the box would be up.
class TWatchingDialogs final : public TTestDialogs {
public:
    void Information(const std::string& text) override
    {
        TTestDialogs::Information(text);
        if (whileShown)
            whileShown();
    }
    std::function<void()> whileShown;
};

// The window on the test's own MIDI devices and ports, with dialogs that
// record (no box is shown but where a test shows one itself).
class Win32Face : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0)
            GTEST_SKIP() << "needs a display: scripts/test-windows.sh starts Xvfb";
    }
    void TearDown() override
    {
        form.reset();
        Pump();
    }

    TForm1& Start(int dpi = USER_DEFAULT_SCREEN_DPI)
    {
        midi.AddDevice("Keys A");
        const TForm1Services services{
            {dialogs, files, prompt, midi, ports, [this] { return systemPorts; }, dir.File("settings.cfg")},
            {},
            dpi};
        form = std::make_unique<TForm1>(services);
        ShowWindow(form->Window(), SW_SHOWNOACTIVATE);
        Pump();
        return *form;
    }
    void Command(TControl item) { SendMessageW(form->Window(), WM_COMMAND, TForm1::CommandOf(item), 0); }
    void Click(TControl control)
    {
        HWND window = form->Control(control);
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    bool Checked(TControl item) const
    {
        const TControlSpec& described = ControlSpec(item);
        HMENU menu = form->Menu(described.Parent);
        return (GetMenuState(menu, TForm1::CommandOf(item), MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    bool ShowsSelected(TControl picture) const
    {
        return PictureOf(form->Control(picture)) == TArtwork::SelectedLook;
    }

    TTempDir dir;
    TWatchingDialogs dialogs;
    TAnsweredFileDialogs files;
    TAnsweredPortPrompt prompt;
    TVirtualMidiDeviceLayer midi;
    TMappedSerialPorts ports;
    std::vector<std::string> systemPorts{"COM7"};
    std::unique_ptr<TForm1> form;
};

// What each control shows in a language on a first start (no port, no
// device chosen), as the description and the tables give it.
std::string ExpectedText(const TControlSpec& described, std::uint8_t language)
{
    if (!described.Text)
        return DesignCaption(described);
    const std::string text = Text(*described.Text, language);
    switch (described.Value) {
    case TLabelValue::ComPortName: return text + Text(StatusEntry::NoPort, language);
    case TLabelValue::Transpose: return text + std::string(TransposeText(language, 5));
    default: return text;
    }
}

class Win32FaceAtScale : public Win32Face, public ::testing::WithParamInterface<int> {};

TEST_P(Win32FaceAtScale, EveryControlStandsWhereTheDescriptionPutsItWithItsTextInBothLanguages)
{
    const TScale scale{GetParam()};
    TForm1& window = Start(scale.Dpi);
    RECT client{};
    GetClientRect(window.Window(), &client);
    EXPECT_EQ(client.right, scale(466));
    EXPECT_EQ(client.bottom, scale(438));
    EXPECT_EQ(TextOf(window.Window()), "Midi To TOREM Sequence Bridge");
    EXPECT_EQ(GetWindowLongPtrW(window.Window(), GWL_STYLE) & WS_THICKFRAME, 0) << "not resizable";

    for (const std::uint8_t language : {LanguageEnglish, LanguageFrench}) {
        Command(language == LanguageEnglish ? C::English1 : C::French1);
        for (const TControlSpec& described : WindowControls()) {
            if (described.Parent == C::None || FormOf(described.Id) != C::Form1 || described.Kind == TControlKind::Window ||
                described.Kind == TControlKind::MenuBar || described.Kind == TControlKind::Menu ||
                described.Kind == TControlKind::MenuItem || described.Kind == TControlKind::Separator ||
                described.Kind == TControlKind::ItemSlot)
                continue;
            SCOPED_TRACE(std::string(described.Name) + (language == LanguageEnglish ? " in English" : " in French"));
            HWND control = window.Control(described.Id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(GetParent(control), window.Control(described.Parent));
            EXPECT_EQ(GetDlgCtrlID(control), static_cast<int>(described.Id));
            RECT place{};
            GetWindowRect(control, &place);
            MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
            const RECT expected = scale.Rect(described.Bounds);
            EXPECT_TRUE(EqualRect(&place, &expected))
                << place.left << "," << place.top << " to " << place.right << "," << place.bottom;
            EXPECT_EQ(IsWindowVisible(control) != FALSE, !described.Hidden);
            if (described.Kind == TControlKind::Label) {
                EXPECT_EQ(TextOf(control), ExpectedText(described, language));
                // Readable: the text's line fits the label's height at every scale.
                HDC dc = GetDC(control);
                HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
                TEXTMETRICW metrics{};
                GetTextMetricsW(dc, &metrics);
                SelectObject(dc, old);
                ReleaseDC(control, dc);
                EXPECT_GE(metrics.tmHeight, scale(11));
                EXPECT_LE(metrics.tmHeight, expected.bottom - expected.top);
            } else if (described.Kind == TControlKind::SpeedButton) {
                EXPECT_EQ(TooltipOf(window.Tooltips(), window.Window(), control), ExpectedText(described, language));
            }
        }
        // Each picture as large as the description's place for it, at the scale.
        const SIZE banner = ArtworkSize(TArtwork::Banner, scale);
        EXPECT_EQ(banner.cx, scale(208));
        EXPECT_EQ(banner.cy, scale(40));
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, Win32FaceAtScale, ::testing::Values(96, 144, 192),
                         [](const ::testing::TestParamInfo<int>& dpi) {
                             return std::to_string(dpi.param * 100 / 96) + "Percent";
                         });

TEST_F(Win32Face, TheMenusHoldTheDescriptionsItemsInOrderWithTheirTextsChecksAndShortcut)
{
    TForm1& window = Start();
    Command(C::French1);
    // Each menu's items by command: a sub-menu by its control, a run-time
    // item by its slot, a separator by 0.
    std::map<TControl, std::vector<UINT>> expected;
    for (const TControlSpec& described : WindowControls()) {
        if (described.Parent == C::Form2 || described.Parent == C::None || described.Kind == TControlKind::MenuBar)
            continue;
        if (described.Kind == TControlKind::ItemSlot) {
            const std::size_t count = described.Family == TItemFamily::MidiDevices   ? 1
                                      : described.Family == TItemFamily::SerialPorts ? systemPorts.size()
                                                                                : window.Model().RecentFiles().size();
            for (std::size_t i = 0; i < count; ++i)
                expected[described.Parent].push_back(TForm1::CommandOf(described.Id, i));
        } else if (described.Kind == TControlKind::Menu || described.Kind == TControlKind::MenuItem ||
                   described.Kind == TControlKind::Separator) {
            expected[described.Parent].push_back(described.Kind == TControlKind::Separator ? 0 : TForm1::CommandOf(described.Id));
        }
    }
    for (const auto& [menu, commands] : expected) {
        SCOPED_TRACE(ControlSpec(menu).Name);
        std::vector<UINT> found;
        for (const TMenuItem& item : ItemsOf(window.Menu(menu))) {
            if (item.SubMenu != nullptr) {
                // A sub-menu stands for the menu whose handle it is.
                for (const TControlSpec& described : WindowControls())
                    if (described.Kind == TControlKind::Menu && window.Menu(described.Id) == item.SubMenu)
                        found.push_back(TForm1::CommandOf(described.Id));
                continue;
            }
            found.push_back(item.Command);
            const auto control = static_cast<TControl>(item.Command);
            if (item.Command == 0 || item.Command > static_cast<UINT>(C::OKBtn))
                continue;
            const TControlSpec& described = ControlSpec(control);
            const std::string text = described.Text ? ControlText(described, LanguageFrench) : DesignCaption(described);
            EXPECT_EQ(item.Text, text + (*described.Shortcut != '\0' ? "\t" + std::string(described.Shortcut) : ""));
            EXPECT_EQ(item.Radio, described.Group != TRadioGroup::None) << described.Name;
        }
        EXPECT_EQ(found, commands);
    }
    const std::vector<TMenuItem> midiItems = ItemsOf(window.Menu(C::MIDIPort1));
    EXPECT_EQ(midiItems.back().Text, "Keys A");
    EXPECT_TRUE(midiItems.back().Radio);

    const ACCEL allOff = ShortcutKey(ControlSpec(C::AllOff1).Shortcut, static_cast<WORD>(TForm1::CommandOf(C::AllOff1)));
    EXPECT_EQ(allOff.fVirt, FVIRTKEY | FCONTROL | FSHIFT);
    EXPECT_EQ(allOff.key, 'O');
    EXPECT_THROW(ShortcutKey("Ctrl+Frobnicate", 1), std::invalid_argument);
    EXPECT_EQ(ShortcutKey("Ctrl++", 1).key, VK_OEM_PLUS);
    EXPECT_EQ(ShortcutKey("F5", 1).key, VK_F5);
}

TEST_F(Win32Face, MenuCommandsClicksAndRunTimeItemsReachTheModelAndEveryDisplayFollows)
{
    TSmfTrack track;
    WriteBytesToFile(dir.File("dropped.mid"), SmfFile(0, 480, {track.EndOfTrack()}));
    TForm1& window = Start();
    // Files dropped as the shell drops them: DROPFILES, then the wide names,
    // each ended by a zero, and one more zero.
    const auto Drop = [&](const std::string& path) {
        const std::wstring names = PathFromUtf8(path).wstring() + L'\0' + L'\0';
        HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
        auto* dropped = static_cast<DROPFILES*>(GlobalLock(drop));
        dropped->pFiles = sizeof(DROPFILES);
        dropped->fWide = TRUE;
        std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(dropped + 1));
        GlobalUnlock(drop);
        SendMessageW(window.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    };
    struct TStep {
        const char* What;
        std::function<void()> Do;
        std::function<bool()> Shows;
    };
    const std::vector<TStep> steps{
        {"the 250 ms item", [&] { Command(C::N250ms1); },
         [&] { return window.Settings().ResolutionMs == 250 && ShowsSelected(C::Image3) && !ShowsSelected(C::Image1) &&
                      Checked(C::N250ms1); }},
        {"the 500 ms picture", [&] { Click(C::Image2); },
         [&] { return window.Settings().ResolutionMs == 500 && ShowsSelected(C::Image2) && Checked(C::N500ms1) &&
                      !Checked(C::N250ms1); }},
        {"the dry contact picture", [&] { Click(C::Image10); },
         [&] { return window.Settings().MidiMode == 2 && Checked(C::Contactor1) && ShowsSelected(C::Image10); }},
        {"+ 2 octaves in the pop-up", [&] { Command(C::UP2OctavePopUp); },
         [&] { return window.Settings().TransposeIndex == 7 && Checked(C::UP2OctaveMenu) &&
                      TextOf(window.Control(C::Label16)).ends_with("+ 2 Octaves"); }},
        {"the MIDI device of the pop-up", [&] {
             SendMessageW(window.Window(), WM_COMMAND, TForm1::CommandOf(C::MidiInPortPopUp, 0), 0);
         },
         [&] { return window.Settings().MidiInPortName == "Keys A" &&
                      (GetMenuState(window.Menu(C::MIDIPort1), TForm1::CommandOf(C::MidiInPortMenu, 0), MF_BYCOMMAND) &
                       MF_CHECKED) != 0 && !Checked(C::None1); }},
        {"the port the system lists", [&] {
             SendMessageW(window.Window(), WM_COMMAND, TForm1::CommandOf(C::SerialPortMenu, 0), 0);
         },
         [&] { return window.Settings().ComPortName == "COM7" && !Checked(C::COM11) &&
                      TextOf(window.Control(C::Label7)).find("COM7") != std::string::npos &&
                      TextColourOf(window.Control(C::Label7)) == ColourRef(AlertTextColour); }},
        {"the open button", [&] { files.midiAnswers.push_back("C:\\shows\\\xCE\xA9mega.mid"); Click(C::SpeedButton3); },
         [&] { return TextOf(window.Control(C::Label4)).ends_with("C:\\shows\\\xCE\xA9mega.mid"); }},
        {"a MIDI file dropped on the window", [&] { Drop(dir.File("dropped.mid")); },
         [&] { return window.Settings().MidiFileName == dir.File("dropped.mid"); }},
        {"French", [&] { Command(C::French1); },
         [&] { return Checked(C::French1) && TextOf(window.Control(C::Label4)).starts_with(
                                                         Text(LabelEntry::MidiFile, LanguageFrench)); }},
    };
    for (const TStep& step : steps) {
        step.Do();
        Pump();
        EXPECT_TRUE(step.Shows()) << step.What;
    }
}

TEST_F(Win32Face, TheBoxesSayOuiAndNonOrOkWhateverTheSystemsLanguageAndTheOneThatDoesNotWaitLetsTheCallerGoOn)
{
    TWin32Dialogs boxes;
    // What a box shows, and its button pressed, by a timer of the box's
    // own loop.
    static std::vector<std::string> seen;
    static int press = 0;
    static std::wstring typed;
    const auto answer = [](int button, const std::wstring& type = {}) {
        seen.clear();
        press = button;
        typed = type;
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
            KillTimer(nullptr, timer);
            HWND box = FindWindowW(L"TOREMBox", nullptr);
            seen.push_back(TextOf(box));
            seen.push_back(TextOf(GetDlgItem(box, BoxTextId)));
            if (HWND entry = GetDlgItem(box, BoxEntryId)) {
                seen.push_back(TextOf(entry));
                SetWindowTextW(entry, typed.c_str());
            }
            for (int i = 0; HWND child = GetDlgItem(box, BoxFirstButtonId + i); ++i)
                seen.push_back(TextOf(child));
            SendMessageW(GetDlgItem(box, BoxFirstButtonId + press), BM_CLICK, 0, 0);
        });
    };
    answer(1);
    EXPECT_FALSE(boxes.Confirmation("show.seq existe déjà."));
    EXPECT_EQ(seen, (std::vector<std::string>{"Confirmation", "show.seq existe déjà.", "&Oui", "&Non"}));
    answer(0);
    EXPECT_TRUE(boxes.Confirmation("show.seq already exists."));
    answer(0);
    boxes.Information("Process done...");
    EXPECT_EQ(seen, (std::vector<std::string>{"Information", "Process done...", "OK"}));
    answer(1);
    EXPECT_TRUE(boxes.InformationWithButton("Process done...", "View sequence"));
    EXPECT_EQ(seen, (std::vector<std::string>{"Information", "Process done...", "OK", "View sequence"}));
    answer(0, L"COM12 ");
    EXPECT_EQ(boxes.AskPortName("Port name:", "COM1"), "COM12 ");
    EXPECT_EQ(seen, (std::vector<std::string>{"", "Port name:", "COM1", "OK", "Cancel"}));
    answer(1, L"COM5");
    EXPECT_EQ(boxes.AskPortName("Port name:", "COM1"), std::nullopt);

    boxes.WarningNoWait("COM12 : Writing Error on COM port");
    HWND box = boxes.NoWaitBox();
    ASSERT_NE(box, nullptr) << "the caller went on with the box up";
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(TextOf(box), "Avertissement");
    boxes.WarningNoWait("COM12 : Reading Error on COM port");
    EXPECT_EQ(boxes.NoWaitBox(), box) << "one box, the newest text";
    EXPECT_EQ(TextOf(GetDlgItem(box, BoxTextId)), "COM12 : Reading Error on COM port");
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    Pump();
    EXPECT_EQ(boxes.NoWaitBox(), nullptr);
    EXPECT_FALSE(IsWindow(box));
}

struct TCloseWay {
    const char* Name;
    UINT Message;
    WPARAM WParam;
};

class Win32FaceClosing : public Win32Face, public ::testing::WithParamInterface<TCloseWay> {};

TEST_P(Win32FaceClosing, SavesTheSettingsOnceAndEndsTheProgramsLoop)
{
    TForm1& window = Start();
    Command(C::N250ms1);
    Command(C::French1);
    const TCloseWay way = GetParam();
    HWND handle = window.Window();
    if (way.Message == WM_ENDSESSION) {
        EXPECT_EQ(SendMessageW(handle, WM_QUERYENDSESSION, 0, 0), TRUE) << "Windows may end the session";
    }
    SendMessageW(handle, way.Message, way.WParam, 0);
    EXPECT_TRUE(Pump()) << "the program's loop is told to end";
    EXPECT_FALSE(IsWindow(handle));
    AppSettings saved;
    LoadSettings(saved, dir.File("settings.cfg"));
    EXPECT_EQ(saved.ResolutionMs, 250);
    EXPECT_EQ(saved.LanguageIndex, LanguageFrench);
}

INSTANTIATE_TEST_SUITE_P(Ways, Win32FaceClosing,
                         ::testing::Values(TCloseWay{"CloseBox", WM_CLOSE, 0},
                                           TCloseWay{"FileExit", WM_COMMAND, TForm1::CommandOf(C::Exit1)},
                                           TCloseWay{"WindowsEndsTheSession", WM_ENDSESSION, TRUE}),
                         [](const ::testing::TestParamInfo<TCloseWay>& way) { return way.param.Name; });

TEST_F(Win32Face, TheAboutBoxTakesItsTextsInTheLanguageOfTheMomentAndClosesWithOk)
{
    TForm1& window = Start();
    TForm2 about(window.Model(), window.Window(), window.Scale());
    window.SetAboutBox(&about);
    static TForm2* shown = nullptr;
    static std::vector<std::string> texts;
    shown = &about;
    for (const std::uint8_t language : {LanguageEnglish, LanguageFrench}) {
        Command(language == LanguageEnglish ? C::English1 : C::French1);
        texts.clear();
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
            KillTimer(nullptr, timer);
            texts = {TextOf(shown->Window()), TextOf(shown->Control(C::StaticText1)),
                     TextOf(shown->Control(C::StaticText2)), TextOf(shown->Control(C::StaticText3))};
            EXPECT_FALSE(IsWindowEnabled(GetWindow(shown->Window(), GW_OWNER))) << "modal";
            SendMessageW(shown->Control(C::OKBtn), BM_CLICK, 0, 0);
        });
        Command(C::About1);
        EXPECT_EQ(texts, (std::vector<std::string>{Text(AboutEntry::Title, language),
                                                   Text(AboutEntry::ProductName, language),
                                                   Text(AboutEntry::Version, language),
                                                   Text(AboutEntry::WebSite, language)}));
        EXPECT_FALSE(IsWindowVisible(about.Window()));
        EXPECT_TRUE(IsWindowEnabled(window.Window()));
    }
}

TEST_F(Win32Face, ConvertDisablesTheConverterAndTheFileMenuMeanwhileAndViewSequenceDrawsTheImageWithATooltipPerBar)
{
    TSmfTrack track;
    track.Event(0, {0x90, 10, 127}).Event(960, {0x80, 10, 0}).Event(0, {0x91, 20, 64}).Event(480, {0x81, 20, 0});
    WriteBytesToFile(dir.File("show.mid"), SmfFile(0, 480, {track.EndOfTrack()}));
    TForm1& window = Start();
    files.midiAnswers.push_back(dir.File("show.mid"));
    files.seqAnswers.push_back(dir.File("show.seq"));
    Command(C::Open1);
    Command(C::SaveSeqFile1);
    Command(C::N100ms1);  // slots enough to zoom in on
    // The File menu is the bar's first.
    const auto enabled = [&] {
        return IsWindowEnabled(window.Control(C::Panel2)) &&
               (GetMenuState(GetMenu(window.Window()), 0, MF_BYPOSITION) & MF_GRAYED) == 0;
    };
    std::optional<bool> enabledMeanwhile;
    dialogs.whileShown = [&] { enabledMeanwhile = enabled(); };
    Command(C::Convert1);
    ASSERT_EQ(dialogs.TextsOf(TTestDialogs::Kind::Information).size(), 1u);
    EXPECT_EQ(enabledMeanwhile, false);
    EXPECT_TRUE(enabled()) << "and again once it is over";

    Command(C::ViewSequence1);
    Pump();
    TSeqViewer* viewer = window.SeqViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(IsWindowVisible(viewer->Window()));
    EXPECT_TRUE(IsWindowVisible(viewer->PictureView()));
    EXPECT_FALSE(IsWindowVisible(viewer->Problem()));
    const TSeqViewerModel& model = window.Model().Viewer();
    EXPECT_EQ(TextOf(viewer->Window()), model.Title(LanguageEnglish));
    EXPECT_EQ(TextOf(viewer->Heading()), model.Heading(LanguageEnglish));
    const TSeqPicture& picture = viewer->Picture();
    ASSERT_EQ(picture.Bars.size(), 2u);
    for (const TPictureBar& bar : picture.Bars) {
        SendMessageW(viewer->PictureView(), WM_MOUSEMOVE, 0,
                     MAKELPARAM(static_cast<int>(bar.X + bar.Width / 2), static_cast<int>(bar.Y + bar.Height / 2)));
        EXPECT_EQ(TooltipOf(viewer->Tooltip(), viewer->PictureView(), viewer->PictureView()), BarText(picture, bar));
    }
    EXPECT_NE(TextOf(viewer->Report()).find("2 notes, 4 changes"), std::string::npos) << TextOf(viewer->Report());

    // A click places the time cursor, whose readout shows below; the zoom
    // buttons, the keys and the scroll bar across look closer.
    const TPictureBar& first = picture.Bars.front();
    SendMessageW(viewer->PictureView(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(static_cast<int>(first.X + 1), static_cast<int>(first.Y + 1)));
    ASSERT_TRUE(model.CursorMs().has_value());
    EXPECT_EQ(TextOf(viewer->Readout()), model.Readout(LanguageEnglish));
    EXPECT_FALSE(IsWindowEnabled(viewer->Button(TViewerCommand::ZoomOut))) << "the whole show shows";
    SendMessageW(viewer->Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(viewer->Button(TViewerCommand::ZoomIn)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(viewer->Button(TViewerCommand::ZoomIn)));
    EXPECT_TRUE(IsWindowEnabled(viewer->Button(TViewerCommand::ZoomOut)));
    EXPECT_TRUE(IsWindowEnabled(viewer->Across()));
    const std::uint32_t before = *model.CursorMs();
    SendMessageW(viewer->PictureView(), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_GT(*model.CursorMs(), before);
    const double from = model.FromMs();
    SendMessageW(viewer->Window(), WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(viewer->Across()));
    EXPECT_GT(model.FromMs(), from);

    Command(C::French1);
    EXPECT_EQ(TextOf(viewer->Window()), model.Title(LanguageFrench)) << "an open viewer follows";
    EXPECT_EQ(TextOf(viewer->Button(TViewerCommand::FitToWindow)),
              TSeqViewerModel::CommandText(TViewerCommand::FitToWindow, LanguageFrench));
    SendMessageW(viewer->Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(viewer->Window()));
}

TEST_F(Win32Face, TheLogWindowShowsTheModelsLogInTheLanguageOfTheMoment)
{
    TForm1& window = Start();
    Command(C::Log1);
    TLogWindow* log = window.LogWindow();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(IsWindowVisible(log->Window()));
    for (const std::uint8_t language : {LanguageEnglish, LanguageFrench}) {
        Command(language == LanguageEnglish ? C::English1 : C::French1);
        EXPECT_EQ(TextOf(log->Window()), Text(StatusEntry::LogTitle, language));
        EXPECT_EQ(WindowTextOf(log->Text()), WindowsLines(window.Model().LogText()));
    }
    SendMessageW(log->Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(log->Window()));
}

TEST_F(Win32Face, TheTestBoxStandsAsDescribedAndItsNumbersAndButtonsReachTheModelAndTheMonitorFollowsTheLanguage)
{
    TForm1& window = Start();
    Command(C::TestOutputs1);
    TOutputTestBox* box = window.TestBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsWindowVisible(box->Window()));
    RECT client{};
    GetClientRect(box->Window(), &client);
    EXPECT_EQ(client.right, ControlSpec(C::Form7).Bounds.Width);
    EXPECT_EQ(client.bottom, ControlSpec(C::Form7).Bounds.Height);
    for (const std::uint8_t language : {LanguageEnglish, LanguageFrench}) {
        Command(language == LanguageEnglish ? C::English1 : C::French1);
        EXPECT_EQ(TextOf(box->Window()), Text(RigEntry::TestTitle, language));
        for (const TControlSpec& described : WindowControls()) {
            if (described.Parent != C::Form7)
                continue;
            SCOPED_TRACE(described.Name);
            HWND control = box->Control(described.Id);
            RECT place{};
            GetWindowRect(control, &place);
            // A number box's arrows take their room from its line.
            for (HWND other = GetWindow(control, GW_HWNDFIRST); other != nullptr; other = GetWindow(other, GW_HWNDNEXT)) {
                wchar_t kind[64] = {};
                GetClassNameW(other, kind, 64);
                if (std::wstring(kind) == UPDOWN_CLASSW &&
                    reinterpret_cast<HWND>(SendMessageW(other, UDM_GETBUDDY, 0, 0)) == control) {
                    RECT arrows{};
                    GetWindowRect(other, &arrows);
                    UnionRect(&place, &place, &arrows);
                }
            }
            MapWindowPoints(nullptr, box->Window(), reinterpret_cast<POINT*>(&place), 2);
            const RECT expected = window.Scale().Rect(described.Bounds);
            EXPECT_TRUE(EqualRect(&place, &expected))
                << place.left << "," << place.top << " to " << place.right << "," << place.bottom;
            EXPECT_EQ(TextOf(control), described.Text ? Text(*described.Text, language) : std::to_string(described.Initial));
        }
    }

    // A number typed past its range is taken at the range's end.
    Command(C::English1);
    SetWindowTextW(box->Control(C::SpinEdit1), L"7");
    SetWindowTextW(box->Control(C::SpinEdit3), L"300");
    SendMessageW(box->Window(), WM_COMMAND, MAKEWPARAM(static_cast<int>(C::Button1), BN_CLICKED),
                 reinterpret_cast<LPARAM>(box->Control(C::Button1)));
    EXPECT_EQ(window.Model().Session().Log().back().Text,
              Fill(Text(StatusEntry::TestOne, LanguageEnglish), {"7", "255"}));
    SendMessageW(box->Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(box->Window()));

    Command(C::Outputs1);
    TOutputMonitor* monitor = window.Monitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(IsWindowVisible(monitor->Window()));
    for (const std::uint8_t language : {LanguageFrench, LanguageEnglish}) {
        Command(language == LanguageEnglish ? C::English1 : C::French1);
        EXPECT_EQ(TextOf(monitor->Window()), window.Model().MonitorTitle());
    }
    SendMessageW(monitor->Window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(monitor->Window()));
}

TEST(Win32MessageLoop, ClocksRunOutOnceAndNotificationsFromAnotherThreadAllArrive)
{
    std::vector<std::string> errors;
    TWin32MessageLoop loop([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            errors.push_back(e.what());
        }
    });
    int ranOut = 0;
    auto clock = loop.NewClock("Timer2", [&] {
        ++ranOut;
        throw std::runtime_error("from a clock");
    });
    clock->Start(std::chrono::milliseconds(1));
    loop.AckClock().Start();
    while (ranOut == 0)
        loop.Pump().ProcessMessages();
    EXPECT_FALSE(clock->Enabled());
    EXPECT_EQ(errors, std::vector<std::string>{"from a clock"});
    EXPECT_TRUE(loop.AckClock().Enabled()) << "1000 ms";
    loop.AckClock().Stop();

    auto target = loop.NewNotificationTarget();
    std::vector<TMidiNotification> handled;
    target->SetHandler([&](TMidiNotification notification) { handled.push_back(notification); });
    std::thread driver([&] {
        for (int i = 0; i < 1000; ++i)
            target->Post(i == 500 ? TMidiNotification::Overflow : TMidiNotification::Data);
    });
    driver.join();
    while (handled.size() < 1000)
        loop.Pump().ProcessMessages();
    EXPECT_EQ(std::count(handled.begin(), handled.end(), TMidiNotification::Overflow), 1);

}

}  // namespace
