#include "maths/Misc.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>

int32_t fCount = 0;
double frameRate = 0.0;
double lastcountTime = 0.0;
int32_t lastcountFrame = 0;

namespace {

AlertHandler g_alertHandler = nullptr;
std::deque<Alert> g_alerts;

void AlertToStandardError(const char* title, const char* text) {
    std::fprintf(stderr, "sandmere: %s: %s\n", title, text);
}

// Opens the debug log for appending, creating its folder on the way. The folder
// is the user's own (0700), never a shared writable one.
FILE* OpenDebugLog() {
    const std::string path = DebugLogPath();
    if (path.empty()) return nullptr;
    const std::string folder = path.substr(0, path.rfind('/'));
    const std::string parent = folder.substr(0, folder.rfind('/'));
    mkdir(parent.c_str(), 0700);
    mkdir(folder.c_str(), 0700);
    return std::fopen(path.c_str(), "a");
}

}  // namespace

void MessageBox(void* /*owner*/, const char* text, const char* title, int /*flags*/) {
    if (!text) text = "";
    if (!title) title = "";
    g_alerts.push_back(Alert{title, text});
    while (g_alerts.size() > kMaxKeptAlerts) g_alerts.pop_front();
    (g_alertHandler ? g_alertHandler : AlertToStandardError)(title, text);
}

AlertHandler SetAlertHandler(AlertHandler handler) {
    const AlertHandler previous = g_alertHandler;
    g_alertHandler = handler;
    return previous;
}

std::vector<Alert> RaisedAlerts() { return {g_alerts.begin(), g_alerts.end()}; }
void ClearAlerts() { g_alerts.clear(); }

void ERRORCLOSE(const char* /*message*/) {}
void ERRORBOX(const char* /*message*/) {}

void CalcFrameRate(double now) {
    if (now < 0.25) return;
    if (now > lastcountTime + 0.25) {
        const int32_t frames = fCount - lastcountFrame;
        frameRate = static_cast<double>(frames) / (now - lastcountTime);
        lastcountTime = now;
        lastcountFrame = fCount;
    }
}

std::string DebugLogPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return std::string(state) + "/sandmere/debug.txt";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/state/sandmere/debug.txt";
    return {};
}

void DEBUGp3d(VECTOR3D v) {
    if (FILE* f = OpenDebugLog()) {
        std::fprintf(f, "%f,%f,%f\n", v.x, v.y, v.z);
        std::fclose(f);
    }
}

void DEBUGstr(const char* text) {
    if (FILE* f = OpenDebugLog()) {
        std::fprintf(f, "%s\n", text ? text : "");
        std::fclose(f);
    }
}

void DEBUG(double value) {
    if (FILE* f = OpenDebugLog()) {
        std::fprintf(f, "%f\n", value);
        std::fclose(f);
    }
}

void SaveMatrix(MATRIX m) {
    FILE* f = std::fopen("test.txt", "a");
    if (!f) return;
    std::fprintf(f, "\n");
    for (int row = 0; row < 4; ++row) {
        for (int i = 0; i < 4; ++i) std::fprintf(f, "%4.5f ", m.m[row * 4 + i]);
        std::fprintf(f, "\n");
    }
    std::fclose(f);
}

bool isExtensionSupported(const char* name) {
    if (!name || !name[0] || std::strchr(name, ' ')) return false;
    return ExtensionInList(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

bool ExtensionInList(const char* all, const char* name) {
    if (!all || !name || !name[0] || std::strchr(name, ' ')) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(all, name); at; at = std::strstr(at + length, name)) {
        const bool startsToken = at == all || at[-1] == ' ';
        const bool endsToken = at[length] == ' ' || at[length] == '\0';
        if (startsToken && endsToken) return true;
    }
    return false;
}

void Clock(int32_t* hours, int32_t* minutes, int32_t* seconds) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    if (hours) *hours = local.tm_hour;
    if (minutes) *minutes = local.tm_min;
    if (seconds) *seconds = local.tm_sec;
}
