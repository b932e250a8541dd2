#!/usr/bin/env bash
# Registers the built DLL with Wine's regsvr32 of the DLL's bitness (for the
# 32-bit DLL the one in C:\windows\syswow64, as on 64-bit Windows) in a fresh
# prefix and checks the registry it leaves: after registering, after
# registering again, after unregistering, and with EnvSdk_RootSuffix; all of it
# in the registry view of the DLL's bitness (the 32-bit DLL's in Wow6432Node,
# where the 32-bit IDE looks), nothing in the other view.
# Usage: regsvr32_check.sh BIN_FOLDER SCRATCH_FOLDER RUNNER 32|64
set -euo pipefail
. "$(dirname "$0")/../support/fresh_prefix.sh"
regsvr32=regsvr32
[ "$bits" = 64 ] || regsvr32='C:\windows\syswow64\regsvr32.exe'
dll="Z:${bin//\//\\}\\QZToolOpt.dll"
folder="${dll%\\*}\\"

hive='HKEY_LOCAL_MACHINE\Software\Microsoft\VisualStudio\8.0'
export_hive() {  # the hive as the registry editor exports it, without the header line and CRs
  rm -f "$scratch/export.reg"
  wine reg export "$1" "$scratch/export.reg" /y "/reg:$bits" >/dev/null 2>&1 || fail "reg export $1"
  iconv -f UTF-16LE -t UTF-8 "$scratch/export.reg" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' | grep -v '^Windows Registry Editor' | sed '/^$/d'
}

pkg='{0DE3E8C5-8C7F-4C1F-97D6-59D5AEBDAFFC}'
esc() { printf '%s' "$1" | sed 's/\\/\\\\/g'; }
expected_registered() {
  local h="$1"
  cat <<REG
[$h]
[$h\\AutomationProperties]
[$h\\AutomationProperties\\Tavrel Fortran ToolOptions]
[$h\\AutomationProperties\\Tavrel Fortran ToolOptions\\General]
"Name"="Tavrel Fortran ToolOptions.General"
"Package"="$pkg"
[$h\\Menus]
"$pkg"=", 1000, 1"
[$h\\Packages]
[$h\\Packages\\$pkg]
@="Tavrel(R) Solvane Tool Options Package"
"InprocServer32"="$(esc "$dll")"
[$h\\Packages\\$pkg\\SatelliteDll]
"DllName"="QZToolOptUI.DLL"
"Path"="$(esc "$folder")"
[$h\\Services]
[$h\\Services\\{68FEE8AA-3CF8-459A-8B16-AC55DE63B62D}]
@="$pkg"
"Name"="SID_SQZToolOptions"
[$h\\ToolsOptionsPages]
[$h\\ToolsOptionsPages\\Tavrel Fortran]
@="#256"
"Package"="$pkg"
"Sort"=dword:000003e8
[$h\\ToolsOptionsPages\\Tavrel Fortran\\Compilers]
@="#260"
"Package"="$pkg"
"Page"="{31921995-2333-4D69-9B44-C7EA9CE2369B}"
[$h\\ToolsOptionsPages\\Tavrel Fortran\\GAP]
@="#261"
"Package"="$pkg"
"Page"="{58E73811-510C-420C-B67B-39F1849A03C9}"
[$h\\ToolsOptionsPages\\Tavrel Fortran\\General]
@="#259"
"Package"="$pkg"
"Page"="{878704E3-A6F6-45B2-8461-AE189C654362}"
REG
}
expected_unregistered() {
  local h="$1"
  printf '[%s]\n' "$h" "$h\\AutomationProperties" "$h\\Menus" "$h\\Packages" "$h\\Services" "$h\\ToolsOptionsPages"
}
same() {  # order-independent comparison of two exports
  diff <(sort <<<"$1") <(sort <<<"$2") >/dev/null || { diff <(echo "$1") <(echo "$2") || true; fail "$3"; }
}

absent_elsewhere() {
  if wine reg query "$1" "/reg:$other" >/dev/null 2>&1; then fail "$1 exists in the $other-bit registry view"; fi
}

wine "$regsvr32" /s "$bin/QZToolOpt.dll" || fail "regsvr32 answered $?"
same "$(export_hive "$hive")" "$(expected_registered "$hive")" "the registered entries differ"
absent_elsewhere "$hive"
wine reg query "HKEY_CLASSES_ROOT\\TypeLib\\{49211635-5414-4FBD-95D0-1283A7810E08}\\c.0\\0\\win$bits" >/dev/null 2>&1 \
  || fail "the type library is not registered for win$bits"

# An automation client finds the registered library by its identifier and version.
registered=$(wine "$bin/QZIdeHost.exe" register 2>&1 | tr -d '\r')
grep -q '^\[ok\]   LoadRegTypeLib of QZToolOptLib 12.0 answered S_OK' <<<"$registered" \
  || fail "LoadRegTypeLib does not find the registered type library"

wine "$regsvr32" /s "$bin/QZToolOpt.dll" || fail "a second regsvr32 answered $?"
same "$(export_hive "$hive")" "$(expected_registered "$hive")" "registering twice left other entries"

wine "$regsvr32" /s /u "$bin/QZToolOpt.dll" || fail "regsvr32 /u answered $?"
same "$(export_hive "$hive")" "$(expected_unregistered "$hive")" "unregistering left more than the kept keys"

EnvSdk_RootSuffix=Exp wine "$regsvr32" /s "$bin/QZToolOpt.dll" || fail "regsvr32 with a root suffix answered $?"
same "$(export_hive "${hive}Exp")" "$(expected_registered "${hive}Exp")" "the Exp hive differs"
absent_elsewhere "${hive}Exp"
same "$(export_hive "$hive")" "$(expected_unregistered "$hive")" "the suffix leaked into the plain hive"

echo "regsvr32 registration checks passed"
