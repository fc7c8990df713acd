#!/usr/bin/env bash
# Fails when one of the given executables (the tests of the portable units) loads a library of the
# toolkit, the web engine or the X window system: the portable core must run without them.
# Usage: check_core_links.sh executable...
set -euo pipefail
forbidden='lib(gtk|gdk|webkit2gtk|javascriptcoregtk|X11|Xext|Xfixes|Xrandr|xcb|SM|ICE)[-.]'
(($#)) || { echo "no executable given" >&2; exit 2; }
faults=0
for executable in "$@"; do
  # ldd lists every library that loading the executable brings in, not only its own NEEDED entries.
  libraries=$(ldd "$executable") || { echo "$executable: cannot be read" >&2; exit 2; }
  if loaded=$(grep -oE "$forbidden[^ ]*" <<<"$libraries" | sort -u); then
    echo "$(basename "$executable") loads $(echo $loaded)" >&2
    ((++faults))
  fi
done
if ((faults)); then
  echo "$faults executable(s) of the portable core load the toolkit, the web engine or X11" >&2
  exit 1
fi
echo "core links: $# executables load no toolkit, web engine or X11 library"
