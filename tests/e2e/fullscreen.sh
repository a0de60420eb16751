#!/usr/bin/env bash
# Full screen on one wide screen split into two monitors (xrandr
# --setmonitor): a view on each, each drawing its own scene; with
# --main-monitor-only the second stays black; the primary flag decides which
# monitor is the main one.
# Pictures: build/test-output/e2e/fullscreen-{both,main-right,main-left}.png.
. "$(dirname "$0")/lib.sh"

start_xvfb 1280 360
xrandr --setmonitor left 640/170x360/95+0+0 screen >/dev/null
export SDL_AUDIODRIVER=dummy

brightness() {  # X: the mean brightness of the half starting at X
    local r g b
    read -r r g b < <("$XTOOL" mean "$1" 0 640 360)
    echo $((r + g + b))
}

run() {  # NAME ARGS...: full screen until both monitors had frames, then a screenshot
    local name=$1; shift
    spawn "$SANDMERE" --fullscreen --trace "$WORK/$name.jsonl" "$@"
    wait_lines "$WORK/$name.jsonl" 40
    "$XTOOL" shot "$WORK/$name.png"
    keep "$WORK/$name.png" "$name.png"
    LEFT=$(brightness 0)
    RIGHT=$(brightness 640)
    VIEWS=$(views_drawn "$WORK/$name.jsonl" | wc -l)
    stop_within "$SPAWNED" TERM 100
    echo "$name: left $LEFT, right $RIGHT, views drawing $VIEWS"
}

xrandr --setmonitor '*right' 640/170x360/95+640+0 none >/dev/null
run both --seed 11
[ "$VIEWS" -eq 2 ] || fail "expected two views drawing"
[ "$LEFT" -gt 90 ] && [ "$RIGHT" -gt 90 ] || fail "both monitors should show the scene"
# Two scenes, not one picture stretched: the halves differ.
"$XTOOL" pngmean "$WORK/both.png" 0 0 640 360 >"$WORK/l.txt"
"$XTOOL" pngmean "$WORK/both.png" 640 0 640 360 >"$WORK/r.txt"
cmp -s "$WORK/l.txt" "$WORK/r.txt" && fail "the two monitors show the same picture"

run main-right --main-monitor-only
[ "$VIEWS" -eq 1 ] || fail "expected one view drawing"
[ "$RIGHT" -gt 90 ] && [ "$LEFT" -eq 0 ] || fail "only the primary (right) monitor should draw"

xrandr --delmonitor right
xrandr --setmonitor right 640/170x360/95+640+0 none >/dev/null
xrandr --delmonitor left
xrandr --setmonitor '*left' 640/170x360/95+0+0 screen >/dev/null
run main-left --main-monitor-only
[ "$LEFT" -gt 90 ] && [ "$RIGHT" -eq 0 ] || fail "only the primary (left) monitor should draw"
echo "fullscreen: two monitors, the main-monitor rule and the primary flag as expected"
