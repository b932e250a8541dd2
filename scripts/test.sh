#!/usr/bin/env bash
# The whole test suite on a fresh machine: installs what is missing, builds the
# 32-bit product and checks it (exports, layers, formatting, clang-tidy), builds the 64-bit test build and runs every
# test under wine64, then builds the tests for the product's 32-bit build
# (i686, Release) and runs them in Wine's WoW64 mode under the WoW64 runtime
# (made the first time: scripts/wow64-runtime.sh). Each suite ends with its
# ctest summary and what its evidence sweeps (faults, bad input, malformed
# registry data) tried. A machine that cannot run 32-bit code at all says so
# in place of the 32-bit summary; with QZ_REQUIRE_WOW64=1 that fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/check-layers.sh

cmake --preset x86 >/dev/null
cmake --build --preset x86
bash scripts/check-product.sh build/x86/bin
bash scripts/lint.sh

cmake --preset x64 >/dev/null
cmake --build --preset x64

bash scripts/fuzz.sh --smoke

# The prefixes' wineservers must not outlive the run (nor hold a deleted prefix).
stop() {
  WINEPREFIX="$PWD/build/x64/wineprefix" cmake/wine-run.sh --stop
  if [ -d build/x86-tests/wineprefix ]; then
    WINEPREFIX="$PWD/build/x86-tests/wineprefix" cmake/wow64-run.sh --stop 2>/dev/null || true
  fi
}
trap stop EXIT
sweeps() {
  echo "What the sweeps tried:"
  grep -hE '^(fault sweep|bad-input sweep|malformed registry)' "$1/Testing/Temporary/LastTest.log" | sort -u | sed 's/^/  /' || true
}

status=0
echo "== The 64-bit test build (x86-64) under wine64 =="
ctest --preset x64 || status=$?
sweeps build/x64

echo "== The product's 32-bit build (i686) in Wine's WoW64 mode =="
cmake --preset x86-tests >/dev/null
cmake --build --preset x86-tests
runtime=0
bash scripts/wow64-runtime.sh || runtime=$?
if [ "$runtime" -eq 0 ]; then
  ctest --preset x86-tests || status=$?
  sweeps build/x86-tests
elif [ "$runtime" -eq 3 ]; then
  echo "The 32-bit suite was NOT RUN: this machine cannot run 32-bit code (above); its tests were only built."
  [ -z "${QZ_REQUIRE_WOW64:-}" ] || status=1
else
  echo "The 32-bit suite was NOT RUN: the WoW64 runtime could not be made (above)."
  status=1
fi
exit $status
