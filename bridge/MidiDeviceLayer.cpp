#include "MidiDeviceLayer.h"

bool StandardMidiErrorText(TMidiResult code, std::string& text)
{
    switch (code) {
    case MidiResult::NoError:
        text = "The operation succeeded.";
        return true;
    case MidiResult::Error:
        text = "The MIDI system reported an unspecified error.";
        return true;
    case MidiResult::BadDeviceId:
        text = "The MIDI device number is out of range.";
        return true;
    case MidiResult::Allocated:
        text = "The MIDI device is already in use.";
        return true;
    case MidiResult::InvalidHandle:
        text = "The MIDI device handle is invalid.";
        return true;
    case MidiResult::NoDriver:
        text = "No MIDI system is available.";
        return true;
    case MidiResult::NoMemory:
        text = "Not enough memory for the MIDI input.";
        return true;
    case MidiResult::InvalidParam:
        text = "An invalid parameter was passed to the MIDI system (a size of 0?).";
        return true;
    case MidiResult::Unprepared:
        text = "The MIDI buffer was not prepared.";
        return true;
    case MidiResult::StillPlaying:
        text = "MIDI buffers are still queued.";
        return true;
    default:
        return false;
    }
}
