#!/usr/bin/env bash
# The benchmark: builds QZBench (64-bit build) and runs it in a Wine prefix of
# its own, made afresh every time, so that the registry holds nothing but the
# sample installation and what the benchmark writes. Prints the figures of the
# service operations and of growing installations (about a minute). With
# --x86, the same for the product's 32-bit build (i686, Release, the 32-bit
# test build's QZBench) in Wine's WoW64 mode under the WoW64 runtime.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=x64 run=cmake/wine-run.sh
if [ "${1:-}" = --x86 ]; then
  preset=x86-tests run=cmake/wow64-run.sh
fi

bash scripts/setup.sh >&2
[ "$preset" = x64 ] || bash scripts/wow64-runtime.sh >&2
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target QZBench >&2

export WINEPREFIX="$PWD/build/$preset/wine-bench"
trap '"$run" --stop' EXIT
"$run" --stop
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
"$run" "build/$preset/bin/QZBench.exe"
