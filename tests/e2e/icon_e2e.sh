#!/usr/bin/env bash
# A stored icon of 16000 x 16000 pixels (a 1 MB PNG, as a server may have handed it out): the daily start reads
# it at icon size, so the window and the tray show it and the page opens and is bound, while the program's
# memory stays that of a start with a small icon (a whole decode alone would take 1 GB). Start time and memory
# are measured in bench/startup.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup
e2e_start_display --tray
e2e_start_server

address="$SERVER_URL/app/index.html?main=true&case=icon"
icon="$XDG_DATA_HOME/Kestal/TesraBrowser/$(e2e_url_key "$address")/TesraBrowser.ico"
e2e_start_program "$address"
e2e_check "the first start sets the address up" e2e_wait_event '^SetTesraBrowserService$' 40
e2e_stop_program "$PROGRAM_PID" || true
e2e_check "the icon is stored" test -f "$icon"
python3 "$here/big_png.py" 16000 16000 "$icon"
cp "$icon" "$E2E_DIR/big.png"

# The size "W x H" of the first icon that a window offers; "" when it has none. (xprop counts a CARDINAL as 8
# bytes of -len here, and prints no picture of an icon this large.)
icon_size() { xprop -len 16 -id "$1" 32c _NET_WM_ICON 2>/dev/null | sed -nE 's/.*= ([0-9]+), ([0-9]+)$/\1 x \2/p'; }
# The pixel (ARGB, in hex) at x, y of the window's first icon of width w.
icon_pixel() {  # window, w, x, y
  local index=$((2 + $4 * $2 + $3))
  xprop -len $(((index + 1) * 8)) -id "$1" 32c _NET_WM_ICON 2>/dev/null |
    tr -d ' ' | sed 's/.*=//' | tr ',' '\n' | sed -n "$((index + 1))p" | xargs printf '%x\n'
}
# The peak memory of the program's own process, in MiB.
peak_mib() { awk '/^VmHWM:/ { print int($2 / 1024) }' "/proc/$1/status"; }

e2e_reset
e2e_start_program "$address"
e2e_check "the daily start opens the page" e2e_wait_event '^load .*case=icon&__MAC=' 60
e2e_check "and binds it" e2e_wait_event '^SetTesraBrowserService$' 30
main=$(e2e_wait_window '^蓝岸演示$' 20 | head -n 1 || true)
e2e_check "the main window is shown" test -n "$main"
e2e_expect_eq "the window's icon is the picture at icon size" "256 x 256" "$(icon_size "${main:-0}")"
e2e_expect_eq "its left half is the picture's blue" ff2060d0 "$(icon_pixel "${main:-0}" 256 10 128)"
e2e_expect_eq "its right half is the picture's orange" fff09020 "$(icon_pixel "${main:-0}" 256 245 128)"
e2e_check "the reduced picture is kept beside the icon for the next starts" test -f "$icon-256.png"
sleep 2
e2e_screenshot icon-big-daily-start >/dev/null
peak=$(peak_mib "$PROGRAM_PID")
echo "peak memory of the program: $peak MiB"
e2e_check "the program's peak memory stays far below a whole decode (1 GB)" test "$peak" -lt 400
e2e_expect_eq "nothing is set up again" 0 "$(e2e_requests /app/setup/)"
e2e_check "the stored icon is left as it is" cmp "$icon" "$E2E_DIR/big.png"
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
e2e_stop_program "$PROGRAM_PID" || true

# A stored icon that is no picture at all: the program's own icon stays, the page opens all the same.
printf '<html>not an icon</html>' >"$icon"
e2e_reset
e2e_start_program "$address"
e2e_check "with an unreadable icon the page opens" e2e_wait_event '^SetTesraBrowserService$' 40
main=$(e2e_wait_window '^蓝岸演示$' 20 | head -n 1 || true)
e2e_check "and the window keeps an icon of its own" test -n "$(icon_size "${main:-0}")"
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_stop_program "$PROGRAM_PID" || true

e2e_finish
