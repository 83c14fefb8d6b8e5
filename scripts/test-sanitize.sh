#!/usr/bin/env bash
# Runs the whole test suite of the sanitized build (make test-sanitize). Every process of the
# suite, the program and the device simulator the tests start included, writes its sanitizer
# reports to a file of its own in the build folder, so a report from a child process fails
# the run as surely as one from a test. Zero reports is the only pass.
set -euo pipefail
build=${1:-build-sanitize}
jobs=${2:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
chmod 1777 "$reports" # a test runs the program as another user as well

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:log_path=$reports/report"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/report"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"

status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs") || status=1
if compgen -G "$reports/*" >/dev/null; then
  status=1
  for report in "$reports"/*; do
    echo "== sanitizer report $(basename "$report")"
    cat "$report"
  done
fi
[ $status -eq 0 ] && echo "Sanitized suite: all tests passed, no sanitizer reports."
exit $status
