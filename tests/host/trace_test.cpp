// The trace: one well-formed JSON line per kept frame, with the frame driver's
// own names and values, non-finite numbers as null, and every Nth frame kept.
#include "host/Trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "GLFixture.h"
#include "TestFiles.h"
#include "engine/SSMain.h"

namespace {

// The numbers of the array named `key` after `from` in `line`.
std::vector<double> ArrayAfter(const std::string& line, const std::string& from, const std::string& key) {
    std::size_t at = line.find("\"" + from + "\":");
    if (at == std::string::npos) return {};
    at = line.find("\"" + key + "\":[", at);
    if (at == std::string::npos) return {};
    std::vector<double> values;
    for (const char* p = line.c_str() + at + key.size() + 4; *p && *p != ']'; ++p) {
        char* end = nullptr;
        values.push_back(std::strtod(p, &end));
        p = end;
        if (*p == ']') break;
    }
    return values;
}

std::vector<double> Of(const VECTOR3D& v) { return {v.x, v.y, v.z}; }

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The saver on its generated resources, a few seconds in: the line carries
// the director's and every camel's state as the scene holds it.
class SceneTrace : public GLTest {};

TEST_F(SceneTrace, ALineCarriesTheCameraAndEveryCamelOfTheScene) {
    SETTINGS settings;
    settings.NUM_CAMELS = 4;
    SSMAIN driver;
    std::srand(3);
    ASSERT_TRUE(driver.Setup(false, 64, 36, &settings, SANDMERE_TEST_RESOURCE_DIR "/"));
    for (int frame = 0; frame < 48; ++frame) {  // 12 s: past the first choice of a camel
        driver.Update(0.25);
        driver.Draw();
    }
    const MAINCLASS& scene = *driver.scene;
    const CAMELCONTROL& herd = *scene.herd;
    const std::string line = TraceLine(0, 48, driver);
    EXPECT_EQ(Count(line, "\"position\":"), 4u) << line;
    for (int i : {0, 3}) {
        // The i-th camel's object: skip the earlier ones' positions.
        std::size_t at = line.find("\"camels\":");
        for (int k = 0; k <= i; ++k) at = line.find("\"position\":", at + 1);
        const std::string camel = "{" + line.substr(at);
        const ONECAMEL& c = herd.camels[i];
        for (const auto& [key, want] : {std::pair{"position", Of(c.position)}, {"direction", Of(c.direction)},
                                        {"destination", Of(c.destination)}}) {
            const std::vector<double> got = ArrayAfter(camel, "position", key);
            ASSERT_EQ(got.size(), 3u) << key;
            for (int n = 0; n < 3; ++n) EXPECT_FLOAT_EQ(got[n], want[n]) << "camel " << i << " " << key;
        }
        const std::string fields = "\"action\":" + std::to_string(c.action) + ",\"zone\":" + std::to_string(c.zone) +
                                   ",\"routeIndex\":" + std::to_string(c.routeIndex) + ",";
        EXPECT_NE(camel.find(fields), std::string::npos) << "camel " << i << ": " << camel.substr(0, 200);
    }
    EXPECT_NE(line.find("\"action\":1,"), std::string::npos) << "the leader tours";
    const CAMERA& cam = scene.camera;
    for (const auto& [key, want] : {std::pair{"eye", Of(cam.eye)}, {"eyeSmoothed", Of(cam.eyeSmoothed)},
                                    {"lookAt", Of(cam.lookAt)}, {"lookAtSmoothed", Of(cam.lookAtSmoothed)},
                                    {"direction", Of(cam.direction)}}) {
        const std::vector<double> got = ArrayAfter(line, "camera", key);
        ASSERT_EQ(got.size(), 3u) << key;
        for (int n = 0; n < 3; ++n) EXPECT_FLOAT_EQ(got[n], want[n]) << "camera " << key;
    }
    const std::string head = "\"camera\":{\"mode\":" + std::to_string(cam.mode) + ",\"lookMode\":" +
                             std::to_string(cam.lookMode) + ",\"targetCamel\":" + std::to_string(cam.targetCamel) +
                             ",\"landmarkIndex\":" + std::to_string(cam.landmarkIndex) + ",";
    EXPECT_NE(line.find(head), std::string::npos) << line.substr(0, 300);
}

TEST(Trace, ALineCarriesTheDriversValuesUnderTheirNames) {
    SSMAIN driver;
    driver.Update(0.25);
    driver.Update(0.125);
    driver.bannerTimer = 17.5f;
    driver.bannerShowing = true;
    driver.bannerAtTop = true;
    driver.bannerPos = Make2DPoint(1024.0f, -35.0f);
    driver.messageIndex = 4;
    driver.messageTimer = -2.5f;
    driver.messageAlpha = NAN;
    driver.introDone = true;
    driver.introUpperAlpha = 0.5f;
    driver.introLowerAlpha = INFINITY;
    const std::string line = TraceLine(2, 7, driver);
    EXPECT_EQ(line,
              "{\"view\":2,\"frame\":7,\"t\":0.375,\"dt\":0.125,\"camera\":null,\"sun\":null,\"camels\":[],"
              "\"overlay\":{\"bannerTimer\":17.5,\"bannerShowing\":true,\"bannerAtTop\":true,"
              "\"bannerPos\":[1024,-35],\"messageIndex\":4,\"messageTimer\":-2.5,\"messageAlpha\":null,"
              "\"introDone\":true,\"introUpperAlpha\":0.5,\"introLowerAlpha\":null}}");
    EXPECT_EQ(line.find('\n'), std::string::npos);
}

TEST(Trace, EveryNthDrawnFrameIsKeptTheFirstIncluded) {
    const struct { int every; std::vector<int> kept; } cases[] = {
        {1, {1, 2, 3, 4, 5, 6, 7}},
        {3, {1, 4, 7}},
        {10, {1}},
    };
    for (const auto& c : cases) {
        testfiles::TempDir dir;
        const std::string path = dir.File("trace.jsonl");
        {
            TRACEWRITER trace;
            ASSERT_TRUE(trace.Open(path, c.every));
            SSMAIN driver;
            for (uint64_t frame = 1; frame <= 7; ++frame) trace.Frame(0, frame, driver);
        }
        std::istringstream lines(testfiles::ReadText(path));
        std::vector<int> kept;
        for (std::string line; std::getline(lines, line);) {
            const auto at = line.find("\"frame\":");
            ASSERT_NE(at, std::string::npos) << line;
            kept.push_back(std::stoi(line.substr(at + 8)));
        }
        EXPECT_EQ(kept, c.kept) << "every " << c.every;
    }
}

TEST(Trace, AnUnwritablePathIsRefused) {
    TRACEWRITER trace;
    EXPECT_FALSE(trace.Open("/nonexistent-folder/trace.jsonl", 1));
    EXPECT_FALSE(trace.IsOpen());
}

}  // namespace
