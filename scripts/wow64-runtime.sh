#!/usr/bin/env bash
# The WoW64 runtime, in which the 32-bit build runs: a Debian 13 (trixie) amd64
# tree with its Wine 10.0, plus the 32-bit PE DLLs of the same Wine version and
# the link that lets their 64-bit unix halves be found, so that wine64 runs
# 32-bit Windows programs in Wine's WoW64 mode. The machine's own packages are
# not touched (no i386 architecture on it). Made once in QZ_WOW64_ROOT (default
# /var/lib/qz-wow64, outside every checkout); a run that finds it complete does
# nothing. cmake/wow64-run.sh runs programs in it.
#   scripts/wow64-runtime.sh             makes the runtime when it is missing;
#                                        exits 3 with the reason, making
#                                        nothing, on a machine that cannot run
#                                        32-bit code at all (some hypervisors)
#   scripts/wow64-runtime.sh --probe     only that test (exit 0: it can, 3: not)
#   scripts/wow64-runtime.sh --no-probe  makes the runtime without the test
# Needs root (debootstrap, chroot); QZ_DEBIAN_MIRROR overrides the mirror taken
# from the machine's apt sources.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../cmake/wow64-layout.sh"

# What goes into the tree; a change of it makes the tree anew.
suite=trixie
packages=(wine64 wine fonts-wine
  # loaded at run time by Wine's X driver and its crypto, so not among its dependencies
  libgnutls30t64 libxrender1 libxi6 libxrandr2 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1)
recipe="$suite ${packages[*]} i386-windows"

say() { echo "wow64-runtime: $*" >&2; }
fail() { say "$*"; exit 1; }

probe() {
  local cc dir verdict=0
  cc=$(command -v clang || command -v cc || true)
  [ -n "$cc" ] || fail "no C compiler for the probe (scripts/setup.sh installs clang)"
  dir=$(mktemp -d)
  "$cc" -O1 -o "$dir/probe" "$here/wow64-probe.c" || { rm -rf "$dir"; fail "the probe does not build"; }
  "$dir/probe" >"$dir/verdict" || verdict=3
  [ "$verdict" -eq 0 ] || say "$(cat "$dir/verdict") The 32-bit build cannot run here; the 64-bit one runs everything."
  rm -rf "$dir"
  return "$verdict"
}

case "${1:-}" in
  --probe) probe; exit ;;
  --no-probe) ;;
  "") probe || exit 3 ;;
  *) echo "usage: $0 [--probe | --no-probe]" >&2; exit 2 ;;
esac

if [ -f "$QZ_WOW64_STAMP" ] && [ "$(sed -n 's/^recipe=//p' "$QZ_WOW64_STAMP")" = "$recipe" ]; then
  exit 0
fi
[ "$(id -u)" -eq 0 ] || exec sudo --preserve-env=QZ_WOW64_ROOT,QZ_DEBIAN_MIRROR bash "$0" --no-probe

# The Debian mirror this machine's apt uses (the machine may reach no other).
host_mirror() {
  {
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /^https?:\/\//) { print $i; break } }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
      awk 'tolower($1) == "uris:" { for (i = 2; i <= NF; i++) print $i }'
  } | grep -E '/debian/?$' | head -1
}

# A tree is deleted only when nothing is mounted in it and no process runs in
# it (a program's private mounts live as long as it does), and never across a
# file system boundary.
remove_tree() {
  local dir=$1
  case "$dir" in "$QZ_WOW64_TREE" | "$QZ_WOW64_TREE.new") ;; *) fail "refusing to delete $dir" ;; esac
  [ -e "$dir" ] || return 0
  local real
  real=$(realpath "$dir")
  if awk -v d="$real" '$5 == d || index($5, d "/") == 1 { found = 1 } END { exit !found }' /proc/self/mountinfo; then
    fail "something is mounted in $real; unmount it first (nothing was deleted)"
  fi
  local pid
  for pid in /proc/[0-9]*; do
    local root
    root=$(readlink "$pid/root" 2>/dev/null) || continue
    if [ "$root" = "$real" ] || [ "${root#"$real"/}" != "$root" ]; then
      fail "process ${pid#/proc/} runs in $real (a Wine server of a test prefix?); stop it first (nothing was deleted)"
    fi
  done
  rm -rf --one-file-system "$dir"
}

mkdir -p "$QZ_WOW64_ROOT"
exec 9>"$QZ_WOW64_ROOT/.lock"
flock 9
# Made meanwhile by another run?
if [ -f "$QZ_WOW64_STAMP" ] && [ "$(sed -n 's/^recipe=//p' "$QZ_WOW64_STAMP")" = "$recipe" ]; then
  exit 0
fi

mirror="${QZ_DEBIAN_MIRROR:-$(host_mirror)}"
[ -n "$mirror" ] || fail "no Debian mirror found in /etc/apt/sources.list*; set QZ_DEBIAN_MIRROR"
command -v debootstrap >/dev/null || fail "debootstrap is missing (scripts/setup.sh installs it)"
say "making the WoW64 runtime (Debian 13 with Wine 10.0) in $QZ_WOW64_TREE from $mirror:"
say "this happens once; it takes 5 to 10 minutes and 1.8 GB of disk"
started=$SECONDS
new="$QZ_WOW64_TREE.new"
log="$QZ_WOW64_ROOT/make.log"
: >"$log"
remove_tree "$new"

# Every step runs in a private mount namespace: what debootstrap and the steps
# in the tree mount (/proc, /sys, /dev) vanishes with them, even on failure.
in_tree() {
  unshare --mount --propagation private -- bash -c '
    set -e
    tree=$1; shift
    mount -t proc proc "$tree/proc"
    mount --rbind /sys "$tree/sys"
    mount --rbind /dev "$tree/dev"
    exec chroot "$tree" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
      DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"' bash "$new" "$@" >>"$log" 2>&1
}
step() {
  local what=$1 t=$SECONDS
  shift
  say "  $what ..."
  "$@" || { tail -n 20 "$log" >&2; fail "$what failed (the whole log: $log); nothing of it is used"; }
  say "    done in $((SECONDS - t)) s"
}

bootstrap() {
  unshare --mount --propagation private -- \
    debootstrap --arch=amd64 --variant=minbase "$suite" "$new" "$mirror" >>"$log" 2>&1
}
install_wine() {
  in_tree apt-get update -q && in_tree apt-get install -y -q --no-install-recommends "${packages[@]}"
}
# The i386 PE DLLs of exactly the installed Wine version, taken out of the
# libwine:i386 package; only the tree's own dpkg learns the i386 architecture.
add_pe32() {
  in_tree bash -ec '
    version=$(dpkg-query -W -f="\${Version}" libwine)
    dpkg --add-architecture i386
    apt-get update -q
    work=$(mktemp -d)
    cd "$work"
    apt-get download -q "libwine:i386=$version"
    dpkg-deb --fsys-tarfile libwine_*_i386.deb | tar -x ./usr/lib/i386-linux-gnu/wine/i386-windows
    mkdir -p "$1"
    mv usr/lib/i386-linux-gnu/wine/i386-windows "$1/i386-windows"
    ln -s /usr/lib/x86_64-linux-gnu/wine/x86_64-unix "$1/x86_64-unix"
    cd /
    rm -rf "$work"
    apt-get clean' bash "$QZ_WOW64_DLLPATH"
}

step "a minimal Debian 13 (debootstrap)" bootstrap
step "Wine 10.0 and the libraries it loads" install_wine
step "the 32-bit PE DLLs of the same Wine version" add_pe32
wine_version=$(chroot "$new" dpkg-query -W -f='${Version}' wine64)
printf 'recipe=%s\nwine=%s\nmirror=%s\n' "$recipe" "$wine_version" "$mirror" >"$new/${QZ_WOW64_STAMP##*/}"

remove_tree "$QZ_WOW64_TREE"
mv "$new" "$QZ_WOW64_TREE"
say "made in $((SECONDS - started)) s: Wine $wine_version, $(du -sh --one-file-system "$QZ_WOW64_TREE" | cut -f1) in $QZ_WOW64_TREE"
