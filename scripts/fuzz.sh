#!/usr/bin/env bash
# Runs one fuzz target with libFuzzer for longer than CI's replay of the committed corpus:
#
#   scripts/fuzz.sh TARGET [SECONDS]      (default 600 seconds)
#   scripts/fuzz.sh --list
#
# Builds with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer in build-fuzz/
# (installs clang-14 and libclang-rt-14-dev first if they are missing). New inputs the fuzzer
# finds go to build-fuzz/corpus/TARGET; at the end the ones that reach code the committed corpus
# does not are merged into fuzz/corpus/TARGET, and every input that broke a rule or crashed is
# copied there too, so that the replay tests keep it out for good. Commit fuzz/corpus after a run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

targets=(framereader livedecoder graphstate graphstatefile messagetable memorydecoder
  collectionfile memorydownload setupexchange texttable tabletograph
  journal archive liverequest recordconfig)
if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
target=${1:-}
seconds=${2:-600}
if [ -z "$target" ] || [[ ! " ${targets[*]} " == *" $target "* ]]; then
  echo "usage: scripts/fuzz.sh TARGET [SECONDS]; TARGET is one of: ${targets[*]}" >&2
  exit 2
fi

# The fuzzing tool chain is needed for this use only, so the normal install leaves it out.
packages=(clang-14 libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Clang warns about other things than GCC, whose warnings the normal build already holds to.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DTC4DL_FUZZ=ON -DTC4DL_WERROR=OFF \
  -DTC4DL_BUILD_TESTS=OFF -DTC4DL_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "fuzz_$target"

# Input sizes: a few frames for the meter's stream, larger files for graphs and tables.
case "$target" in
  framereader) max_len=2048 ;;
  livedecoder) max_len=1440 ;;
  messagetable) max_len=16384 ;;
  liverequest) max_len=16384 ;;
  memorydownload | setupexchange) max_len=16384 ;;
  *) max_len=65536 ;;
esac

work=build-fuzz/corpus/$target
crashes=build-fuzz/crashes/$target
committed=fuzz/corpus/$target
mkdir -p "$work" "$crashes" "$committed"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
# No allocation may reach 64 MB: ample for any input of max_len bytes, far below a runaway.
nice build-fuzz/fuzz/fuzz_"$target" "$work" "$committed" -max_total_time="$seconds" \
  -max_len="$max_len" -malloc_limit_mb=64 -rss_limit_mb=1024 -timeout=10 \
  -artifact_prefix="$crashes/" -print_final_stats=1 || status=$?

# Keep what reached new code, and every input that broke something.
build-fuzz/fuzz/fuzz_"$target" -merge=1 "$committed" "$work" >/dev/null 2>&1 || true
for f in "$crashes"/*; do
  [ -e "$f" ] || continue
  cp "$f" "$committed/$(basename "$f")"
  echo "fuzz: kept $(basename "$f") in $committed (it broke a rule or crashed)" >&2
done
echo "fuzz: $committed now holds $(find "$committed" -type f | wc -l) inputs" >&2
exit "$status"
