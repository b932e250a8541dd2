#!/usr/bin/env bash
# scripts/run.sh as users run it, in a prefix of its own: two runs at once on
# one prefix both finish their work (the second waits for the first), and a
# run whose host is cut short by its wineserver ending fails.
# Usage: run_script_check.sh SOURCE_FOLDER SCRATCH_FOLDER
set -euo pipefail
source=$(cd "$1" && pwd)
scratch="$2"
rm -rf "$scratch" && mkdir -p "$scratch"
export QZ_HOST_PREFIX="$scratch/prefix"
trap 'WINEPREFIX="$QZ_HOST_PREFIX" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT

fail() { echo "FAIL: $*"; exit 1; }
run() { bash "$source/scripts/run.sh" "$@" </dev/null; }

# A settings file that takes the host some seconds to import.
python3 - "$scratch/big.reg" <<'PY'
import sys
root = r'HKEY_CURRENT_USER\Software\Microsoft\VisualStudio\8.0\Tavrel Fortran\QZToolOpt\120'
lines = ['Windows Registry Editor Version 5.00', '']
for k in range(400):
    lines += ['[%s\\K%d]' % (root, k)] + ['"V%d"="%d"' % (v, v) for v in range(250)] + ['']
open(sys.argv[1], 'w', encoding='utf-16').write('\r\n'.join(lines) + '\r\n')
PY
file="Z:${scratch//\//\\}\\big.reg"
imported='imported 400 key(s), 100000 value(s)'

# Waits until a host runs in the process group of the background run $1 (as
# a Windows process, named by the program it runs).
host_started() {
  for _ in $(seq 1 1200); do
    ps -e -o pgid=,args= | awk -v group="$1" '$1 == group && $2 ~ /QZIdeHost\.exe$/ { found = 1 } END { exit !found }' && return 0
    sleep 0.1
  done
  fail "no host started"
}

run sample >"$scratch/sample.txt" 2>&1 || { cat "$scratch/sample.txt"; fail "sample"; }

# Two runs at once: the second must neither disturb the first nor be lost.
set -m
run import "$file" >"$scratch/first.txt" 2>&1 &
first=$!
host_started $first
sleep 1
run options >"$scratch/second.txt" 2>&1 &
second=$!
wait $first || { cat "$scratch/first.txt"; fail "the first of two runs failed"; }
wait $second || { cat "$scratch/second.txt"; fail "the second of two runs failed"; }
grep -q "$imported" "$scratch/first.txt" || { cat "$scratch/first.txt"; fail "the first run's import was cut short"; }
grep -q 'read the thirteen options' "$scratch/second.txt" || { cat "$scratch/second.txt"; fail "the second run did nothing"; }

# A host whose wineserver ends under it is a failed run.
run import "$file" >"$scratch/killed.txt" 2>&1 &
killed=$!
host_started $killed
sleep 1
WINEPREFIX="$QZ_HOST_PREFIX" /usr/lib/wine/wineserver -k
if wait $killed; then cat "$scratch/killed.txt"; fail "a run whose host was cut short answered success"; fi
grep -q "$imported" "$scratch/killed.txt" && fail "the import was meant to be cut short"
echo "PASS"
