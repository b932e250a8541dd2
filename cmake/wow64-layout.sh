# Where the WoW64 runtime lives; sourced by scripts/wow64-runtime.sh, which
# makes it, and by cmake/wow64-run.sh, which runs programs in it. It stays
# outside every checkout, so that no clean of a build tree can reach it.
QZ_WOW64_ROOT="${QZ_WOW64_ROOT:-/var/lib/qz-wow64}"
# The Debian 13 tree with Wine 10.0, and the stamp that says it is complete.
QZ_WOW64_TREE="$QZ_WOW64_ROOT/trixie"
QZ_WOW64_STAMP="$QZ_WOW64_TREE/.qz-ready"
# Inside the tree: the folder WINEDLLPATH names, holding the 32-bit PE DLLs
# (i386-windows/) and the link to the 64-bit unix halves (x86_64-unix).
QZ_WOW64_DLLPATH=/opt/qz-wow64/wine
