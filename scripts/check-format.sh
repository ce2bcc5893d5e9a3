#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the tree's .clang-format, naming each such file,
# so that formatting stays one commit's work instead of noise in every later diff.
# `bash scripts/check-format.sh --fix` formats them in place instead.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-14
command -v "$formatter" >/dev/null || { echo "check-format: $formatter is not installed" >&2; exit 2; }
# The sources git knows of, new ones included; without git (or outside a checkout) every C++
# file but the build folders' generated ones.
if ! mapfile -t sources < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' 2>/dev/null) \
    || [ ${#sources[@]} -eq 0 ]; then
  mapfile -t sources < <(find . \( -name 'build*' -o -name .git \) -prune -o \
    \( -name '*.cpp' -o -name '*.h' \) -print)
fi
if [ "${1:-}" = --fix ]; then
  "$formatter" -i "${sources[@]}"
  exit 0
fi
bad=()
for f in "${sources[@]}"; do
  "$formatter" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'check-format: not formatted: %s\n' "${bad[@]}" >&2
  echo "check-format: ${#bad[@]} file(s) differ from .clang-format; run bash scripts/check-format.sh --fix" >&2
  exit 1
fi
echo "check-format: ${#sources[@]} files formatted"
