#!/usr/bin/env bash
# SIGTERM (and SIGINT) end every mode with status 0 within 100 ms of a signal
# sent after the first frame; a destroyed host window ends the module quietly.
. "$(dirname "$0")/lib.sh"

start_xvfb 1280 720
export SDL_AUDIODRIVER=dummy

run_and_stop() {  # SIGNAL ARGS...: start, wait for a drawn frame, signal
    local signal=$1; shift
    local trace="$WORK/trace.$RANDOM"
    echo "sandmere $* ($signal)"
    spawn "$SANDMERE" --trace "$trace" "$@"
    wait_lines "$trace" 1
    sleep 0.1
    stop_within "$SPAWNED" "$signal" 100
}

run_and_stop TERM
run_and_stop INT
run_and_stop TERM --fullscreen
run_and_stop TERM --preview
run_and_stop TERM --root
run_and_stop TERM --headless --duration 604800 --size 320x180
XSCREENSAVER_WINDOW=$(printf '0x%x' "$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')") \
    run_and_stop TERM

# The module in a window someone else owns, which then goes away.
coproc KEEPER { exec "$XTOOL" window 320 240; }
PIDS+=("$KEEPER_PID")
read -r window <&"${KEEPER[0]}"
echo "sandmere --window-id $window (window destroyed)"
trace="$WORK/trace.window"
spawn "$SANDMERE" --window-id "$window" --trace "$trace"
wait_lines "$trace" 1
kill "$KEEPER_PID"
gone_within "$SPAWNED" 1000
status=0
wait "$SPAWNED" || status=$?
[ "$status" -eq 0 ] || fail "the module ended with status $status when its window went away"
echo "  ended quietly"

# A window that never existed: a quiet end too, never a crash.
status=0
"$SANDMERE" --window-id 0x7fffff0 2>/dev/null || status=$?
[ "$status" -eq 0 ] || fail "a missing window gave status $status"
echo "signals: all modes end cleanly"
