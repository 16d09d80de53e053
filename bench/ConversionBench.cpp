// The conversion as the Convert command runs it, on generated files (four
// tracks on MIDI channels 1 and 2, running status, velocity-0 note-offs):
//
// - Files that fit the image: at 100 ms and at 1000 ms, the largest
//   generated file whose image the device can hold, the most the command
//   ever converts. Load, collect, prepare (clean and sort) and frames
//   separately, and Convert: the whole command, image file written.
// - Files refused for size: Refuse runs the command at 100 ms on files of
//   10 000, 100 000 and 1 000 000 notes, whose changes outnumber what the
//   frame block can hold, up to the warning (load, collect, clean, refuse).
//   RefuseAfterSort: at 100 ms, the largest file whose changes the command
//   still sorts before its image is found too large, the longest refusal.
//
// Counters give the notes and changes of each file and the time per note.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "AppSettings.h"
#include "ContactEvents.h"
#include "ConversionCommand.h"
#include "MidiFile.h"
#include "SeqFile.h"
#include "SmfWriter.h"

namespace {

namespace fs = std::filesystem;

// A folder for the files of this run, removed at the end: in memory where
// the system has one, so that reading the MIDI file and writing the image
// do not time the disk.
const fs::path& WorkFolder()
{
    static const fs::path folder = [] {
        const fs::path shm = "/dev/shm";
        fs::path base = fs::is_directory(shm) ? shm : fs::temp_directory_path();
        base /= "torem-conversion-bench";
        fs::create_directories(base);
        return base;
    }();
    return folder;
}

// One generated file per size, written once.
const std::string& FileWithNotes(std::size_t notes)
{
    static std::map<std::size_t, std::string> files;
    auto it = files.find(notes);
    if (it == files.end()) {
        const fs::path path = WorkFolder() / ("notes-" + std::to_string(notes) + ".mid");
        WriteBytesToFile(path.string(), GeneratedSmf(notes, 4));
        it = files.emplace(notes, path.string()).first;
    }
    return it->second;
}

// The cleaned changes of a generated file, as the command has them before
// it decides whether they can fit.
std::vector<TContactorEvent> CleanedChanges(std::size_t notes, std::uint16_t resolutionMs)
{
    TMidiFile file;
    file.LoadBytes(GeneratedSmf(notes, 4));
    std::vector<TUseFullMidiEvent> noteEvents;
    CollectNoteEvents(file, noteEvents);
    std::vector<TContactorEvent> changes;
    CleanContactEvents(noteEvents, resolutionMs, changes);
    return changes;
}

enum class TLimit {
    Image,  // the image fits
    Sort,   // the changes are few enough to be sorted
};

// The largest generated file within a limit at a resolution, found once by
// bisection: a file of one note is within both, one of 65536 notes within neither.
std::size_t NotesAtLimit(TLimit limit, std::uint16_t resolutionMs)
{
    static std::map<std::pair<TLimit, std::uint16_t>, std::size_t> found;
    const auto within = [limit, resolutionMs](std::size_t notes) {
        std::vector<TContactorEvent> changes = CleanedChanges(notes, resolutionMs);
        if (!CanFitFrameBlock(changes.size()))
            return false;
        if (limit == TLimit::Sort)
            return true;
        SortContactEvents(changes);
        return CheckSeqImage(changes, resolutionMs) == TImageFit::Fits;
    };
    auto it = found.find({limit, resolutionMs});
    if (it == found.end()) {
        std::size_t good = 1;
        std::size_t bad = 65536;
        while (bad - good > 1) {
            const std::size_t middle = good + (bad - good) / 2;
            (within(middle) ? good : bad) = middle;
        }
        it = found.emplace(std::pair(limit, resolutionMs), good).first;
    }
    return it->second;
}

// Counters: the notes, the cleaned changes, the time per note.
void Count(benchmark::State& state, std::size_t notes, std::size_t changes)
{
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["changes"] = static_cast<double>(changes);
    state.counters["per_note"] = benchmark::Counter(static_cast<double>(notes),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}

// The largest fitting file at the resolution of state.range(0), taken
// through the stages before the one being timed.
struct TStages {
    enum class TUpTo { Nothing, Loaded, Collected, Prepared };

    TStages(const benchmark::State& state, TUpTo upTo)
        : resolution(static_cast<std::uint16_t>(state.range(0))), notes(NotesAtLimit(TLimit::Image, resolution))
    {
        file.SetFilename(FileWithNotes(notes));
        if (upTo >= TUpTo::Loaded)
            file.LoadFile();
        if (upTo >= TUpTo::Collected)
            CollectNoteEvents(file, noteEvents);
        if (upTo >= TUpTo::Prepared)
            PrepareContactEvents(noteEvents, resolution, changes);
    }

    void Report(benchmark::State& state) const { Count(state, notes, CleanedChanges(notes, resolution).size()); }

    std::uint16_t resolution;
    std::size_t notes;
    TMidiFile file;
    std::vector<TUseFullMidiEvent> noteEvents;
    std::vector<TContactorEvent> changes;
    std::vector<TTrameOfContactorEvent> frames;
};
using TUpTo = TStages::TUpTo;

// Times one stage on the file taken through the stages before it.
template <typename TStep>
void Stage(benchmark::State& state, TUpTo upTo, TStep step)
{
    TStages s(state, upTo);
    for (auto _ : state)
        step(s);
    s.Report(state);
}

void Load(benchmark::State& state)
{
    Stage(state, TUpTo::Nothing, [](TStages& s) {
        s.file.LoadFile();
        benchmark::DoNotOptimize(s.file.NumberOfTracks());
    });
}

void Collect(benchmark::State& state)
{
    Stage(state, TUpTo::Loaded, [](TStages& s) {
        CollectNoteEvents(s.file, s.noteEvents);
        benchmark::DoNotOptimize(s.noteEvents.data());
    });
}

void Prepare(benchmark::State& state)
{
    Stage(state, TUpTo::Collected, [](TStages& s) {
        PrepareContactEvents(s.noteEvents, s.resolution, s.changes);
        benchmark::DoNotOptimize(s.changes.data());
    });
}

void Frames(benchmark::State& state)
{
    Stage(state, TUpTo::Prepared, [](TStages& s) {
        BuildSeqFrames(s.changes, s.resolution, s.frames);
        benchmark::DoNotOptimize(s.frames.data());
    });
}

// The command's boxes: every replace question answered Yes.
class TAnswerYes final : public TDialogs {
public:
    void Warning(const std::string&) override {}
    void WarningNoWait(const std::string&) override {}
    void Information(const std::string&) override {}
    bool Confirmation(const std::string&) override { return true; }
};

class TNoControls final : public TConverterControls {
public:
    void SetConverterEnabled(bool) override {}
};

// Runs the Convert command on a generated file until the outcome differs
// from the expected one.
void RunCommand(benchmark::State& state, std::size_t notes, std::uint16_t resolution, TConversionOutcome expected)
{
    AppSettings settings;
    settings.ResolutionMs = resolution;
    settings.MidiFileName = FileWithNotes(notes);
    settings.SeqFileName = (WorkFolder() / "out.seq").string();
    TMidiFile file;
    TAnswerYes dialogs;
    TNoControls controls;
    TConversionCommand command(settings, file, dialogs, controls);
    for (auto _ : state) {
        if (command.Execute() != expected) {
            state.SkipWithError("the command gave another outcome");
            break;
        }
    }
    Count(state, notes, settings.ContactEvents.size());
}

void Convert(benchmark::State& state)
{
    const auto resolution = static_cast<std::uint16_t>(state.range(0));
    RunCommand(state, NotesAtLimit(TLimit::Image, resolution), resolution, TConversionOutcome::Written);
}

void Refuse(benchmark::State& state)
{
    RunCommand(state, static_cast<std::size_t>(state.range(0)), 100, TConversionOutcome::DoesNotFit);
}

void RefuseAfterSort(benchmark::State& state)
{
    const auto resolution = static_cast<std::uint16_t>(state.range(0));
    RunCommand(state, NotesAtLimit(TLimit::Sort, resolution), resolution, TConversionOutcome::DoesNotFit);
}

void AtImageLimit(benchmark::internal::Benchmark* b)
{
    b->ArgName("ms")->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(Load)->Apply(AtImageLimit);
BENCHMARK(Collect)->Apply(AtImageLimit);
BENCHMARK(Prepare)->Apply(AtImageLimit);
BENCHMARK(Frames)->Apply(AtImageLimit);
BENCHMARK(Convert)->Apply(AtImageLimit);
BENCHMARK(Refuse)->ArgName("notes")->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(RefuseAfterSort)->ArgName("ms")->Arg(100)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(WorkFolder(), ignored);
    return 0;
}
