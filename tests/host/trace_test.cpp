// The trace: one well-formed JSON line per kept frame, with the frame driver's
// own names and values, non-finite numbers as null, and every Nth frame kept.
#include "host/Trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "TestFiles.h"
#include "engine/SSMain.h"

namespace {

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
