#!/usr/bin/env bash
# Everything a fresh Debian 12 machine needs to run all of TC4DL's tests: installs the
# packages, configures, builds, runs ctest and checks the C++ formatting; then builds the same
# tree again with AddressSanitizer and UndefinedBehaviorSanitizer (the `debug` preset,
# build-debug/) and runs the whole suite once more, where the first report of either ends the
# test that made it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
start=$SECONDS
# Tests that start a real server (PostgreSQL, an MQTT broker, a browser) skip where it cannot
# start; here that is a failure, so that this run never passes with one of them left out.
export TC4DL_REQUIRE_REAL_PARTS=1
bash scripts/build.sh
ctest --preset default --output-on-failure
# The tree's formatting, with the formatter the build installed; after the tests, so that an
# unformatted line does not hide their results.
bash scripts/check-format.sh
echo "test: plain build and suite took $((SECONDS - start)) s"

# The preset carries the sanitizers' settings (ASAN_OPTIONS, UBSAN_OPTIONS) into the build,
# which runs the program once to write the default graph template, and into the tests.
bash scripts/build.sh debug
ctest --preset debug --output-on-failure
echo "test: everything took $((SECONDS - start)) s"
