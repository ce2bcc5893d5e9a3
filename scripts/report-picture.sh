#!/usr/bin/env bash
# Makes docs/report.png, the README's picture of a report's first page: the built-in simulated
# meter's logger memory downloaded, its oven run reported with two limits, and page 1 rendered
# by pdftoppm. Run by hand after changing how a report looks, and commit the picture; it needs
# a build (bash scripts/build.sh) and takes a second or two.
#   bash scripts/report-picture.sh [PATH/TO/tc4dl-cli]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$here/build/bin/tc4dl-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The download's own folders, so that no archive or setting of the user is touched.
export XDG_DATA_HOME=$work XDG_CONFIG_HOME=$work
"$cli" download --demo --no-archive -o "$work/demo.ch4" >/dev/null
"$cli" report "$work/demo.ch4" --set 2 --alarm 'T1>180' --alarm 'T4<30' --hysteresis 0.5 \
  --title "Oven warm-up" --site "Bakery, oven 2" --operator "A. Baker" --paper a4 \
  -o "$work/report.pdf"
pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$work/report.pdf" "$here/docs/report"
echo "Wrote $here/docs/report.png"
