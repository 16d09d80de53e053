#include "ShowChanges.h"

#include <algorithm>
#include <cctype>

#include "ContactEvents.h"
#include "MidiFile.h"

TShow ShowOfImage(const TSeqImage& image)
{
    TShow show{{}, image.ResolutionMs};
    show.Changes.reserve(image.ChangeCount());
    for (std::size_t index = 0; index < image.Frames.size(); ++index)
        for (const TCntTrameData& pair : image.Frames[index].Pairs)
            show.Changes.push_back({image.TimeOf(index), pair.Contact, pair.Value});
    return show;
}

TShow ReadShow(const std::string& path, std::uint16_t resolutionMs)
{
    std::string suffix = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (suffix != ".mid")
        return ShowOfImage(ReadSeqImageFile(path));
    TMidiFile midiFile;
    midiFile.SetFilename(path);
    midiFile.LoadFile();
    std::vector<TUseFullMidiEvent> notes;
    TShow show{{}, resolutionMs};
    CollectContactEvents(midiFile, resolutionMs, notes, show.Changes);
    SortContactEvents(show.Changes);
    return show;
}
