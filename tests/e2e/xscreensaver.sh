#!/usr/bin/env bash
# The real XScreenSaver 6 runs `sandmere --root` from a one-line programs list:
# on activation the screen shows the scene, on deactivation the module is gone
# within a second. The settings dialog's preview path (--window-id of a small
# window) draws as the preview.
# Pictures: build/test-output/e2e/xscreensaver-{active,preview}.png.
#
# XScreenSaver refuses to run as root, and CI runs as root: then it runs as an
# unprivileged user made for the purpose if missing.
. "$(dirname "$0")/lib.sh"

USER_NAME=sandmere-e2e
if [ "$(id -u)" -eq 0 ]; then
    id "$USER_NAME" >/dev/null 2>&1 ||
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$USER_NAME"
    as_user() { runuser -u "$USER_NAME" -- "$@"; }
else
    as_user() { "$@"; }
fi

start_xvfb 1280 720
HOME_DIR="$WORK/home"
mkdir "$HOME_DIR"
TRACE="$HOME_DIR/trace.jsonl"
cat >"$HOME_DIR/.xscreensaver" <<CONFIG
mode: one
selected: 0
lock: False
fade: False
unfade: False
splash: False
dpmsEnabled: False
timeout: 0:30:00
programs: GL: $SANDMERE --root --trace $TRACE \\n
CONFIG
chmod 755 "$WORK"
[ "$(id -u)" -eq 0 ] && chown -R "$USER_NAME" "$HOME_DIR"

xss() { as_user env HOME="$HOME_DIR" DISPLAY="$DISPLAY" NO_AT_BRIDGE=1 SDL_AUDIODRIVER=dummy "$@"; }
spawn xss xscreensaver -no-splash -verbose >"$WORK/xscreensaver.log" 2>&1
for i in $(seq 100); do
    xss xscreensaver-command -version >/dev/null 2>&1 && break
    sleep 0.05
done
xss xscreensaver-command -activate >/dev/null
wait_lines "$TRACE" 15
module=$(pgrep -f -- "--trace $TRACE" | head -n1)
[ -n "$module" ] || fail "no module process"
"$XTOOL" shot "$WORK/active.png"
keep "$WORK/active.png" active.png
read -r r g b < <("$XTOOL" mean 0 0 1280 120)
echo "activated: top of the screen $r $g $b"
[ $((r + g + b)) -gt 90 ] || { cat "$WORK/xscreensaver.log" >&2; fail "the screen is dark ($r $g $b)"; }
[ "$b" -gt "$((r / 2))" ] || fail "no sky colour at the top ($r $g $b)"

xss xscreensaver-command -deactivate >/dev/null
gone_within "$module" 1000
echo "deactivated: the module is gone"
grep -i -E "crash|exited with|signal" "$WORK/xscreensaver.log" | grep -v -E "SIGTERM: exiting|xscreensaver-gfx exited" &&
    fail "XScreenSaver reports the module ended badly"
xss xscreensaver-command -exit >/dev/null || true

# The settings preview: a small window of someone else's, given by id.
coproc KEEPER { exec "$XTOOL" window 320 240; }
PIDS+=("$KEEPER_PID")
read -r window <&"${KEEPER[0]}"
spawn env SDL_AUDIODRIVER=dummy "$SANDMERE" --window-id "$window" --trace "$WORK/preview.jsonl"
wait_lines "$WORK/preview.jsonl" 15
"$XTOOL" shot "$WORK/preview-screen.png"
keep "$WORK/preview-screen.png" preview.png
read -r r g b < <("$XTOOL" mean 0 0 320 240)
echo "preview window: $r $g $b"
[ $((r + g + b)) -gt 90 ] || fail "the preview is dark ($r $g $b)"
# The preview draws no 2D layer: the banner's timer never runs.
tail -n1 "$WORK/preview.jsonl" | grep -q '"bannerTimer":120,' || fail "the preview ran the 2D layer"
stop_within "$SPAWNED" TERM 100
echo "xscreensaver: activation, deactivation and the preview as expected"
