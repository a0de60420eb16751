// What the scene's large surfaces cost to draw on Mesa's software renderer
// (llvmpipe, SDL's offscreen driver, no display needed), with the generated
// resources and the saver's own state: lighting, linear fog, back faces
// culled, GL_LEQUAL depth, textures on.
//
//   BM_Ground      the ground from typical camera positions, whole (every
//                  piece) or culled (the pieces the frustum keeps), at 320x180
//                  and 1280x720.
//   BM_GroundTiles the culled ground cut into 1 to 24 tiles across.
//   BM_EmptyFrame  a frame with nothing drawn (clear, matrices, glFinish).
//   BM_FillFloor   one full-screen textured, fogged quad a frame: the least a
//                  frame of pixels can cost on this renderer.
//   BM_Sky         the sky dome alone, as the scene compiles it.
//   BM_SkyGround   sky and ground in today's order (sky first), and ground
//                  first with the sky after it under GL_LESS (the same
//                  picture, colour and depth: the ground wins every tie either
//                  way), which skips the sky's pixels that the ground covers.
//
// Every frame clears colour and depth, draws, and waits for the renderer
// (glFinish). Times are wall-clock; the CPU column counts every thread of the
// process, the renderer's included. Counters: triangles and pieces the ground
// called, the ground's fragments that passed the depth test (samples) and the
// pixels it covers in the end (covered); for BM_SkyGround the sky's samples
// that passed the depth test and how many pixels of sky remain in the picture
// (occlusion queries). Use the JSON output when filtering several benchmarks
// together: their counters differ, which the CSV writer refuses.
//
//   build/bench/ground_bench --benchmark_min_time=0.5 --benchmark_repetitions=5

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "assets/Texture.h"
#include "engine/SceneState.h"
#include "models/MilkshapeModel.h"
#include "scene/BG.h"
#include "scene/Frustum.h"

namespace {

constexpr int kMaxWidth = 1280;
constexpr int kMaxHeight = 720;

struct Resolution {
    int width, height;
};
constexpr Resolution kResolutions[] = {{320, 180}, {1280, 720}};

struct View {
    const char* name;
    VECTOR3D eye, target;
};
// Shots the camera director takes: riding the lead camel along the route,
// a tripod over the oasis, looking out at the pyramids and at the mesa from
// the walkways, and flying high over the middle.
const View kViews[] = {
    {"ride", {25.0f, 2.4f, 30.0f}, {150.0f, 1.5f, -330.0f}},
    {"oasis", {150.0f, 25.0f, 150.0f}, {262.0f, 7.0f, 40.0f}},
    {"pyramids", {300.0f, 15.0f, 0.0f}, {800.0f, 42.0f, -150.0f}},
    {"mesa", {-150.0f, 20.0f, 400.0f}, {-380.0f, 55.0f, 1080.0f}},
    {"high", {0.0f, 400.0f, 800.0f}, {0.0f, 0.0f, 0.0f}},
};
constexpr int kViewCount = sizeof kViews / sizeof kViews[0];

using BeginQueryFn = void (*)(GLenum, GLuint);
using EndQueryFn = void (*)(GLenum);
using GenQueriesFn = void (*)(GLsizei, GLuint*);
using GetQueryObjectuivFn = void (*)(GLuint, GLenum, GLuint*);

// One context for the program, and the scene's drawables loaded into it.
class Bench {
public:
    static Bench& Get() {
        static Bench* bench = new Bench;  // never torn down: the process ends first
        return *bench;
    }
    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }

    // The ground cut with a tile count, loaded the first time it is asked for.
    const ONEBG* Ground(int tilesAcross) {
        auto& slot = grounds_[tilesAcross];
        if (!slot) {
            slot = std::make_unique<ONEBG>();
            if (!slot->Setup(dir_.c_str(), tilesAcross)) slot.reset();
        }
        return slot.get();
    }
    GLuint SkyList() const { return skyList_; }
    GLuint SandTexture() const { return sandTexture_; }

    // The saver's frame: viewport, cleared buffers, projection, view, light.
    void BeginFrame(Resolution r, const View& v) {
        glViewport(0, 0, r.width, r.height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, static_cast<double>(r.width) / r.height, 0.5, 3000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(v.eye.x, v.eye.y, v.eye.z, v.target.x, v.target.y, v.target.z, 0, 1, 0);
        const GLfloat sun[] = {700.0f, 420.0f, -900.0f, 1.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, sun);
        frustum.ExtractFrustumFaster();
    }

    // Samples passing the depth test while draw() runs.
    template <typename Draw>
    GLuint CountSamples(Draw draw) {
        if (!beginQuery_) return 0;
        beginQuery_(GL_SAMPLES_PASSED, query_);
        draw();
        endQuery_(GL_SAMPLES_PASSED);
        GLuint samples = 0;
        getQuery_(query_, GL_QUERY_RESULT, &samples);
        return samples;
    }

    FRUSTUM frustum;

private:
    Bench() : dir_(std::string(SANDMERE_BENCH_RESOURCE_DIR) + "/") { ready_ = Init(); }

    bool Init() {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_Init(SDL_INIT_VIDEO) != 0) return Fail(SDL_GetError());
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);  // as the saver asks for
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window_ = SDL_CreateWindow("ground-bench", 0, 0, kMaxWidth, kMaxHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (!window_) return Fail(SDL_GetError());
        context_ = SDL_GL_CreateContext(window_);
        if (!context_) return Fail(SDL_GetError());
        beginQuery_ = reinterpret_cast<BeginQueryFn>(SDL_GL_GetProcAddress("glBeginQuery"));
        endQuery_ = reinterpret_cast<EndQueryFn>(SDL_GL_GetProcAddress("glEndQuery"));
        getQuery_ = reinterpret_cast<GetQueryObjectuivFn>(SDL_GL_GetProcAddress("glGetQueryObjectuiv"));
        auto genQueries = reinterpret_cast<GenQueriesFn>(SDL_GL_GetProcAddress("glGenQueries"));
        if (beginQuery_ && endQuery_ && getQuery_ && genQueries) {
            genQueries(1, &query_);
        } else {
            beginQuery_ = nullptr;
        }

        // The frame driver's fixed state (the host view's glInit, then SSMAIN).
        glShadeModel(GL_SMOOTH);
        glClearColor(0, 0, 0, 0);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        SetSceneLight();
        SetSceneFog();
        glColor4f(1, 1, 1, 1);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_FOG);
        glEnable(GL_CULL_FACE);

        const ONEBG* ground = Ground(ONEBG::kTilesAcross);
        if (!ground) return Fail("cannot set up the ground from " + dir_);
        sandTexture_ = ground->textures[0].textureName;
        if (!LoadSky()) return Fail("cannot load " + dir_ + "s.kst");
        return true;
    }

    // As the scene compiles it: scale 30, unlit and unfogged, group k with
    // texture k, lighting and fog back on afterwards.
    bool LoadSky() {
        MS3D model;
        if (!LoadModel((dir_ + "s.kst").c_str(), &model, &skyTextures_, &skyTextureCount_)) return false;
        if (model.numGroups < 2 || skyTextureCount_ < 2) return false;
        model.Scale(30.0f);
        skyList_ = glGenLists(1);
        glNewList(skyList_, GL_COMPILE);
        glDisable(GL_FOG);
        glDisable(GL_LIGHTING);
        glBindTexture(GL_TEXTURE_2D, skyTextures_[0].textureName);
        model.DrawGroup(0);
        glBindTexture(GL_TEXTURE_2D, skyTextures_[1].textureName);
        model.DrawGroup(1);
        glEnable(GL_LIGHTING);
        glEnable(GL_FOG);
        glEndList();
        return true;
    }

    bool Fail(const std::string& why) {
        error_ = why;
        return false;
    }

    std::string dir_;
    bool ready_ = false;
    std::string error_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    std::map<int, std::unique_ptr<ONEBG>> grounds_;
    Texture* skyTextures_ = nullptr;
    int skyTextureCount_ = 0;
    GLuint skyList_ = 0;
    GLuint sandTexture_ = 0;
    GLuint query_ = 0;
    BeginQueryFn beginQuery_ = nullptr;
    EndQueryFn endQuery_ = nullptr;
    GetQueryObjectuivFn getQuery_ = nullptr;
};

bool Prepare(benchmark::State& state, Bench** out) {
    Bench& bench = Bench::Get();
    if (!bench.Ready()) {
        state.SkipWithError(bench.Error().c_str());
        return false;
    }
    *out = &bench;
    return true;
}

// Triangles and pieces of the ground that a draw calls in this view.
void CountCalled(const ONEBG& ground, const FRUSTUM& frustum, bool culled, benchmark::State& state) {
    int pieces = 0, triangles = 0;
    for (const GROUNDPIECE& p : ground.pieces) {
        if (culled && frustum.SphereInFrustum(p.centre, p.radius) == 0.0f) continue;
        ++pieces;
        triangles += p.triangleCount;
    }
    state.counters["pieces"] = pieces;
    state.counters["triangles"] = triangles;
}

// Args: resolution, view, culled (0 or 1), tiles across.
void BM_Ground(benchmark::State& state) {
    Bench* bench;
    if (!Prepare(state, &bench)) return;
    const Resolution r = kResolutions[state.range(0)];
    const View& v = kViews[state.range(1)];
    const bool culled = state.range(2) != 0;
    const ONEBG* ground = bench->Ground(static_cast<int>(state.range(3)));
    if (!ground) return state.SkipWithError("no ground");
    for (auto _ : state) {
        bench->BeginFrame(r, v);
        if (culled)
            ground->Draw(bench->frustum);
        else
            ground->Draw();
        glFinish();
    }
    CountCalled(*ground, bench->frustum, culled, state);
    // Overdraw: fragments that passed the depth test against the pixels the
    // ground covers in the end (depth below the cleared 1.0).
    bench->BeginFrame(r, v);
    state.counters["samples"] = bench->CountSamples([&] { ground->Draw(bench->frustum); });
    std::vector<float> depth(static_cast<std::size_t>(r.width) * r.height);
    glReadPixels(0, 0, r.width, r.height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    state.counters["covered"] = static_cast<double>(std::count_if(depth.begin(), depth.end(), [](float d) { return d < 1.0f; }));
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height) + " " + v.name +
                   (culled ? " culled" : " whole"));
}

void GroundArgs(benchmark::internal::Benchmark* b) {
    for (int res = 0; res < 2; ++res)
        for (int view = 0; view < kViewCount; ++view) {
            b->Args({res, view, 0, ONEBG::kTilesAcross});
            b->Args({res, view, 1, ONEBG::kTilesAcross});
        }
}
BENCHMARK(BM_Ground)->Apply(GroundArgs)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The tile count, culled, at both sizes: the sum over the views is what to
// compare (1 tile across is the whole ground cut only where a group's
// triangles leave one tile's span, which is nearly never).
void TileArgs(benchmark::internal::Benchmark* b) {
    for (int res = 0; res < 2; ++res)
        for (int tiles : {1, 4, 6, 8, 12, 16, 24})
            for (int view = 0; view < kViewCount; ++view) b->Args({res, view, 1, tiles});
}
BENCHMARK(BM_Ground)
    ->Name("BM_GroundTiles")
    ->Apply(TileArgs)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A frame with nothing drawn: clearing, the matrices and waiting for the
// renderer. What every other figure includes.
void BM_EmptyFrame(benchmark::State& state) {
    Bench* bench;
    if (!Prepare(state, &bench)) return;
    const Resolution r = kResolutions[state.range(0)];
    for (auto _ : state) {
        bench->BeginFrame(r, kViews[0]);
        glFinish();
    }
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height));
}
BENCHMARK(BM_EmptyFrame)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// One quad over the whole view, 500 units ahead (well into the fog), with the
// sand's 512x512 texture repeated over it; depth test on, lighting off.
void BM_FillFloor(benchmark::State& state) {
    Bench* bench;
    if (!Prepare(state, &bench)) return;
    const Resolution r = kResolutions[state.range(0)];
    const View ahead{"ahead", {0, 10, 0}, {0, 10, -100}};
    const float aspect = static_cast<float>(r.width) / r.height;
    const float halfH = 500.0f * std::tan(22.5f * 3.14159265f / 180.0f) * 1.01f, halfW = halfH * aspect;
    for (auto _ : state) {
        bench->BeginFrame(r, ahead);
        glDisable(GL_LIGHTING);
        glBindTexture(GL_TEXTURE_2D, bench->SandTexture());
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex3f(-halfW, 10 - halfH, -500);
        glTexCoord2f(16, 0), glVertex3f(halfW, 10 - halfH, -500);
        glTexCoord2f(16, 9), glVertex3f(halfW, 10 + halfH, -500);
        glTexCoord2f(0, 9), glVertex3f(-halfW, 10 + halfH, -500);
        glEnd();
        glEnable(GL_LIGHTING);
        glFinish();
    }
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height));
}
BENCHMARK(BM_FillFloor)->Arg(0)->Arg(1)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// Args: resolution, view (kViewCount: the horizon straight ahead).
void BM_Sky(benchmark::State& state) {
    Bench* bench;
    if (!Prepare(state, &bench)) return;
    const Resolution r = kResolutions[state.range(0)];
    const View horizon{"horizon", {0, 10, 0}, {0, 10, -100}};
    const View& v = state.range(1) < kViewCount ? kViews[state.range(1)] : horizon;
    GLuint samples = 0;
    for (auto _ : state) {
        bench->BeginFrame(r, v);
        glCallList(bench->SkyList());
        glFinish();
    }
    bench->BeginFrame(r, v);
    samples = bench->CountSamples([&] { glCallList(bench->SkyList()); });
    state.counters["sky_px"] = samples;
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height) + " " + v.name);
}
BENCHMARK(BM_Sky)
    ->Args({1, kViewCount})
    ->Args({1, 0})
    ->Args({1, 4})
    ->Args({0, kViewCount})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Args: resolution, view, order (0: sky then whole ground, as the scene draws
// today; 1: sky then culled ground; 2: culled ground, then the sky under GL_LESS).
void BM_SkyGround(benchmark::State& state) {
    Bench* bench;
    if (!Prepare(state, &bench)) return;
    const Resolution r = kResolutions[state.range(0)];
    const View& v = kViews[state.range(1)];
    const int order = static_cast<int>(state.range(2));
    const ONEBG* ground = bench->Ground(ONEBG::kTilesAcross);
    if (!ground) return state.SkipWithError("no ground");
    auto sky = [&] {
        if (order == 2) glDepthFunc(GL_LESS);
        glCallList(bench->SkyList());
        glDepthFunc(GL_LEQUAL);
    };
    auto frame = [&](auto countSky) {
        bench->BeginFrame(r, v);
        if (order == 2) {
            ground->Draw(bench->frustum);
            countSky(sky);
        } else {
            countSky(sky);
            if (order == 0)
                ground->Draw();
            else
                ground->Draw(bench->frustum);
        }
    };
    for (auto _ : state) {
        frame([](auto draw) { draw(); });
        glFinish();
    }
    GLuint skySamples = 0;
    frame([&](auto draw) { skySamples = bench->CountSamples(draw); });
    // Pixels still showing sky: those the ground left at the cleared depth.
    GLuint skyVisible = 0;
    bench->BeginFrame(r, v);
    ground->Draw(bench->frustum);
    glDepthFunc(GL_LESS);
    skyVisible = bench->CountSamples([&] { glCallList(bench->SkyList()); });
    glDepthFunc(GL_LEQUAL);
    state.counters["sky_samples"] = skySamples;
    state.counters["sky_visible"] = skyVisible;
    static const char* const kOrders[] = {" sky+whole", " sky+culled", " culled+sky(LESS)"};
    state.SetLabel(std::to_string(r.width) + "x" + std::to_string(r.height) + " " + v.name + kOrders[order]);
}
void SkyGroundArgs(benchmark::internal::Benchmark* b) {
    for (int view = 0; view < kViewCount; ++view)
        for (int order = 0; order < 3; ++order) b->Args({1, view, order});
}
BENCHMARK(BM_SkyGround)->Apply(SkyGroundArgs)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The camera asks the ground's height under its eye twice a frame: the cost
// of one query at points spread over the ground (and off it).
void BM_GroundHeight(benchmark::State& state) {
    Bench* bench;
    if (!Prepare(state, &bench)) return;
    const ONEBG* ground = bench->Ground(ONEBG::kTilesAcross);
    if (!ground) return state.SkipWithError("no ground");
    std::vector<std::pair<float, float>> points;
    for (int i = 0; i < 1024; ++i) points.push_back({float((i * 7919) % 3400 - 1700), float((i * 104729) % 3400 - 1700)});
    std::size_t k = 0;
    for (auto _ : state) {
        const auto& p = points[k++ % points.size()];
        benchmark::DoNotOptimize(ground->HeightAt(p.first, p.second));
    }
}
BENCHMARK(BM_GroundHeight)->Unit(benchmark::kMicrosecond);

}  // namespace
