#!/usr/bin/env bash
# The main job: builds the package and has the stand-in IDE host load it as the
# IDE would, in a Wine prefix of its own, and print what it sees. Without
# arguments it installs the built-in sample compilers into that prefix (once),
# registers the package, loads it, lists the options and the compilers and
# draws the three Tools > Options pages; with arguments they are passed to the
# host (see: scripts/run.sh --help).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh >&2
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target QZIdeHost QZToolOpt QZToolOptUI >&2

prefix="$PWD/build/x64/wine-host"
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
host() { WINEPREFIX="$prefix" cmake/wine-run.sh build/x64/bin/QZIdeHost.exe "$@"; }
if [ $# -eq 0 ]; then
  pictures="$PWD/build/x64/pages"
  mkdir -p "$pictures"
  host sample
  host register >/dev/null
  host load
  host compilers
  host pages --png "Z:${pictures//\//\\}"
  echo "The three Tools > Options pages are drawn in $pictures: general.png, compilers.png, gap.png"
else
  host "$@"
fi
