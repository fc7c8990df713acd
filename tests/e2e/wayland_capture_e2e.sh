#!/usr/bin/env bash
# Screen capture in a Wayland session, through the Screenshot portal (the real wlroots backend takes the
# picture with grim): the overlay covers the screen with the frozen picture, a drag with the virtual pointer
# returns the screen's pixels under it as JPEG, and the picture file is gone afterwards; a desktop that refuses
# the permission ends the call with its own error, without an overlay.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wayland_lib.sh"

e2e_setup
wl_start_session shortcuts
e2e_start_server
picture_file=/tmp/out.png  # where the wlroots backend has grim write every screenshot
rm -f "$picture_file"

# The page paints its pattern first (the capture waits long enough for a loaded machine, and the test checks
# that the pattern was on the screen before); the overlay then shows the picture taken when it opened.
e2e_start_program "$SERVER_URL/app/test/pattern.html?delay=6000&auto=GetCaptureImage(1)"
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 30
e2e_check "the pattern is on the screen before the capture" wl_wait_pixel 150 100 255 0 0 30
e2e_check "the capture has not started yet" wl_wait_windows ' fullscreen ' 0 1
e2e_check "the overlay covers the screen" wl_wait_windows '^[a-z]+ fullscreen ' 1 20
sleep 1
e2e_check "the picture file is gone once the overlay shows it" test ! -e "$picture_file"
wl_screenshot wayland-capture-overlay >/dev/null
wl_input move 300 200 down move 300 200 move 250 150 move 180 100 move 100 50 sleep 0.3
during=$(wl_screenshot wayland-capture-drag)
wl_input move 100 50 up
line=$(e2e_wait_event '^call GetCaptureImage ' 20 || true)
e2e_check "GetCaptureImage(1) returns text" test -n "$line"
e2e_check_capture "$line" "$during"
e2e_check "the overlay is gone" wl_wait_windows ' fullscreen ' 0
e2e_check "no picture file is left" test ! -e "$picture_file"
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
e2e_stop_program >/dev/null 2>&1 || true

# A desktop whose own permission question is answered no (as GNOME's backend asks): the call fails with the
# refusal's text, and no overlay opens.
e2e_reset
wl_restart_portal refusing
wl_set_answer screenshot 2
e2e_start_program "$SERVER_URL/app/test/pattern.html?auto=GetCaptureImage(1)"
e2e_check "a refused screenshot fails with its own text" \
  e2e_wait_event '^error GetCaptureImage .*截取屏幕失败：系统没有允许蓝岸浏览器截取屏幕' 30
e2e_check "the desktop was asked" grep -q '^screenshot app=.* interactive=False answer=2$' "$E2E_DIR/portal.log"
e2e_check "no overlay opened" wl_wait_windows ' fullscreen ' 0 1
e2e_check "the page is still there" wl_wait_windows '蓝岸演示 测试图案$' 1
e2e_check "the program still runs" _e2e_alive "$PROGRAM_PID"
wl_screenshot wayland-capture-refused >/dev/null

e2e_finish
