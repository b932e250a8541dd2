# Sourced by the checks that run in a fresh Wine prefix of their own, given
# BIN_FOLDER SCRATCH_FOLDER RUNNER 32|64: sets bin, scratch, run, bits and other
# (the bitness of the other registry view), makes the scratch folder afresh
# with the prefix in it, and stops the prefix's wineserver on exit.
bin=$(cd "$1" && pwd)
scratch="$2"
run="$3"
bits="$4"
fail() { echo "FAIL: $*"; exit 1; }
case "$bits" in
  64) other=32 ;;
  32) other=64 ;;
  *) fail "bitness $bits" ;;
esac
export WINEPREFIX="$scratch/prefix"
"$run" --stop
rm -rf "$scratch" && mkdir -p "$scratch"
trap '"$run" --stop' EXIT
wine() { "$run" "$@" </dev/null; }
