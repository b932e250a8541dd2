#!/usr/bin/env bash
# The benchmark: builds QZBench (64-bit build) and runs it in a Wine prefix of
# its own, made afresh every time, so that the registry holds nothing but the
# sample installation and what the benchmark writes. Prints the figures of the
# service operations and of growing installations (about a minute).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh >&2
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target QZBench >&2

prefix="$PWD/build/x64/wine-bench"
stop() { WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }
trap stop EXIT
stop
rm -rf "$prefix" "$prefix.lock"
WINEPREFIX="$prefix" cmake/wine-run.sh build/x64/bin/QZBench.exe
