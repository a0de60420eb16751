// Alerts, the frame-rate sampler, the debug log, SaveMatrix and the extension query.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "GLFixture.h"
#include "TestFiles.h"
#include "maths/Misc.h"

namespace {

using testfiles::ReadText;
using testfiles::TempDir;

std::vector<Alert> g_handled;

TEST(Alerts, GoToTheHandlerOrStandardErrorAndToABoundedLog) {
    ClearAlerts();
    const AlertHandler before = SetAlertHandler([](const char* title, const char* text) { g_handled.push_back({title, text}); });
    MessageBox(nullptr, "TGA file be type 2 or type 10 ", "Invalid Image", 0);
    SetAlertHandler(nullptr);
    testing::internal::CaptureStderr();
    MessageBox(nullptr, "Could not open texture file", "ERROR", 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR"), std::string::npos);
    EXPECT_NE(err.find("Could not open texture file"), std::string::npos);
    ASSERT_EQ(g_handled.size(), 1u);
    EXPECT_EQ(g_handled[0].title + "|" + g_handled[0].text, "Invalid Image|TGA file be type 2 or type 10 ");
    ASSERT_EQ(RaisedAlerts().size(), 2u);
    EXPECT_EQ(RaisedAlerts()[1].text, "Could not open texture file");

    SetAlertHandler([](const char*, const char*) {});
    for (std::size_t i = 0; i < kMaxKeptAlerts + 10; ++i) MessageBox(nullptr, std::to_string(i).c_str(), "ERROR", 0);
    SetAlertHandler(before);
    ASSERT_EQ(RaisedAlerts().size(), kMaxKeptAlerts);
    EXPECT_EQ(RaisedAlerts().back().text, std::to_string(kMaxKeptAlerts + 9));
    ClearAlerts();
    EXPECT_TRUE(RaisedAlerts().empty());
}

// Each step: frames counted so far, the time, then the rate expected.
TEST(FrameRate, SamplesAtMostEveryQuarterSecond) {
    fCount = lastcountFrame = 0;
    frameRate = lastcountTime = 0;
    const struct { int frames; double now, rate; } steps[] = {
        {5, 0.1, 0},     // before 0.25 s: nothing
        {15, 0.5, 30},   // 15 frames in 0.5 s
        {30, 0.7, 30},   // within 0.25 s of the last sample
        {45, 1.0, 60},   // 30 frames since the last sample, in 0.5 s
    };
    for (const auto& s : steps) {
        fCount = s.frames;
        CalcFrameRate(s.now);
        EXPECT_EQ(frameRate, s.rate) << s.now;
    }
    EXPECT_EQ(lastcountTime, 1.0);
    EXPECT_EQ(lastcountFrame, 45);
}

TEST(DebugAids, AppendToTheirFilesAndNeverFail) {
    TempDir home;
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string savedValue = saved ? saved : "";
    setenv("XDG_STATE_HOME", home.path().c_str(), 1);
    const std::string path = DebugLogPath();
    EXPECT_EQ(path, home.path() + "/sandmere/debug.txt");
    DEBUG(1.5);
    DEBUGstr("camel");
    DEBUGp3d(MakePoint(1, -2, 0.5f));
    EXPECT_EQ(ReadText(path), "1.500000\ncamel\n1.000000,-2.000000,0.500000\n");
    setenv("XDG_STATE_HOME", "/proc/no-such-folder", 1);  // unwritable: quietly nothing
    DEBUG(2.0);
    if (saved) setenv("XDG_STATE_HOME", savedValue.c_str(), 1);
    else unsetenv("XDG_STATE_HOME");

    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(home.path().c_str()), 0);
    MATRIX m;
    m.m[14] = -2.5;
    SaveMatrix(m);
    const std::string text = ReadText("test.txt");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(text, "\n1.00000 0.00000 0.00000 0.00000 \n0.00000 1.00000 0.00000 0.00000 \n"
                    "0.00000 0.00000 1.00000 0.00000 \n0.00000 0.00000 -2.50000 1.00000 \n");
}

TEST(ExtensionInList, CountsOnlyWholeTokens) {
    const struct { const char* list; const char* name; bool expected; } cases[] = {
        {"GL_ab_long GL_ab", "GL_ab", true},  // first as a prefix, then whole
        {"GL_ab_long GL_x_GL_ab", "GL_ab", false},
        {"GL_ab", "GL_ab", true},
        {"GL_x GL_ab GL_y", "GL_ab", true},
        {"GL_x GL_abc", "GL_ab", false},
        {"GL_ab GL_x", "GL_a", false},
        {"GL_ab", "GL_ab GL_x", false},  // a name with a space
        {"GL_ab", "", false},
        {nullptr, "GL_ab", false},  // no context: no string
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtensionInList(c.list, c.name), c.expected) << (c.list ? c.list : "null") << " / " << c.name;
}

using Extensions = GLTest;

TEST_F(Extensions, AreLookedUpInTheCurrentContext) {
    const std::string all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::string first = all.substr(0, all.find(' '));
    EXPECT_TRUE(isExtensionSupported(first.c_str()));
    EXPECT_FALSE(isExtensionSupported(first.substr(0, first.size() - 1).c_str()));
}

}  // namespace
