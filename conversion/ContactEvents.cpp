#include "ContactEvents.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <numeric>

#include "ExtendedMultiply.h"

namespace {

constexpr std::uint32_t MaxTime = std::numeric_limits<std::uint32_t>::max();

std::uint32_t SaturatingAdd(std::uint32_t a, std::uint32_t b)
{
    return b > MaxTime - a ? MaxTime : a + b;
}

// Indexes of the entries ordered by TimeMs, equal times in list order: an
// LSD radix sort in three 11-bit passes, skipping a pass whose digit is the
// same everywhere.
std::vector<std::uint32_t> StableOrderByTime(const std::vector<TContactorEvent>& events)
{
    const std::size_t n = events.size();
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::vector<std::uint32_t> scratch(n);
    constexpr int DigitBits = 11;
    constexpr std::uint32_t Buckets = 1u << DigitBits;
    for (int shift = 0; shift < 32; shift += DigitBits) {
        std::array<std::uint32_t, Buckets> count{};
        for (const TContactorEvent& e : events)
            ++count[(e.TimeMs >> shift) & (Buckets - 1)];
        if (std::find(count.begin(), count.end(), static_cast<std::uint32_t>(n)) != count.end())
            continue;
        std::uint32_t start = 0;
        for (std::uint32_t& c : count) {
            const std::uint32_t here = c;
            c = start;
            start += here;
        }
        for (const std::uint32_t index : order)
            scratch[count[(events[index].TimeMs >> shift) & (Buckets - 1)]++] = index;
        order.swap(scratch);
    }
    return order;
}

}  // namespace

std::uint16_t EffectiveResolutionMs(std::uint16_t resolutionMs)
{
    switch (resolutionMs) {
    case 100:
    case 250:
    case 500:
    case 1000: return resolutionMs;
    default: return 1000;
    }
}

std::uint32_t TicksToMs(double microsecondsPerTick, std::uint32_t ticks)
{
    const std::uint64_t ms = TruncatedExtendedProduct(microsecondsPerTick, ticks) / 1000u;
    return ms > MaxTime ? MaxTime : static_cast<std::uint32_t>(ms);
}

void CollectNoteEvents(const TMidiFile& midiFile, std::vector<TUseFullMidiEvent>& noteEvents)
{
    noteEvents.clear();
    const double factor = midiFile.MicrosecondsPerTick();
    for (std::int32_t t = 0; t < midiFile.NumberOfTracks(); ++t) {
        const TMidiTrack& track = midiFile.TrackAt(t);
        for (const TMidiEvent& event : track.Events) {
            if (event.Duration == -1)
                continue;
            if (event.Status != 0x90 && event.Status != 0x91)
                continue;
            TUseFullMidiEvent note;
            note.TimeMs = TicksToMs(factor, static_cast<std::uint32_t>(event.Time));
            note.Channel = static_cast<std::uint8_t>(event.Status - 0x90);
            note.Note = event.Data1;
            note.Velocity = event.Data2;
            note.DurationMs = TicksToMs(factor, static_cast<std::uint32_t>(event.Duration));
            noteEvents.push_back(note);
        }
    }
}

void PrepareContactEvents(const std::vector<TUseFullMidiEvent>& noteEvents, std::uint16_t resolutionMs,
                          std::vector<TContactorEvent>& contactEvents)
{
    CleanContactEvents(noteEvents, resolutionMs, contactEvents);
    SortContactEvents(contactEvents);
}

void CleanContactEvents(const std::vector<TUseFullMidiEvent>& noteEvents, std::uint16_t resolutionMs,
                        std::vector<TContactorEvent>& contactEvents)
{
    BuildContactEvents(noteEvents, contactEvents);
    QuantizeContactEvents(contactEvents, resolutionMs);
    RemoveSameTimeDuplicates(contactEvents);
    RemoveRepeatedStates(contactEvents);
}

void BuildContactEvents(const std::vector<TUseFullMidiEvent>& noteEvents,
                        std::vector<TContactorEvent>& contactEvents)
{
    contactEvents.clear();
    contactEvents.reserve(noteEvents.size() * 2);
    for (const TUseFullMidiEvent& note : noteEvents) {
        const auto contact = static_cast<std::uint8_t>(note.Channel * 128u + note.Note);
        const auto level = note.Velocity == 127 ? std::uint8_t{255} : static_cast<std::uint8_t>(note.Velocity * 2u);
        contactEvents.push_back(TContactorEvent{note.TimeMs, contact, level});
        contactEvents.push_back(TContactorEvent{SaturatingAdd(note.TimeMs, note.DurationMs), contact, 0});
    }
}

void QuantizeContactEvents(std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs)
{
    const std::uint32_t r = EffectiveResolutionMs(resolutionMs);
    for (TContactorEvent& e : contactEvents) {
        const std::uint32_t q = e.TimeMs / r * r;
        if (q < e.TimeMs)
            e.TimeMs = SaturatingAdd(q, r);
    }
}

void RemoveSameTimeDuplicates(std::vector<TContactorEvent>& contactEvents)
{
    const std::size_t n = contactEvents.size();
    if (n < 2)
        return;
    // Walk each group of equal times in list order; a later entry of the
    // same output drops the one remembered before it.
    const std::vector<std::uint32_t> order = StableOrderByTime(contactEvents);
    std::vector<bool> drop(n, false);
    std::array<std::uint32_t, 256> latest{};
    std::array<std::size_t, 256> seenInGroup{};  // group number + 1 in which the output was seen
    std::size_t group = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t index = order[k];
        if (k == 0 || contactEvents[order[k - 1]].TimeMs != contactEvents[index].TimeMs)
            ++group;
        const std::uint8_t contact = contactEvents[index].Contact;
        if (seenInGroup[contact] == group)
            drop[latest[contact]] = true;
        seenInGroup[contact] = group;
        latest[contact] = index;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (!drop[i])
            contactEvents[kept++] = contactEvents[i];
    contactEvents.resize(kept);
}

void RemoveRepeatedStates(std::vector<TContactorEvent>& contactEvents)
{
    const auto repeats = [](const TContactorEvent& a, const TContactorEvent& b) {
        return a.Contact == b.Contact && a.Value == b.Value;
    };
    contactEvents.erase(std::unique(contactEvents.begin(), contactEvents.end(), repeats), contactEvents.end());
}

int CompareByTime(const TContactorEvent& a, const TContactorEvent& b)
{
    if (a.TimeMs > b.TimeMs)
        return 1;
    if (a.TimeMs < b.TimeMs)
        return -1;
    return 0;
}

void SortContactEvents(std::vector<TContactorEvent>& contactEvents)
{
    if (contactEvents.empty())
        return;
    // Hoare partitioning around the middle entry. The two parts left by a
    // partition are independent, so recursing into the smaller one and
    // looping on the larger gives the same order with a stack of log n.
    struct Sorter {
        std::vector<TContactorEvent>& a;
        void Sort(std::ptrdiff_t left, std::ptrdiff_t right)
        {
            while (left < right) {
                std::ptrdiff_t i = left;
                std::ptrdiff_t j = right;
                const TContactorEvent pivot = a[static_cast<std::size_t>((left + right) / 2)];
                do {
                    while (CompareByTime(a[static_cast<std::size_t>(i)], pivot) < 0)
                        ++i;
                    while (CompareByTime(a[static_cast<std::size_t>(j)], pivot) > 0)
                        --j;
                    if (i <= j) {
                        std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
                        ++i;
                        --j;
                    }
                } while (i <= j);
                // Parts [left, j] and [i, right].
                if (j - left < right - i) {
                    if (left < j)
                        Sort(left, j);
                    left = i;
                } else {
                    if (i < right)
                        Sort(i, right);
                    right = j;
                }
            }
        }
    } sorter{contactEvents};
    sorter.Sort(0, static_cast<std::ptrdiff_t>(contactEvents.size()) - 1);
}
