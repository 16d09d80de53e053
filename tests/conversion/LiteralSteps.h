#pragma once
// The cleaning and sorting steps written out literally, search by search,
// as slow as they are: the reference the fast steps are checked against.

#include <vector>

#include "UsefullMidiEventClasse.h"

namespace literal {

inline bool FindSameTimeDuplicate(const std::vector<TContactorEvent>& list, std::size_t& found)
{
    bool result = false;
    const std::size_t n = list.size();
    if (n < 2)
        return false;
    for (std::size_t i = n - 1; i >= 1; --i) {
        for (std::size_t j = i; j-- > 0;) {
            if (list[i].TimeMs == list[j].TimeMs && list[i].Contact == list[j].Contact) {
                result = true;
                found = j;
            }
        }
    }
    return result;
}

inline bool FindRepeatedState(const std::vector<TContactorEvent>& list, std::size_t& found)
{
    const std::size_t n = list.size();
    if (n < 2)
        return false;
    for (std::size_t i = n - 1; i >= 1; --i) {
        if (list[i].Contact == list[i - 1].Contact && list[i].Value == list[i - 1].Value) {
            found = i;
            return true;
        }
    }
    return false;
}

inline void RemoveSameTimeDuplicates(std::vector<TContactorEvent>& list)
{
    std::size_t index = 0;
    while (FindSameTimeDuplicate(list, index))
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

inline void RemoveRepeatedStates(std::vector<TContactorEvent>& list)
{
    std::size_t index = 0;
    while (FindRepeatedState(list, index))
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

inline int Compare(const TContactorEvent& a, const TContactorEvent& b)
{
    return a.TimeMs > b.TimeMs ? 1 : a.TimeMs == b.TimeMs ? 0 : -1;
}

// Recursion into the left part, then a restart on the right part.
inline void Sort(std::vector<TContactorEvent>& a, std::ptrdiff_t l, std::ptrdiff_t r)
{
    std::ptrdiff_t i;
    do {
        i = l;
        std::ptrdiff_t j = r;
        const TContactorEvent p = a[static_cast<std::size_t>((l + r) / 2)];
        do {
            while (Compare(a[static_cast<std::size_t>(i)], p) < 0)
                ++i;
            while (Compare(a[static_cast<std::size_t>(j)], p) > 0)
                --j;
            if (i <= j) {
                std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j)
            Sort(a, l, j);
        l = i;
    } while (i < r);
}

inline void Sort(std::vector<TContactorEvent>& a)
{
    if (!a.empty())
        Sort(a, 0, static_cast<std::ptrdiff_t>(a.size()) - 1);
}

}  // namespace literal
