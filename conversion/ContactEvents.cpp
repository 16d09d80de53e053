#include "ContactEvents.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>

#include "ExtendedMultiply.h"
#include "Resolution.h"

namespace {

constexpr std::uint32_t MaxTime = std::numeric_limits<std::uint32_t>::max();

std::uint32_t SaturatingAdd(std::uint32_t a, std::uint32_t b)
{
    return b > MaxTime - a ? MaxTime : a + b;
}

// An entry's time and its place in the list.
struct TTimedIndex {
    std::uint32_t TimeMs;
    std::uint32_t Index;
};

// Stable sort by time that merges the runs already in order: one pass when
// the entries come in time order, as the changes of one output mostly do.
void SortRunsByTime(std::vector<TTimedIndex>::iterator first, std::vector<TTimedIndex>::iterator last)
{
    const auto earlier = [](const TTimedIndex& a, const TTimedIndex& b) { return a.TimeMs < b.TimeMs; };
    std::vector<std::vector<TTimedIndex>::iterator> runs{first};
    for (auto it = first; it != last; ++it)
        if (it + 1 != last && earlier(*(it + 1), *it))
            runs.push_back(it + 1);
    runs.push_back(last);
    while (runs.size() > 2) {
        std::vector<std::vector<TTimedIndex>::iterator> merged{runs[0]};
        for (std::size_t r = 0; r + 1 < runs.size(); r += 2) {
            if (r + 2 < runs.size()) {
                std::inplace_merge(runs[r], runs[r + 1], runs[r + 2], earlier);
                merged.push_back(runs[r + 2]);
            } else {
                merged.push_back(runs[r + 1]);
            }
        }
        runs.swap(merged);
    }
}

}  // namespace

namespace {

std::uint32_t Milliseconds(std::uint64_t microseconds)
{
    const std::uint64_t ms = microseconds / 1000u;
    return ms > MaxTime ? MaxTime : static_cast<std::uint32_t>(ms);
}

}  // namespace

std::uint32_t TicksToMs(double microsecondsPerTick, std::uint32_t ticks)
{
    return Milliseconds(TruncatedExtendedProduct(microsecondsPerTick, ticks));
}

void CollectNoteEvents(const TMidiFile& midiFile, std::vector<TUseFullMidiEvent>& noteEvents)
{
    noteEvents.clear();
    // TicksToMs, with the factor split once for the whole file.
    const TExtendedFactor factor(midiFile.MicrosecondsPerTick());
    const auto ticksToMs = [&factor](std::int32_t ticks) {
        return Milliseconds(factor.TruncatedProduct(static_cast<std::uint32_t>(ticks)));
    };
    for (std::int32_t t = 0; t < midiFile.NumberOfTracks(); ++t) {
        const TMidiTrack& track = midiFile.TrackAt(t);
        for (const TMidiEvent& event : track.Events) {
            if (event.Duration == -1)
                continue;
            if (event.Status != 0x90 && event.Status != 0x91)
                continue;
            TUseFullMidiEvent note;
            note.TimeMs = ticksToMs(event.Time);
            note.Channel = static_cast<std::uint8_t>(event.Status - 0x90);
            note.Note = event.Data1;
            note.Velocity = event.Data2;
            note.DurationMs = ticksToMs(event.Duration);
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
    const std::uint32_t r = ResolutionOf(resolutionMs).Ms;
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
    // Duplicates share an output, so each output's entries are looked at on
    // their own: gathered in list order, put in time order (equal times keep
    // list order), and of each run of equal times all but the last dropped.
    std::array<std::size_t, 257> start{};
    for (const TContactorEvent& e : contactEvents)
        ++start[e.Contact + 1u];
    for (std::size_t c = 1; c < start.size(); ++c)
        start[c] += start[c - 1];
    std::vector<TTimedIndex> byOutput(n);
    std::array<std::size_t, 256> next{};
    std::copy(start.begin(), start.end() - 1, next.begin());
    for (std::size_t i = 0; i < n; ++i)
        byOutput[next[contactEvents[i].Contact]++] = {contactEvents[i].TimeMs, static_cast<std::uint32_t>(i)};

    std::vector<bool> drop(n, false);
    for (std::size_t c = 0; c < 256; ++c) {
        const auto first = byOutput.begin() + static_cast<std::ptrdiff_t>(start[c]);
        const auto last = byOutput.begin() + static_cast<std::ptrdiff_t>(start[c + 1]);
        SortRunsByTime(first, last);
        for (auto it = first; it != last && it + 1 != last; ++it)
            if (it->TimeMs == (it + 1)->TimeMs)
                drop[it->Index] = true;
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

namespace {

// Whole 8-byte moves: member-wise stores of 4 and 2 bytes stall the 8-byte
// loads that read the entries back.
void Swap(TContactorEvent& x, TContactorEvent& y)
{
    static_assert(sizeof(TContactorEvent) == sizeof(std::uint64_t));
    static_assert(std::is_trivially_copyable_v<TContactorEvent>);
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, static_cast<const void*>(&x), sizeof a);
    std::memcpy(&b, static_cast<const void*>(&y), sizeof b);
    std::memcpy(static_cast<void*>(&x), &b, sizeof b);
    std::memcpy(static_cast<void*>(&y), &a, sizeof a);
}

// Hoare partitioning around the middle entry. The two parts a partition
// leaves are independent, so recursing into the smaller one and looping on
// the larger gives the same order as left first, with a stack of log n.
void Sort(TContactorEvent* a, std::ptrdiff_t left, std::ptrdiff_t right)
{
    while (left < right) {
        std::ptrdiff_t i = left;
        std::ptrdiff_t j = right;
        const TContactorEvent pivot = a[left + (right - left) / 2];
        do {
            while (CompareByTime(a[i], pivot) < 0)
                ++i;
            while (CompareByTime(a[j], pivot) > 0)
                --j;
            if (i <= j) {
                Swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        // Parts [left, j] and [i, right].
        if (j - left < right - i) {
            Sort(a, left, j);
            left = i;
        } else {
            Sort(a, i, right);
            right = j;
        }
    }
}

}  // namespace

void SortContactEvents(std::vector<TContactorEvent>& contactEvents)
{
    Sort(contactEvents.data(), 0, static_cast<std::ptrdiff_t>(contactEvents.size()) - 1);
}
