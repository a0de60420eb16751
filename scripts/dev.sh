#!/usr/bin/env bash
# Sandmere's one entry point for developers and CI.
#
#   scripts/dev.sh setup   install the Debian packages that are missing
#   scripts/dev.sh build   setup, then configure and build (build/)
#   scripts/dev.sh run [ARGS]  build, then start the saver in a window (ARGS go
#                          to sandmere); with no display, render 20 seconds
#                          headless to sandmere.png
#   scripts/dev.sh test    build, run every test; then the same under
#                          AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/),
#                          and replay the fuzz corpora when clang is present
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=$(nproc 2>/dev/null || echo 2)

PACKAGES=(
  cmake g++ pkg-config make
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-mesa0 libsdl2-mixer-dev
  libjpeg62-turbo-dev libgtk-3-dev libpng-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libx11-dev libxrandr-dev
  xvfb xauth xscreensaver xscreensaver-gl x11-xserver-utils x11-utils desktop-file-utils
)

setup() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "sandmere: installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

configure_and_build() {  # folder, cmake options...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$JOBS"
}

run_tests() {  # folder
  (cd "$1" && ctest --output-on-failure -j"$JOBS" --timeout 600)
}

build() {
  setup
  configure_and_build build
}

test_all() {
  build
  run_tests build
  echo "sandmere: again under AddressSanitizer + UndefinedBehaviorSanitizer"
  configure_and_build build-asan -DSANDMERE_SANITIZE=ON -DSANDMERE_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0:intercept_tls_get_addr=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_tests build-asan
  if [ -d fuzz/corpus ] && command -v clang++ >/dev/null; then
    echo "sandmere: replaying the fuzz corpora"
    scripts/fuzz.sh replay
  fi
}

run() {
  build
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/sandmere "$@"
  fi
  echo "sandmere: no display (DISPLAY and WAYLAND_DISPLAY are unset): rendering 20 seconds headless"
  build/sandmere --headless --duration 20 --snapshot sandmere.png "$@"
  echo "sandmere: the picture is $PWD/sandmere.png"
}

case "${1:-}" in
  setup) setup ;;
  build) build ;;
  test) test_all ;;
  run) shift; run "$@" ;;
  *) echo "usage: $0 setup|build|test|run [sandmere options]" >&2; exit 2 ;;
esac
