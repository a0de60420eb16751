# Shared by the end-to-end scripts: a private X server, processes started in
# the background and always reaped, waiting for files and lines, timings.
#
# Each script is called as: script.sh SANDMERE XTOOL [PICTURES]
# The pictures it makes are kept in PICTURES (CTest passes
# build/test-output/e2e), named after the script, for a person to look at;
# without it they go with the run's scratch folder.
set -euo pipefail

SANDMERE=$1
XTOOL=$2
PICTURES=${3:-}
WORK=$(mktemp -d)
[ -z "$PICTURES" ] || mkdir -p "$PICTURES"
PIDS=()
# The program reads and may write the user's settings: keep them in the run's folder.
export XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state"

cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# keep FILE NAME: a copy of picture FILE as PICTURES/<script>-NAME.
keep() {
    [ -n "$PICTURES" ] && cp "$1" "$PICTURES/$(basename "$0" .sh)-$2"
    return 0
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# start_xvfb WIDTH HEIGHT: a server of its own on a free display, which keeps
# its state (RandR monitors) when clients come and go. Sets DISPLAY.
start_xvfb() {
    local fd="$WORK/display.$RANDOM"
    Xvfb -displayfd 5 -noreset -nolisten tcp -screen 0 "${1}x${2}x24" 5>"$fd" 2>/dev/null &
    PIDS+=($!)
    local i
    for i in $(seq 200); do
        [ -s "$fd" ] && break
        sleep 0.02
    done
    [ -s "$fd" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$fd")"
}

# spawn CMD...: runs in the background; its pid is in SPAWNED.
spawn() {
    "$@" &
    SPAWNED=$!
    PIDS+=("$SPAWNED")
}

# wait_lines FILE N [SECONDS]: until FILE has N lines (default 10 s).
wait_lines() {
    local deadline=$(( $(now_ms) + ${3:-10} * 1000 ))
    while [ "$(cat "$1" 2>/dev/null | wc -l)" -lt "$2" ]; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "$1 did not reach $2 lines"
        sleep 0.02
    done
}

# stop_within PID SIGNAL MAX_MS: sends the signal and checks that the process
# ends with status 0 within MAX_MS milliseconds.
stop_within() {
    local pid=$1 signal=$2 limit=$3 start status=0
    start=$(now_ms)
    kill "-$signal" "$pid"
    wait "$pid" || status=$?
    local took=$(( $(now_ms) - start ))
    [ "$status" -eq 0 ] || fail "pid $pid ended with status $status after $signal"
    [ "$took" -le "$limit" ] || fail "pid $pid took $took ms to end after $signal (limit $limit)"
    echo "  ended by $signal in $took ms"
}

# gone_within PID MAX_MS: waits for a process we did not signal ourselves.
gone_within() {
    local pid=$1 deadline=$(( $(now_ms) + $2 ))
    while kill -0 "$pid" 2>/dev/null && ! grep -q zombie "/proc/$pid/status" 2>/dev/null; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "pid $pid still running after $2 ms"
        sleep 0.01
    done
}

# Views that drew, from a trace: "view count" lines.
views_drawn() { sed -n 's/^{"view":\([0-9]*\),.*/\1/p' "$1" | sort | uniq -c | awk '{print $2" "$1}'; }
