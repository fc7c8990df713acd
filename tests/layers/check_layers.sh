#!/usr/bin/env bash
# Fails when a source file includes a file of a layer above its own. The layers, lowest first:
#   platform/ (the interfaces) -> support/ -> registry/ -> setup/ -> services/ -> shell/
#   -> linux/ (the Linux implementations, the page bridge and the program's entry)
#   -> tests/, bench/, tools/, demo/, fuzz/ (which may use everything, and which nothing uses)
# A layer may include its own and every lower one.
# Usage: check_layers.sh [source root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

folders=(platform support registry setup services shell linux tests bench tools demo fuzz)
existing=()
for folder in "${folders[@]}"; do [[ -d $folder ]] && existing+=("$folder"); done

find "${existing[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
  { xargs -0 grep -H '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' || true; } |
  awk '
    function rank(path) {
      if (path ~ /^platform\//) return 0
      if (path ~ /^support\//) return 1
      if (path ~ /^registry\//) return 2
      if (path ~ /^setup\//) return 3
      if (path ~ /^services\//) return 4
      if (path ~ /^shell\//) return 5
      if (path ~ /^linux\//) return 6
      if (path ~ /^(tests|bench|tools|demo|fuzz)\//) return 7
      return -1
    }
    {
      file = substr($0, 1, index($0, ":") - 1)
      split($0, quoted, "\"")
      included = quoted[2]
      if (rank(included) > rank(file)) {
        print file " includes " included ", which is in a layer above it" > "/dev/stderr"
        ++faults
      }
    }
    END {
      if (faults) { print faults " include(s) point upward" > "/dev/stderr"; exit 1 }
      print "layers: no include points upward"
    }'
