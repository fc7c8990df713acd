#!/usr/bin/env bash
# The layer check on small trees: a downward include passes, an upward one fails and is named.
set -euo pipefail
check=$(cd "$(dirname "$0")" && pwd)/check_layers.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{platform/linux,platform/registry,support,setup,services,shell}

echo '#include "platform/Timer.h"' >"$tree/support/Down.cpp"
echo '#include "shell/fuMain.h"' >"$tree/platform/linux/Entry.cpp"
echo '#include "support/TextCodec.h"' >"$tree/platform/registry/Hive.cpp"
echo '#include "platform/registry/MemoryRegistry.h"' >"$tree/setup/Settings.cpp"
bash "$check" "$tree" >/dev/null || { echo "downward includes were refused" >&2; exit 1; }

echo '#include "services/MachineAddress.h"' >"$tree/setup/Up.cpp"
if bash "$check" "$tree" 2>"$tree/why"; then
  echo "an upward include passed" >&2
  exit 1
fi
grep -q 'setup/Up.cpp includes services/MachineAddress.h' "$tree/why" || { cat "$tree/why" >&2; exit 1; }
rm "$tree/setup/Up.cpp"

# The registry's implementation sits above the common routines, not beside the interfaces.
echo '#include "platform/registry/HiveFile.h"' >"$tree/support/Up.cpp"
if bash "$check" "$tree" 2>"$tree/why"; then
  echo "an include of the registry's implementation from below passed" >&2
  exit 1
fi
grep -q 'support/Up.cpp includes platform/registry/HiveFile.h' "$tree/why" || { cat "$tree/why" >&2; exit 1; }
echo "layer check: downward passes, upward fails"
