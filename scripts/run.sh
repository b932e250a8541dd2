#!/usr/bin/env bash
# The main job: builds the package and has the stand-in IDE host load it as the
# IDE would, in a Wine prefix of its own, and print what it sees. Without
# arguments it starts that prefix afresh (a new machine and user), installs the
# built-in sample compilers, registers the package, loads it, lists the options
# and the compilers and draws the three Tools > Options pages; with arguments
# they are passed to the host, in the prefix the last run left (see:
# scripts/run.sh --help). The 64-bit pair of the test build runs under wine64;
# with --x86 first, the shipped 32-bit pair (build/x86/bin) runs in Wine's
# WoW64 mode, in a prefix of its own (the WoW64 runtime is made the first
# time). QZ_HOST_PREFIX names another prefix than build/<preset>/wine-host.
#
# One run uses a prefix at a time (a second one waits), since the end of a run
# stops the prefix's Wine server; and a host whose Wine server ends under it
# (which Wine reports as success) fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=x64 run=cmake/wine-run.sh x86=""
if [ "${1:-}" = --x86 ]; then
  shift
  preset=x86 run=cmake/wow64-run.sh x86=" --x86"
fi

export WINEPREFIX="${QZ_HOST_PREFIX:-$PWD/build/$preset/wine-host}"
prefix=$WINEPREFIX
mkdir -p "$(dirname "$prefix")"
exec 8>"$prefix.run-lock"
if ! flock -n 8; then
  echo "Another scripts/run.sh is using $prefix; waiting for it to end." >&2
  flock 8
fi

bash scripts/setup.sh >&2
[ "$preset" = x64 ] || bash scripts/wow64-runtime.sh >&2
[ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target QZIdeHost QZToolOpt QZToolOptUI >&2

# The X display when there is one (for: pages), headless otherwise.
export QZ_WINE_GRAPHICS="x11,null"
trap '"$run" --stop' EXIT

host() {
  local signed="$prefix.host-ended" status=0
  rm -f "$signed"
  # The lock stays with this script, not with the Wine processes the host leaves.
  QZ_HOST_SIGN_OFF="Z:${signed//\//\\}" "$run" "build/$preset/bin/QZIdeHost.exe" "$@" 8>&- || status=$?
  # A host whose Wine server ends under it stops where it is, and Wine reports
  # success; only a host that signed off ended by itself.
  if [ ! -f "$signed" ]; then
    echo "scripts/run.sh: the host was ended before it finished (its Wine server stopped?); its work was cut short" >&2
    [ "$status" -ne 0 ] || status=1
  fi
  rm -f "$signed"
  return "$status"
}

if [ $# -eq 0 ]; then
  "$run" --stop
  rm -rf "$prefix" "$prefix.lock"
  echo "A fresh Wine prefix for the host: $prefix" >&2
  pictures="$PWD/build/$preset/pages"
  rm -rf "$pictures"
  mkdir -p "$pictures"
  host sample
  host register >/dev/null
  host load
  host compilers
  host pages --png "Z:${pictures//\//\\}"
  echo "The three Tools > Options pages are drawn in $pictures: general.png, compilers.png, gap.png"
else
  [ -f "$prefix/.qz-ready" ] || echo "No sample installation yet: run scripts/run.sh$x86 without arguments first." >&2
  host "$@"
fi
