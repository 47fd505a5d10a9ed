#!/usr/bin/env bash
# Times our unzip, its Windows build under Wine and setup_headless against other
# archivers on generated corpora (see bench/README.md). Not a test: nothing here
# runs in CI. Every argument goes to bench/run.py, for example
#   bash scripts/bench.sh                          # full size, 5 rounds
#   bash scripts/bench.sh --scale small --rounds 1 --check   # quick self-check
#   bash scripts/bench.sh --before /work/old/build/native    # an older build alongside
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# The tools, the peers (timing baselines only) and /usr/bin/time for peak memory.
bash scripts/bootstrap.sh --bench >/dev/null

echo "bench: building unzip, setup_headless and the corpus tool"
cmake --preset native >/dev/null
cmake --build --preset native --target unzip setup_headless legacy_corpus -j2 >/dev/null
if command -v wine >/dev/null 2>&1 && command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
  echo "bench: building the Windows unzip.exe"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw --target unzip -j2 >/dev/null
else
  echo "bench: wine or MinGW-w64 is missing: the Wine case is skipped"
fi
exec python3 bench/run.py "$@" </dev/null
