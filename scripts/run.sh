#!/usr/bin/env bash
# The main job: builds the package and has the stand-in IDE host load it as the
# IDE would, in a Wine prefix of its own, and print what it sees. Without
# arguments it starts that prefix afresh (a new machine and user), installs the
# built-in sample compilers, registers the package, loads it, lists the options
# and the compilers and draws the three Tools > Options pages; with arguments
# they are passed to the host, in the prefix the last run left (see:
# scripts/run.sh --help).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh >&2
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target QZIdeHost QZToolOpt QZToolOptUI >&2

prefix="$PWD/build/x64/wine-host"
# The X display when there is one (for: pages), headless otherwise.
export QZ_WINE_GRAPHICS="x11,null"
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
host() { WINEPREFIX="$prefix" cmake/wine-run.sh build/x64/bin/QZIdeHost.exe "$@"; }
if [ $# -eq 0 ]; then
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix" "$prefix.lock"
  echo "A fresh Wine prefix for the host: $prefix" >&2
  pictures="$PWD/build/x64/pages"
  rm -rf "$pictures"
  mkdir -p "$pictures"
  host sample
  host register >/dev/null
  host load
  host compilers
  host pages --png "Z:${pictures//\//\\}"
  echo "The three Tools > Options pages are drawn in $pictures: general.png, compilers.png, gap.png"
else
  [ -f "$prefix/.qz-ready" ] || echo "No sample installation yet: run scripts/run.sh without arguments first." >&2
  host "$@"
fi
