#!/usr/bin/env bash
# Runs a Windows program under wine64 in the build tree's own prefix (started
# by cmake/wow64-run.sh inside the WoW64 runtime, also a 32-bit one, in WoW64
# mode): headless (null graphics driver), no crash debugger, no Mono/Gecko
# prompts. Used as CMAKE_CROSSCOMPILING_EMULATOR, so WINEPREFIX arrives through
# the emulator command itself. QZ_WINE_GRAPHICS chooses the graphics drivers of
# a new prefix (default "null"; "x11,null" uses the X display when there is one).
# "wine-run.sh --stop" stops the prefix's wineserver (always before deleting it).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

if [ "${1:-}" = --stop ]; then
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  exit 0
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.qz-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
    # Under the WoW64 runtime the boot also fills C:\windows\syswow64; an empty
    # one means that no 32-bit program can start in this prefix.
    if [ -n "${WINEDLLPATH:-}" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
      echo "wine-run: $WINEPREFIX has no 32-bit system folder: can this machine run 32-bit code? (scripts/wow64-runtime.sh --probe)" >&2
      "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
      exit 125
    fi
    "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "${QZ_WINE_GRAPHICS:-null}" /f </dev/null >/dev/null 2>&1
    # WinDbg would turn a crash into a hang; the crash is reported by exit code instead.
    "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 0 /f </dev/null >/dev/null 2>&1
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.qz-ready"
  fi
  # A wineserver, or the prefix's background services (winedevice.exe), that
  # inherited our output pipe would keep ctest waiting on every test until the
  # server's idle timeout. So when no server runs for the prefix, it is started
  # here and the services warmed with every descriptor closed.
  server="server-$(printf '%x-%x' "0x$(stat -c %D "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
  if ! compgen -G "/tmp/wine-*/$server/socket" >/dev/null && ! compgen -G "/tmp/.wine-$(id -u)/$server/socket" >/dev/null; then
    "$WINESERVER" -p60 </dev/null >/dev/null 2>&1 9>&- || true
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"

# Under ctest (QZ_WINE_OUTPUT_VIA_FILES set): a Wine process that a test starts,
# above all the desktop's explorer.exe when the previous one has ended for want
# of users, inherits the test's output and lives on while later tests use the
# desktop, and ctest would wait for it until the test times out. Through files,
# only the test's own output is waited for.
if [ -n "${QZ_WINE_OUTPUT_VIA_FILES:-}" ]; then
  out=$(mktemp) err=$(mktemp)
  status=0
  "$WINE64" "$@" >"$out" 2>"$err" || status=$?
  cat "$out"
  cat "$err" >&2
  rm -f "$out" "$err"
  exit "$status"
fi
exec "$WINE64" "$@"
