// The sequence viewer drawing a frame: the picture laid out by the viewer
// model for the window's size, then painted by the Qt face, as each zoom,
// scroll, cursor move or resize does it.
//
// The show: one hour at 1 s, all 256 outputs switched on 28 times each for
// 3 s, at 1200 distinct times: 14336 changes, 32272 of the frame block's
// 32768 bytes, about as much as an image holds. Drawn at its largest
// zoom-out (the whole hour across the window, its rows a pixel or two
// high), at 100% and at 200% scale, and zoomed in to the closest with the
// cursor in the middle of the hour.
//
// After the benchmarks, the whole hour is drawn again 100 times at 200%,
// and the program exits with 1 unless a frame takes at most 16 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "SeqFile.h"
#include "SeqViewer.h"
#include "SeqViewerModel.h"
#include "Text.h"

namespace {

namespace fs = std::filesystem;

// The viewer's picture at the design's window size, less its tab, heading,
// scroll bar and readout.
constexpr int ViewWidth = 960;
constexpr int ViewHeight = 480;
constexpr double FrameBudgetMs = 16;

std::vector<TContactorEvent> HourOfEveryOutput()
{
    std::mt19937 random(7);
    std::vector<TContactorEvent> changes;
    std::vector<std::uint32_t> starts(600);
    for (int output = 0; output < 256; ++output) {
        // 28 of the 600 starts every 6 s, each note lasting 3 s.
        for (std::uint32_t i = 0; i < starts.size(); ++i)
            starts[i] = i * 6000;
        std::shuffle(starts.begin(), starts.end(), random);
        for (int k = 0; k < 28; ++k) {
            const auto level = static_cast<std::uint8_t>(1 + random() % 255);
            changes.push_back({starts[static_cast<std::size_t>(k)], static_cast<std::uint8_t>(output), level});
            changes.push_back({starts[static_cast<std::size_t>(k)] + 3000, static_cast<std::uint8_t>(output), 0});
        }
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TContactorEvent& a, const TContactorEvent& b) { return a.TimeMs < b.TimeMs; });
    return changes;
}

// The viewer model with the hour loaded from a file of its own.
TSeqViewerModel& Viewer()
{
    static TSeqViewerModel viewer = [] {
        const std::vector<TContactorEvent> changes = HourOfEveryOutput();
        if (CheckSeqImage(changes, 1000) != TImageFit::Fits)
            throw std::logic_error("the hour does not fit an image");
        std::vector<TTrameOfContactorEvent> frames;
        BuildSeqFrames(changes, 1000, frames);
        const std::vector<std::uint8_t> image = BuildSeqImage(frames, 1000);
        const fs::path file = fs::temp_directory_path() / "torem-viewer-bench.seq";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        TSeqViewerModel model;
        model.Load(file.string());
        fs::remove(file);
        if (model.Image() == nullptr)
            throw std::logic_error("the hour's image does not read back");
        return model;
    }();
    return viewer;
}

// One frame: laid out and painted, as the face's paint event does.
void DrawFrame(TSeqViewerModel& viewer, QImage& target, double scale)
{
    viewer.SetWidth(ViewWidth);
    const TSeqPicture picture = viewer.Picture(ViewWidth, ViewHeight, LanguageEnglish);
    QPainter painter(&target);
    painter.scale(scale, scale);
    PaintSequence(painter, picture);
}

void Draw(benchmark::State& state, double scale, bool zoomedIn)
{
    TSeqViewerModel& viewer = Viewer();
    viewer.Run(TViewerCommand::FitToWindow);
    if (zoomedIn) {
        viewer.SetWidth(ViewWidth);
        viewer.PlaceCursor(PicturePlotLeft + PlotWidthFor(ViewWidth) / 2);
        while (viewer.CanZoomIn())
            viewer.Zoom(true);
    }
    QImage target(static_cast<int>(ViewWidth * scale), static_cast<int>(ViewHeight * scale),
                  QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        DrawFrame(viewer, target, scale);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.counters["bars"] = static_cast<double>(viewer.Picture(ViewWidth, ViewHeight, LanguageEnglish).Bars.size());
    state.counters["changes"] = static_cast<double>(viewer.Image()->ChangeCount());
}

void WholeHour(benchmark::State& state)
{
    Draw(state, static_cast<double>(state.range(0)) / 100, false);
}

void ZoomedIn(benchmark::State& state)
{
    Draw(state, 1, true);
}

// The mean time of a frame of the whole hour at 200%, in ms.
double FrameMs()
{
    TSeqViewerModel& viewer = Viewer();
    viewer.Run(TViewerCommand::FitToWindow);
    QImage target(ViewWidth * 2, ViewHeight * 2, QImage::Format_ARGB32_Premultiplied);
    constexpr int Frames = 100;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < Frames; ++i)
        DrawFrame(viewer, target, 2);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / Frames;
}

}  // namespace

BENCHMARK(WholeHour)->ArgName("scale_percent")->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK(ZoomedIn)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Fonts and painting need an application, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double frame = FrameMs();
    std::printf("The whole hour of 256 outputs at 200%%: %.2f ms a frame (at most %.0f ms)\n", frame, FrameBudgetMs);
    return frame <= FrameBudgetMs ? 0 : 1;
}
