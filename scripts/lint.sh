#!/usr/bin/env bash
# The habits the tree keeps: every C/C++ file formatted as .clang-format says,
# and the product's sources clean under the clang-tidy checks of .clang-tidy,
# read as the 32-bit product build compiles them (it must have been built:
# the type library's header is generated). Fails naming each file or finding.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
unformatted=()
while IFS= read -r file; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files '*.cpp' '*.h' '*.c')
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "lint: not formatted (clang-format -i FILE fixes it):"
  printf '  %s\n' "${unformatted[@]}"
  status=1
fi

build=build/x86
if [ ! -f "$build/compile_commands.json" ] || [ ! -f "$build/generated/QZToolOpt.h" ]; then
  echo "lint: $build is not built; run: cmake --preset x86 && cmake --build --preset x86" >&2
  exit 1
fi
# Debian's clang finds the mingw-w64 C headers by the target, not the C++ ones
# of the cross g++: hand it the same C++ include directories g++ uses.
args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc++)
while IFS= read -r dir; do
  args+=("--extra-arg=-isystem$dir")
done < <(echo | i686-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 |
         sed -n '/<\.\.\.> search starts/,/End of search/p' | grep '^ /.*c++' | sed 's/^ //')

if ! git ls-files 'src/*.cpp' | xargs -P"$(nproc)" -n4 clang-tidy -p "$build" --quiet "${args[@]}" \
     > "$build/clang-tidy.log" 2>&1; then
  echo "lint: clang-tidy findings:"
  grep -E 'error:|warning:' "$build/clang-tidy.log" | sort -u | sed 's/^/  /'
  status=1
fi
[ $status -ne 0 ] || echo "lint: formatted, and clang-tidy finds nothing in src/"
exit $status
