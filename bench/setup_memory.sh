#!/usr/bin/env bash
# Memory of a setup download: the peak RSS (the kernel's high-water mark, through GNU time) of
# "TesraBrowser -install" (the progress form, no web processes) when the server's icon is 10 MB,
# beside the same setup with the small demo icon.
#
#   bench/setup_memory.sh [RUNS]     (default 3)
#
# A download streams to a temporary file beside its target, so the peak should barely move with the
# size of the file. Prints the medians and their difference. Informational only: never fails a build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
export TESRA_SOURCE=$here TESRA_BUILD=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/build.sh" --target TesraBrowser tesra-demo-server >/dev/null

E2E_SUMMARY=0
# shellcheck source=tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh"
e2e_setup
[ -n "${DISPLAY:-}" ] || e2e_start_display
program=${TESRA_PROGRAM:-$TESRA_BUILD/linux/TesraBrowser}

small="$E2E_DIR/small"
big="$E2E_DIR/big"
mkdir -p "$small" "$big"
cp "$here/demo/app/setup/TesraBrowser.ico" "$here/demo/app/setup/TesraBrowserIni.txt" "$small/"
head -c $((10 * 1024 * 1024)) /dev/urandom >"$big/TesraBrowser.ico"
cp "$here/demo/app/setup/TesraBrowserIni.txt" "$big/"

# Sets PEAK to the peak RSS in KiB of one "-install" against the setup folder DIR ("-" when the icon
# did not arrive whole). Runs in the script's own shell, so that its server is recorded and stopped.
peak() {
  local dir=$1
  e2e_start_server --setup-dir "$dir"
  rm -rf "$XDG_DATA_HOME/Kestal" "$HOME/Desktop"/* "$E2E_DIR/maxrss"
  TESRA_PROGRAM=/usr/bin/time e2e_start_program -f %M -o "$E2E_DIR/maxrss" "$program" -install "$SERVER_URL/app/index.html"
  e2e_wait_exit "$PROGRAM_PID" 60 >/dev/null || true
  # A run whose icon did not arrive whole measured nothing.
  PEAK=-
  if cmp -s "$dir/TesraBrowser.ico" "$XDG_DATA_HOME/Kestal/TesraBrowser/$(e2e_url_key "$SERVER_URL/app/index.html")/TesraBrowser.ico"; then
    PEAK=$(tail -n 1 "$E2E_DIR/maxrss")
  fi
}

median() { tr ' ' '\n' <<<"$1" | grep -E '^[0-9]+$' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# A first run fills the caches (fonts, the shared libraries' pages) that later runs find ready.
peak "$small"
idle="" download=""
for ((i = 1; i <= runs; i++)); do
  peak "$small"
  a=$PEAK
  peak "$big"
  b=$PEAK
  idle+="$a " download+="$b "
  printf '  run %d  small icon %8s KiB  10 MB icon %8s KiB\n' "$i" "$a" "$b"
done
a=$(median "$idle")
b=$(median "$download")
printf 'peak RSS of the setup: small icon %s KiB, 10 MB icon %s KiB, difference %s KiB\n' "$a" "$b" "$((b - a))"
