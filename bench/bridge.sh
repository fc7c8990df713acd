#!/usr/bin/env bash
# Round trip of page script's call to the UI process: TesraBrowser's scripting object (one blocking
# request over the bridge socket, ShowNewMessageHint) beside WebKit's own script message with reply
# awaited in a plain WebKitGTK window (tesra-bench-reply), and the floor of any call between two
# processes on the machine: a bare Unix-socket ping-pong of frames of the same sizes (tesra-bench-pingpong).
#
#   bench/bridge.sh [CALLS] [RUNS]     (default 2000 calls, 3 runs)
#   TESRA_BENCH_SYNC_PROGRAM=FILE      measures the scripting object of another build of the program
#
# Each run of each side loads demo/app/test/bench.html, which times CALLS calls after a warm-up with
# performance.now() (each call from a clock tick, the rest of the last tick measured with a calibrated
# spin loop; see the page) and reports median and 99th percentile to the local demo server. Prints every run,
# the median over the runs of each figure, and the ratio async median / sync median. A line's loop_us is
# the mean of the same calls made back to back and timed as a whole, a check on its mean_us. Everything
# runs under an Xvfb of its own. `taskset -c N bench/bridge.sh` keeps every process on one
# processor: no wake-up has to cross processors then, which on a virtual machine costs tens of µs.
# Informational only: it never fails a build and is not a test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
calls=${1:-2000}
runs=${2:-3}
export TESRA_SOURCE=$here TESRA_BUILD=${TESRA_BUILD_DIR:-$here/build}
"$here/scripts/build.sh" --target TesraBrowser tesra-demo-server tesra-bench-reply tesra-bench-pingpong >/dev/null

E2E_SUMMARY=0
# shellcheck source=tests/e2e/lib.sh
source "$here/tests/e2e/lib.sh"
e2e_setup
# Always a display of its own without a tray host: with an icon in a tray, ShowNewMessageHint(0) also
# redraws the icon on every call, and that is not the round trip being measured.
e2e_start_display
# Cross-origin isolated pages: WebKit's clock steps by 20 µs, not 1 ms.
e2e_start_server --isolated
reply=$TESRA_BUILD/bench/bridge/tesra-bench-reply
pingpong=$TESRA_BUILD/bench/bridge/tesra-bench-pingpong
sync_program=${TESRA_BENCH_SYNC_PROGRAM:-}

# Runs one side on the bench page and prints its "bench MODE ..." line (empty when it failed).
measure() {  # mode, program
  local line
  e2e_reset
  TESRA_PROGRAM=$2 e2e_start_program "$SERVER_URL/app/test/bench.html?mode=$1&n=$calls"
  line=$(e2e_wait_event "^bench $1 " 300 2>/dev/null) || line=""
  e2e_stop_program >/dev/null 2>&1 || true
  echo "$line"
}

# The value of KEY=VALUE in a report line, "-" when absent.
field() { grep -oE "(^| )$1=[0-9.]+" <<<"$2" | cut -d= -f2 || echo "-"; }

median() {
  local values count
  values=$(tr ' ' '\n' <<<"$1" | grep -E '^[0-9.]+$' | sort -g) || true
  [ -n "$values" ] || { echo "-"; return; }
  count=$(wc -l <<<"$values")
  sed -n "$(((count + 1) / 2))p" <<<"$values"
}

load() { cut -d' ' -f1-3 /proc/loadavg; }

echo "Bridge round trip: $calls calls per run, $runs runs per side, $(nproc) processors, load average $(load)"
declare -A medians p99s
for ((i = 1; i <= runs; i++)); do
  line=$("$pingpong" "$calls")
  medians[floor]+="$(field median_us "$line") "
  p99s[floor]+="$(field p99_us "$line") "
  echo "  run $i $line"
  for mode in sync async; do
    program=$sync_program
    [ "$mode" = async ] && program=$reply
    line=$(measure "$mode" "$program")
    if [[ "$line" == *median_us=* ]]; then
      medians[$mode]+="$(field median_us "$line") "
      p99s[$mode]+="$(field p99_us "$line") "
      echo "  run $i ${line#bench }"
    else
      echo "  run $i $mode: no figures (${line:-no report}); log: $(tail -n 3 "$E2E_PROGRAM_LOG" 2>/dev/null | tr '\n' ' ')"
    fi
  done
done

sync_median=$(median "${medians[sync]:-}")
async_median=$(median "${medians[async]:-}")
floor_median=$(median "${medians[floor]:-}")
floor_p99=$(median "${p99s[floor]:-}")
sync_p99=$(median "${p99s[sync]:-}")
ratio() { [[ "$1" =~ ^[0-9.]+$ && "$2" =~ ^[0-9.]+$ ]] && awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }' || echo "-"; }
echo
printf '%-40s %12s %12s\n' "median of $runs runs (µs)" median p99
printf '%-40s %12s %12s\n' "floor: bare Unix-socket ping-pong" "$floor_median" "$floor_p99"
printf '%-40s %12s %12s\n' "sync: TesraBrowser scripting object" "$sync_median" "$sync_p99"
printf '%-40s %12s %12s\n' "async: WebKit script message with reply" "$async_median" "$(median "${p99s[async]:-}")"
echo "ratio sync / floor: median $(ratio "$sync_median" "$floor_median"), p99 $(ratio "$sync_p99" "$floor_p99")"
if [[ "$sync_median" =~ ^[0-9.]+$ && "$async_median" =~ ^[0-9.]+$ ]] && awk -v s="$sync_median" 'BEGIN { exit !(s > 0) }'; then
  echo "ratio async median / sync median: $(awk -v a="$async_median" -v s="$sync_median" 'BEGIN { printf "%.1f", a / s }')"
else
  echo "ratio async median / sync median: -"
fi
echo "load average at the end: $(load)"
exit 0
