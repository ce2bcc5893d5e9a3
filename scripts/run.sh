#!/usr/bin/env bash
# Builds TC4DL if needed and shows the live readings of the meter, or of the built-in simulated
# meter when no real one answers. Extra arguments go to the monitor (try --help).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/build.sh >/dev/null
exec build/bin/tc4dl-cli monitor --demo "$@"
