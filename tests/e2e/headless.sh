#!/usr/bin/env bash
# Headless renders: after 60 s of scene time the picture shows the scene, sky
# above and sand below; the same seed gives the same bytes; snapshots every S
# seconds of scene time are numbered by frame; the trace follows scene time.
# Pictures: build/test-output/e2e/headless-*.png (the minute, another seed).
. "$(dirname "$0")/lib.sh"
unset DISPLAY

render() {  # FILE SEED
    "$SANDMERE" --headless --size 320x180 --seed "$2" --duration 60 --step 0.5 --snapshot "$1"
}
render "$WORK/a.png" 5
render "$WORK/b.png" 5
keep "$WORK/a.png" minute-seed5.png
cmp -s "$WORK/a.png" "$WORK/b.png" || fail "the same seed gave different pictures"

read -r r g b < <("$XTOOL" pngmean "$WORK/a.png" 0 0 320 40)
echo "sky (top band): $r $g $b"
[ $((r + g + b)) -gt 90 ] || fail "the top of the picture is dark ($r $g $b)"
[ "$b" -gt "$((r / 2))" ] || fail "the top of the picture has no sky colour ($r $g $b)"
read -r r g b < <("$XTOOL" pngmean "$WORK/a.png" 0 150 320 30)
echo "sand (bottom band): $r $g $b"
[ $((r + g + b)) -gt 90 ] || fail "the bottom of the picture is dark ($r $g $b)"
[ "$r" -gt "$b" ] || fail "the bottom of the picture is not sand-coloured ($r $g $b)"

render "$WORK/c.png" 6
keep "$WORK/c.png" minute-seed6.png
cmp -s "$WORK/a.png" "$WORK/c.png" && fail "another seed gave the same picture"

mkdir "$WORK/frames"
"$SANDMERE" --headless --size 160x90 --seed 1 --duration 3 --step 0.25 \
    --snapshot-every 1 --snapshot-dir "$WORK/frames" --trace "$WORK/trace.jsonl" --trace-every 4
names=$(cd "$WORK/frames" && echo *.png)
[ "$names" = "frame-000004.png frame-000008.png" ] || fail "snapshots: $names"
last=$(tail -n1 "$WORK/trace.jsonl")
case "$last" in
    '{"view":0,"frame":9,"t":2.25,'*) ;;
    *) fail "last trace line: ${last:0:60}" ;;
esac
echo "headless: pictures, repeatability, snapshots and trace as expected"
