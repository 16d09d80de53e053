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

void Load(benchmark::State& state)
{
    TMidiFile file;
    file.SetFilename(FileWithNotes(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        file.LoadFile();
        benchmark::DoNotOptimize(file.NumberOfTracks());
    }
    PerNote(state);
}

void Collect(benchmark::State& state)
{
    TMidiFile file;
    file.SetFilename(FileWithNotes(static_cast<std::size_t>(state.range(0))));
    file.LoadFile();
    std::vector<TUseFullMidiEvent> notes;
    for (auto _ : state) {
        CollectNoteEvents(file, notes);
        benchmark::DoNotOptimize(notes.data());
    }
    PerNote(state);
}

void Prepare(benchmark::State& state)
{
    TMidiFile file;
    file.SetFilename(FileWithNotes(static_cast<std::size_t>(state.range(0))));
    file.LoadFile();
    std::vector<TUseFullMidiEvent> notes;
    CollectNoteEvents(file, notes);
    std::vector<TContactorEvent> changes;
    for (auto _ : state) {
        PrepareContactEvents(notes, 100, changes);
        benchmark::DoNotOptimize(changes.data());
    }
    PerNote(state);
}

void Frames(benchmark::State& state)
{
    TMidiFile file;
    file.SetFilename(FileWithNotes(static_cast<std::size_t>(state.range(0))));
    file.LoadFile();
    std::vector<TUseFullMidiEvent> notes;
    CollectNoteEvents(file, notes);
    std::vector<TContactorEvent> changes;
    PrepareContactEvents(notes, 100, changes);
    std::vector<TTrameOfContactorEvent> frames;
    for (auto _ : state) {
        BuildSeqFrames(changes, 100, frames);
        benchmark::DoNotOptimize(frames.data());
    }
    PerNote(state);
}

void Pipeline(benchmark::State& state)
{
    TMidiFile file;
    file.SetFilename(FileWithNotes(static_cast<std::size_t>(state.range(0))));
    std::vector<TUseFullMidiEvent> notes;
    std::vector<TContactorEvent> changes;
    std::vector<TTrameOfContactorEvent> frames;
    for (auto _ : state) {
        file.LoadFile();
        CollectNoteEvents(file, notes);
        PrepareContactEvents(notes, 100, changes);
        BuildSeqFrames(changes, 100, frames);
        benchmark::DoNotOptimize(frames.data());
    }
    state.counters["changes"] = static_cast<double>(changes.size());
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
