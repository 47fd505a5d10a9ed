#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for SECONDS each, one after the
# other, on its corpus in build/fuzz/corpus/TARGET, grown from the generated
# seeds. A finding (crash, sanitizer report, leak, timeout) is saved as
# build/fuzz/findings/TARGET-* and makes the script fail.
#   bash scripts/fuzz.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
bin=build/fuzz/fuzz
corpus=build/fuzz/corpus
findings=build/fuzz/findings
mkdir -p "$corpus" "$findings"
"$bin/fuzz_make_seeds" "$corpus/seeds" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$bin"/fuzz_*; do
    name=$(basename "$program")
    [ "$name" = fuzz_make_seeds ] || targets+=("$name")
  done
fi

# The engine installs its own memory-fault handler; the sanitizers report first.
export ASAN_OPTIONS=allow_user_segv_handler=0:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  mkdir -p "$corpus/$t" "$corpus/seeds/$t"
  log=build/fuzz/$t.log
  if "$bin/$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -max_len=65536 \
       -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$findings/$t-" \
       "$corpus/$t" "$corpus/seeds/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz.sh: $t: ${seconds} s, ${runs:-?} executions, no finding"
  else
    echo "fuzz.sh: $t: FINDING (see $log and $findings/$t-*)"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
