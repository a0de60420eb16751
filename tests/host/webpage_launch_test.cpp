// The web-page launcher with stand-in openers on PATH that record how they
// were called: the address arrives as one argument, untouched by any shell.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestFiles.h"
#include "host/WebPage.h"

namespace {

namespace fs = std::filesystem;

class WebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        chmod(dir.path().c_str(), 0777);  // the launch may run as nobody
        fs::create_directory(dir.File("bin"));
        // Shell metacharacters that would leave a file behind if a shell saw the address.
        const std::string touch = "/usr/bin/touch " + dir.File("HACKED");
        address = "https://sandmere.example.org/?a=1&b=$(" + touch + ");" + touch + " 'x' `" + touch + "`";
    }
    // A stand-in opener: writes its name, its argument count and each argument.
    void AddOpener(const std::string& name) {
        const std::string path = dir.File("bin/" + name);
        std::ofstream(path) << "#!/bin/sh\ncd '" << dir.path() << "'\n"
                            << "{ echo " << name << "; echo $#; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > out.tmp\n"
                            << "/bin/mv out.tmp out\n";
        chmod(path.c_str(), 0755);
    }
    // Launches with PATH holding only the stand-ins, as nobody when the test is root.
    bool Launch() {
        setenv("PATH", dir.File("bin").c_str(), 1);
        pid_t child = fork();
        if (child == 0) {
            if (geteuid() == 0 && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0))
                _exit(3);
            _exit(OpenWebPage(address) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // What the opener wrote, once it has (it runs detached from the launcher).
    std::string Recorded() {
        for (int i = 0; i < 500 && !fs::exists(dir.File("out")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return testfiles::ReadText(dir.File("out"));
    }

    testfiles::TempDir dir;
    std::string address;
};

TEST_F(WebPageTest, RunsTheOpenerWithTheAddressAsItsOneArgument) {
    const struct {
        const char* name;
        std::vector<std::string> openers;
        const char* used;  // null: no opener can run
    } cases[] = {
        {"xdg-open first", {"xdg-open", "x-www-browser"}, "xdg-open"},
        {"x-www-browser where xdg-open is missing", {"x-www-browser"}, "x-www-browser"},
        {"neither", {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir.File("bin"));
        fs::create_directory(dir.File("bin"));
        fs::remove(dir.File("out"));
        for (const std::string& opener : c.openers) AddOpener(opener);
        ASSERT_EQ(Launch(), c.used != nullptr);
        if (c.used) {
            EXPECT_EQ(Recorded(), std::string(c.used) + "\n1\n" + address + "\n");
        }
        EXPECT_FALSE(fs::exists(dir.File("HACKED")));
    }
}

TEST_F(WebPageTest, RefusesToRunAsRoot) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can check the refusal";
    AddOpener("xdg-open");
    setenv("PATH", dir.File("bin").c_str(), 1);
    EXPECT_FALSE(OpenWebPage(address));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(dir.File("out")));
}

}  // namespace
