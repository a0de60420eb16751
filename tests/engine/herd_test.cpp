// The camel herd: Setup's refusals, the tour, the roamers, zones, speeds and coats,
// culling, the turning circle, and posing on demand against posing every frame.
#include "scene/Camel.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "GLFixture.h"
#include "SceneTestFiles.h"
#include "assets/Texture.h"
#include "engine/MainClass.h"

namespace {

using scenefiles::Bytes;
using scenefiles::Generated;

class HerdTest : public GLTest {
protected:
    void MoveAll(int frames, double dt) {
        for (int f = 0; f < frames; ++f) herd.Move(&ground, dt);
    }
    CAMELCONTROL herd;
    ONEBG ground;  // Move only checks that there is one
    testfiles::TempDir dir;
};

TEST_F(HerdTest, SetupRefusesWhatItCannotDrive) {
    using scenefiles::ModelFile;
    using scenefiles::SmallModel;
    const struct { const char* name; int count; Bytes file; bool ok; } cases[] = {
        {"no camels", 0, ModelFile(SmallModel(2, 2, 1), 6), false},
        {"a negative count", -3, ModelFile(SmallModel(2, 2, 1), 6), false},
        {"no file", 5, {}, false},
        {"no joints for the rider", 5, ModelFile(SmallModel(2, 2, 0), 6), false},
        {"coat 2 would read past 5 textures", 5, ModelFile(SmallModel(2, 2, 1), 5), false},
        {"4 + 2 textures for two materials", 5, ModelFile(SmallModel(2, 2, 1), 6), true},
    };
    for (const auto& c : cases) {
        std::remove(dir.File("c.kst").c_str());
        if (!c.file.empty()) dir.Write("c.kst", c.file);
        EXPECT_EQ(herd.Setup(c.count, dir.Slashed().c_str()), c.ok) << c.name;
        EXPECT_EQ(!!herd.camels + !!herd.textures + !!herd.animTemplate, c.ok ? 3 : 0) << c.name;
    }
    // The camels keep no mesh of their own: they borrow the herd's to be drawn.
    for (int i = 0; i < herd.numCamels; ++i) EXPECT_TRUE(herd.camels[i].vertexBuffer.empty() && !herd.camels[i].indices);
    herd.Cleanup();
    herd.Cleanup();
    EXPECT_TRUE(!herd.camels && !herd.textures && !herd.animTemplate);
}

TEST_F(HerdTest, TheLeaderToursAndRoamersSetOffOnTheirFirstMove) {
    for (const int count : {1, 12}) {  // one camel tours alone
        std::srand(7);
        ASSERT_TRUE(herd.Setup(count, Generated().c_str()));
        ONECAMEL& leader = herd.camels[0];
        EXPECT_TRUE(leader.action == ONECAMEL::kTouring && leader.speedFactor == 2.5f);
        EXPECT_TRUE(CompareVectors(leader.position, ONECAMEL::TourRoute[0]));
        std::vector<VECTOR3D> start;
        for (int i = 0; i < count; ++i) start.push_back(herd.camels[i].position);
        MoveAll(1, 0.5);
        EXPECT_EQ(leader.routeIndex, 1);  // standing on point 0, it heads for point 1 at once
        EXPECT_TRUE(CompareVectors(leader.destination, ONECAMEL::TourRoute[1]));
        for (int i = 1; i < count; ++i) {
            const ONECAMEL& c = herd.camels[i];
            EXPECT_EQ(c.action, ONECAMEL::kRoaming) << i;
            EXPECT_TRUE(CompareVectors(c.position, start[i])) << i;  // no step in that frame
            const VECTOR3D low = ONECAMEL::CZ[2 * c.zone], high = ONECAMEL::CZ[2 * c.zone + 1];
            EXPECT_TRUE(c.destination.x >= low.x && c.destination.x < high.x && c.destination.z >= low.z &&
                        c.destination.z < high.z) << i;
            EXPECT_FLOAT_EQ(c.speed, 500.0f * c.speedFactor) << i;
        }
        leader.routeIndex = 16;
        leader.position = leader.destination = ONECAMEL::TourRoute[16];
        MoveAll(1, 1 / 30.0);
        EXPECT_EQ(leader.routeIndex, 0);  // after point 16, point 0
        herd.Move(nullptr, 1.0);          // no ground: nobody moves
        EXPECT_EQ(leader.routeIndex, 0);
    }
}

TEST_F(HerdTest, ZonePointsSpeedsAndCoats) {
    std::srand(11);
    ONECAMEL camel;
    std::set<float> speeds;
    float lowX = 0, highX = -1000, lowZ = 1000, highZ = -1000;  // zone 3's
    for (int n = 0; n < 4000; ++n) {
        camel.Reset();
        speeds.insert(camel.speedFactor);
        const VECTOR3D p = camel.position, low = ONECAMEL::CZ[2 * camel.zone], high = ONECAMEL::CZ[2 * camel.zone + 1];
        ASSERT_TRUE(p.y == 0 && p.x >= low.x && p.x <= high.x - 1 && p.z >= low.z && p.z <= high.z - 1) << camel.zone;
        if (camel.zone != 3) continue;
        lowX = std::min(lowX, p.x), highX = std::max(highX, p.x), lowZ = std::min(lowZ, p.z), highZ = std::max(highZ, p.z);
    }
    EXPECT_TRUE(lowX == -672 && highX == -572 && lowZ >= -389 && highZ <= 425);
    EXPECT_EQ(speeds.size(), 10u);
    EXPECT_TRUE(*speeds.begin() == 0.75f && std::fabs(*speeds.rbegin() - 1.65f) < 1e-6f);
    std::srand(5);  // the first draw gives z, the second x
    const int first = std::rand(), second = std::rand();
    std::srand(5);
    const VECTOR3D p = ONECAMEL::RandomZonePoint(3);
    EXPECT_TRUE(p.x == -672.0f + float(second % 101) && p.z == -389.0f + float(first % 815));

    ASSERT_TRUE(herd.Setup(30, Generated().c_str()));
    std::set<int> coats;
    for (int i = 0; i < 30; ++i) {
        const ONECAMEL& c = herd.camels[i];
        int coat = -1;
        for (int k = 0; k < 3; ++k)
            if (c.materials[0].texture == herd.textures[2 * k].textureName) coat = k;
        ASSERT_NE(coat, -1) << i;
        for (int m = 0; m < c.numMaterials; ++m)
            EXPECT_EQ(c.materials[m].texture, herd.textures[2 * coat + m].textureName) << i;
        coats.insert(coat);
    }
    EXPECT_EQ(coats.size(), 3u);
}

TEST_F(HerdTest, CullingKeepsACamelWhoseSphereOfRadius4ReachesIn) {
    ASSERT_TRUE(herd.Setup(1, Generated().c_str()));
    // A box of planes: |x| < 10, |y| < 10, |z| < 10, each plane's normal inwards.
    FRUSTUM box;
    const float planes[6][4] = {{-1, 0, 0, 10}, {1, 0, 0, 10}, {0, 1, 0, 10}, {0, -1, 0, 10}, {0, 0, -1, 10}, {0, 0, 1, 10}};
    std::memcpy(box.planes, planes, sizeof planes);
    const struct { float x; bool seen; } cases[] = {{0, true}, {13.9f, true}, {14.0f, false}, {-13.9f, true}, {-14.0f, false}};
    for (const auto& c : cases) {
        herd.camels[0].position = MakePoint(c.x, 0, 0);
        EXPECT_EQ(herd.InView(box, 0), c.seen) << c.x;
    }
}

TEST_F(HerdTest, ACamelGivesUpAPointInsideItsTurningCircle) {
    // Facing +z and already turning at 20 degrees a second: a circle of radius
    // speed / 0.349. A point `side` units to its +x side lies inside it and
    // never nearer the path than `side`: out of reach for ever.
    const struct { const char* name; int camel; float speed, side; double reach; } cases[] = {
        {"roamer at 1.65 units/s, circle 4.7", 1, 1.65f, 4.0f, 10.0},
        {"leader at 2.5 units/s, circle 7.2", 0, 2.5f, 6.0f, 5.0},
    };
    for (const auto& k : cases) {
        ASSERT_TRUE(herd.Setup(2, Generated().c_str()));
        MoveAll(1, 0.1);
        ONECAMEL& c = herd.camels[k.camel];
        const VECTOR3D point = MakePoint(k.side, 0, 0);
        const int route = c.routeIndex;
        c.position = MakePoint(0, 0, 0);
        c.angles = VECTOR3D();
        c.turnSpeed = c.turnSpeedGoal = MakePoint(0, 20, 0);
        c.speedFactor = k.speed;
        c.destination = point;
        c.turnedSinceGoal = 0;
        int frame = 0;
        for (; frame < 60 * 30 && CompareVectors(c.destination, point); ++frame) {
            herd.Move(&ground, 1 / 30.0);
            ASSERT_GT(DistanceBetweenVectors(c.position, point), k.reach) << k.name << ", frame " << frame;
        }
        EXPECT_LT(frame, 30 * 30) << k.name << ": still circling after half a minute";
        EXPECT_GT(frame, 15 * 30) << k.name << ": gave up before turning a full circle";
        if (k.camel == 0) {
            EXPECT_EQ(c.routeIndex, route + 1) << k.name;  // on to the next route point
        }
    }
}

// Posing only the camels that are drawn, from skeletons advanced every frame
// and shared by camels in step, against instances of the same model each
// posed every frame the plain way.
TEST_F(HerdTest, PosingOnDemandDrawsWhatPosingEveryFrameDraws) {
    constexpr int kCamels = 12;  // eleven roamers of ten speeds: some walk in step
    std::srand(3);
    ASSERT_TRUE(herd.Setup(kCamels, Generated().c_str()));
    MS3D model;
    Texture* modelTextures = nullptr;
    int modelTextureCount = 0;
    ASSERT_TRUE(LoadModel((Generated() + "c.kst").c_str(), &model, &modelTextures, &modelTextureCount));
    model.Scale(0.1f);
    model.InitialSetup();
    ONEMODEL twins[kCamels];
    for (int i = 0; i < kCamels; ++i) {
        ASSERT_TRUE(twins[i].Setup(herd.animTemplate.get(), &model, nullptr));
        for (int m = 0; m < twins[i].numMaterials; ++m) twins[i].materials[m].texture = herd.camels[i].materials[m].texture;
    }
    twins[0].SetAnimation(2, 26, 1250, true, true);  // the leader's clip starts at Setup
    // Every camel's skeleton and drawn mesh against its twin's; how many shared a step.
    const auto compare = [&](int frame) {
        int inStep = 0;
        for (int i = 0; i < kCamels; ++i) {
            const ONECAMEL& c = herd.camels[i];
            inStep += herd.StepsWith(i) != i;
            for (int j = 0; j < c.numJoints; ++j)
                EXPECT_EQ(std::memcmp(c.joints[j].absolute.m, twins[i].joints[j].absolute.m, sizeof(MATRIX)), 0)
                    << "camel " << i << " joint " << j << " frame " << frame;
            const std::vector<MODELVERTEX>& posed = herd.PoseCamel(i);
            EXPECT_EQ(posed.size(), twins[i].vertexBuffer.size());
            EXPECT_EQ(std::memcmp(posed.data(), twins[i].vertexBuffer.data(), posed.size() * sizeof(MODELVERTEX)), 0)
                << "camel " << i << " frame " << frame;
        }
        return inStep;
    };
    const double dt = 0.07;
    int follower = -1;
    for (int frame = 0; frame < 200; ++frame) {
        herd.Move(&ground, dt);
        for (int i = 1; i < kCamels && frame == 0; ++i)
            twins[i].SetAnimation(2, 26, 500.0f * herd.camels[i].speedFactor, true, true);
        for (ONEMODEL& twin : twins) twin.Update(dt);
        if (frame == 100) {
            EXPECT_GT(compare(frame), 0) << "no camel shared another's step";
            for (int i = 0; i < kCamels && follower < 0; ++i)
                if (herd.StepsWith(i) != i) follower = i;
            ASSERT_GE(follower, 0);
            // A clip changed from outside: that camel leaves the step it shared.
            herd.camels[follower].SetAnimation(2, 26, 999, true, true);
            twins[follower].SetAnimation(2, 26, 999, true, true);
        }
    }
    compare(200);
    EXPECT_EQ(herd.StepsWith(follower), follower);

    // The same pixels: the herd, all in a row in view, then the twins in their places.
    for (int i = 0; i < kCamels; ++i) herd.camels[i].position = twins[i].position = MakePoint(3.0f * i - 16, 0, 0);
    for (int i = 0; i < kCamels; ++i) twins[i].orientation = herd.camels[i].orientation;
    glMatrixMode(GL_PROJECTION);
    gluPerspective(60, 1, 0.5, 100);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(0, 6, 22, 0, 1, 0, 0, 1, 0);
    MAINCLASS scene;  // the herd reads only its frustum
    scene.frustum.ExtractFrustum();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const auto picture = [&] {
        std::vector<uint8_t> pixels(kWidth * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    };
    const auto background = picture();
    herd.Draw(&scene);
    const auto herdPicture = picture();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    for (ONEMODEL& twin : twins) twin.Draw();
    glDisable(GL_BLEND);
    EXPECT_NE(herdPicture, background) << "the camels are in the picture";
    EXPECT_EQ(herdPicture, picture());
    delete[] modelTextures;
}

}  // namespace
