#include "SeqExamples.h"

#include "SeqFile.h"

std::string WorkedExampleImage()
{
    TTrameOfContactorEvent on;
    on.NextSlot = 3;
    on.add(10, 255);
    TTrameOfContactorEvent off;
    off.add(10, 0);
    const std::vector<std::uint8_t> image = BuildSeqImage({on, off}, 500);
    return std::string(image.begin(), image.end());
}

std::string CsvOf(const std::vector<TContactorEvent>& changes)
{
    std::string csv = "time_ms,output,level\n";
    for (const TContactorEvent& c : changes)
        csv += std::to_string(c.TimeMs) + ',' + std::to_string(c.Contact) + ',' + std::to_string(c.Value) + '\n';
    return csv;
}
