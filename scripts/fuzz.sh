#!/usr/bin/env bash
# Fuzzes the portable pieces natively with libFuzzer and the address and
# undefined-behaviour sanitizers.
#   scripts/fuzz.sh [SECONDS]   SECONDS per target (default 120)
#   scripts/fuzz.sh --smoke     6 seconds per target, for CI
# The kept cases in fuzz/regressions/<target>/ are replayed first, also with 0
# seconds. The seed corpus is fuzzed in a scratch copy, so the tree stays as it
# is. Exits non-zero on any finding; the input is kept in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=120
case "${1:-}" in
  "") ;;
  --smoke) seconds=6 ;;
  *[!0-9]*) echo "usage: $0 [SECONDS | --smoke]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac

targets=(version string_list extension_lists message_format script_parser)
declare -A sources=(
  [version]=src/core/version.cpp
  [string_list]=src/core/string_list.cpp
  [extension_lists]=src/core/extension_lists.cpp
  [message_format]=src/core/message_format.cpp
  [script_parser]=src/core/script_parser.cpp
)
# Room for the longest realistic input: the package's script with its variables.
declare -A max_len=([version]=64 [string_list]=1024 [extension_lists]=1024 [message_format]=1024 [script_parser]=4096)

out=build/fuzz
findings=$out/findings
mkdir -p "$findings"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The targets build in parallel; a compile error stops the run.
pids=()
for t in "${targets[@]}"; do
  clang++ -std=c++17 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -g -O1 \
    -Isrc "fuzz/${t}_fuzz.cpp" "${sources[$t]}" -o "$out/${t}_fuzz" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done

# Prints where libFuzzer saved the input and what broke.
report() {
  local log=$1
  grep -E 'property broken|ERROR: |runtime error|SUMMARY' "$log" | head -5 | sed 's/^/  /'
  sed -n 's/.*Test unit written to /  input saved: /p' "$log"
}

failed=0
for t in "${targets[@]}"; do
  fuzzer=$out/${t}_fuzz
  log=$out/$t.log
  regressions=(fuzz/regressions/"$t"/*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$fuzzer" -artifact_prefix="$findings/$t-" "${regressions[@]}" >"$log" 2>&1; then
      echo "$t: a kept regression case fails ($log)"
      report "$log"
      failed=1
      continue
    fi
    echo "$t: ${#regressions[@]} regression case(s) pass"
  fi
  [ "$seconds" -gt 0 ] || continue

  mkdir -p "$scratch/$t"
  cp fuzz/corpus/"$t"/* "$scratch/$t/"
  dict=()
  [ ! -f "fuzz/$t.dict" ] || dict=(-dict="fuzz/$t.dict")
  if "$fuzzer" -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=10 -print_final_stats=1 \
      "${dict[@]}" -artifact_prefix="$findings/$t-" "$scratch/$t" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1)
    echo "$t: $runs runs in ${seconds} s, $cov inputs"
  else
    echo "$t: FINDING ($log)"
    report "$log"
    failed=1
  fi
done
exit "$failed"
