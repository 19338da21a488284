#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, ASan and UBSan) and runs every
# fuzz target in turn, each from its kept corpus in fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh SECONDS [TARGET...]     each target for SECONDS
#   scripts/fuzz.sh --runs N [TARGET...]    each target for N runs
#
# TARGET names one target (e.g. ini, engine); without any, all of them run.
# A target's own libFuzzer settings (e.g. max_len) come from the [libfuzzer]
# section of fuzz/<target>.options, one "name = value" a line.
# The kept corpus is only read: what a run finds, and any crash, leak or
# time-out, goes into a scratch folder whose path is printed at the end.
# Prints the runs and runs per second of every target; exits non-zero when
# any target stopped on a fault. NUV_FUZZ_BUILD names the build folder
# (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: scripts/fuzz.sh SECONDS [TARGET...] | scripts/fuzz.sh --runs N [TARGET...]" >&2
  exit 2
}
[ $# -ge 1 ] || usage
if [ "$1" = --runs ]; then
  [ $# -ge 2 ] && [[ "$2" =~ ^[0-9]+$ ]] || usage
  limit=(-runs="$2")
  shift 2
else
  [[ "$1" =~ ^[0-9]+$ ]] || usage
  limit=(-max_total_time="$1")
  shift
fi

build=${NUV_FUZZ_BUILD:-build/fuzz}
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
echo "=== configure and build: fuzz ($build)"
cmake --preset fuzz -B "$build" >/dev/null
log=$build/fuzz.build.log
built=0
cmake --build "$build" -j "$jobs" >"$log" 2>&1 || built=$?
grep -E 'warning:|error:|FAILED' "$log" || true
if [ "$built" -ne 0 ]; then
  echo "=== fuzz: the build failed" >&2
  exit 1
fi
if grep -q 'warning:' "$log"; then
  echo "=== fuzz: the build has warnings" >&2
  exit 1
fi

targets=()
if [ $# -gt 0 ]; then
  for t in "$@"; do targets+=("${t%_fuzz}"); done
else
  for bin in "$build"/*_fuzz; do
    name=$(basename "$bin")
    targets+=("${name%_fuzz}")
  done
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/nuv-fuzz-XXXXXX")
# Sanitizer findings stop the run and fail it; UBSan already aborts (the
# preset builds with -fno-sanitize-recover).
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
printf '%-10s %12s %10s  %s\n' target runs exec/s result
for name in "${targets[@]}"; do
  bin=$build/${name}_fuzz
  if [ ! -x "$bin" ]; then
    printf '%-10s %12s %10s  %s\n' "$name" - - "no such target"
    status=1
    continue
  fi
  finds=$scratch/$name
  mkdir -p "$finds"
  dirs=("$finds")
  [ -d "fuzz/corpus/$name" ] && dirs+=("$PWD/fuzz/corpus/$name")
  out=$scratch/$name.log
  options=()
  if [ -f "fuzz/$name.options" ]; then
    while IFS= read -r flag; do options+=("$flag"); done < <(
      awk '/^\[/ { in_lf = ($0 ~ /^\[libfuzzer\]/); next }
           in_lf && /=/ && !/^[ \t]*[#;]/ {
             split($0, kv, "="); gsub(/[ \t]/, "", kv[1]); gsub(/^[ \t]+|[ \t]+$/, "", kv[2])
             print "-" kv[1] "=" kv[2] }' "fuzz/$name.options")
  fi
  rc=0
  nice -n 10 "$bin" "${options[@]}" "${limit[@]}" -print_final_stats=1 -timeout=30 \
    -artifact_prefix="$scratch/$name-" "${dirs[@]}" >"$out" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out" | tail -1)
  if [ "$rc" -eq 0 ]; then
    result=clean
  else
    result="FAILED (exit $rc; log $out)"
    status=1
  fi
  printf '%-10s %12s %10s  %s\n' "$name" "${runs:--}" "${speed:--}" "$result"
  if [ "$rc" -ne 0 ]; then
    grep -E 'ERROR|SUMMARY|runtime error|_fuzz: |Test unit written' "$out" | head -8 | sed 's/^/    /' >&2
  fi
done
echo "new inputs and artifacts: $scratch"
exit $status
