#include "UsefullMidiEventClasse.h"

const TCntTrameData* TTrameOfContactorEvent::GetDataEventX(std::uint8_t index) const
{
    if (index == 0 || index > Pairs.size())
        return nullptr;
    return &Pairs[index - 1u];
}

bool TTrameOfContactorEvent::add(std::uint8_t contact, std::uint8_t value)
{
    if (Pairs.size() >= MaxPairs)
        return false;
    Pairs.push_back(TCntTrameData{contact, value});
    return true;
}
