#!/usr/bin/env bash
# Bootstraps the tools, builds every preset and runs every test suite:
# native, ASan/UBSan, and the Windows programs under Wine (label "wine").
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh

jobs=$(nproc 2>/dev/null || echo 2)
for preset in native asan mingw; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

ctest --preset native
ctest --preset asan
# The Windows programs run under Wine; GUI tests need a display.
source scripts/fixed-layout.sh
if [ -z "${DISPLAY:-}" ]; then
  fixed_layout xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset wine
else
  fixed_layout ctest --preset wine
fi
# Each fuzz target for a short while (libFuzzer, ASan and UBSan).
bash scripts/fuzz.sh 20
echo "test.sh: all suites passed"
