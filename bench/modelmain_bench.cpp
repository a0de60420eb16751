// Animated instances: the per-frame cost of posing one instance, and the cost of
// setting up a herd of them.
//
// The model is built here, in memory: a skinned tube (a limb) of 40 rings of 50
// vertices (2,000 vertices after de-duplication, 3,822 triangles) following a
// chain of 4 joints, each with rotation keys over 1.2 s; the root also has
// translation keys. Run with a short --benchmark_min_time for a quick look.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "models/ModelMain.h"

namespace {

constexpr int kRings = 40;
constexpr int kSides = 49;  // plus the repeated seam column: 50 vertices a ring
constexpr int kJoints = 4;

void SetKeys(std::unique_ptr<MS3D_KEYFRAME[]>* keys, uint16_t* count,
             const std::vector<MS3D_KEYFRAME>& from) {
    *count = static_cast<uint16_t>(from.size());
    keys->reset(new MS3D_KEYFRAME[from.size()]);
    for (std::size_t k = 0; k < from.size(); ++k) (*keys)[k] = from[k];
}

void BuildTube(MS3D* model) {
    const int columns = kSides + 1;
    model->numVertices = static_cast<uint16_t>(kRings * columns);
    model->vertices = new MS3D_VERTEX[model->numVertices];
    for (int r = 0; r < kRings; ++r) {
        for (int k = 0; k < columns; ++k) {
            MS3D_VERTEX& v = model->vertices[r * columns + k];
            const double angle = 2.0 * 3.141592653589793 * k / kSides;
            v.position[0] = static_cast<float>(std::cos(angle));
            v.position[1] = r * 0.25f;
            v.position[2] = static_cast<float>(std::sin(angle));
            v.jointIndex = static_cast<int8_t>(r * kJoints / kRings);
        }
    }
    model->numTriangles = static_cast<uint16_t>((kRings - 1) * kSides * 2);
    model->triangles = new MS3D_TRIANGLE[model->numTriangles];
    int n = 0;
    for (int r = 0; r + 1 < kRings; ++r) {
        for (int k = 0; k < kSides; ++k) {
            const int quad[4][2] = {{r, k}, {r + 1, k}, {r, k + 1}, {r + 1, k + 1}};
            const int corners[2][3] = {{0, 1, 2}, {2, 1, 3}};
            for (const auto& tri : corners) {
                MS3D_TRIANGLE& t = model->triangles[n++];
                for (int c = 0; c < 3; ++c) {
                    const int ring = quad[tri[c]][0], column = quad[tri[c]][1];
                    const double angle = 2.0 * 3.141592653589793 * column / kSides;
                    t.vertexIndices[c] = static_cast<uint16_t>(ring * columns + column);
                    t.normals[c][0] = static_cast<float>(std::cos(angle));
                    t.normals[c][2] = static_cast<float>(std::sin(angle));
                    t.s[c] = static_cast<float>(column) / kSides;
                    t.t[c] = static_cast<float>(ring) / kRings;
                }
            }
        }
    }
    model->numGroups = 1;
    model->groups = new MS3D_GROUP[1];
    model->groups[0].triangleCount = model->numTriangles;
    model->groups[0].triangleIndices.reset(new uint16_t[model->numTriangles]);
    for (int i = 0; i < model->numTriangles; ++i) model->groups[0].triangleIndices[i] = static_cast<uint16_t>(i);
    model->groups[0].materialIndex = 0;
    model->numMaterials = 1;
    model->materials = new MS3D_MATERIAL[1];

    model->numJoints = kJoints;
    model->joints = new MS3D_JOINT[kJoints];
    for (int j = 0; j < kJoints; ++j) {
        MS3D_JOINT& joint = model->joints[j];
        std::snprintf(joint.name, sizeof joint.name, "joint%d", j);
        if (j > 0) {
            std::snprintf(joint.parentName, sizeof joint.parentName, "joint%d", j - 1);
            joint.position[1] = 0.25f * kRings / kJoints;
        }
        const float swing = 0.2f + 0.1f * j;
        SetKeys(&joint.rotationKeys, &joint.rotationKeyCount,
                {{0.0f, {0, 0, swing}}, {0.3f, {swing, 0, 0}}, {0.6f, {0, 0, -swing}},
                 {0.9f, {-swing, 0, 0}}, {1.2f, {0, 0, swing}}});
        if (j == 0)
            SetKeys(&joint.translationKeys, &joint.translationKeyCount,
                    {{0.0f, {0, 0, 0}}, {0.6f, {0, 0.2f, 0}}, {1.2f, {0, 0, 0}}});
    }
    model->fps = 25.0f;
    model->totalFrames = 30;
    model->totalTime = 1200.0f;
    model->InitialSetup();
}

// One instance of the tube, playing its clip, ready to be posed.
struct TubeInstance {
    MS3D model;
    ANIMATIONTEMPLATE animTemplate;
    ONEMODEL instance;

    bool Setup(benchmark::State& state, bool blendIn) {
        BuildTube(&model);
        if (!animTemplate.Setup(&model) || !instance.Setup(&animTemplate, &model, nullptr)) {
            state.SkipWithError("set-up failed");
            return false;
        }
        instance.SetAnimation(0, 30, 1250, true, blendIn);
        return true;
    }
};

// Reports the benchmark's time per posed vertex.
void CountVertices(benchmark::State& state, const ONEMODEL& instance) {
    state.counters["time_per_vertex"] = benchmark::Counter(
        instance.numVertices, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One frame of one instance (clock, joints, skinning), per vertex.
void BM_Update(benchmark::State& state) {
    TubeInstance tube;
    if (!tube.Setup(state, true)) return;
    ONEMODEL& instance = tube.instance;
    for (auto _ : state) {
        instance.Update(1.0 / 30);
        benchmark::DoNotOptimize(instance.vertexBuffer.data());
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = instance.numVertices;
    CountVertices(state, instance);
}
BENCHMARK(BM_Update);

// The skinning alone (UpdatePoints), for the breakdown of the frame.
void BM_UpdatePoints(benchmark::State& state) {
    TubeInstance tube;
    if (!tube.Setup(state, false)) return;
    ONEMODEL& instance = tube.instance;
    instance.Update(0.1);
    for (auto _ : state) {
        instance.UpdatePoints(instance.joints.get());
        benchmark::DoNotOptimize(instance.vertexBuffer.data());
        benchmark::ClobberMemory();
    }
    CountVertices(state, instance);
}
BENCHMARK(BM_UpdatePoints);

// The skinning by each path (0 plain, 1 AVX2, 2 AVX-512); a path the processor
// lacks is replaced by the fastest it has, and the label says which ran.
void BM_PosePath(benchmark::State& state) {
    TubeInstance tube;
    if (!tube.Setup(state, false)) return;
    ONEMODEL& instance = tube.instance;
    instance.Update(0.1);
    const POSEPATH path = std::min(static_cast<POSEPATH>(state.range(0)), FastestPosePath());
    const MODELMESH& mesh = *instance.RestMesh();
    for (auto _ : state) {
        PoseRecords(mesh.vertices.Records().data(), &mesh.poseBlocks, instance.vertexBuffer.data(),
                    instance.vertexBuffer.size(), instance.joints.get(), path);
        benchmark::DoNotOptimize(instance.vertexBuffer.data());
        benchmark::ClobberMemory();
    }
    const char* names[] = {"plain", "avx2", "avx512"};
    state.SetLabel(names[static_cast<int>(path)]);
    CountVertices(state, instance);
}
BENCHMARK(BM_PosePath)->DenseRange(0, 2);

// Setting up the template and N instances of the model, as the herd does.
void BM_SetupHerd(benchmark::State& state) {
    MS3D model;
    BuildTube(&model);
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        ANIMATIONTEMPLATE animTemplate;
        std::unique_ptr<ONEMODEL[]> herd(new ONEMODEL[count]);
        bool ok = animTemplate.Setup(&model);
        for (std::size_t i = 0; i < count; ++i) ok = herd[i].Setup(&animTemplate, &model, nullptr) && ok;
        if (!ok) state.SkipWithError("set-up failed");
        benchmark::DoNotOptimize(herd.get());
        state.PauseTiming();  // tearing down is not set-up
        herd.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SetupHerd)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// The same, with instances handed a model that differs from the template's, so
// each builds and de-duplicates its own mesh.
void BM_SetupHerdOwnMeshes(benchmark::State& state) {
    MS3D model, other;
    BuildTube(&model);
    BuildTube(&other);
    other.triangles[0].s[0] = 0.5f;  // one corner differs
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        ANIMATIONTEMPLATE animTemplate;
        std::unique_ptr<ONEMODEL[]> herd(new ONEMODEL[count]);
        bool ok = animTemplate.Setup(&model);
        for (std::size_t i = 0; i < count; ++i) ok = herd[i].Setup(&animTemplate, &other, nullptr) && ok;
        if (!ok) state.SkipWithError("set-up failed");
        benchmark::DoNotOptimize(herd.get());
        state.PauseTiming();
        herd.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SetupHerdOwnMeshes)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
