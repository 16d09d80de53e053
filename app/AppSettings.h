#pragma once
// The one application-wide state. The main window (or a tool's main) owns the
// single instance and passes it by reference to the commands.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Miditype.h"
#include "ProjectClasses.h"
#include "SerialDevice.h"
#include "UsefullMidiEventClasse.h"

// The values of AppSettings::MidiMode, which are also the Tags of the mode
// pictures and menu items. A settings file may hold any other value; the
// bridge plays it as Proportional.
namespace MidiModeValue {
inline constexpr std::uint8_t Proportional = 1;  // level 2v + 1
inline constexpr std::uint8_t DryContact = 2;    // level 255
}  // namespace MidiModeValue

struct AppSettings {
    // Work lists of the conversion.
    std::vector<TUseFullMidiEvent> NoteEvents;
    std::vector<TContactorEvent> ContactEvents;
    std::vector<TTrameOfContactorEvent> SeqFrames;

    // The user's choices, saved in the settings file.
    std::uint16_t ResolutionMs = 1000;  // 100, 250, 500 or 1000
    std::uint8_t LanguageIndex = 2;     // 1 = French, 2 = English
    std::uint8_t MidiMode = MidiModeValue::Proportional;
    std::uint8_t TransposeIndex = 5;    // 1..9: (TransposeIndex - 5) octaves
    std::string MidiFileName;
    std::string SeqFileName;
    std::string MidiInPortName;         // empty = None
    std::string ComPortName;            // empty = none chosen yet

    // State of the live bridge for this run.
    bool MidiInOpen = false;
    bool SendBusy = false;
    bool QueueBusy = false;
    bool ComPortOpen = false;
    std::unique_ptr<TMyMidiEvent> CurrentEvent;
    TComHandle ComPortHandle;
    std::deque<TMidiEventToRS232> SendContacts;  // output numbers, oldest first
    std::deque<TMidiEventToRS232> SendValues;    // levels, in step with SendContacts

    // The start-up defaults of the saved choices and the busy flags.
    void SetDefaults();
    // Empties the five work lists.
    void ClearWorkLists();
};
