#!/usr/bin/env bash
# Runs a Windows program under the Wine 10.0 of the WoW64 runtime (made by
# scripts/wow64-runtime.sh), where wine64 runs 32-bit programs in Wine's WoW64
# mode; otherwise as cmake/wine-run.sh does, which it runs inside the runtime
# (same prefix set-up, same variables). Used as CMAKE_CROSSCOMPILING_EMULATOR
# of the 32-bit test build, WINEPREFIX arriving through the emulator command.
#   wow64-run.sh PROGRAM [ARGUMENTS]   wow64-run.sh --stop (the prefix's wineserver)
# Each run has a private mount namespace: /proc, /sys, /dev, this checkout (at
# its own path, so that Z:\ paths agree inside and out), the folders named in
# QZ_WOW64_BIND (":"-separated) and the X display are mounted in the runtime
# only for the life of the program and its wineserver; nothing stays mounted.
# The prefix must lie in one of the bound folders. Needs root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wow64-layout.sh"
checkout=$(dirname "$here")
fail() { echo "wow64-run: $*" >&2; exit 125; }

if [ "${1:-}" != --inside ]; then
  : "${WINEPREFIX:?WINEPREFIX must be set}"
  [ "$(id -u)" -eq 0 ] || exec sudo --preserve-env bash "$0" "$@"
  [ -f "$QZ_WOW64_STAMP" ] || fail "no WoW64 runtime in $QZ_WOW64_TREE: run scripts/wow64-runtime.sh"
  tree=$(realpath "$QZ_WOW64_TREE")
  binds=("$checkout")
  IFS=: read -r -a extra <<<"${QZ_WOW64_BIND:-}"
  for folder in "${extra[@]}"; do [ -z "$folder" ] || binds+=("$(realpath "$folder")"); done
  # A bind of these would let a delete inside the runtime reach the machine's
  # own files, or mount the runtime into itself.
  for folder in "${binds[@]}"; do
    case "$folder" in
      / | /proc | /proc/* | /sys | /sys/* | /dev | /dev/* | /run | /run/*) fail "refusing to bind $folder" ;;
    esac
    case "$tree/" in "$folder"/*) fail "refusing to bind $folder: it holds the runtime" ;; esac
    case "$folder/" in "$tree"/*) fail "refusing to bind $folder: it lies inside the runtime" ;; esac
  done
  within() { local f; for f in "${binds[@]}"; do case "$1/" in "$f"/*) return 0 ;; esac; done; return 1; }
  mkdir -p "$(dirname "$WINEPREFIX")"
  WINEPREFIX=$(realpath -m "$WINEPREFIX")
  within "$(realpath "$(dirname "$WINEPREFIX")")" || fail "the prefix $WINEPREFIX lies outside the bound folders (${binds[*]})"
  within "$(pwd -P)" || fail "the working folder $(pwd -P) lies outside the bound folders (${binds[*]})"
  exec unshare --mount --propagation private -- bash "$0" --inside "$tree" "$(pwd -P)" "${#binds[@]}" "${binds[@]}" "$@"
fi

# In the private namespace: nothing mounted here is seen outside it.
tree=$2 workdir=$3 count=$4
shift 4
mount -t proc proc "$tree/proc"
mount --rbind /sys "$tree/sys"
mount --rbind /dev "$tree/dev"
for folder in "${@:1:count}"; do
  mkdir -p "$tree$folder"
  mount --bind "$folder" "$tree$folder"
done
shift "$count"
if [ -n "${DISPLAY:-}" ] && [ -d /tmp/.X11-unix ]; then
  mkdir -p "$tree/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$tree/tmp/.X11-unix"
  if [ -f "${XAUTHORITY:-}" ]; then
    touch "$tree/tmp/.qz-xauthority"
    mount --bind "$XAUTHORITY" "$tree/tmp/.qz-xauthority"
    export XAUTHORITY=/tmp/.qz-xauthority
  fi
fi
unset LD_LIBRARY_PATH LD_PRELOAD TMPDIR
exec chroot "$tree" /usr/bin/env -C "$workdir" PATH=/usr/sbin:/usr/bin:/sbin:/bin WINEDLLPATH="$QZ_WOW64_DLLPATH" \
  bash "$checkout/cmake/wine-run.sh" "$@"
