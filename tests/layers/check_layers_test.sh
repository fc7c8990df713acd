#!/usr/bin/env bash
# The layer check on small trees: a downward include passes, an upward one fails and is named.
set -euo pipefail
check=$(cd "$(dirname "$0")" && pwd)/check_layers.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{platform,support,registry,setup,services,shell,linux,bench,tools}

echo '#include "platform/Timer.h"' >"$tree/support/Down.cpp"
echo '#include "shell/fuMain.h"' >"$tree/linux/Entry.cpp"
echo '#include "support/TextCodec.h"' >"$tree/registry/Hive.cpp"
echo '#include "registry/MemoryRegistry.h"' >"$tree/setup/Settings.cpp"
echo '#include "linux/X11Screen.h"' >"$tree/bench/Capture.cpp"
bash "$check" "$tree" >/dev/null || { echo "downward includes were refused" >&2; exit 1; }

# Adds file with one include that points upward: the check must fail and name both.
expect_refused() {
  local file=$1 included=$2
  echo "#include \"$included\"" >"$tree/$file"
  if bash "$check" "$tree" 2>"$tree/why"; then
    echo "$file including $included passed" >&2
    exit 1
  fi
  grep -q "$file includes $included" "$tree/why" || { cat "$tree/why" >&2; exit 1; }
  rm "$tree/$file"
}

expect_refused setup/Up.cpp services/MachineAddress.h
# The interfaces are the bottom: not even the common routines are theirs to use.
expect_refused platform/Up.h support/TextCodec.h
# The registry's implementation sits above the common routines, not beside the interfaces.
expect_refused support/Up.cpp registry/HiveFile.h
# Only the outermost ring knows the Linux layer, and nothing in the program knows the benchmarks.
expect_refused shell/Up.cpp linux/GtkApp.h
expect_refused linux/Up.cpp bench/Helper.h
echo "layer check: downward passes, upward fails"
