// Templates and animated instances without drawing: refusals, set-up and mesh
// sharing, the transition, agreement with the model's own keyframe clock, the
// skinning paths, independence of instances, and eight hours without drift.
#include <cmath>
#include <cstring>

#include "TestModels.h"
#include "models/ModelMain.h"

namespace {

using namespace testmodels;

float Distance(VECTOR3D a, VECTOR3D b) { return float(std::sqrt(DistanceBetweenVectors(a, b))); }

// Largest distance between corresponding positions or normals of two instances.
float LargestDifference(const ONEMODEL& a, const ONEMODEL& b) {
    float worst = a.numVertices == b.numVertices ? 0.0f : INFINITY;
    for (std::size_t i = 0; i < a.vertexBuffer.size() && i < b.vertexBuffer.size(); ++i) {
        worst = std::max(worst, Distance(a.vertexBuffer[i].position, b.vertexBuffer[i].position));
        worst = std::max(worst, Distance(a.vertexBuffer[i].normal, b.vertexBuffer[i].normal));
    }
    return worst;
}

// Largest distance between the corners an instance draws and the model's own.
float LargestDifference(const ONEMODEL& a, const MS3D& model) {
    float worst = 0.0f;
    for (int i = 0; i < 3 * model.numTriangles; ++i) {
        const MS3D_TRIANGLE& tri = model.triangles[i / 3];
        const float* p = model.vertices[tri.vertexIndices[i % 3]].position;
        const float* n = tri.normals[i % 3];
        const MODELVERTEX& v = a.vertexBuffer[a.indices[i]];
        worst = std::max({worst, Distance(v.position, MakePoint(p[0], p[1], p[2])),
                          Distance(v.normal, MakePoint(n[0], n[1], n[2]))});
    }
    return worst;
}

// The small limb (28 vertices, 3 joints) set up, and a template made from it.
class OneModel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(animTemplate.Setup(model.get())); }
    bool Join(ONEMODEL& instance) { return instance.Setup(&animTemplate, model.get(), nullptr); }

    std::unique_ptr<MS3D> model = Load(Limb(4, 6, 3), true);
    ANIMATIONTEMPLATE animTemplate;
};

// Refused before any instance exists, and the template left empty. Meshes
// beyond the 16-bit limits are refused the same way (modelmain_mesh_test).
TEST(AnimationTemplate, RefusesWhatInstancesCouldNotAnimateOrDraw) {
    const std::pair<const char*, void (*)(MS3D&)> cases[] = {
        {"frame rate zero", [](MS3D& m) { m.fps = 0.0f; }},
        {"frame rate not a number", [](MS3D& m) { m.fps = std::nanf(""); }},
        {"a joint that is its own parent", [](MS3D& m) { m.skeleton[1].parent = 1; }},
        {"a loop of parents", [](MS3D& m) { m.skeleton[0].parent = 2; }},
        {"a parent past the joints", [](MS3D& m) { m.skeleton[2].parent = 3; }},
        {"a vertex index past the end", [](MS3D& m) { m.triangles[0].vertexIndices[1] = 999; }},
    };
    for (const auto& [name, spoil] : cases) {
        const std::unique_ptr<MS3D> model = Load(Limb(4, 6, 3), true);
        spoil(*model);
        ANIMATIONTEMPLATE t;
        ONEMODEL instance;
        EXPECT_FALSE(t.Setup(model.get())) << name;
        EXPECT_TRUE(t.numJoints == 0 && !t.joints && !t.Mesh()) << name << ": left empty";
        EXPECT_FALSE(instance.Setup(&t, model.get(), nullptr)) << name;
    }
    ANIMATIONTEMPLATE t;
    EXPECT_FALSE(t.Setup(nullptr));
    EXPECT_FALSE(t.Setup(Load(Limb(4, 6, 3)).get())) << "no skeleton yet";
    // A parent listed after its child is allowed: it only lags one frame.
    const std::unique_ptr<MS3D> model = Load(Limb(4, 6, 3), true);
    model->skeleton[0].parent = 2;
    model->skeleton[2].parent = -1;
    EXPECT_TRUE(t.Setup(model.get()));
}

TEST_F(OneModel, SetupSharesTheTemplateMeshAndStartsInTheRestPose) {
    ONEMODEL a, b, c;
    a.position = MakePoint(5, 5, 5);
    ASSERT_TRUE(Join(a));
    EXPECT_EQ(a.RestMesh(), animTemplate.Mesh().get());
    EXPECT_EQ(a.position.x, 0.0f);
    EXPECT_EQ(a.numVertices, 28);

    // A model with a normal changed on a shared corner gets its own, bigger mesh;
    // one whose vertices follow a joint the template lacks is refused.
    const std::unique_ptr<MS3D> other = Load(Limb(4, 6, 3), true), moreJoints = Load(Limb(4, 6, 4), true);
    other->triangles[0].normals[1][1] = 0.25f;
    ASSERT_TRUE(b.Setup(&animTemplate, other.get(), nullptr));
    EXPECT_NE(b.RestMesh(), animTemplate.Mesh().get());
    EXPECT_EQ(b.numVertices, 29);
    EXPECT_FALSE(c.Setup(&animTemplate, moreJoints.get(), nullptr));
    EXPECT_TRUE(c.joints == nullptr && c.vertexBuffer.empty() && c.animTemplate == nullptr);
    c.SetAnimation(0, 30, 1000, true, true);
    c.Update(0.1);  // an instance that is not set up does nothing, safely

    // With no clip set, Update poses the rest pose: the model as authored.
    a.Update(0.1);
    EXPECT_EQ(a.currentTime, 0.0f);
    EXPECT_LT(LargestDifference(a, *Load(Limb(4, 6, 3))), 1e-5f);

    // AddVertToBuffer extends only this instance, never the shared mesh.
    const float position[3] = {0, 9, 0}, normal[3] = {0, 1, 0};
    EXPECT_EQ(a.AddVertToBuffer(position, normal, 0, 0, 2), 28);
    EXPECT_EQ(a.AddVertToBuffer(position, normal, 0, 0, 2), 28);
    EXPECT_EQ(a.AddVertToBuffer(position, normal, 0, 0, 3), kNoVertex) << "no joint 3";
    EXPECT_EQ(a.numVertices, 29);
    EXPECT_EQ(animTemplate.Mesh()->vertices.Count(), 28u);
    // The shared records are posed from the mesh's blocks, the added one after
    // them, with the bits of the plain path.
    ASSERT_EQ(animTemplate.Mesh()->poseBlocks.Covered(), 28u);
    a.SetAnimation(0, 30, 1250, true, false);
    a.Update(0.13);
    const std::vector<MODELVERTEX>& rest = a.RestMesh()->vertices.Records();
    std::vector<MODELVERTEX> plain = a.vertexBuffer;
    PoseRecords(rest.data(), nullptr, plain.data(), rest.size(), a.joints.get(), POSEPATH::Plain);
    ASSERT_EQ(a.vertexBuffer.size(), 29u);
    EXPECT_EQ(std::memcmp(a.vertexBuffer.data(), plain.data(), sizeof(MODELVERTEX) * 29), 0);
    EXPECT_NE(a.vertexBuffer[28].position.y, position[1]) << "the added vertex is posed too";
}

// Without a transition, the model's own clock and an instance give the same
// clock, joints and posed mesh, through a looping clip (landing exactly on its
// end, 40 + 1120 ms, then wrapping twice) and then a clip that runs past the
// last key (1200 ms) and stops at its end (1360 ms).
TEST_F(OneModel, PosesAgreeWithTheModelsOwnClock) {
    ONEMODEL a;
    ASSERT_TRUE(Join(a));
    for (bool loop : {true, false}) {
        a.SetAnimation(1, loop ? 29 : 34, 900, loop, false);
        model->SetAnimation(1, loop ? 29 : 34, 900, loop, false);
        for (int step = 0; step < 150; ++step) {
            const double dt = step == 0 && loop ? 1120.0 / 900.0 : 0.01 + 0.003 * (step % 7);
            a.Update(dt);
            if (step == 0 && loop) {
                EXPECT_EQ(a.currentTime, 40.0f) << "landing on the end restarts";
            }
            model->Animate(dt);
            model->UpdateSkeleton();
            model->UpdatePoints();
            ASSERT_EQ(a.currentTime, model->currentTime) << step;
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 16; ++i)
                    ASSERT_NEAR(a.joints[j].absolute.m[i], model->skeleton[j].absolute.m[i], 1e-9) << step;
            ASSERT_LT(LargestDifference(a, *model), 1e-6f) << step;
        }
    }
    EXPECT_EQ(a.currentTime, a.endTime);
}

// Every skinning path gives the bits of MatrixRotatePoint then MatrixTranslatePoint,
// for awkward values (zeros of both signs, tiny and huge) and a matrix that is
// not rigid; writes no record of joint -1 and nothing past the count; and takes
// blocks covering more or fewer records than it poses.
TEST(OneModelSkinning, EveryPathGivesTheBitsOfTheMatrixFunctions) {
    // Runs of (joint, length) that make, in quads of four and blocks of eight:
    // blocks of one joint, then of another; a block whose quads follow two
    // joints; quads that mix joints; quads of joint -1; a run of one joint that
    // starts in the second quad of a block; and a tail shorter than a quad.
    const std::pair<int, int> runs[] = {{0, 16}, {1, 12}, {2, 4}, {0, 3}, {-1, 5}, {1, 8},
                                        {-1, 4}, {2, 13}, {0, 1}, {1, 6}, {2, 3}};
    const float values[] = {0.0f, -0.0f, 1.0f, -2.5f, 1e-30f, 3e7f, 0.3333333f, -123.456f};
    std::vector<MODELVERTEX> rest;
    for (const auto& [joint, length] : runs)
        for (int k = 0; k < length; ++k) {
            const int i = static_cast<int>(rest.size());
            MODELVERTEX v;
            v.position = MakePoint(values[i % 8], values[(i / 8) % 8], values[(i + 3) % 8]);
            v.normal = MakePoint(values[(i + 5) % 8], values[(i / 2) % 8], values[(i * 3) % 8]);
            v.texCoord = Make2DPoint(0.25f * i, -1.0f * i);
            v.jointIndex = static_cast<int8_t>(joint);
            rest.push_back(v);
        }
    ASSERT_EQ(rest.size(), 75u);
    BASICJOINT joints[3];
    for (int j = 0; j < 3; ++j) {
        joints[j].absolute = QuatToRotationMatrix(NormalizeQuat(RotationToQuat(MakePoint(10.0f + 40 * j, -25.0f * j, 7.5f))));
        joints[j].absolute.SetTranslation(MakePoint(0.1f * j, -3.0f, 1e3f * j));
    }
    joints[2].absolute.m[0] *= 1.0001;

    // What a record untouched by posing holds.
    std::vector<MODELVERTEX> untouched = rest;
    for (MODELVERTEX& v : untouched) v.position = v.normal = MakePoint(99.0f, 99.0f, 99.0f);

    const struct {
        const char* name;
        std::size_t built;  // records the blocks are built from; 0 for no blocks
        std::size_t posed;
    } cases[] = {
        {"blocks of every record", 75, 75},
        {"no blocks", 0, 75},
        {"records appended after the blocks were built", 50, 75},
        {"fewer records posed than the blocks cover", 75, 61},
        {"a count inside the first block", 75, 6},
    };
    const POSEPATH paths[] = {POSEPATH::Plain, POSEPATH::Avx2, POSEPATH::Avx512};
    for (POSEPATH path : paths)
        if (path > FastestPosePath())
            std::printf("path %d is not available here: the fastest available is tested in its place\n", int(path));
    for (const auto& c : cases) {
        POSEBLOCKS blocks;
        blocks.Build(rest.data(), c.built);
        std::vector<MODELVERTEX> expected = untouched;
        for (std::size_t i = 0; i < c.posed; ++i)
            if (rest[i].jointIndex >= 0) {
                const MATRIX& m = joints[rest[i].jointIndex].absolute;
                expected[i].position = MatrixTranslatePoint(m, MatrixRotatePoint(m, rest[i].position));
                expected[i].normal = MatrixRotatePoint(m, rest[i].normal);
            }
        for (POSEPATH path : paths) {
            std::vector<MODELVERTEX> out = untouched;
            PoseRecords(rest.data(), c.built ? &blocks : nullptr, out.data(), c.posed, joints, path);
            for (std::size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(std::memcmp(&out[i], &expected[i], sizeof(MODELVERTEX)), 0)
                    << c.name << ", path " << int(path) << ": record " << i;
        }
    }
}

TEST_F(OneModel, InstancesOfOneTemplateAnimateAndDieIndependently) {
    auto a = std::make_unique<ONEMODEL>(), b = std::make_unique<ONEMODEL>();
    ONEMODEL solo;  // what a does on its own
    for (ONEMODEL* m : {a.get(), b.get(), &solo}) ASSERT_TRUE(Join(*m));
    a->SetAnimation(2, 26, 1250, true, true);
    solo.SetAnimation(2, 26, 1250, true, true);
    b->SetAnimation(0, 12, 500, false, false);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 40; ++i) {
            a->Update(1.0 / 30);
            solo.Update(1.0 / 30);
            if (b) b->Update(1.0 / 30);
        }
        if (b) {
            EXPECT_GT(LargestDifference(*a, *b), 0.01f);
        }
        EXPECT_EQ(LargestDifference(*a, solo), 0.0f) << "round " << round;
        b.reset();  // the second round runs without b
    }
    a.reset();
    EXPECT_TRUE(animTemplate.numJoints == 3 && animTemplate.Mesh()->vertices.Count() == 28u &&
                animTemplate.joints[1].rotationKeys[2].time == 1200.0f);
}

// 864,000 frames of 1/30 s; the limb's last joint takes the slerp's linear
// branch, whose quaternions are not of unit length.
TEST_F(OneModel, EightHoursOfFramesShowThePoseAFreshInstanceComputes) {
    ONEMODEL runner;
    ASSERT_TRUE(Join(runner));
    runner.SetAnimation(0, 30, 1250, true, true);
    for (int hour = 1; hour <= 8; ++hour) {
        for (int i = 0; i < 108000; ++i) runner.Update(1.0 / 30);
        ONEMODEL fresh;
        ASSERT_TRUE(Join(fresh));
        fresh.SetAnimation(0, 30, 1250, true, false);
        fresh.currentTime = runner.currentTime;
        fresh.Update(0.0);
        EXPECT_LT(LargestDifference(runner, fresh), 1e-4f) << "after " << hour << " h";
        for (const MODELVERTEX& v : runner.vertexBuffer)
            ASSERT_TRUE(std::isfinite(v.position.x + v.position.y + v.position.z + v.normal.x + v.normal.y + v.normal.z));
    }
}

}  // namespace
