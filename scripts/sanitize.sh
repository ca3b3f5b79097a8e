#!/usr/bin/env bash
# The checked build: configures and builds build-sanitize with clang under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, then runs
# every test there (arguments, such as "-R tst_cli", go to ctest). A report
# from any of our programs, a test or one it starts (pvbcs-cli, the
# simulator), stops that program and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-sanitize

bash scripts/configure-checked.sh
cmake --build "$build" -j"$(nproc)"

# Reports go to files: a test may look only at a program's exit code or
# output, so a report on its stderr could pass unseen. Any file left fails.
reports=$root/$build/sanitizer-reports
rm -rf "$reports" && mkdir -p "$reports"
# abort_on_error: a program stopped by a report ends by a signal, which no
# test mistakes for one of the exit codes it expects. Stack traces use
# llvm-symbolizer-14 where it is installed, else binutils' addr2line.
export ASAN_OPTIONS="detect_leaks=1:allow_addr2line=1:halt_on_error=1:abort_on_error=1:disable_coredump=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/report"
export UBSAN_OPTIONS="halt_on_error=1:allow_addr2line=1:abort_on_error=1:print_stacktrace=1:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$root/tests/sanitize/lsan.supp:print_suppressions=0"

status=0
ctest --test-dir "$build" --output-on-failure -j2 "$@" || status=$?
for report in "$reports"/*; do
  [ -e "$report" ] || continue
  echo "==== sanitizer report: $report" >&2
  cat "$report" >&2
  status=1
done
exit $status
