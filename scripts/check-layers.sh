#!/usr/bin/env bash
# The folders of src/ are layers, each including only itself and the layers
# below it; this check fails, naming the include, when one reaches upward or
# sideways. core, the bottom, is also kept free of Windows headers, since it
# builds natively for fuzzing. pages and registration stand side by side and
# include neither each other.
#   scripts/check-layers.sh [SOURCE_FOLDER]   (default: src)
set -euo pipefail
cd "$(dirname "$0")/.."
src=${1:-src}

declare -A rank=(
  [satellite]=-1
  [core]=0
  [platform]=1
  [module]=2
  [compilers]=3
  [settings]=4
  [model]=5
  [pages]=6 [registration]=6
  [package]=7
)

failed=0
complain() { echo "check-layers: $*" >&2; failed=1; }

while IFS= read -r file; do
  layer=$(echo "${file#"$src"/}" | cut -d/ -f1)
  [ -n "${rank[$layer]+set}" ] || { complain "$file: $layer/ is no layer (add it to this check)"; continue; }
  while IFS=: read -r line target; do
    [ "$target" = "$layer" ] && continue
    if [ -z "${rank[$target]+set}" ]; then
      complain "$file:$line includes \"$target/...\", which is no layer"
    elif [ "${rank[$target]}" -ge "${rank[$layer]}" ]; then
      complain "$file:$line: $layer may not include \"$target/...\", which is not below it"
    fi
  done < <(grep -nE '^\s*#\s*include\s+"[A-Za-z_]+/' "$file" | sed -E 's/^([0-9]+):\s*#\s*include\s+"([A-Za-z_]+)\/.*/\1:\2/')
  if [ "$layer" = core ]; then
    while IFS=: read -r line header; do
      complain "$file:$line: core stays portable, but includes $header"
    done < <(grep -nE '^\s*#\s*include\s+(<(windows|ole|oaidl|objbase|commctrl|prsht)[a-z0-9]*\.h>|"QZToolOpt\.h")' "$file" |
      sed -E 's/^([0-9]+):\s*#\s*include\s+(.*)/\1:\2/')
  fi
done < <(find "$src" -mindepth 2 \( -name '*.h' -o -name '*.cpp' \) | sort)

[ "$failed" -eq 0 ] || exit 1
echo "check-layers: every include in $src/ stays within its layer or reaches below it"
