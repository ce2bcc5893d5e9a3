#!/usr/bin/env bash
# Installs what is missing, then configures and builds TC4DL in build/.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j "$(nproc)"
