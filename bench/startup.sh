#!/usr/bin/env bash
# Start-up benchmark: TesraBrowser beside the bare WebKitGTK floor window (tesra-bench-floor), and
# TesraBrowser again with a StatusNotifierWatcher on the session bus (its tray icon then goes there
# instead of the XEmbed tray).
#
#   bench/startup.sh [RUNS [BASELINE]]     (default 5 runs)
#
# BASELINE is another build of the program file (an earlier one, copied away), measured in the same runs,
# alternating with this one, in the same ways.
#
# For each run of each program: the time from starting the process to the demo page's "load" report
# reaching the local server, and the peak memory of the process with all its children (web and network
# processes), summed RSS and PSS sampled every 20 ms from the start until 1 s after the load report.
# Each program first runs once in a prepared home (the program's first start for an address does its
# setup there); every measured daily start begins from a fresh copy of that home, so it takes the quick
# path. Each run also measures a first start (setup included) from an empty home, and a daily start whose
# stored icon is a 16000 x 16000 PNG (about 1 MB, as a server may hand one out; the one start that first
# reads it is measured once beforehand). Prints the medians,
# their spread (lowest and highest) and the ratios. Without a display everything runs under Xvfb.
# Informational only: it never fails a build and is not a test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
baseline=${2:-}
export TESRA_SOURCE=$here TESRA_BUILD=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/build.sh" --target TesraBrowser tesra-demo-server tesra-bench-floor tesra-bench-memory >/dev/null

E2E_SUMMARY=0
# shellcheck source=tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh"
e2e_setup
[ -n "${DISPLAY:-}" ] || e2e_start_display --tray
e2e_start_server
address="$SERVER_URL/app/index.html?main=true"
program=$TESRA_BUILD/linux/TesraBrowser
floor=$TESRA_BUILD/bench/floor/tesra-bench-floor
sampler=$TESRA_BUILD/bench/memory/tesra-bench-memory
watcher=$here/tests/e2e/sni_watcher.py

start_watcher() {
  /usr/bin/python3 "$watcher" --log "$E2E_DIR/watcher.log" &
  WATCHER_PID=$!
  local deadline
  deadline=$(_e2e_deadline 10)
  until [ "$(gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher 2>/dev/null)" = "(true,)" ]; do
    _e2e_expired "$deadline" && return 1
    sleep 0.05
  done
}
stop_watcher() {
  kill "$WATCHER_PID" 2>/dev/null || true
  wait "$WATCHER_PID" 2>/dev/null || true
}

# Points the per-user folders at a home made from TEMPLATE (empty when there is none).
use_home() {
  local run=$E2E_DIR/run
  rm -rf "$run"
  mkdir -p "$run"
  if [ -d "$1" ]; then cp -a "$1/." "$run/"; fi
  export HOME=$run/home TESRA_MACHINE_HIVE_DIR=$run/machine XDG_RUNTIME_DIR=$run/runtime
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Desktop" "$TESRA_MACHINE_HIVE_DIR"
  rm -rf "$XDG_RUNTIME_DIR"
  mkdir -m 0700 "$XDG_RUNTIME_DIR"
  # shellcheck disable=SC2016
  [ -f "$XDG_CONFIG_HOME/user-dirs.dirs" ] || echo 'XDG_DESKTOP_DIR="$HOME/Desktop"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
}

# Server time of the first "load" report in microseconds, waiting up to 60 s.
load_time() {
  local deadline line
  deadline=$(_e2e_deadline 60)
  until line=$(grep -m 1 -E '^[0-9]+ load ' <<<"$(_e2e_curl "$SERVER_URL/__events?time=1")"); do
    _e2e_expired "$deadline" && return 1
    _e2e_alive "$PROGRAM_PID" || return 1
    sleep 0.01
  done
  echo "${line%% *}"
}

# Runs BINARY once from TEMPLATE; sets MS, RSS and PSS (KiB), each "-" when the page did not load.
measure() {
  local binary=$1 template=$2 start loaded sampling memory
  use_home "$template"
  e2e_reset
  start=${EPOCHREALTIME//[!0-9]/}
  TESRA_PROGRAM=$binary e2e_start_program "$address"
  "$sampler" "$PROGRAM_PID" 20 >"$E2E_DIR/memory" &
  sampling=$!
  loaded=$(load_time) && sleep 1 || loaded=""
  # Shared objects that the process itself (not its web processes) has mapped a second after the load.
  LIBS=$(grep -oE '[^ /]+\.so[.0-9]*$' "/proc/$PROGRAM_PID/maps" 2>/dev/null | sort -u | wc -l)
  kill -TERM "$sampling" 2>/dev/null || true
  wait "$sampling" || true
  e2e_stop_program >/dev/null 2>&1 || true
  read -r -a memory <"$E2E_DIR/memory" || memory=(- -)
  MS=- RSS=- PSS=-
  if [ -n "$loaded" ]; then
    MS=$(((loaded - start) / 1000)) RSS=${memory[0]} PSS=${memory[1]}
  fi
}

# The first run of BINARY leaves the home that later runs start from, as NAME-home.
prepare() {
  measure "$1" ""
  mv "$E2E_DIR/run" "$E2E_DIR/$2-home"
}

median() {
  local values
  values=$(tr ' ' '\n' <<<"$1" | grep -E '^[0-9]+$' | sort -n)
  [ -n "$values" ] || { echo "-"; return; }
  local count
  count=$(wc -l <<<"$values")
  sed -n "$(((count + 1) / 2))p" <<<"$values"
}

echo "Start-up of TesraBrowser (without and with a tray watcher) and of the bare WebKitGTK window, $runs runs each, page $address"
kinds=(program watcher floor first big-icon)
programs=("$program")
prepare "$program" program
# The same home with the address's icon replaced by a very large picture.
cp -a "$E2E_DIR/program-home" "$E2E_DIR/big-icon-home"
python3 "$here/tests/e2e/big_png.py" 16000 16000 \
  "$E2E_DIR/big-icon-home/home/.local/share/Kestal/TesraBrowser/$(e2e_url_key "$address")/TesraBrowser.ico"
# The first start after the icon arrived reads it whole once and keeps it reduced for the daily starts.
measure "$program" "$E2E_DIR/big-icon-home"
echo "First start with the big icon: $MS ms, peak RSS $RSS KiB"
rm -rf "$E2E_DIR/big-icon-home"
mv "$E2E_DIR/run" "$E2E_DIR/big-icon-home"
if [ -n "$baseline" ]; then
  echo "Baseline: $baseline"
  kinds+=(baseline baseline-first)
  programs+=("$baseline")
  prepare "$baseline" baseline
fi
prepare "$floor" floor
for binary in "${programs[@]}"; do
  echo "Program file $binary: $(stat -c %s "$binary") bytes; shared libraries mapped at a daily start:" \
    "$(measure "$binary" "$E2E_DIR/$([ "$binary" = "$program" ] && echo program || echo baseline)-home"; echo "$LIBS")"
done
echo "Shared libraries mapped by the bare window: $(measure "$floor" "$E2E_DIR/floor-home"; echo "$LIBS")"

declare -A times rss pss run_ms run_ratios
for ((i = 1; i <= runs; i++)); do
  for kind in "${kinds[@]}"; do
    case $kind in
      floor) binary=$floor home=$E2E_DIR/floor-home ;;
      baseline) binary=$baseline home=$E2E_DIR/baseline-home ;;
      baseline-first) binary=$baseline home="" ;;
      first) binary=$program home="" ;;
      big-icon) binary=$program home=$E2E_DIR/big-icon-home ;;
      *) binary=$program home=$E2E_DIR/program-home ;;
    esac
    if [ "$kind" = watcher ]; then start_watcher; fi
    measure "$binary" "$home"
    if [ "$kind" = watcher ]; then stop_watcher; fi
    times[$kind]+="$MS "
    run_ms[$kind]=$MS
    rss[$kind]+="$RSS "
    pss[$kind]+="$PSS "
    printf '  run %d %-14s %6s ms  RSS %8s KiB  PSS %8s KiB\n' "$i" "$kind" "$MS" "$RSS" "$PSS"
  done
  # Within one run the programs met the same load: their times against the floor's, in thousandths.
  for kind in program baseline; do
    [[ "${run_ms[$kind]:-}" =~ ^[0-9]+$ && "${run_ms[floor]}" =~ ^[1-9][0-9]*$ ]] || continue
    run_ratios[$kind]+="$((run_ms[$kind] * 1000 / run_ms[floor])) "
  done
done

ratio() {
  if [[ "$1" =~ ^[0-9]+$ && "$2" =~ ^[1-9][0-9]*$ ]]; then
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
  else
    echo "-"
  fi
}
mib() { [[ "$1" =~ ^[0-9]+$ ]] && awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }' || echo "-"; }
# Lowest and highest of the numbers.
spread() {
  local values
  values=$(tr ' ' '\n' <<<"$1" | grep -E '^[0-9]+$' | sort -n)
  [ -n "$values" ] && echo "$(head -n 1 <<<"$values")-$(tail -n 1 <<<"$values")" || echo "-"
}

declare -A m_time m_rss m_pss
for kind in "${kinds[@]}"; do
  m_time[$kind]=$(median "${times[$kind]}")
  m_rss[$kind]=$(median "${rss[$kind]}")
  m_pss[$kind]=$(median "${pss[$kind]}")
done
declare -A label=([program]=TesraBrowser [watcher]="TesraBrowser, watcher" [floor]="bare WebKitGTK window"
  [first]="TesraBrowser, first" [big-icon]="TesraBrowser, big icon" [baseline]="baseline"
  [baseline-first]="baseline, first")
echo
printf '%-22s %14s %14s %14s %16s\n' "median of $runs" "start->load ms" "peak RSS MiB" "peak PSS MiB" "ms lowest-highest"
for kind in "${kinds[@]}"; do
  printf '%-22s %14s %14s %14s %16s\n' "${label[$kind]}" "${m_time[$kind]}" "$(mib "${m_rss[$kind]}")" \
    "$(mib "${m_pss[$kind]}")" "$(spread "${times[$kind]}")"
done
for kind in program baseline; do
  [ -n "${m_time[$kind]:-}" ] || continue
  printf '%-22s %14s %14s %14s\n' "${label[$kind]} / floor" "$(ratio "${m_time[$kind]}" "${m_time[floor]}")" \
    "$(ratio "${m_rss[$kind]}" "${m_rss[floor]}")" "$(ratio "${m_pss[$kind]}" "${m_pss[floor]}")"
  printf '%-22s %14s   (median of the ratio within each run; lowest-highest, thousandths: %s)\n' "" \
    "$(ratio "$(median "${run_ratios[$kind]:-}")" 1000)" "$(spread "${run_ratios[$kind]:-}")"
done
exit 0
