#!/usr/bin/env bash
# The user's settings hive as an earlier version left it (UTF-8), with values that the platform's editors export
# (Chinese names and texts, expandable and multi-string values, an untyped and a 64-bit value, a text with an
# escaped line break): a start keeps every value and writes the file in the format its header names (UTF-16LE
# with the byte-order mark). Where Wine is installed, its regedit imports the written file and exports the same
# values again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

settings=$XDG_CONFIG_HOME/tesrabrowser
hive=$settings/HKCU.reg
mkdir -p "$settings"
printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Kestal\Wine\蓝岸]' \
  '"名称"="蓝岸浏览器"' \
  '"Lines"="第一行\n第二行"' \
  '"Cache"=hex(2):25,00,55,00,53,00,45,00,52,00,25,00,5c,00,dd,84,00,00' \
  '"List"=hex(7):61,00,00,00,dd,84,b8,5c,00,00,00,00' \
  '"Untyped"=hex(0):01,02,ff' \
  '"Big"=hex(b):08,07,06,05,04,03,02,01' \
  '"Count"=dword:0000002a' '' >"$hive"
cp "$hive" "$E2E_DIR/earlier.reg"
prefix='HKEY_CURRENT_USER\Software\Kestal\Wine'
values() { python3 "$here/reg_values.py" "$1" "$prefix"; }
values "$E2E_DIR/earlier.reg" >"$E2E_DIR/earlier.values"
e2e_expect_eq "the earlier file holds seven values" 7 "$(wc -l <"$E2E_DIR/earlier.values")"

address="$SERVER_URL/app/index.html?main=true&case=hive"
e2e_start_program "$address"
e2e_check "the page opens" e2e_wait_event '^load .*case=hive&__MAC=' 40
e2e_check "the page is bound" e2e_wait_event '^SetTesraBrowserService$' 20
sleep 2
e2e_screenshot hive-page >/dev/null
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_stop_program "$PROGRAM_PID" || true

e2e_expect_eq "the hive starts with the UTF-16LE byte-order mark" fffe "$(head -c 2 "$hive" | od -An -tx1 | tr -d ' ')"
e2e_check "its header is the format's" grep -qx 'Windows Registry Editor Version 5.00' <<<"$(e2e_hive_text "$hive")"
e2e_check "the start wrote its settings into it" grep -qF "\"$(e2e_url_key "$address")\"=\"$address\"" \
  <<<"$(e2e_hive_text "$hive")"
e2e_expect_eq "every earlier value is kept" "$(cat "$E2E_DIR/earlier.values")" "$(values "$hive")"
e2e_expect_eq "nothing was set aside as unreadable" "" "$(find "$settings" -name 'HKCU.reg.broken-*')"

wine=$(command -v wine64 || true)
[ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
if [ -n "$wine" ]; then
  mkdir -p "$E2E_DIR/wine"
  cp "$hive" "$E2E_DIR/wine/written.reg"
  # Headless and without the optional downloads that a new prefix offers.
  wine_run() {
    (cd "$E2E_DIR/wine" && env -u DISPLAY WINEPREFIX="$E2E_DIR/wine/prefix" WINEDEBUG=-all \
      WINEDLLOVERRIDES='mscoree,mshtml=' timeout 300 "$wine" regedit "$@") >>"$E2E_DIR/wine/wine.log" 2>&1
  }
  e2e_check "wine64 regedit imports the written hive" wine_run /S written.reg
  e2e_check "and exports the key again" wine_run /E exported.reg "$prefix"
  e2e_expect_eq "the export holds the same values" "$(values "$E2E_DIR/earlier.reg")" \
    "$(values "$E2E_DIR/wine/exported.reg" 2>/dev/null || true)"
  WINEPREFIX="$E2E_DIR/wine/prefix" timeout 30 "$(dirname "$wine")/wineserver64" -k 2>/dev/null || true
else
  e2e_note "Wine is not installed (wine64): the import with wine64 regedit is skipped"
fi

e2e_finish
