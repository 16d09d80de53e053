#include "ContactEvents.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "ExtendedMultiply.h"
#include "LargePages.h"
#include "MidiStatus.h"
#include "Resolution.h"

namespace {

constexpr std::uint32_t MaxTime = std::numeric_limits<std::uint32_t>::max();

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

namespace {

// The note of a collected event, its times in milliseconds (TicksToMs, with
// the factor split once for the whole file).
class TNoteOfEvent {
public:
    explicit TNoteOfEvent(const TMidiFile& midiFile) : factor_(midiFile.MicrosecondsPerTick()) {}

    [[gnu::always_inline]] TUseFullMidiEvent operator()(const TMidiEvent& event) const
    {
        TUseFullMidiEvent note;
        note.TimeMs = Ms(event.Time);
        note.Channel = MidiStatus::ChannelOf(event.Status);
        note.Note = event.Data1;
        note.Velocity = event.Data2;
        note.DurationMs = Ms(event.Duration);
        note.Unclosed = !event.Closed;
        return note;
    }

private:
    std::uint32_t Ms(std::int32_t ticks) const
    {
        return Milliseconds(factor_.TruncatedProduct(static_cast<std::uint32_t>(ticks)));
    }

    TExtendedFactor factor_;
};

// The cleaning steps without the list of changes. Of each group of changes
// sharing a time and an output, only the one that stands last in the list
// survives the removal of same-time duplicates: a table indexed by slot and
// output keeps the change met so far with the latest place in the list, so
// the changes may come in any order. At the end the survivors, put in list
// order, lose their repeated states. Memory goes with the slots the file
// spans, not with its notes.
template <std::uint32_t R>
class TLatestChanges {
public:
    // Every change falls in slots 0 to lastSlot.
    explicit TLatestChanges(std::uint64_t lastSlot) : entries_((lastSlot + 1) * 256, Unused) {}

    // place orders the changes as the list would: any increasing numbering
    // below 2^56.
    void Offer(std::uint64_t place, const TContactorEvent& change)
    {
        // The slot the time is raised to (in 64 bits: near 2^32 it overflows).
        const std::uint64_t slot = (std::uint64_t{change.TimeMs} + (R - 1)) / R;
        const std::uint64_t key = slot << 8 | change.Contact;
        if (key >= entries_.size())
            throw std::logic_error("a change past the last slot of its file");
        std::uint64_t& entry = entries_[key];
        const std::uint64_t offered = place << 8 | change.Value;
        entry = entry == Unused || offered > entry ? offered : entry;
    }

    void OfferNote(std::uint64_t notePlace, const TUseFullMidiEvent& note)
    {
        Offer(2 * notePlace, SwitchOn(note));
        Offer(2 * notePlace + 1, SwitchOff(note));
    }

    // The survivors in list order, of each run of equal states the first.
    void Finish(std::vector<TContactorEvent>& contactEvents)
    {
        struct TSurvivor {
            std::uint64_t PlaceValue;
            std::uint64_t Key;
        };
        std::vector<TSurvivor> survivors;
        for (std::uint64_t key = 0; key < entries_.size(); ++key)
            if (entries_[key] != Unused)
                survivors.push_back({entries_[key], key});
        std::sort(survivors.begin(), survivors.end(),
                  [](const TSurvivor& a, const TSurvivor& b) { return a.PlaceValue < b.PlaceValue; });
        contactEvents.clear();
        for (const TSurvivor& e : survivors) {
            const auto time = static_cast<std::uint32_t>(std::min<std::uint64_t>((e.Key >> 8) * R, MaxTime));
            const TContactorEvent change{time, static_cast<std::uint8_t>(e.Key), static_cast<std::uint8_t>(e.PlaceValue)};
            if (contactEvents.empty() || contactEvents.back().Contact != change.Contact ||
                contactEvents.back().Value != change.Value)
                contactEvents.push_back(change);
        }
    }

private:
    static constexpr std::uint64_t Unused = ~std::uint64_t{0};
    std::vector<std::uint64_t> entries_;  // by slot << 8 | output: place << 8 | level
};

// Calls step.template operator()<R>() with R the resolution that resolutionMs
// converts as: one instance per resolution, where a division by R is a
// multiplication.
template <typename TStep>
auto WithResolution(std::uint16_t resolutionMs, TStep&& step)
{
    switch (ResolutionOf(resolutionMs).Ms) {
    case 100: return step.template operator()<100>();
    case 250: return step.template operator()<250>();
    case 500: return step.template operator()<500>();
    default: return step.template operator()<1000>();
    }
}

}  // namespace

namespace {

// Reads the notes of a file into the list in its order, track after track
// and within a track in file order, in the one reading that also pairs
// note-offs: a note is final only once the next note-on of its key comes
// or its track ends, so each goes to its place among the track's notes,
// which the reader counted. onNote(track, index, note) sees each note as it
// becomes final.
template <typename TOnNote>
class TNoteCollector {
public:
    TNoteCollector(const TMidiFile& midiFile, std::vector<TUseFullMidiEvent>& notes, TOnNote onNote)
        : midiFile_(midiFile), notes_(notes), onNote_(onNote), noteOf_(midiFile)
    {
        std::size_t count = 0;
        for (std::int32_t t = 0; t < midiFile.NumberOfTracks(); ++t)
            count += static_cast<std::size_t>(midiFile.TrackAt(t).NoteCount());
        notes_.clear();
        notes_.reserve(count);
        AdviseLargePages(notes_.data(), count * sizeof(TUseFullMidiEvent));
    }

    void Track(std::int32_t track)
    {
        track_ = track;
        base_ = notes_.size();
        notesBefore_ = 0;
        notes_.resize(base_ + static_cast<std::size_t>(midiFile_.TrackAt(track).NoteCount()));
    }

    void Event(std::int32_t, const TMidiEvent& event, std::string_view)
    {
        if (!event.IsChannel1Or2NoteOn())
            return;
        // Its key's latest note-on status event, until the next one comes
        // (after this one is final).
        place_[Key(event)] = notesBefore_;
        if (event.Data2 != 0)
            ++notesBefore_;
    }

    [[gnu::always_inline]] void Final(std::int32_t index, const TMidiEvent& event)
    {
        if (!event.IsCollectedNote())
            return;
        const TUseFullMidiEvent note = noteOf_(event);
        const std::size_t place = place_[Key(event)];
        if (event.Data2 != 0) {
            if (base_ + place >= notes_.size())
                throw EMidiFileError("The MIDI file " + midiFile_.Filename() + " has changed since it was read");
            notes_[base_ + place] = note;
        } else {
            // A velocity-0 note-on that closed nothing, or was itself closed
            // again: rare, put in its place at the end of the track.
            strays_.push_back({index, place, note});
        }
        onNote_(track_, index, note);
    }

    void EndTrack()
    {
        if (strays_.empty())
            return;
        std::sort(strays_.begin(), strays_.end(), [](const TStray& a, const TStray& b) { return a.Index < b.Index; });
        // From the back: each stray goes before the note-on that followed it.
        std::size_t kept = notes_.size() - base_;
        notes_.resize(notes_.size() + strays_.size());
        std::size_t to = notes_.size();
        for (std::size_t stray = strays_.size(); stray-- > 0;) {
            for (; kept > strays_[stray].NotesBefore; --kept)
                notes_[--to] = notes_[base_ + kept - 1];
            notes_[--to] = strays_[stray].Note;
        }
        strays_.clear();
    }

private:
    struct TStray {
        std::int32_t Index;
        std::size_t NotesBefore;
        TUseFullMidiEvent Note;
    };

    // Channel 1 or 2 and note number.
    static std::size_t Key(const TMidiEvent& event) { return (event.Status & 1u) << 7 | event.Data1; }

    const TMidiFile& midiFile_;
    std::vector<TUseFullMidiEvent>& notes_;
    TOnNote onNote_;
    const TNoteOfEvent noteOf_;
    std::int32_t track_ = 0;
    std::size_t base_ = 0;         // where the track's notes begin
    std::size_t notesBefore_ = 0;  // the track's note-ons (velocity above 0) so far
    std::array<std::size_t, 256> place_{};
    std::vector<TStray> strays_;
};

template <typename TOnNote>
void ReadNotes(const TMidiFile& midiFile, std::vector<TUseFullMidiEvent>& noteEvents, TOnNote onNote)
{
    TNoteCollector<TOnNote> collector(midiFile, noteEvents, onNote);
    midiFile.ReadTracks(collector);
}

}  // namespace

void CollectNoteEvents(const TMidiFile& midiFile, std::vector<TUseFullMidiEvent>& noteEvents)
{
    ReadNotes(midiFile, noteEvents, [](std::int32_t, std::int32_t, const TUseFullMidiEvent&) {});
}

namespace {

// About the last slot a change of the file can fall in: none falls past the
// end of the longest track.
std::uint64_t LastSlot(const TMidiFile& midiFile, std::uint16_t resolutionMs)
{
    std::uint32_t ticks = 0;
    for (std::int32_t t = 0; t < midiFile.NumberOfTracks(); ++t)
        ticks = std::max(ticks, static_cast<std::uint32_t>(midiFile.TrackAt(t).CurrentTime));
    return TicksToMs(midiFile.MicrosecondsPerTick(), ticks) / ResolutionOf(resolutionMs).Ms + 1;
}

}  // namespace

void CollectContactEvents(const TMidiFile& midiFile, std::uint16_t resolutionMs,
                          std::vector<TUseFullMidiEvent>& noteEvents, std::vector<TContactorEvent>& contactEvents,
                          TCleaningWay way)
{
    const std::uint64_t lastSlot = LastSlot(midiFile, resolutionMs);
    if (way == TCleaningWay::BySize) {
        std::uint64_t events = 0;
        for (std::int32_t t = 0; t < midiFile.NumberOfTracks(); ++t)
            events += static_cast<std::uint64_t>(midiFile.TrackAt(t).EventCount());
        way = events >= TableEvents ? TCleaningWay::Table : TCleaningWay::Steps;
    }
    if (way == TCleaningWay::Steps || (lastSlot + 1) * 256 > TableTimesAndOutputs) {
        CollectNoteEvents(midiFile, noteEvents);
        CleanContactEvents(noteEvents, resolutionMs, contactEvents);
        return;
    }
    WithResolution(resolutionMs, [&]<std::uint32_t R>() {
        TLatestChanges<R> latest(lastSlot);
        ReadNotes(midiFile, noteEvents, [&](std::int32_t track, std::int32_t index, const TUseFullMidiEvent& note) {
            // A file of 32 MiB holds fewer than 2^22 tracks.
            latest.OfferNote(static_cast<std::uint64_t>(track) << 32 | static_cast<std::uint32_t>(index), note);
        });
        latest.Finish(contactEvents);
    });
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
        contactEvents.push_back(SwitchOn(note));
        contactEvents.push_back(SwitchOff(note));
    }
}

void QuantizeContactEvents(std::vector<TContactorEvent>& contactEvents, std::uint16_t resolutionMs)
{
    for (TContactorEvent& e : contactEvents)
        e.TimeMs = QuantizedTime(e.TimeMs, resolutionMs);
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
