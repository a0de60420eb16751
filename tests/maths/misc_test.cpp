// Alerts, the frame-rate sampler, the debug log and the extension query.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "GLFixture.h"
#include "TestFiles.h"
#include "maths/Misc.h"

namespace {

using testfiles::ReadText;
using testfiles::TempDir;

std::vector<Alert> g_handled;
void Capture(const char* title, const char* text) { g_handled.push_back({title, text}); }

TEST(Alerts, GoToTheInstalledHandlerAndTheLog) {
    ClearAlerts();
    g_handled.clear();
    const AlertHandler before = SetAlertHandler(Capture);
    MessageBox(nullptr, "TGA file be type 2 or type 10 ", "Invalid Image", 0);
    MessageBox(nullptr, "Could not read file header", "ERROR", 0);
    SetAlertHandler(before);

    ASSERT_EQ(g_handled.size(), 2u);
    EXPECT_EQ(g_handled[0].title, "Invalid Image");
    EXPECT_EQ(g_handled[0].text, "TGA file be type 2 or type 10 ");  // trailing blank kept
    const std::vector<Alert> log = RaisedAlerts();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].text, "Could not read file header");
    ClearAlerts();
    EXPECT_TRUE(RaisedAlerts().empty());
}

TEST(Alerts, WithoutAHandlerGoToStandardErrorAndTheLogStaysBounded) {
    ClearAlerts();
    testing::internal::CaptureStderr();
    MessageBox(nullptr, "Could not open texture file", "ERROR", 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR"), std::string::npos);
    EXPECT_NE(err.find("Could not open texture file"), std::string::npos);

    const AlertHandler before = SetAlertHandler([](const char*, const char*) {});
    for (std::size_t i = 0; i < kMaxKeptAlerts + 10; ++i)
        MessageBox(nullptr, std::to_string(i).c_str(), "ERROR", 0);
    SetAlertHandler(before);
    const std::vector<Alert> log = RaisedAlerts();
    ASSERT_EQ(log.size(), kMaxKeptAlerts);
    EXPECT_EQ(log.back().text, std::to_string(kMaxKeptAlerts + 9));
    ClearAlerts();
}

TEST(FrameRate, SamplesAtMostEveryQuarterSecond) {
    fCount = 0;
    frameRate = 0;
    lastcountTime = 0;
    lastcountFrame = 0;
    CalcFrameRate(0.1);  // too early: nothing
    EXPECT_EQ(lastcountTime, 0.0);

    fCount = 15;
    CalcFrameRate(0.5);
    EXPECT_EQ(frameRate, 30.0);
    EXPECT_EQ(lastcountTime, 0.5);
    EXPECT_EQ(lastcountFrame, 15);

    lastcountFrame = 0;
    fCount = 30;
    CalcFrameRate(0.7);  // within 0.25 s of the last sample
    EXPECT_EQ(frameRate, 30.0);
    CalcFrameRate(1.0);
    EXPECT_EQ(frameRate, 60.0);
}

TEST(DebugLog, AppendsToAPerUserFileAndNeverFails) {
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

    // An unwritable place: the calls return quietly.
    setenv("XDG_STATE_HOME", "/proc/no-such-folder", 1);
    DEBUG(2.0);
    DEBUGstr("ignored");

    if (saved) setenv("XDG_STATE_HOME", savedValue.c_str(), 1);
    else unsetenv("XDG_STATE_HOME");
}

TEST(SaveMatrix, WritesFourLinesWithTrailingSpaces) {
    TempDir folder;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.path().c_str()), 0);
    SaveMatrix(MATRIX());
    const std::string text = ReadText("test.txt");
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(text,
              "\n1.00000 0.00000 0.00000 0.00000 \n0.00000 1.00000 0.00000 0.00000 \n"
              "0.00000 0.00000 1.00000 0.00000 \n0.00000 0.00000 0.00000 1.00000 \n");
}

class Extensions : public GLTest {};

TEST_F(Extensions, MatchWholeTokensOnly) {
    const std::string all = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_FALSE(all.empty());
    const std::string first = all.substr(0, all.find(' '));
    EXPECT_TRUE(isExtensionSupported(first.c_str()));
    // A prefix of a real token is not a token.
    EXPECT_FALSE(isExtensionSupported(first.substr(0, first.size() - 1).c_str()));
    EXPECT_FALSE(isExtensionSupported(""));
    EXPECT_FALSE(isExtensionSupported((first + " x").c_str()));

}

TEST(ExtensionInList, CountsOnlyWholeTokens) {
    const struct {
        const char* list;
        const char* name;
        bool expected;
    } cases[] = {
        {"GL_ab_long GL_ab", "GL_ab", true},       // first as a prefix, then whole
        {"GL_ab_long GL_x_GL_ab", "GL_ab", false},  // only inside longer tokens
        {"GL_ab", "GL_ab", true},                   // the whole string
        {"GL_x GL_ab GL_y", "GL_ab", true},
        {"GL_x GL_abc", "GL_ab", false},
        {"GL_ab GL_x", "GL_a", false},
        {"GL_ab", "GL_ab GL_x", false},  // a name with a space
        {"GL_ab", "", false},
        {nullptr, "GL_ab", false},       // no context: no string
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtensionInList(c.list, c.name), c.expected) << (c.list ? c.list : "null") << " / " << c.name;
}

}  // namespace
