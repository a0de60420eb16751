// The settings store against real files: the first-run rule, values kept in
// range, bad and unwritable files, interrupted writes, the marker mode, and
// where the file lives.
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestFiles.h"
#include "UserValues.h"
#include "host/SettingsLocation.h"
#include "host/SettingsStore.h"

namespace {

namespace fs = std::filesystem;
using testfiles::ReadText;

std::string Stored(const std::string& version, const std::string& values) {
    return "[kwSandmere]\n" + (version.empty() ? "" : "version=" + version + "\n") + values;
}

// Runs `body` in a child process (with fewer rights or a smaller file-size
// limit than the test itself); true when it returned true.
bool InChild(const std::function<void()>& restrict, const std::function<bool()>& body) {
    pid_t child = fork();
    if (child == 0) {
        restrict();
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Root writes into read-only folders, so the child becomes nobody.
void DropRoot() {
    if (geteuid() == 0 && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) _exit(3);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { chmod(dir.path().c_str(), 0755); }
    std::string Folder() const { return dir.File("config/kwSandmere"); }
    std::string FilePath() const { return Folder() + "/settings.ini"; }
    void Put(const std::string& text) {
        fs::create_directories(Folder());
        std::ofstream(FilePath(), std::ios::binary) << text;
    }
    size_t FilesInFolder() const { return std::distance(fs::directory_iterator(Folder()), {}); }
    SettingsStore Store(SettingsStoreMode mode = SettingsStoreMode::KeyFile) { return {mode, FilePath()}; }

    testfiles::TempDir dir;
};

TEST_F(SettingsStoreTest, ReadsTheFileOrStartsOver) {
    const USERSETTINGS defaults = Values(10, true, 100, false);
    const struct {
        const char* name;
        std::optional<std::string> file;  // none: no file at all
        USERSETTINGS expected;
        bool rewritten;  // the first-run rule stored the defaults
    } cases[] = {
        {"fresh user", std::nullopt, defaults, true},
        {"older version", Stored("0.9", "NumCamels=3\nPlaySound=false\nVolume=7\n"), defaults, true},
        {"no version", Stored("", "NumCamels=3\n"), defaults, true},
        {"not exactly 1.0", Stored("1.00", "NumCamels=3\n"), defaults, true},
        {"corrupt file", std::string("\x01\x02 not [a key file\n=\n", 22), defaults, true},
        {"stored values", Stored("1.0", "MainMonitorOnly=true\nNumCamels=42\nPlaySound=false\nVolume=250\n"),
         Values(42, false, 250, true), false},
        {"absent keys read as false or 0, camels kept at 1", Stored("1.0", ""), Values(1, false, 0, false), false},
        {"2^31 camels, volume 2^32", Stored("1.0", "NumCamels=2147483648\nVolume=4294967296\nPlaySound=true\n"),
         Values(10000, true, 255, false), false},
        {"2^32 camels, beyond 64 bits", Stored("1.0", "NumCamels=4294967296\nVolume=99999999999999999999\n"),
         Values(10000, false, 255, false), false},
        {"negative numbers", Stored("1.0", "NumCamels=-5\nVolume=-5\n"), Values(1, false, 0, false), false},
        {"words for numbers", Stored("1.0", "NumCamels=many\nVolume=loud\nPlaySound=yes\n"), Values(1, false, 0, false), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.File("config"));
        if (c.file) Put(*c.file);
        ExpectValues(Store().Read(), c.expected);
        if (c.rewritten) {
            EXPECT_EQ(ReadText(FilePath()),
                      Stored("1.0", "MainMonitorOnly=false\nNumCamels=10\nPlaySound=true\nVolume=100\n"));
        } else {
            EXPECT_EQ(ReadText(FilePath()), *c.file);
        }
        EXPECT_EQ(FilesInFolder(), 1u);
        if (!c.file) {  // the folders a first run makes are private
            for (const std::string& folder : {dir.File("config"), Folder()})
                EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
        }
    }
}

TEST_F(SettingsStoreTest, SaveKeepsOtherKeysAndMarksTheVersion) {
    Put(Stored("1.0", "Volume=3\nFutureKey=kept\n"));
    ASSERT_TRUE(Store().Save(Values(4294967296, false, 17, true)));
    EXPECT_EQ(ReadText(FilePath()), Stored("1.0", "Volume=17\nFutureKey=kept\nMainMonitorOnly=true\nNumCamels=10000\n"
                                                  "PlaySound=false\n"));
    // A file removed while the sheet was open: the saved values must survive the next start.
    fs::remove(FilePath());
    ASSERT_TRUE(Store().Save(Values(7, true, 1, false)));
    ExpectValues(Store().Read(), Values(7, true, 1, false));
}

TEST_F(SettingsStoreTest, UnwritablePlacesLoseNothing) {
    // A file where the folder should be: defaults, nothing written, no crash.
    fs::create_directories(dir.File("config"));
    std::ofstream(Folder()) << "in the way";
    ExpectValues(Store().Read(), Values(10, true, 100, false));
    EXPECT_FALSE(Store().Save(Values(3, true, 3, true)));
    EXPECT_EQ(ReadText(Folder()), "in the way");

    // A read-only folder: the stored values are read, Save fails, the file stays whole.
    fs::remove(Folder());
    const std::string kept = Stored("1.0", "NumCamels=42\nPlaySound=true\nVolume=9\n");
    Put(kept);
    chmod(Folder().c_str(), 0555);
    EXPECT_TRUE(InChild(DropRoot, [&] {
        USERSETTINGS read = Store().Read();
        return read.values.NUM_CAMELS == 42 && read.values.VOLUME == 9 && !Store().Save(Values(3, true, 3, true));
    }));
    chmod(Folder().c_str(), 0755);
    EXPECT_EQ(ReadText(FilePath()), kept);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SettingsStoreTest, InterruptedWriteLeavesTheOldFile) {
    const std::string kept = Stored("1.0", "NumCamels=42\nPlaySound=true\nVolume=9\n");
    Put(kept);
    auto smallFiles = [] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    EXPECT_TRUE(InChild(smallFiles, [&] { return !Store().Save(Values(3, false, 3, true)); }));
    EXPECT_EQ(ReadText(FilePath()), kept);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(SettingsStoreTest, MarkerModeNeitherReadsNorWrites) {
    const std::string kept = Stored("1.0", "NumCamels=42\n");
    Put(kept);
    ExpectValues(Store(SettingsStoreMode::TableDefaultsOnly).Read(), Values(10, true, 100, false));
    EXPECT_FALSE(Store(SettingsStoreMode::TableDefaultsOnly).Save(Values(3, false, 3, true)));
    EXPECT_EQ(ReadText(FilePath()), kept);
}

TEST(SettingsLocationTest, FollowsTheBaseDirectoryRules) {
    const std::string passwdHome = getpwuid(getuid())->pw_dir;
    const struct {
        const char* xdg;
        const char* home;
        std::string expected;
    } cases[] = {
        {"/x/cfg", "/h", "/x/cfg/kwSandmere/settings.ini"},
        {"/x/cfg/", "/h", "/x/cfg/kwSandmere/settings.ini"},
        {nullptr, "/h", "/h/.config/kwSandmere/settings.ini"},
        {"", "/h", "/h/.config/kwSandmere/settings.ini"},
        {"relative/cfg", "/h", "/h/.config/kwSandmere/settings.ini"},
        {nullptr, nullptr, passwdHome + "/.config/kwSandmere/settings.ini"},
        {"", "relative", passwdHome + "/.config/kwSandmere/settings.ini"},
    };
    for (const auto& c : cases) {
        SettingsEnvironment environment;
        environment.xdgConfigHome = c.xdg;
        environment.home = c.home;
        EXPECT_EQ(SettingsFilePath(environment), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

}  // namespace
