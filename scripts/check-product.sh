#!/usr/bin/env bash
# Static checks of the 32-bit product, which cannot run on this machine: a PE32
# DLL for i386, exactly the four exports without decoration, its type library
# and registration script embedded, imports from Windows system DLLs only (no
# runtime DLL beside it), and every COM method __stdcall (scripts/check-vtables.py).
set -euo pipefail
bin="${1:?usage: check-product.sh BIN_FOLDER}"
objdump=i686-w64-mingw32-objdump
dll="$bin/QZToolOpt.dll"
ui="$bin/QZToolOptUI.dll"
fail() { echo "check-product: $*" >&2; exit 1; }

[ -f "$dll" ] || fail "$dll is missing"
[ -f "$ui" ] || fail "$ui is missing"

for f in "$dll" "$ui"; do
  "$objdump" -f "$f" | grep -q 'file format pei-i386' || fail "$f is not a PE32 image for i386"
done

headers=$("$objdump" -p "$dll")
exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -oE '^\s*\[ *[0-9]+\] [A-Za-z_@0-9]+' | awk '{print $NF}' | sort | tr '\n' ' ')
[ "$exports" = "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ] \
  || fail "exports are '$exports'"

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|COMCTL32|SHLWAPI|SHELL32|MSVCRT|UUID|api-ms-win-[a-z0-9-]+)\.dll$'
imports=$(echo "$headers" | sed -n 's/^\s*DLL Name: //p')
for name in $imports; do
  echo "$name" | grep -qiE "$allowed" || fail "imports from $name, which is not a Windows system DLL"
done

uiimports=$("$objdump" -p "$ui" | sed -n 's/^\s*DLL Name: //p')
[ -z "$uiimports" ] || fail "the satellite imports code: $uiimports"

resources=$(i686-w64-mingw32-windres -i "$dll" -O rc 2>/dev/null || true)
has_resource() { echo "$resources" | tr '\n' ' ' | grep -qE "Type: \"$1\" +Name: $2\\."; }
has_resource TYPELIB 1 || fail "no TYPELIB 1 resource in $dll"
has_resource REGISTRY 101 || fail "no REGISTRY 101 resource in $dll"

# Test doubles and fixtures live in namespace qz::test, under tests/: none may ship.
testOnly=$(i686-w64-mingw32-nm -C "$dll" | grep -E 'qz::test::' | head -3 || true)
[ -z "$testOnly" ] || fail "test-only code is linked into $dll: $testOnly"

# The build tree of BIN_FOLDER holds the generated interface header.
root="$(cd "$(dirname "$0")/.." && pwd)"
python3 "$root/scripts/check-vtables.py" "$dll" "$root/src" "$bin/../generated" -- QZToolOpt.h platform/vs_interfaces.h \
  || fail "a COM method of $dll is not __stdcall"

echo "check-product: $dll is a PE32 i386 DLL with the four exports; imports: $(echo $imports | tr '\n' ' ')"
