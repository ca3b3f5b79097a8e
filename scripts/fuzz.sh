#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz, built in the checked build
# (build-sanitize, configured here when it is not there yet).
#   bash scripts/fuzz.sh short [target...]   each target 30 s (what CI runs)
#   bash scripts/fuzz.sh long [target...]    each target to 10 million executions,
#                                            with its figures; FUZZ_LONG_SECONDS, when
#                                            set, ends each target sooner on a busy machine
# Each target starts from a copy of its seeds in tests/fuzz/corpus; what it
# finds stays under build-sanitize/fuzz/<target>/, never in the tree. A crash,
# a hang, a sanitizer report or a broken round trip fails the run; the input
# that did it is kept there as crash-*, timeout-*, leak-* or oom-*.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-sanitize

mode=${1:-}
case "$mode" in
  short) limit=(-max_total_time=30) ;;
  long)
    limit=(-runs=10000000)
    [ -z "${FUZZ_LONG_SECONDS:-}" ] || limit+=(-max_total_time="$FUZZ_LONG_SECONDS")
    ;;
  *) echo "usage: $0 short|long [target...]" >&2; exit 2 ;;
esac
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_replies fuzz_settingsfile fuzz_eventlogfile fuzz_localetext fuzz_updatepage fuzz_netline)

[ -f "$build/CMakeCache.txt" ] || bash scripts/configure-checked.sh
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

symbolizer=$(command -v llvm-symbolizer-14 || command -v llvm-symbolizer || true)
[ -z "$symbolizer" ] || export ASAN_SYMBOLIZER_PATH=$symbolizer
export UBSAN_OPTIONS="print_stacktrace=1"
# The targets' own files (the event-log target writes two per input) go to
# memory where it can: a disk's flushes would be most of the run.
scratch=$(mktemp -d -p /dev/shm pvbcs-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

# A figure from libFuzzer's closing lines.
figure() { sed -n "s/^stat::$1: *//p" "$2" | tail -1; }

passed=0 failed=0
for target in "${targets[@]}"; do
  out=$root/$build/fuzz/$target
  rm -rf "$out" && mkdir -p "$out/corpus"
  cp "$root/tests/fuzz/corpus/$target/"* "$out/corpus/"
  options=("${limit[@]}" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$out/")
  [ -f "$root/tests/fuzz/$target.dict" ] && options+=(-dict="$root/tests/fuzz/$target.dict")
  [ "$target" = fuzz_replies ] && options+=(-max_len=600) # the longest frame and then some
  start=$(date +%s)
  status=0
  (cd "$out" && "$root/$build/tests/fuzz/$target" "${options[@]}" corpus >"$out/log" 2>&1) || status=$?
  seconds=$(($(date +%s) - start))
  runs=$(figure number_of_executed_units "$out/log")
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$out/log" | tail -1 || true)
  coverage=$(sed -E -n 's/.*cov: ([0-9]+) ft: ([0-9]+) corp: ([0-9]+)\/([0-9A-Za-z]+).*/cov \1, ft \2, corpus \3 files \/ \4/p' <<<"$done_line")
  if [ "$status" -ne 0 ]; then
    failed=$((failed + 1))
    echo "$target: FAILED after $seconds s (exit $status); log and input in $out" >&2
    grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$out/log" | tail -60 >&2
    continue
  fi
  passed=$((passed + 1))
  echo "$target: ${runs:-?} executions in $seconds s, $(figure average_exec_per_sec "$out/log") exec/s," \
    "peak $(figure peak_rss_mb "$out/log") MB; ${coverage:-no closing line}"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
