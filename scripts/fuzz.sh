#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for a set time, starting from the committed
# seed corpus, and prints libFuzzer's final figures for each: executions, coverage (edges
# "cov" and features "ft") and corpus size. Inputs found on the way stay in the build folder;
# the committed corpus is only read. Fails on the first target that crashes or breaks a
# promise, naming the input to add to tests/fuzz/regressions/<target>/.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0}

# The targets that write files work here; memory-backed storage keeps the syncs of each
# replaced file from setting the pace.
shm=/dev/shm
[ -d "$shm" ] && [ -w "$shm" ] || shm=${TMPDIR:-/tmp}
work=$(mktemp -d "$shm/tellurix-fuzz-XXXXXX")
trap 'rm -rf "$work"' EXIT
export TELLURIX_FUZZ_WORK="$work"

status=0
for fuzzer in "$build"/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  seeds="$root/tests/fuzz/corpus/$name"
  found="$build/fuzz-corpus/$name"
  artifacts="$build/fuzz-artifacts/$name"
  log="$build/fuzz-logs/$name.log"
  mkdir -p "$found" "$artifacts" "$(dirname "$log")"
  echo "== $name, $seconds s"
  if (cd "$artifacts" && "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$found" "$seeds") >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n1 || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log" || true
  else
    status=1
    echo "$name FAILED; the end of its log ($log):"
    tail -n 40 "$log"
    echo "Inputs that failed (add them to tests/fuzz/regressions/$name/):"
    ls -1 "$artifacts"
    break
  fi
done
exit $status
