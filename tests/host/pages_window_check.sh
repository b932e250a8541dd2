#!/usr/bin/env bash
# The host's Options window on a real X display (a virtual one, Xvfb): in a
# fresh prefix with the sample compilers, it opens as an X window titled for
# the package, every page is created and shown, and it closes by itself.
# Usage: pages_window_check.sh BIN_FOLDER SCRATCH_FOLDER RUNNER 32|64
set -euo pipefail
if ! command -v xvfb-run >/dev/null || ! command -v xwininfo >/dev/null; then
  echo "SKIP: xvfb-run and xwininfo are needed (scripts/setup.sh installs them)"
  exit 77
fi
. "$(dirname "$0")/../support/fresh_prefix.sh"
export QZ_WINE_GRAPHICS=x11 BIN="$bin" RUN="$run" OUT="$scratch"

xvfb-run -a bash -c '
  "$RUN" "$BIN/QZIdeHost.exe" sample </dev/null >"$OUT/sample.txt" 2>&1 || exit 1
  "$RUN" "$BIN/QZIdeHost.exe" pages --close-after 10 </dev/null >"$OUT/pages.txt" 2>&1 &
  host=$!
  for _ in $(seq 1 60); do
    xwininfo -root -tree 2>/dev/null | grep -F "\"Options - Tavrel Fortran\"" >"$OUT/window.txt" && break
    sleep 0.25
  done
  wait $host
' || { cat "$scratch"/*.txt; echo "FAIL: the host failed"; exit 1; }

cat "$scratch/pages.txt"
[ -s "$scratch/window.txt" ] || { echo "FAIL: no X window \"Options - Tavrel Fortran\" appeared"; exit 1; }
echo "X window: $(sed 's/^ *//' "$scratch/window.txt")"
grep -q 'every page was created and shown' "$scratch/pages.txt" || { echo "FAIL: not every page was shown"; exit 1; }
if grep -q '^\[FAIL\]' "$scratch/pages.txt"; then echo "FAIL: a step failed"; exit 1; fi
echo "PASS"
