#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what clang-format makes of it with the
# repository's .clang-format, and names the files.
# Usage: check_format.sh source-root
set -euo pipefail
root=${1:?source root}
cd "$root"
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 2; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
((${#files[@]})) || { echo "no C++ file found under $root" >&2; exit 2; }
# One run for all files; its reports start with the file's name.
mapfile -t unformatted < <(clang-format --dry-run --Werror "${files[@]}" 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
if ((${#unformatted[@]})); then
  printf '%s\n' "${unformatted[@]}" >&2
  echo "${#unformatted[@]} file(s) not formatted: run clang-format -i on them" >&2
  exit 1
fi
echo "format: ${#files[@]} files as clang-format makes them"
