#!/usr/bin/env bash
# Fails when a source file includes a file of a layer above its own. The layers, lowest first:
#   platform/ (the interfaces) -> support/ -> platform/registry/ -> setup/ -> services/ -> shell/
# A layer may include its own and every lower one. platform/linux/ (the Linux implementations, the page
# bridge and the program's entry) binds them all and may include any of them.
# Usage: check_layers.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

# Includes that point upward today: the registry interface throws the system's one error kind and
# checks its names as UTF-8 text.
allowed="platform/Registry.h>support/Exception.h
platform/Registry.cpp>support/TextCodec.h"

find platform support setup services shell -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
  { xargs -0 grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' || true; } |
  awk -v allowed="$allowed" '
    function rank(path) {
      if (path ~ /^platform\/linux\//) return 5
      if (path ~ /^platform\/registry\//) return 1.5
      if (path ~ /^platform\//) return 0
      if (path ~ /^support\//) return 1
      if (path ~ /^setup\//) return 2
      if (path ~ /^services\//) return 3
      if (path ~ /^shell\//) return 4
      return -1
    }
    BEGIN { n = split(allowed, list, "\n"); for (i = 1; i <= n; ++i) ok[list[i]] = 1 }
    {
      file = substr($0, 1, index($0, ":") - 1)
      split($0, quoted, "\"")
      included = quoted[2]
      if (rank(included) > rank(file) && !((file ">" included) in ok)) {
        print file " includes " included ", which is in a layer above it" > "/dev/stderr"
        ++faults
      }
    }
    END {
      if (faults) { print faults " include(s) point upward" > "/dev/stderr"; exit 1 }
      print "layers: no include points upward"
    }'
