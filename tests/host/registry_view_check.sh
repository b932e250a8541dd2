#!/usr/bin/env bash
# The registry view of the host's bitness, in a fresh prefix: the sample
# installation lands in it (for the 32-bit host the 32-bit view, below
# HKEY_LOCAL_MACHINE\Software\Wow6432Node, where the 32-bit IDE and its packages
# read) and nowhere else; doctor names that view; the package offers the
# sample's compilers, and a new user's first-run seeding takes their
# directories from the same view.
# Usage: registry_view_check.sh BIN_FOLDER SCRATCH_FOLDER RUNNER 32|64
set -euo pipefail
. "$(dirname "$0")/../support/fresh_prefix.sh"
host() { wine "$bin/QZIdeHost.exe" "$@" 2>&1 | tr -d '\r'; }

host sample >"$scratch/sample.txt" || { cat "$scratch/sample.txt"; fail "sample failed"; }
for key in 'Software\Tavrel\Compilers\Fortran\111.065\PX32' 'Software\Tavrel\IDE\Fortran\120' \
           'Software\Microsoft\VisualStudio\8.0\VC\VC_OBJECTS_PLATFORM_INFO'; do
  wine reg query "HKLM\\$key" "/reg:$bits" >/dev/null 2>&1 || fail "HKLM\\$key is not in the $bits-bit view"
  if wine reg query "HKLM\\$key" "/reg:$other" >/dev/null 2>&1; then fail "HKLM\\$key is in the $other-bit view"; fi
done

doctor=$(host doctor)
grep -q "^Registry view: $bits-bit" <<<"$doctor" || { echo "$doctor"; fail "doctor does not name the $bits-bit view"; }
json=$(host --json doctor)
grep -qF "\"registryView\":\"$bits-bit\"" <<<"$json" || { echo "$json"; fail "doctor's JSON does not name the $bits-bit view"; }

compilers=$(host compilers)
grep -qF '111.065|PX32_PX32' <<<"$compilers" || { echo "$compilers"; fail "the package does not offer the sample's compilers"; }
seeded=$(wine reg query 'HKCU\Software\Microsoft\VisualStudio\8.0\Tavrel Fortran\QZToolOpt\120\111.065\PX32_PX32' /v IncludeDir 2>&1 | tr -d '\r')
grep -qF 'include\vs2005' <<<"$seeded" || { echo "$seeded"; fail "the first-run seeding did not take the sample's directories"; }

echo "the sample, doctor, the package and the seeding all use the $bits-bit registry view"
