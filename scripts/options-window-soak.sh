#!/usr/bin/env bash
# Soak of the Options window: opens the host's Options window again and again
# on a virtual X display and plays random clicks and keys at it (tab changes,
# Alt+letter mnemonics, typing into the fields, Enter and Space), then closes
# it with Escape. A window that no longer closes is reported with the seed and
# the actions that led there, and the run fails.
#   scripts/options-window-soak.sh [WINDOWS] [ACTIONS] [SEED]
# Defaults: 100 windows of 40 actions, seed 1. Needs xvfb-run and xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."

windows=${1:-100}
actions=${2:-40}
seed=${3:-1}
for n in "$windows" "$actions" "$seed"; do
  case "$n" in ''|*[!0-9]*) echo "usage: $0 [WINDOWS] [ACTIONS] [SEED]" >&2; exit 2 ;; esac
done
command -v xdotool >/dev/null || { echo "xdotool is needed: apt-get install xdotool" >&2; exit 2; }

bash scripts/setup.sh >&2
cmake --preset x64 >/dev/null
cmake --build --preset x64 --target QZIdeHost QZToolOpt QZToolOptUI >&2

export WINEPREFIX="$PWD/build/x64/wine-soak" QZ_WINE_GRAPHICS=x11 WINDOWS=$windows ACTIONS=$actions SEED=$seed
rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT

xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
  host() { cmake/wine-run.sh build/x64/bin/QZIdeHost.exe "$@"; }
  host sample >/dev/null
  RANDOM=$SEED
  keys=(Tab shift+Tab ctrl+Tab ctrl+shift+Tab Return space Down Up BackSpace period semicolon x f 9
        alt+s alt+h alt+d alt+x alt+e alt+f alt+g alt+v alt+c alt+p alt+l alt+i alt+o alt+r alt+a alt+w)
  hung=0
  for w in $(seq 1 "$WINDOWS"); do
    host pages >"build/x64/soak-host.txt" 2>&1 &
    pid=$!
    id=""
    for _ in $(seq 1 80); do
      id=$(xdotool search --name "^Options - Tavrel Fortran$" 2>/dev/null | head -1) && [ -n "$id" ] && break
      sleep 0.1
    done
    [ -n "$id" ] || { echo "window $w: did not open"; cat build/x64/soak-host.txt; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$id")"
    played=()
    for _ in $(seq 1 "$ACTIONS"); do
      if (( RANDOM % 3 == 0 )); then
        x=$(( RANDOM % WIDTH )) y=$(( RANDOM % HEIGHT ))
        played+=("click $x,$y")
        xdotool mousemove --window "$id" "$x" "$y" click 1 2>/dev/null || true
      else
        k=${keys[RANDOM % ${#keys[@]}]}
        played+=("$k")
        xdotool key --clearmodifiers "$k" 2>/dev/null || true
      fi
      sleep 0.05
    done
    # Escape closes what is open (a list, the list editor, then the window);
    # the host then has ten seconds to end.
    for _ in 1 2 3 4 5 6; do
      kill -0 "$pid" 2>/dev/null || break
      xdotool key Escape 2>/dev/null || true
      sleep 0.5
    done
    for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
    if kill -0 "$pid" 2>/dev/null; then
      hung=$((hung + 1))
      exe=$(pgrep -x QZIdeHost.exe | head -1)
      ticks() { awk "{print \$14 + \$15}" "/proc/$exe/stat" 2>/dev/null || echo 0; }
      t0=$(ticks); sleep 1; t1=$(ticks)
      echo "window $w: stopped reacting (CPU $(( t1 - t0 ))% over a second; shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr "\n" "|")) after: ${played[*]}"
      kill "$pid" 2>/dev/null || true
      /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    fi
    wait "$pid" 2>/dev/null || true
  done
  echo "$WINDOWS windows of $ACTIONS actions (seed $SEED): $hung stopped reacting"
  [ $hung -eq 0 ]
'
