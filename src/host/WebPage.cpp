#include "host/WebPage.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The openers in the order they are tried.
constexpr const char* kOpeners[] = {"xdg-open", "x-www-browser"};

// In the detached grandchild: become the opener. Only exec and _exit run here.
[[noreturn]] void ExecOpener(const char* address, int reportFd) {
    for (const char* opener : kOpeners) {
        char* const argv[] = {const_cast<char*>(opener), const_cast<char*>(address), nullptr};
        execvp(opener, argv);
    }
    // Neither opener: tell the waiting parent through the pipe.
    const char failed = 1;
    ssize_t ignored = write(reportFd, &failed, 1);
    (void)ignored;
    _exit(127);
}

// In the intermediate child: start the grandchild and leave at once, so the
// grandchild is adopted by init and the caller only waits for this process.
[[noreturn]] void DetachOpener(const char* address, int reportFd) {
    setsid();
    pid_t grandchild = fork();
    if (grandchild == 0) ExecOpener(address, reportFd);
    _exit(grandchild < 0 ? 1 : 0);
}

}  // namespace

bool OpenWebPage(const std::string& address) {
    if (getuid() == 0 || geteuid() == 0) return false;

    // The pipe closes on a successful exec; a byte on it means no opener ran.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return false;
    pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        DetachOpener(address.c_str(), report[1]);
    }
    close(report[1]);
    bool started = false;
    if (child > 0) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        char failed = 0;
        ssize_t got;
        while ((got = read(report[0], &failed, 1)) < 0 && errno == EINTR) {
        }
        started = WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
    }
    close(report[0]);
    return started;
}
