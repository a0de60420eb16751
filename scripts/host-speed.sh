#!/usr/bin/env bash
# Speed of the saver as a user meets it (figures, not tests):
#
#   scripts/host-speed.sh start [RUNS]   process start to the first drawn frame,
#                                        10 camels, headless and under Xvfb (median)
#   scripts/host-speed.sh cpu [SECONDS]  steady-state CPU at 1280x720 under Xvfb,
#                                        each in its own Xvfb: sandmere --root,
#                                        XScreenSaver's glschool -root and the
#                                        fill floor, then the ratios
#                                        sandmere/fill (CPU per frame) and
#                                        sandmere/glschool (CPU per second:
#                                        glschool reports no frames)
#   scripts/host-speed.sh fill [SECONDS] the fill floor alone: one full-screen
#                                        textured, fogged quad per frame at
#                                        1280x720, 30 frames a second
#
# Run from the top of the checkout after scripts/dev.sh build.
set -euo pipefail
cd "$(dirname "$0")/.."
SANDMERE=$PWD/build/sandmere
WORK=$(mktemp -d)
PIDS=()
trap 'for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null; rm -rf "$WORK"' EXIT
export SDL_AUDIODRIVER=dummy

start_xvfb() {  # sets DISPLAY
    Xvfb -displayfd 5 -noreset -nolisten tcp -screen 0 1280x720x24 5>"$WORK/d" 2>/dev/null &
    PIDS+=($!)
    while [ ! -s "$WORK/d" ]; do sleep 0.02; done
    export DISPLAY=":$(head -n1 "$WORK/d")"
    rm "$WORK/d"
}

# The trace keeps only the first frame, so its file's modification time is
# the moment that frame was presented.
first_frame_ms() {  # start_ns trace
    echo $(( ($(stat -c %.9Y "$2" | tr -d .) - $1) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

start() {
    local runs=${1:-5} i t0
    for i in $(seq "$runs"); do
        t0=$(date +%s%N)
        "$SANDMERE" --headless --camels 10 --duration 0.2 --trace "$WORK/h.jsonl" --trace-every 1000000
        first_frame_ms "$t0" "$WORK/h.jsonl"
    done | median | sed 's/^/headless, 1280x720: first frame after (ms, median): /'
    start_xvfb
    for i in $(seq "$runs"); do
        rm -f "$WORK/x.jsonl"
        t0=$(date +%s%N)
        "$SANDMERE" --camels 10 --no-sound --trace "$WORK/x.jsonl" --trace-every 1000000 &
        local pid=$!
        while [ "$(cat "$WORK/x.jsonl" 2>/dev/null | wc -l)" -lt 1 ]; do sleep 0.01; done
        kill "$pid"; wait "$pid" || true
        first_frame_ms "$t0" "$WORK/x.jsonl"
    done | median | sed 's/^/Xvfb window, 1280x720: first frame after (ms, median): /'
}

# CPU seconds (user + system, all threads) of a process so far.
cpu_seconds() {
    awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$1/stat"
}

lines() { if [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }

measure() {  # NAME SECONDS CMD...: CPU per second of wall time after a 3 s warm-up
    local name=$1 seconds=$2; shift 2
    start_xvfb
    "$@" >/dev/null 2>&1 &
    local pid=$!
    PIDS+=("$pid")
    sleep 3
    local c0 f0 c1 f1
    c0=$(cpu_seconds "$pid"); f0=$(lines "$WORK/cpu.jsonl")
    sleep "$seconds"
    c1=$(cpu_seconds "$pid"); f1=$(lines "$WORK/cpu.jsonl")
    kill "$pid"; wait "$pid" 2>/dev/null || true
    CORE=$(awk -v c="$(echo "$c1 - $c0" | bc -l)" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * c / s }')
    PER_FRAME=$(awk -v c="$(echo "$c1 - $c0" | bc -l)" -v f=$((f1 - f0)) 'BEGIN { if (f > 0) printf "%.1f", 1000 * c / f }')
    awk -v n="$name" -v core="$CORE" -v ms="$PER_FRAME" -v f=$((f1 - f0)) -v s="$seconds" \
        'BEGIN { printf "%s: %s%% of one core", n, core;
                 if (f > 0) printf ", %.1f frames/s, %s ms CPU per frame", f / s, ms; print "" }'
    rm -f "$WORK/cpu.jsonl"
}

cpu() {
    local seconds=${1:-10} sandmere_core sandmere_ms glschool_core
    measure "sandmere --root, 1280x720" "$seconds" "$SANDMERE" --root --no-sound --trace "$WORK/cpu.jsonl"
    sandmere_core=$CORE sandmere_ms=$PER_FRAME
    measure "glschool -root, 1280x720" "$seconds" /usr/libexec/xscreensaver/glschool -root
    glschool_core=$CORE
    fill "$seconds"
    awk -v s="$sandmere_ms" -v f="$FILL_MS" -v sc="$sandmere_core" -v gc="$glschool_core" 'BEGIN {
        if (s != "" && f > 0) printf "sandmere / fill floor (CPU per frame): %.2f\n", s / f;
        if (gc > 0) printf "sandmere / glschool (CPU per second): %.2f\n", sc / gc }'
}

# A program of its own, built here: the least a frame of the saver can cost.
fill() {
    local seconds=${1:-10}
    cat >"$WORK/fill.cpp" <<'CPP'
#include <GL/gl.h>
#include <SDL.h>
#include <sys/resource.h>
#include <cstdio>
#include <cstdlib>
#include <vector>
static double Cpu() {
    rusage u; getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
int main(int, char** argv) {
    const double seconds = std::atof(argv[1]);
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* w = SDL_CreateWindow("fill", 0, 0, 1280, 720, SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS);
    SDL_GL_CreateContext(w);
    SDL_GL_SetSwapInterval(0);
    std::vector<unsigned char> texels(256 * 256 * 3);
    for (auto& t : texels) t = std::rand() & 255;
    GLuint tex; glGenTextures(1, &tex); glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glEnable(GL_TEXTURE_2D); glEnable(GL_DEPTH_TEST); glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR); glFogf(GL_FOG_START, 1.0f); glFogf(GL_FOG_END, 100.0f);
    glHint(GL_FOG_HINT, GL_NICEST);
    glMatrixMode(GL_PROJECTION); glLoadIdentity(); glFrustum(-1.78, 1.78, -1, 1, 1, 100);
    glMatrixMode(GL_MODELVIEW); glLoadIdentity();
    double c0 = 0; int frames = 0;
    const Uint32 start = SDL_GetTicks();
    for (Uint32 next = start;; next += 33) {
        const double t = (SDL_GetTicks() - start) / 1000.0;
        if (t >= 3.0 && c0 == 0) { c0 = Cpu(); frames = 0; }
        if (t >= 3.0 + seconds) break;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBegin(GL_QUADS);  // the whole view, 10 units away, repeating the texture 8 times
        glTexCoord2f(0, 0); glVertex3f(-17.8f, -10, -10);
        glTexCoord2f(8, 0); glVertex3f(17.8f, -10, -10);
        glTexCoord2f(8, 8); glVertex3f(17.8f, 10, -10);
        glTexCoord2f(0, 8); glVertex3f(-17.8f, 10, -10);
        glEnd();
        SDL_GL_SwapWindow(w);
        ++frames;
        const Uint32 now = SDL_GetTicks();
        if (next > now) SDL_Delay(next - now);
    }
    const double used = Cpu() - c0;
    std::printf("fill floor, 1280x720: %.0f%% of one core, %.1f frames/s, %.1f ms CPU per frame\n",
                100.0 * used / seconds, frames / seconds, 1000.0 * used / frames);
}
CPP
    [ -x "$WORK/fill" ] || g++ -O2 "$WORK/fill.cpp" -o "$WORK/fill" $(pkg-config --cflags --libs sdl2) -lGL
    start_xvfb
    local line
    line=$("$WORK/fill" "$seconds")
    echo "$line"
    FILL_MS=$(echo "$line" | sed -n 's/.*, \([0-9.]*\) ms CPU per frame/\1/p')
}

case "${1:-}" in
    start) shift; start "$@" ;;
    cpu) shift; cpu "$@" ;;
    fill) shift; fill "$@" ;;
    *) echo "usage: $0 start [RUNS] | cpu [SECONDS] | fill [SECONDS]" >&2; exit 2 ;;
esac
