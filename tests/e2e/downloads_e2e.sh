#!/usr/bin/env bash
# A download whose suggested name is longer than a file system takes is saved under a shortened name
# that keeps its file type, beside one with a plain name; the program goes on.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup
e2e_start_display
e2e_start_server

fetched="$HOME/Fetched"
# shellcheck disable=SC2016
echo 'XDG_DOWNLOAD_DIR="$HOME/Fetched"' >>"$XDG_CONFIG_HOME/user-dirs.dirs"
mkdir -p "$fetched"

# Until a file matching the pattern is there with content (a download in progress is an empty file).
wait_saved() {  # glob
  local deadline=$((SECONDS + 20)) file
  while [ "$SECONDS" -lt "$deadline" ]; do
    for file in $fetched/$1; do [ -s "$file" ] && return 0; done
    sleep 0.2
  done
  return 1
}

download() {  # file name asked for
  local name
  name=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1], safe=""))' "$1")
  e2e_reset
  e2e_start_program "$SERVER_URL/app/test/counted.html?name=app&file=$name"
  e2e_check "the page is bound" e2e_wait_event '^app: bind count 1$' 30
  local window
  window=$(xdotool search --onlyvisible --name '^蓝岸演示 计数$' | head -1)
  xdotool windowactivate --sync "$window" key --clearmodifiers d
  e2e_check "the download is asked for" e2e_wait_event '^app: downloading$' 10
}

download "report.txt"
e2e_check "a plain name is saved as it is" wait_saved "report.txt"
e2e_stop_program || true

long=$(python3 -c 'print("季度报表" * 30 + ".xlsx")')  # 360 bytes
download "$long"
e2e_check "a name too long for the disk is saved shortened, with its type" wait_saved "季度报表*.xlsx"
saved=$(cd "$fetched" && ls -- *.xlsx)
e2e_check "within the file system's limit" test "$(printf %s "$saved" | wc -c)" -le 255
e2e_expect_eq "holding the download" "tesra download $long" "$(cat "$fetched/$saved")"
e2e_check "and named in the client log" eval \
  'iconv -f GBK -t UTF-8 "$XDG_DATA_HOME/Kestal/TesraBrowser/Log/tesra.elf" | grep -q "保存为.*季度报表.*\.xlsx"'
sleep 2
e2e_check "the program still runs" kill -0 "$PROGRAM_PID"
e2e_expect_eq "no box is on the screen" "" "$(e2e_dialogs)"
e2e_check "the page is still shown" e2e_wait_window '^蓝岸演示 计数' 2
e2e_screenshot long-download >/dev/null
e2e_stop_program || true
e2e_finish
