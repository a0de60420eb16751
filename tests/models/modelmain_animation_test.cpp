// Templates and animated instances without drawing: what a template refuses,
// setting up instances and sharing the mesh, the transition and the clock,
// agreement with the model's own keyframe clock, independence of instances, and
// an eight-hour run that must not drift.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "TestModels.h"
#include "models/ModelMain.h"

namespace {

using testmodels::MakeLimb;

// A small limb: 4 rings of 7 vertices, 3 joints.
std::unique_ptr<MS3D> SmallLimb() { return MakeLimb(4, 6, 3); }

bool Finite(VECTOR3D v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

float Distance(VECTOR3D a, VECTOR3D b) {
    return static_cast<float>(std::sqrt(DistanceBetweenVectors(a, b)));
}

// Largest distance between corresponding positions and normals of two instances.
float LargestDifference(const ONEMODEL& a, const ONEMODEL& b) {
    EXPECT_EQ(a.numVertices, b.numVertices);
    float worst = 0.0f;
    for (std::size_t i = 0; i < a.vertexBuffer.size() && i < b.vertexBuffer.size(); ++i) {
        worst = std::max(worst, Distance(a.vertexBuffer[i].position, b.vertexBuffer[i].position));
        worst = std::max(worst, Distance(a.vertexBuffer[i].normal, b.vertexBuffer[i].normal));
    }
    return worst;
}

bool SameRecords(const ONEMODEL& a, const ONEMODEL& b) {
    return a.vertexBuffer.size() == b.vertexBuffer.size() &&
           std::memcmp(a.vertexBuffer.data(), b.vertexBuffer.data(),
                       a.vertexBuffer.size() * sizeof(MODELVERTEX)) == 0;
}

// ---- Templates ------------------------------------------------------------------

TEST(AnimationTemplate, RestTransformsAndKeysAreReadyForInstances) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ASSERT_EQ(t.numJoints, 3);
    EXPECT_EQ(t.fps, 25.0f);
    EXPECT_EQ(t.totalFrames, 30);
    for (int j = 0; j < 3; ++j) {
        SCOPED_TRACE(j);
        const ANIMJOINT& joint = t.joints[j];
        EXPECT_EQ(joint.parent, j - 1);
        // Chaining the rest matrices gives the model's rest pose.
        MATRIX chained = joint.localMatrix;
        for (int p = joint.parent; p >= 0; p = t.joints[p].parent)
            chained = MultiplyMatrix(t.joints[p].localMatrix, chained);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(chained.m[i], model->skeleton[j].absolute.m[i], 1e-12);
        // Key times in milliseconds; each key quaternion is the key's rotation.
        ASSERT_EQ(joint.rotationKeyCount, 3);
        EXPECT_EQ(joint.rotationKeys[1].time, 600.0f);
        const MS3D_KEYFRAME& key = model->joints[j].rotationKeys[1];
        const MATRIX expected = QuatToRotationMatrix(RotationToQuat(
            MakePoint(key.value[0] * 57.29578f, key.value[1] * 57.29578f, key.value[2] * 57.29578f)));
        const MATRIX got = QuatToRotationMatrix(joint.rotationKeyQuats[1]);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(got.m[i], expected.m[i], 1e-6);
    }
    EXPECT_EQ(t.joints[0].translationKeyCount, 3);
    EXPECT_EQ(t.joints[0].translationKeys[2].time, 1200.0f);
    ASSERT_NE(t.Mesh(), nullptr);
    EXPECT_EQ(t.Mesh()->vertices.Count(), 28u);  // 4 rings of 6 + 1 columns
}

TEST(AnimationTemplate, HierarchiesThatLoopAreRefused) {
    struct Case {
        const char* name;
        std::vector<int32_t> parents;
        bool acyclic;
    };
    const Case cases[] = {
        {"no joints", {}, true},
        {"one root", {-1}, true},
        {"a chain", {-1, 0, 1}, true},
        {"a parent listed after its child", {1, -1}, true},
        {"two trees", {-1, 0, -1, 2, 2}, true},
        {"its own parent", {0}, false},
        {"two joints parenting each other", {-1, 2, 1}, false},
        {"a long loop", {1, 2, 3, 0}, false},
        {"parent past the end", {-1, 5}, false},
        {"parent below -1", {-2}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JointHierarchyIsAcyclic(c.parents.data(), static_cast<int>(c.parents.size())), c.acyclic)
            << c.name;
}

TEST(AnimationTemplate, SetupRefusesWhatInstancesCouldNotAnimateOrDraw) {
    struct Case {
        const char* name;
        void (*spoil)(MS3D&);
    };
    const Case cases[] = {
        {"frame rate zero", [](MS3D& m) { m.fps = 0.0f; }},
        {"frame rate not a number", [](MS3D& m) { m.fps = std::nanf(""); }},
        {"a joint that is its own parent", [](MS3D& m) { m.skeleton[1].parent = 1; }},
        {"a loop of parents", [](MS3D& m) { m.skeleton[0].parent = 2; }},
        {"a parent index past the joints", [](MS3D& m) { m.skeleton[2].parent = 3; }},
        {"a vertex index past the end", [](MS3D& m) { m.triangles[0].vertexIndices[1] = 999; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<MS3D> model = SmallLimb();
        c.spoil(*model);
        ANIMATIONTEMPLATE t;
        EXPECT_FALSE(t.Setup(model.get()));
        EXPECT_EQ(t.numJoints, 0);
        EXPECT_EQ(t.joints, nullptr);
        EXPECT_EQ(t.Mesh(), nullptr);
        ONEMODEL instance;  // and no instance can be made from it
        EXPECT_FALSE(instance.Setup(&t, model.get(), nullptr));
    }
    ANIMATIONTEMPLATE t;
    EXPECT_FALSE(t.Setup(nullptr));
    std::unique_ptr<MS3D> notSetUp = testmodels::MakeModel(testmodels::LimbSpec(4, 6, 3));
    EXPECT_FALSE(t.Setup(notSetUp.get())) << "no skeleton before InitialSetup";
}

TEST(AnimationTemplate, MeshBeyondTheTriangleLimitFailsBeforeAnyInstance) {
    testmodels::ModelSpec spec = testmodels::LimbSpec(2, 3, 1);
    spec.groups.push_back(testmodels::GroupSpec{std::vector<uint16_t>(65535, 0), -1});
    std::unique_ptr<MS3D> model = testmodels::MakeModel(spec);
    model->InitialSetup();
    ANIMATIONTEMPLATE t;
    EXPECT_FALSE(t.Setup(model.get()));
}

// ---- Instances --------------------------------------------------------------------

TEST(OneModel, SetupSharesTheTemplateMeshAndStartsAtRest) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ONEMODEL a;
    a.position = MakePoint(5, 5, 5);
    a.currentTime = 99.0f;
    ASSERT_TRUE(a.Setup(&t, model.get(), nullptr));
    EXPECT_EQ(a.RestMesh(), t.Mesh().get()) << "the same model shares the template's mesh";
    EXPECT_EQ(a.numJoints, 3);
    EXPECT_EQ(a.joints[2].parent, 1);
    EXPECT_EQ(a.numVertices, 28);
    EXPECT_EQ(a.numTriangles, 36);
    EXPECT_EQ(std::vector<uint16_t>(a.indices.get(), a.indices.get() + 3 * a.numTriangles),
              t.Mesh()->indices);
    EXPECT_EQ(a.currentTime, 0.0f);
    EXPECT_EQ(a.position.x, 0.0f);
    ASSERT_EQ(a.numMaterials, 1);
    EXPECT_EQ(a.materials[0].transparency, 0.5f);
    EXPECT_EQ(a.materials[0].ambient[2], 0.75f);
    EXPECT_EQ(a.materials[0].texture, 0u);

    // A model whose normals differ gets its own mesh, built from it.
    std::unique_ptr<MS3D> other = SmallLimb();
    other->triangles[0].normals[1][1] = 0.25f;  // a corner shared with other triangles
    ONEMODEL b;
    ASSERT_TRUE(b.Setup(&t, other.get(), nullptr));
    EXPECT_NE(b.RestMesh(), t.Mesh().get());
    EXPECT_EQ(b.numVertices, 29);

    // With its clip never set, an instance poses the rest pose: the model as
    // authored, in model space.
    std::unique_ptr<MS3D> authored = testmodels::MakeModel(testmodels::LimbSpec(4, 6, 3));
    a.Update(0.1);
    EXPECT_EQ(a.currentTime, 0.0f);
    for (int tri = 0; tri < model->numTriangles; ++tri) {
        for (int c = 0; c < 3; ++c) {
            const MS3D_TRIANGLE& source = authored->triangles[tri];
            const float* p = authored->vertices[source.vertexIndices[c]].position;
            const MODELVERTEX& v = a.vertexBuffer[a.indices[3 * tri + c]];
            EXPECT_LT(Distance(v.position, MakePoint(p[0], p[1], p[2])), 1e-5f);
            EXPECT_LT(Distance(v.normal, MakePoint(source.normals[c][0], source.normals[c][1],
                                                   source.normals[c][2])), 1e-5f);
        }
    }
}

TEST(OneModel, SetupRefusesMissingOrMismatchedInputs) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t, empty;
    ASSERT_TRUE(t.Setup(model.get()));
    std::unique_ptr<MS3D> moreJoints = MakeLimb(4, 6, 4);  // vertices follow joint 3
    ONEMODEL a;
    EXPECT_FALSE(a.Setup(nullptr, model.get(), nullptr));
    EXPECT_FALSE(a.Setup(&t, nullptr, nullptr));
    EXPECT_FALSE(a.Setup(&empty, model.get(), nullptr));
    EXPECT_FALSE(a.Setup(&t, moreJoints.get(), nullptr));
    EXPECT_EQ(a.animTemplate, nullptr);
    EXPECT_EQ(a.joints, nullptr);
    EXPECT_TRUE(a.vertexBuffer.empty());
    a.Update(0.1);  // an empty instance does nothing, safely
    a.SetAnimation(0, 30, 1000, true, true);
    a.Update(0.1);
    a.Cleanup();
    a.Cleanup();
}

TEST(OneModel, AddVertToBufferExtendsOnlyThisInstance) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ONEMODEL a, b;
    ASSERT_TRUE(a.Setup(&t, model.get(), nullptr));
    ASSERT_TRUE(b.Setup(&t, model.get(), nullptr));
    const MODELVERTEX first = a.vertexBuffer[5];
    const float pos[3] = {first.position.x, first.position.y, first.position.z};
    const float nrm[3] = {first.normal.x, first.normal.y, first.normal.z};
    EXPECT_EQ(a.AddVertToBuffer(pos, nrm, first.texCoord.x, first.texCoord.y, first.jointIndex), 5);
    const float other[3] = {0.0f, 9.0f, 0.0f};
    EXPECT_EQ(a.AddVertToBuffer(other, nrm, 0, 0, 2), 28);
    EXPECT_EQ(a.AddVertToBuffer(other, nrm, 0, 0, 3), kNoVertex) << "joint 3 does not exist";
    EXPECT_EQ(a.numVertices, 29);
    EXPECT_EQ(b.numVertices, 28);
    EXPECT_EQ(t.Mesh()->vertices.Count(), 28u);
    // The added vertex follows its joint: posed exactly like the rest of it.
    a.SetAnimation(0, 30, 1000, true, false);
    a.Update(0.3);
    const MATRIX& m = a.joints[2].absolute;
    const VECTOR3D expected = MatrixTranslatePoint(m, MatrixRotatePoint(m, MakePoint(0, 9, 0)));
    EXPECT_EQ(a.vertexBuffer[28].position.y, expected.y);
}

// ---- The clock ------------------------------------------------------------------

TEST(OneModel, TransitionTakesAQuarterSecondWithTheClockStill) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ONEMODEL a;
    ASSERT_TRUE(a.Setup(&t, model.get(), nullptr));
    a.SetAnimation(0, 30, 1000, true, false);
    for (int i = 0; i < 10; ++i) a.Update(0.05);  // somewhere in the clip
    a.SetAnimation(2.0, 26.0, 1250.0, true, true);
    EXPECT_EQ(a.startTime, 80.0f);
    EXPECT_EQ(a.endTime, 1040.0f);

    const float blends[] = {0.4f, 0.8f, 1.0f};
    for (int step = 0; step < 3; ++step) {
        a.Update(0.1);
        EXPECT_EQ(a.blend, blends[step]) << step;
        EXPECT_EQ(a.blending, step < 2) << step;
        EXPECT_EQ(a.currentTime, 80.0f) << "the clock stands still during the transition";
    }
    // The glide ends on each channel's first key not earlier than the clip's
    // start: here the keys at 600 ms.
    for (int j = 0; j < 3; ++j) {
        const QUAT got = a.joints[j].rotationQuat, want = t.joints[j].rotationKeyQuats[1];
        EXPECT_NEAR(got.x, want.x, 1e-9);
        EXPECT_NEAR(got.z, want.z, 1e-9);
        EXPECT_NEAR(got.w, want.w, 1e-9);
    }
    EXPECT_NEAR(a.joints[0].currentTranslation.y, t.joints[0].translationKeys[1].value[1], 1e-6);

    a.Update(0.1);
    EXPECT_EQ(a.currentTime, 205.0f) << "the fourth step plays: 80 + 1250 * 0.1";
}

TEST(OneModel, LoopingRestartsExactlyAtTheStartAndAFinishedClipStops) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ONEMODEL looping, once;
    ASSERT_TRUE(looping.Setup(&t, model.get(), nullptr));
    ASSERT_TRUE(once.Setup(&t, model.get(), nullptr));
    looping.SetAnimation(5, 25, 1000, true, false);  // 200 ... 1000 ms
    once.SetAnimation(5, 25, 1000, false, false);
    for (int i = 0; i < 2; ++i) {
        looping.Update(0.3);
        once.Update(0.3);
    }
    EXPECT_EQ(looping.currentTime, 800.0f);
    looping.Update(0.3);  // overshoots to 1100
    EXPECT_EQ(looping.currentTime, 200.0f);
    EXPECT_EQ(looping.joints[0].rotationKey, 1) << "the key search restarted";

    once.Update(0.3);
    EXPECT_EQ(once.currentTime, 1000.0f);
    const std::vector<MODELVERTEX> stopped = once.vertexBuffer;
    for (int i = 0; i < 5; ++i) once.Update(0.3);
    EXPECT_EQ(once.currentTime, 1000.0f);
    EXPECT_EQ(std::memcmp(stopped.data(), once.vertexBuffer.data(), stopped.size() * sizeof(MODELVERTEX)), 0);

    // RestartAnim rewinds without starting a transition.
    once.RestartAnim();
    EXPECT_EQ(once.currentTime, 200.0f);
    EXPECT_FALSE(once.blending);
    once.Update(0.1);
    EXPECT_EQ(once.currentTime, 300.0f);
}

TEST(OneModel, PosesAgreeWithTheModelsOwnClock) {
    // The model's clock (without a transition) and an instance's must give the
    // same joints and the same posed mesh, step after step.
    std::unique_ptr<MS3D> model = MakeLimb(5, 8, 3);
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ONEMODEL a;
    ASSERT_TRUE(a.Setup(&t, model.get(), nullptr));
    a.SetAnimation(1, 29, 900, true, false);
    model->SetAnimation(1, 29, 900, true, false);
    for (int step = 0; step < 90; ++step) {
        const double dt = 0.01 + 0.003 * (step % 7);
        a.Update(dt);
        model->Animate(dt);
        model->UpdateSkeleton();
        model->UpdatePoints();
        ASSERT_EQ(a.currentTime, model->currentTime) << step;
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 16; ++i)
                ASSERT_NEAR(a.joints[j].absolute.m[i], model->skeleton[j].absolute.m[i], 1e-6) << step;
        for (int tri = 0; tri < model->numTriangles; ++tri) {
            for (int c = 0; c < 3; ++c) {
                const float* p = model->vertices[model->triangles[tri].vertexIndices[c]].position;
                const float* n = model->triangles[tri].normals[c];
                const MODELVERTEX& v = a.vertexBuffer[a.indices[3 * tri + c]];
                ASSERT_LT(Distance(v.position, MakePoint(p[0], p[1], p[2])), 1e-5f) << step;
                ASSERT_LT(Distance(v.normal, MakePoint(n[0], n[1], n[2])), 1e-5f) << step;
            }
        }
    }
    // And the skinning arithmetic is exactly MatrixRotatePoint then MatrixTranslatePoint.
    const std::vector<MODELVERTEX>& rest = a.RestMesh()->vertices.Records();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const MATRIX& m = a.joints[rest[i].jointIndex].absolute;
        const VECTOR3D p = MatrixTranslatePoint(m, MatrixRotatePoint(m, rest[i].position));
        const VECTOR3D n = MatrixRotatePoint(m, rest[i].normal);
        EXPECT_TRUE(CompareVectors(p, a.vertexBuffer[i].position)) << i;
        EXPECT_TRUE(CompareVectors(n, a.vertexBuffer[i].normal)) << i;
    }
}

TEST(OneModel, VectorAndPlainSkinningGiveTheSameBits) {
    // Records with awkward values (zeros of both signs, tiny and huge numbers, a
    // record without a joint) posed by three joints with full matrices.
    std::vector<MODELVERTEX> rest;
    const float values[] = {0.0f, -0.0f, 1.0f, -2.5f, 1e-30f, 3e7f, 0.3333333f, -123.456f};
    for (int i = 0; i < 64; ++i) {
        MODELVERTEX v;
        v.position = MakePoint(values[i % 8], values[(i / 8) % 8], values[(i + 3) % 8]);
        v.normal = MakePoint(values[(i + 5) % 8], values[(i / 2) % 8], values[(i * 3) % 8]);
        v.texCoord = Make2DPoint(0.25f * i, 1.0f);
        v.jointIndex = static_cast<int8_t>(i % 4 - 1);
        rest.push_back(v);
    }
    BASICJOINT joints[3];
    for (int j = 0; j < 3; ++j) {
        joints[j].absolute = QuatToRotationMatrix(NormalizeQuat(RotationToQuat(MakePoint(10.0f + 40 * j, -25.0f * j, 7.5f))));
        joints[j].absolute.SetTranslation(MakePoint(0.1f * j, -3.0f, 1e3f * j));
    }
    joints[2].absolute.m[0] *= 1.0001;  // not rigid, as from a nearly-equal slerp
    std::vector<MODELVERTEX> wide = rest, plain = rest;
    PoseRecords(rest.data(), wide.data(), rest.size(), joints, true);
    PoseRecords(rest.data(), plain.data(), rest.size(), joints, false);
    for (std::size_t i = 0; i < rest.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(std::memcmp(&wide[i], &plain[i], sizeof(MODELVERTEX)), 0);
        if (rest[i].jointIndex < 0) {
            EXPECT_EQ(std::memcmp(&plain[i], &rest[i], sizeof(MODELVERTEX)), 0);
            continue;
        }
        const MATRIX& m = joints[rest[i].jointIndex].absolute;
        const VECTOR3D p = MatrixTranslatePoint(m, MatrixRotatePoint(m, rest[i].position));
        const VECTOR3D n = MatrixRotatePoint(m, rest[i].normal);
        EXPECT_EQ(std::memcmp(&p, &plain[i].position, sizeof p), 0);
        EXPECT_EQ(std::memcmp(&n, &plain[i].normal, sizeof n), 0);
        EXPECT_EQ(plain[i].texCoord.x, rest[i].texCoord.x);
    }
}

TEST(OneModel, InstancesOfOneTemplateAnimateAndDieIndependently) {
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    auto a = std::make_unique<ONEMODEL>();
    auto b = std::make_unique<ONEMODEL>();
    ONEMODEL solo;  // what a does when it is alone
    for (ONEMODEL* m : {a.get(), b.get(), &solo}) ASSERT_TRUE(m->Setup(&t, model.get(), nullptr));
    a->SetAnimation(2, 26, 1250, true, true);
    solo.SetAnimation(2, 26, 1250, true, true);
    b->SetAnimation(0, 12, 500, false, false);
    for (int i = 0; i < 40; ++i) {
        a->Update(1.0 / 30);
        b->Update(1.0 / 30);
        solo.Update(1.0 / 30);
    }
    EXPECT_NE(a->currentTime, b->currentTime);
    EXPECT_FALSE(SameRecords(*a, *b));
    EXPECT_TRUE(SameRecords(*a, solo));

    b.reset();  // destroying one leaves the template and the other working
    EXPECT_EQ(t.numJoints, 3);
    EXPECT_EQ(t.Mesh()->vertices.Count(), 28u);
    EXPECT_EQ(t.joints[1].rotationKeys[2].time, 1200.0f);
    for (int i = 0; i < 40; ++i) {
        a->Update(1.0 / 30);
        solo.Update(1.0 / 30);
    }
    EXPECT_TRUE(SameRecords(*a, solo));
}

TEST(OneModel, EightHoursOfFramesShowTheSamePoseAsAFreshInstance) {
    // 864,000 frames of 1/30 s. The limb's last joint swings between keys so
    // close that the slerp interpolates linearly, giving non-unit quaternions.
    std::unique_ptr<MS3D> model = SmallLimb();
    ANIMATIONTEMPLATE t;
    ASSERT_TRUE(t.Setup(model.get()));
    ONEMODEL runner;
    ASSERT_TRUE(runner.Setup(&t, model.get(), nullptr));
    runner.SetAnimation(0, 30, 1250, true, true);

    const auto started = std::chrono::steady_clock::now();
    const int kFramesPerHour = 108000;
    for (int hour = 1; hour <= 8; ++hour) {
        for (int i = 0; i < kFramesPerHour; ++i) runner.Update(1.0 / 30);
        ONEMODEL fresh;
        ASSERT_TRUE(fresh.Setup(&t, model.get(), nullptr));
        fresh.SetAnimation(0, 30, 1250, true, false);
        fresh.currentTime = runner.currentTime;
        fresh.Update(0.0);
        EXPECT_LT(LargestDifference(runner, fresh), 1e-4f) << "after " << hour << " h";
        for (const MODELVERTEX& v : runner.vertexBuffer)
            ASSERT_TRUE(Finite(v.position) && Finite(v.normal)) << "after " << hour << " h";
        for (int j = 0; j < runner.numJoints; ++j)
            for (double e : runner.joints[j].absolute.m) ASSERT_TRUE(std::isfinite(e));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("eight hours of frames took %.2f s\n", seconds);
}

}  // namespace
