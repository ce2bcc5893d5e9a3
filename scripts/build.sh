#!/usr/bin/env bash
# Installs what is missing, then configures and builds TC4DL in build/ (or, given a preset
# name such as `debug`, in that preset's folder). Uses ccache when it is installed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
preset=${1:-default}
bash scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths relative to the checkout, so that clones in other folders share the cache.
  export CCACHE_BASEDIR="$here"
fi
cmake --preset "$preset" "${launcher[@]}"
cmake --build --preset "$preset" -j "$(nproc)"
