#!/usr/bin/env bash
# Everything a fresh Debian 12 machine needs to run all of TC4DL's tests: installs the
# packages, configures, builds and runs ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
bash scripts/build.sh
ctest --preset default --output-on-failure
