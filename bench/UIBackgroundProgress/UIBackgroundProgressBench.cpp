// One animation frame of a 400 x 60 progress bar (a light step, which renders a new texture,
// and a paint of the control) against a plain Cairo fill of the same surface, timed in turn in
// the same run. Prints "frame X ms, ratio Y to a plain fill (goal 0.2 ms)" at the end.
#include "UIBackgroundProgress.h"

#include <DuiLibStandIn.h>
#include <Win32StandIn.h>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdio>

#include <time.h>

namespace {

constexpr double kGoalMs = 0.2;

const char* kSkin = R"(<Window size="400,60">
  <UserValue name="progress_background_color" value="#FFE9EDF5"/>
  <UserValue name="progress_color" value="#FF9DBDF9"/>
  <UserValue name="progress_color_ok" value="#FF7CCB95"/>
  <UserValue name="progress_color_light" value="#FFC9DBFC"/>
  <UserValue name="progress_light_top_color" value="#B0FFFFFF"/>
  <UserValue name="progress_light_bottom_color" value="#80FFFFFF"/>
  <UserValue name="progress_light_arc_width" value="24"/>
  <UserValue name="progress_light_length" value="48"/>
  <UserValue name="progress_light_top_arc_height" value="10"/>
  <UserValue name="progress_light_bottom_arc_height" value="8"/>
  <UserValue name="progress_animate_speed" value="20"/>
  <Container/>
</Window>)";

double ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

double gFrameMs = 0.0;
double gRatio = 0.0;

void BM_ProgressFrameRatio(benchmark::State& state) {
    duistandin::SetMainThread();
    win32standin::UseMockClock();
    DuiLib::CPaintManagerUI manager;
    DuiLib::CDialogBuilder builder;
    auto* root =
        static_cast<DuiLib::CContainerUI*>(builder.CreateFromText(kSkin, nullptr, &manager));
    manager.AttachDialog(root);
    auto* bar = new UIBackgroundProgress;
    root->Add(bar);
    manager.Paint();
    bar->SetPercent(60);
    cairo_surface_t* surface = manager.GetSurface();

    constexpr int kBatch = 32;
    double frames = 0;
    double fills = 0;
    double v = 0.0;
    for (auto _ : state) {
        const double start = ThreadCpuNs();
        for (int i = 0; i < kBatch; ++i) {
            v = v >= 1.0 ? 0.0 : v + 0.003;  // about a pixel a frame
            bar->OnAnimationValue(nullptr, DuiLib::Variant(v));
            manager.Paint();
        }
        const double stepped = ThreadCpuNs();
        for (int i = 0; i < kBatch; ++i) {
            cairo_t* cr = cairo_create(surface);
            cairo_set_source_rgba(cr, 0.6, 0.7, 0.9, 1.0);
            cairo_rectangle(cr, 0, 0, 400, 60);
            cairo_fill(cr);
            cairo_destroy(cr);
            cairo_surface_flush(surface);
            benchmark::ClobberMemory();
        }
        frames += stepped - start;
        fills += ThreadCpuNs() - stepped;
    }
    duistandin::DiscardPending();
    win32standin::UseRealClock();
    const double runs = static_cast<double>(state.iterations()) * kBatch;
    gFrameMs = frames / runs / 1e6;
    gRatio = fills > 0 ? frames / fills : 0.0;
    state.counters["frame_ms"] = gFrameMs;
    state.counters["fill_ms"] = fills / runs / 1e6;
    state.counters["ratio_vs_fill"] = gRatio;
    state.counters["goal_ms"] = kGoalMs;
}
BENCHMARK(BM_ProgressFrameRatio)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gFrameMs > 0) {
        std::printf("frame %.3f ms, ratio %.1f to a plain fill (goal %.1f ms)\n", gFrameMs, gRatio,
                    kGoalMs);
    }
    return 0;
}
