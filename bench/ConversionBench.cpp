// The conversion pipeline on generated files of 10 000, 100 000 and
// 1 000 000 notes (four tracks on MIDI channels 1 and 2, running status,
// velocity-0 note-offs): load, collect, prepare and frames separately and
// together. Counters give the time per note.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "ContactEvents.h"
#include "MidiFile.h"
#include "SeqFile.h"
#include "SmfWriter.h"

namespace {

// One generated file per size, written once to the temporary directory.
const std::string& FileWithNotes(std::size_t notes)
{
    static std::map<std::size_t, std::string> files;
    auto it = files.find(notes);
    if (it == files.end()) {
        const auto path = std::filesystem::temp_directory_path() /
                          ("torem-bench-" + std::to_string(notes) + "-notes.mid");
        WriteBytesToFile(path.string(), GeneratedSmf(notes, 4));
        it = files.emplace(notes, path.string()).first;
    }
    return it->second;
}

void PerNote(benchmark::State& state)
{
    state.counters["per_note"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// A generated file taken through the stages before the one being timed.
struct TStages {
    enum class TUpTo { Nothing, Loaded, Collected, Prepared };

    TStages(const benchmark::State& state, TUpTo upTo)
    {
        file.SetFilename(FileWithNotes(static_cast<std::size_t>(state.range(0))));
        if (upTo >= TUpTo::Loaded)
            file.LoadFile();
        if (upTo >= TUpTo::Collected)
            CollectNoteEvents(file, notes);
        if (upTo >= TUpTo::Prepared)
            PrepareContactEvents(notes, Resolution, changes);
    }

    static constexpr std::uint16_t Resolution = 100;
    TMidiFile file;
    std::vector<TUseFullMidiEvent> notes;
    std::vector<TContactorEvent> changes;
    std::vector<TTrameOfContactorEvent> frames;
};
using TUpTo = TStages::TUpTo;

void Load(benchmark::State& state)
{
    TStages s(state, TUpTo::Nothing);
    for (auto _ : state) {
        s.file.LoadFile();
        benchmark::DoNotOptimize(s.file.NumberOfTracks());
    }
    PerNote(state);
}

void Collect(benchmark::State& state)
{
    TStages s(state, TUpTo::Loaded);
    for (auto _ : state) {
        CollectNoteEvents(s.file, s.notes);
        benchmark::DoNotOptimize(s.notes.data());
    }
    PerNote(state);
}

void Prepare(benchmark::State& state)
{
    TStages s(state, TUpTo::Collected);
    for (auto _ : state) {
        PrepareContactEvents(s.notes, TStages::Resolution, s.changes);
        benchmark::DoNotOptimize(s.changes.data());
    }
    PerNote(state);
}

void Frames(benchmark::State& state)
{
    TStages s(state, TUpTo::Prepared);
    for (auto _ : state) {
        BuildSeqFrames(s.changes, TStages::Resolution, s.frames);
        benchmark::DoNotOptimize(s.frames.data());
    }
    PerNote(state);
}

void Pipeline(benchmark::State& state)
{
    TStages s(state, TUpTo::Nothing);
    for (auto _ : state) {
        s.file.LoadFile();
        CollectNoteEvents(s.file, s.notes);
        PrepareContactEvents(s.notes, TStages::Resolution, s.changes);
        BuildSeqFrames(s.changes, TStages::Resolution, s.frames);
        benchmark::DoNotOptimize(s.frames.data());
    }
    state.counters["changes"] = static_cast<double>(s.changes.size());
    PerNote(state);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(Load)->Apply(Sizes);
BENCHMARK(Collect)->Apply(Sizes);
BENCHMARK(Prepare)->Apply(Sizes);
BENCHMARK(Frames)->Apply(Sizes);
BENCHMARK(Pipeline)->Apply(Sizes);

BENCHMARK_MAIN();
