#!/usr/bin/env bash
# The demo pages in a real WebKitGTK view (the bare start-up floor window): the facade and its reports,
# the test pages' own behaviour, and the harness's display, window and screenshot helpers.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "$0")/lib.sh"
e2e_setup
e2e_start_display --tray
e2e_start_server
export TESRA_PROGRAM=$TESRA_BUILD/bench/floor/tesra-bench-floor

# Shows PAGE in a fresh view; true once its "load" report arrived.
show_page() {
  e2e_reset
  e2e_start_program "$SERVER_URL/app/$1"
  e2e_wait_event "^(${2:-}: )?load " >/dev/null
}

# The facade, driven by the page's stand-in for the browser.
auto='VersionInfo,Close,RegisterHotKey(2,3,71),Nope,GetCaptureImage(1),GetInstalledSoft,ShowNewMessageHint(1,"x"),Bad('
show_page "test/selftest.html?auto=$auto"
e2e_check "the self test finishes" e2e_wait_event '^selftest done$'
expected=$(cat <<'EOF'
SetTesraBrowserService
DoMessage CPU "Intel \"Core\" \\ 中文\n第二行"
DoMessage LogClientInfo ""
DoHotKey "CtrlK"
DoHotKey 7
IEVersion 9
call VersionInfo "1.0.0.41,\"build 7\""
error Close 无法关闭
call RegisterHotKey true
call GetCaptureImage "/9j/4AAQ"
call GetInstalledSoft "A 1.0\r\nB \"2\""
call ShowNewMessageHint undefined
error Bad( 参数无法解析
selftest done
EOF
)
e2e_expect_eq "facade calls and member results are reported in order" "$expected" \
  "$(e2e_events | grep -v -e '^load ' -e '^error Nope ')"
e2e_check "an unknown member reports its error" e2e_wait_event '^error Nope .+' 1
e2e_check "the page's title names the window" e2e_wait_window '^蓝岸演示 自检$'
e2e_check "a screenshot is saved" test -s "$(e2e_screenshot selftest)"
e2e_stop_program || true

# Calls given with ?auto= run once per window, so a page that reloads itself does so once.
show_page 'test/selftest.html?auto=Refresh'
e2e_check "the page reloads" e2e_wait_count '^load .*selftest\.html\?auto=Refresh$' 2
e2e_check "the reloaded page finishes" e2e_wait_event '^selftest done$'
e2e_expect_eq "the reload does not run the calls again" 1 "$(grep -c '^call Refresh ' <<<"$(e2e_events)")"
e2e_stop_program || true

# Texts that break naive quoting come through as JSON.
show_page test/values.html
e2e_check "the values page finishes" e2e_wait_event '^values done$'
expected=$(cat <<'EOF'
value "plain"
value "say \"hello\""
value "it's"
value "back\\slash \\n not a newline"
value "line one\nline two\r\nline three"
value "tab\there"
value "蓝岸浏览器 中文"
value "😀 emoji"
value "</script><b>markup</b>"
value ""
EOF
)
e2e_expect_eq "every value arrives intact" "$expected" "$(e2e_events | grep '^value ')"
e2e_stop_program || true

# Frames report with their names; the top page of a frame set has its own tag.
show_page test/frames.html
e2e_check "the left frame reports" e2e_wait_event '^left: load .*plugin\.html\?name=left$'
e2e_check "the right frame reports" e2e_wait_event '^right: load .*plugin\.html\?name=right$'
e2e_stop_program || true

# A plug-in that appears late.
show_page 'test/late.html?after=300'
e2e_check "the late plug-in appears" e2e_wait_event '^plugin added$' 5
e2e_stop_program || true

# A frame from the second origin hands its lines to the top page, which cannot read it.
show_page "test/foreign.html?other=$OTHER_URL/"
e2e_check "the foreign frame's load is relayed" e2e_wait_event "^foreign: load ${OTHER_URL//./\\.}/app/test/plugin\.html"
e2e_check "the top page cannot read the foreign frame" e2e_wait_event '^frame readable=false '
e2e_stop_program || true

# Keys typed into the page are reported with their modifiers.
show_page test/keys.html
window=$(e2e_wait_window '^蓝岸演示 按键$')
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
xdotool key --delay 50 a ctrl+k shift+b
e2e_check "a plain key is reported" e2e_wait_event '^key down a ctrl=false alt=false shift=false$' 5
e2e_check "Control is reported" e2e_wait_event '^key down k ctrl=true alt=false shift=false$' 5
e2e_check "Shift is reported" e2e_wait_event '^key down B ctrl=false alt=false shift=true$' 5
e2e_check "key releases are reported" e2e_wait_event '^key up a ' 5
e2e_stop_program || true

# The pop-up page tries to open a window at once; a bare view grants none.
show_page 'test/popup.html?open=1'
e2e_check "the pop-up attempt is reported" e2e_wait_event '^open (blocked )?http://.*popup\.html\?name=popup1&depth=1&open=0$' 5
e2e_stop_program || true

# The closing page announces itself.
show_page 'test/closeself.html?after=200'
e2e_check "the closing page reports before it closes" e2e_wait_event '^closing$' 5
e2e_stop_program || true

# The test pattern fills the view edge to edge with its eight colours.
show_page test/pattern.html
window=$(e2e_wait_window '^蓝岸演示 测试图案$')
sleep 0.5
import -display "$DISPLAY" -window "$window" "$E2E_DIR/pattern.png"
read -r width height < <(identify -format '%w %h\n' "$E2E_DIR/pattern.png")
colours=(FF0000 00FF00 0000FF FFFFFF 000000 FFFF00 00FFFF FF00FF)
for i in "${!colours[@]}"; do
  x=$((width * (2 * (i % 4) + 1) / 8))
  y=$((height * (2 * (i / 4) + 1) / 4))
  pixel=$(convert "$E2E_DIR/pattern.png" -crop "1x1+$x+$y" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1)
  e2e_expect_eq "pattern block $((i + 1)) is #${colours[i]}" "#${colours[i]}" "$pixel"
done
corner=$(convert "$E2E_DIR/pattern.png" -crop "1x1+0+0" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -n 1)
e2e_expect_eq "the pattern has no margin" "#FF0000" "$corner"
e2e_stop_program || true

e2e_finish
