#include "ShowChanges.h"

#include <algorithm>
#include <cctype>

#include "ContactEvents.h"
#include "MidiFile.h"

std::vector<TContactorEvent> ChangesOfImage(const TSeqImage& image)
{
    std::vector<TContactorEvent> changes;
    changes.reserve(image.ChangeCount());
    for (std::size_t index = 0; index < image.Frames.size(); ++index)
        for (const TCntTrameData& pair : image.Frames[index].Pairs)
            changes.push_back({image.TimeOf(index), pair.Contact, pair.Value});
    return changes;
}

std::vector<TContactorEvent> ShowChanges(const std::string& path, std::uint16_t resolutionMs)
{
    std::string suffix = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (suffix != ".mid")
        return ChangesOfImage(ReadSeqImageFile(path));
    TMidiFile midiFile;
    midiFile.SetFilename(path);
    midiFile.LoadFile();
    std::vector<TUseFullMidiEvent> notes;
    std::vector<TContactorEvent> changes;
    CollectContactEvents(midiFile, resolutionMs, notes, changes);
    SortContactEvents(changes);
    return changes;
}
