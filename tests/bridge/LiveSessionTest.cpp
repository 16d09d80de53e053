// The live session the window and torem-live share: the words of every state
// of a port and a MIDI device, and its end, which lets go of both whatever
// fails.

#include <gtest/gtest.h>

#include "LiveSession.h"
#include "RecordingIndicator.h"
#include "Text.h"
#include "WindowTestSupport.h"

namespace {

using K = TLinkKind;
using P = TLinkProblem;

TEST(LiveSession, WordsEveryStateOfAPortAndADeviceOnceForTheWindowAndTheConsole)
{
    struct TCase {
        K kind;
        TLinkStatus status;
        bool again;
        std::string english;  // the sentences, one per line as the tooltips have them
    };
    const std::vector<TCase> cases = {
        {K::SerialPort, {true, P::None}, false, "Open."},
        {K::MidiDevice, {true, P::None}, true, "Open again."},
        {K::SerialPort, {false, P::None}, false, "Closed."},
        {K::SerialPort, {false, P::NotFound}, false, "Not found.\nTried again every second."},
        {K::MidiDevice, {false, P::NotFound}, false, "Not found.\nOpened as soon as it appears."},
        {K::MidiDevice, {false, P::Lost}, false, "Lost.\nOpened as soon as it appears."},
        {K::SerialPort, {false, P::Lost}, false, "Lost.\nTried again every second."},
        {K::SerialPort, {false, P::InUse}, false, "In use by another program.\nTried again every second."},
        {K::MidiDevice, {false, P::Failed}, false, "Cannot be opened.\nTried again every second."},
#if defined(__linux__)
        {K::SerialPort, {false, P::PermissionDenied}, false,
         "Permission denied.\nTried again every second.\nJoin the dialout group to use serial ports (sudo "
         "usermod -aG dialout $USER), then log in again."},
#endif
        {K::MidiDevice, {false, P::PermissionDenied}, false, "Permission denied.\nTried again every second."},
    };
    for (const TCase& c : cases) {
        const auto words = TLiveSession::StateWords(c.kind, c.status, c.again, LanguageEnglish);
        EXPECT_EQ(JoinWords(words, "\n"), c.english);
        // The same sentences in French, one for one.
        EXPECT_EQ(TLiveSession::StateWords(c.kind, c.status, c.again, LanguageFrench).size(), words.size());
    }
    EXPECT_EQ(JoinWords(TLiveSession::StateWords(K::SerialPort, {false, P::Lost}, false, LanguageFrench), " "),
              "Perdu. Nouvel essai chaque seconde.");
}

TEST(LiveSession, EndsByClosingThePortEvenWhenTheMidiInputFailsToClose)
{
    TManualMessageLoop loop;
    TVirtualMidiDeviceLayer midi;
    midi.AddDevice("Keys");
    TSimulatedDevice device;
    device.Start();
    TMappedSerialPorts ports;
    ports.Map("COM5", device);
    TTestDialogs dialogs;
    TRecordingIndicator lamp;
    AppSettings settings;
    settings.ComPortName = "COM5";
    settings.MidiInPortName = "Keys";
    TLiveSession session(settings, {loop, midi, ports, dialogs, lamp});
    session.Start();
    ASSERT_TRUE(settings.ComPortOpen && midi.IsStarted(0));
    EXPECT_TRUE(loop.Running("WatchTimer"));

    midi.SetFailure(TMidiOperation::Close, MidiResult::NoDriver);
    session.BeginShutdown();
    EXPECT_THROW(session.Close(), EMidiInputError);
    EXPECT_FALSE(settings.ComPortOpen);
    EXPECT_FALSE(settings.MidiInOpen);
    EXPECT_FALSE(loop.Running("WatchTimer")) << "nothing is tried again once ending";
}

}  // namespace
