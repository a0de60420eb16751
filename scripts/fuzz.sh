#!/usr/bin/env bash
# Builds, runs and replays the libFuzzer targets: every fuzz/<name>_fuzz.cpp,
# each with its committed corpus fuzz/corpus/<name>/.
#
#   scripts/fuzz.sh build                 configure and build build-fuzz/ (clang, libFuzzer,
#                                         ASan+UBSan); builds the fuzz targets only
#   scripts/fuzz.sh run SECONDS [T...]    fuzz each target (default: all; names with or
#                                         without _fuzz) for SECONDS, one after the other;
#                                         new inputs go to fuzz-out/<name>/corpus/, findings
#                                         to fuzz-out/<name>/findings/, the log to
#                                         fuzz-out/<name>/fuzz.log; prints executions, time
#                                         and coverage per target; fails on a finding
#   scripts/fuzz.sh replay                build, then run every target once over each file of
#                                         its committed corpus (CI); fails on a finding
#   scripts/fuzz.sh seed                  rewrite the committed container and TGA seeds and
#                                         the written MS3D ones
#
# FUZZ_JOBS sets the build's parallelism (default 2). FUZZ_RUNS=N makes `run` stop a
# target after N executions if that comes before SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=build-fuzz
OUT=fuzz-out
JOBS=${FUZZ_JOBS:-2}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

die() { echo "fuzz.sh: $*" >&2; exit 1; }

# Every target's name (resfile_fuzz, tga_fuzz, ...), from the sources.
all_targets() {
  local file
  for file in fuzz/*_fuzz.cpp; do
    [ -e "$file" ] && basename "$file" .cpp
  done
}

corpus_of() { echo "fuzz/corpus/${1%_fuzz}"; }

build() {
  command -v clang++ >/dev/null || die "clang++ is needed for libFuzzer"
  local generator=()
  if [ ! -f "$BUILD/CMakeCache.txt" ] && command -v ninja >/dev/null; then generator=(-G Ninja); fi
  CC=clang CXX=clang++ cmake -S . -B "$BUILD" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSANDMERE_FUZZ=ON -DSANDMERE_TESTS=OFF -DSANDMERE_BENCH=OFF -DSANDMERE_ASSETS=OFF >/dev/null
  cmake --build "$BUILD" --target fuzz_targets -j"$JOBS"
}

binary_of() {
  local bin="$BUILD/fuzz/$1"
  [ -x "$bin" ] || die "no fuzz target $1 (run: scripts/fuzz.sh build)"
  echo "$bin"
}

# fuzz_one NAME SECONDS: one timed run and its summary line.
fuzz_one() {
  local name=$1 seconds=$2 bin out seeds=() start status=0
  bin=$(binary_of "$name")
  out="$OUT/${name%_fuzz}"
  mkdir -p "$out/corpus" "$out/findings"
  [ -d "$(corpus_of "$name")" ] && seeds=("$(corpus_of "$name")")
  start=$(date +%s.%N)
  "$bin" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$out/findings/" "$out/corpus" "${seeds[@]}" >"$out/fuzz.log" 2>&1 || status=$?
  local elapsed execs line
  elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$out/fuzz.log" | grep -o '[0-9]*$' || echo "?")
  line=$(grep -E '^#[0-9]+.*cov: ' "$out/fuzz.log" | tail -n 1 || true)
  printf '%s: %s executions in %.1f s, %s, %s\n' "$name" "$execs" "$elapsed" \
    "$(grep -o 'cov: [0-9]* ft: [0-9]*' <<<"$line" || echo 'cov ?')" \
    "$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' <<<"$line" || echo 'corp ?')"
  if [ "$status" -ne 0 ]; then
    echo "$name: FINDING (exit $status); see $out/fuzz.log and $out/findings/" >&2
    return 1
  fi
}

run() {
  local seconds=${1:-}
  [[ "$seconds" =~ ^[0-9]+$ ]] || die "usage: fuzz.sh run SECONDS [target...]"
  shift
  local targets=("$@") failed=0 name
  ((${#targets[@]})) || mapfile -t targets < <(all_targets)
  for name in "${targets[@]}"; do
    [[ "$name" == *_fuzz ]] || name="${name}_fuzz"
    fuzz_one "$name" "$seconds" || failed=1
  done
  return "$failed"
}

replay() {
  build
  local name bin corpus files failed=0
  for name in $(all_targets); do
    bin=$(binary_of "$name")
    corpus=$(corpus_of "$name")
    files=()
    [ -d "$corpus" ] && mapfile -t files < <(find "$corpus" -type f | sort)
    if ((${#files[@]} == 0)); then
      echo "$name: no committed corpus in $corpus; running the empty input only"
      "$bin" -runs=0 >/dev/null 2>&1 || { echo "$name: FAILED on the empty input" >&2; failed=1; }
      continue
    fi
    if "$bin" "${files[@]}" >"$BUILD/${name}-replay.log" 2>&1; then
      echo "$name: ${#files[@]} inputs replayed, no finding"
    else
      echo "$name: FAILED replaying $corpus; see $BUILD/${name}-replay.log" >&2
      tail -n 30 "$BUILD/${name}-replay.log" >&2
      failed=1
    fi
  done
  return "$failed"
}

seed() {
  build
  cmake --build "$BUILD" --target fuzz_seed_writer -j"$JOBS"
  mkdir -p fuzz/corpus/resfile fuzz/corpus/tga fuzz/corpus/ms3d
  "$BUILD/fuzz/fuzz_seed_writer" fuzz/corpus
  echo "fuzz.sh: seeds written to fuzz/corpus/resfile, fuzz/corpus/tga and fuzz/corpus/ms3d"
}

case "${1:-}" in
  build) build ;;
  run) shift; run "$@" ;;
  replay) replay ;;
  seed) seed ;;
  *) die "usage: fuzz.sh build | run SECONDS [target...] | replay | seed" ;;
esac
