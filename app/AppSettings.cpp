#include "AppSettings.h"

void AppSettings::SetDefaults()
{
    ResolutionMs = 1000;
    LanguageIndex = 2;
    MidiMode = MidiModeValue::Proportional;
    TransposeIndex = 5;
    MidiFileName.clear();
    SeqFileName.clear();
    QueueBusy = false;
    SendBusy = false;
}

void AppSettings::ClearWorkLists()
{
    NoteEvents.clear();
    ContactEvents.clear();
    SeqFrames.clear();
    SendContacts.clear();
    SendValues.clear();
}
