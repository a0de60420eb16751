// The living scene: the per-frame cost of the herd for 10, 100 and 1,000 camels.
//
// One frame here is what the frame driver asks of the scene before drawing:
// MAINCLASS::Move (every camel steers, steps and advances its clock and
// skeleton) and then, for each camel that passes the frustum test, the posing
// of its mesh for drawing. The drawing itself is GL's work and is left out.
// Camels are in view of a frustum that holds the whole desert, either all of
// them or one in ten (the others are led far off first).
//
// Camels of one speed walk in step and share one skeleton step and one posed
// mesh (src/scene/CamelSteps.cpp), so the herd holds at most eleven poses. The
// OutOfStep runs set every camel's clock apart first: the cost when no two
// camels share anything.
//
// The herd is the shipped camel from the generated resources, loaded through
// an offscreen GL context (its coats are textures). Besides the time, each run
// reports the heap the herd holds (glibc's count of bytes in use, before and
// after the herd's Setup) and the process's resident memory at its end; run
// one benchmark per process (--benchmark_filter) to compare the latter.
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/MainClass.h"

namespace {

// Resident memory of this process, megabytes (from /proc/self/statm).
double ResidentMB() {
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    const bool read = std::fscanf(statm, "%ld %ld", &pages, &resident) == 2;
    std::fclose(statm);
    return read ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6 : 0;
}

// A hidden window with a GL context, made once for the whole program.
bool OffscreenContext() {
    static const bool ready = [] {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return false;
        SDL_Window* window = SDL_CreateWindow("scene_bench", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        return window && SDL_GL_CreateContext(window) != nullptr;
    }();
    return ready;
}

// The scene's herd with a ground to walk on and a frustum around the desert.
struct HERDSCENE {
    MAINCLASS scene;
    double heapBytes = 0;  // what the herd's Setup kept

    bool Setup(int camels, bool oneInTen, bool outOfStep) {
        std::srand(1);
        scene.ground = std::make_unique<ONEBG>();  // the herd walks only where it is told
        scene.herd = std::make_unique<CAMELCONTROL>();
        const std::size_t before = mallinfo2().uordblks;
        if (!scene.herd->Setup(camels, SANDMERE_RESOURCE_DIR "/")) return false;
        heapBytes = static_cast<double>(mallinfo2().uordblks - before);
        // A box 4,000 units across and 200 high holds every zone and the route.
        const float box[6][4] = {{-1, 0, 0, 2000}, {1, 0, 0, 2000}, {0, 1, 0, 100},
                                 {0, -1, 0, 100},  {0, 0, -1, 2000}, {0, 0, 1, 2000}};
        std::memcpy(scene.frustum.planes, box, sizeof box);
        scene.Move(1 / 30.0);  // every roamer sets off
        if (outOfStep) {
            for (int i = 0; i < camels; ++i) {
                ONECAMEL& c = scene.herd->camels[i];
                c.currentTime = c.startTime + std::fmod(7.3f * i, c.endTime - c.startTime);
            }
        }
        if (oneInTen)
            for (int i = 0; i < camels; ++i)
                if (i % 10 != 0) scene.herd->camels[i].position.x += 50000;
        for (int frame = 0; frame < 30; ++frame) Frame();
        return true;
    }
    int Frame() {
        scene.Move(1 / 30.0);
        CAMELCONTROL& herd = *scene.herd;
        int seen = 0;
        for (int i = 0; i < herd.numCamels; ++i) {
            if (!herd.InView(scene.frustum, i)) continue;
            benchmark::DoNotOptimize(herd.PoseCamel(i).data());
            ++seen;
        }
        return seen;
    }
};

void RunFrames(benchmark::State& state, bool outOfStep) {
    if (!OffscreenContext()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    HERDSCENE herd;
    if (!herd.Setup(static_cast<int>(state.range(0)), state.range(1) != 0, outOfStep)) {
        state.SkipWithError("the herd could not be set up from the generated resources");
        return;
    }
    int seen = 0;
    for (auto _ : state) seen = herd.Frame();
    int poses = 0;
    for (int i = 0; i < herd.scene.herd->numCamels; ++i) poses += herd.scene.herd->StepsWith(i) == i;
    state.counters["in_view"] = seen;
    state.counters["poses"] = poses;
    state.counters["herd_MB"] = herd.heapBytes / 1e6;
    state.counters["rss_MB"] = ResidentMB();
    state.SetLabel(state.range(1) ? "one in ten in view" : "all in view");
}

void BM_SceneFrame(benchmark::State& state) { RunFrames(state, false); }
void BM_SceneFrameOutOfStep(benchmark::State& state) { RunFrames(state, true); }

BENCHMARK(BM_SceneFrame)
    ->ArgsProduct({{10, 100, 1000}, {0, 1}})
    ->ArgNames({"camels", "one_in_ten"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneFrameOutOfStep)
    ->ArgsProduct({{10, 1000}, {0, 1}})
    ->ArgNames({"camels", "one_in_ten"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
