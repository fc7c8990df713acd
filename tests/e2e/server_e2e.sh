#!/usr/bin/env bash
# The demo web server as the end-to-end tests use it: pages, setup resources below any folder, the
# report channel, request counts, the misbehaving routes, HTTPS with the test CA, and a clean stop.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "$0")/lib.sh"
e2e_setup
e2e_start_server --https

app=$TESRA_SOURCE/demo/app
fetch() { _e2e_curl --path-as-is "$@"; }
status_of() { fetch -o /dev/null -w '%{http_code}' "$@"; }
header_of() {  # header name, curl arguments
  local name=$1
  shift
  fetch -D - -o /dev/null "$@" | tr -d '\r' | sed -n "s/^$name: //Ip"
}

# Pages: below "/" and below "/app/", typed as UTF-8 HTML; nothing outside the root.
page=$(fetch "$SERVER_URL/app/index.html")
e2e_check "the main page has the demo title" grep -q '<title>蓝岸演示</title>' <<<"$page"
e2e_check "the main page carries the plug-in element" grep -q 'id="tesrasilverlightobjectid"' <<<"$page"
e2e_expect_eq "a page is UTF-8 HTML" "text/html; charset=utf-8" "$(header_of Content-Type "$SERVER_URL/app/index.html")"
e2e_expect_eq "a folder serves its index page" "$page" "$(fetch "$SERVER_URL/")"
for path in test/frames.html test/late.html test/noid.html test/popup.html test/closeself.html test/keys.html \
  test/foreign.html test/values.html test/pattern.html test/plugin.html facade.js; do
  e2e_expect_eq "/app/$path is served" 200 "$(status_of "$SERVER_URL/app/$path")"
done
e2e_expect_eq "a missing page answers 404" 404 "$(status_of "$SERVER_URL/app/missing.html")"
e2e_expect_eq "a path that climbs out of the root answers 404" 404 "$(status_of "$SERVER_URL/app/../../etc/passwd")"

# Setup resources below any folder.
for prefix in /app /a/b/c ""; do
  fetch -o "$E2E_DIR/icon" "$SERVER_URL$prefix/setup/TesraBrowser.ico"
  e2e_check "the icon below '$prefix/setup/' is the committed file" cmp -s "$E2E_DIR/icon" "$app/setup/TesraBrowser.ico"
done
e2e_check "the icon is a Windows icon file" bash -c "head -c 4 '$app/setup/TesraBrowser.ico' | od -An -tx1 | grep -q '00 00 01 00'"
fetch -o "$E2E_DIR/menu" "$SERVER_URL/app/setup/TesraBrowserIni.txt"
e2e_check "the menu file is served unchanged" cmp -s "$E2E_DIR/menu" "$app/setup/TesraBrowserIni.txt"
menu=$(iconv -f GBK -t UTF-8 "$E2E_DIR/menu")
e2e_check "the menu file is GBK with the shortcut name" grep -q '^IconName=蓝岸浏览器Demo' <<<"$menu"
e2e_check "the menu file has two menu groups" test "$(sed -n '/^\[MainMenu\]/,/^\[/p' <<<"$menu" | grep -c '=')" -eq 2
e2e_expect_eq "other names below /setup/ answer 404" 404 "$(status_of "$SERVER_URL/app/setup/index.html")"

# Request counts by path prefix.
e2e_reset
e2e_expect_eq "after a reset no setup request is counted" 0 "$(e2e_requests /app/setup/)"
fetch -o /dev/null "$SERVER_URL/app/setup/TesraBrowser.ico"
fetch -o /dev/null "$SERVER_URL/app/setup/TesraBrowserIni.txt"
fetch -o /dev/null "$SERVER_URL/other/setup/TesraBrowser.ico"
e2e_expect_eq "requests below /app/setup/ are counted" 2 "$(e2e_requests /app/setup/)"
e2e_expect_eq "a prefix nobody asked for counts 0" 0 "$(e2e_requests /nothing/)"

# The report channel keeps lines in order, byte for byte, and from every origin of the server.
lines=('load http://127.0.0.1/app/index.html?main=true' 'DoMessage CPU "Intel \"Core\" \\ 中文"' 'DoHotKey 7')
for line in "${lines[@]}"; do fetch -X POST --data-binary "$line" "$SERVER_URL/__report" >/dev/null; done
fetch -X POST --data-binary $'trailing newline\n' "$OTHER_URL/__report" >/dev/null
expected=$(printf '%s\n' "${lines[@]}" 'trailing newline')
e2e_expect_eq "reported lines come back in order" "$expected" "$(e2e_events)"
e2e_expect_eq "the second origin shares the lines" "$expected" "$(fetch "$OTHER_URL/__events")"
e2e_check "a waited-for event is found" e2e_wait_event '^DoHotKey 7$' 2
e2e_check "a missing event times out" e2e_not e2e_wait_event '^never reported$' 1
e2e_check "a line nobody reported is absent" e2e_no_event '^never reported$'
e2e_check "a reported line is not absent" e2e_not e2e_no_event '^DoHotKey 7$'
e2e_check "timed events carry microseconds" grep -Eq '^[0-9]{16} load ' <<<"$(fetch "$SERVER_URL/__events?time=1")"
e2e_expect_eq "the events file has the lines too" "$expected" "$(cat "$E2E_DIR/server1/events.txt")"
e2e_reset
e2e_expect_eq "a reset forgets the lines" "" "$(e2e_events)"

# Routes that misbehave on purpose.
e2e_expect_eq "/__status/404 answers 404" 404 "$(status_of "$SERVER_URL/__status/404")"
e2e_expect_eq "the jsonmessage header carries the given text" "文件不存在" \
  "$(header_of jsonmessage -G --data-urlencode 'jsonmessage=文件不存在' "$SERVER_URL/__status/404")"
e2e_expect_eq "without jsonmessage there is no such header" "" "$(header_of jsonmessage "$SERVER_URL/__status/503")"
e2e_expect_eq "/__slow answers after the wait" "slow 300" "$(fetch "$SERVER_URL/__slow?ms=300")"
rc=0
fetch --max-time 1 -o /dev/null "$SERVER_URL/__never" 2>/dev/null || rc=$?
e2e_expect_eq "/__never does not answer" 28 "$rc"

# HTTPS with the test CA.
fetch --cacert "$E2E_CA" -o "$E2E_DIR/icon-https" "$HTTPS_URL/app/setup/TesraBrowser.ico"
e2e_check "the icon comes over HTTPS verified by the test CA" cmp -s "$E2E_DIR/icon-https" "$app/setup/TesraBrowser.ico"
e2e_check "the certificate also names localhost" bash -c \
  "openssl x509 -in '$E2E_DIR/tls/server.pem' -noout -ext subjectAltName | grep -q 'DNS:localhost'"
e2e_check "without the test CA the certificate is refused" e2e_not fetch -o /dev/null "$HTTPS_URL/"

# A stop while a request is held.
fetch --max-time 20 -o /dev/null "$SERVER_URL/__never" 2>/dev/null &
held=$!
sleep 0.3
kill -TERM "$SERVER_PID"
rc=0
e2e_wait_exit "$SERVER_PID" 5 || rc=$?
e2e_expect_eq "the server stops on SIGTERM while a request is held" 0 "$rc"
wait "$held" || true

# A server whose setup folder fails.
e2e_start_server --no-setup
e2e_expect_eq "--no-setup makes the icon answer 404" 404 "$(status_of "$SERVER_URL/app/setup/TesraBrowser.ico")"
e2e_expect_eq "--no-setup keeps the pages" 200 "$(status_of "$SERVER_URL/app/index.html")"
mkdir -p "$E2E_DIR/setup"
printf '[System]\r\nIsCloseToTrayIcon=1\r\n' >"$E2E_DIR/setup/TesraBrowserIni.txt"
e2e_start_server --setup-dir "$E2E_DIR/setup" --setup-delay 300
e2e_expect_eq "--setup-dir serves another menu file" "$(cat "$E2E_DIR/setup/TesraBrowserIni.txt")" \
  "$(fetch "$SERVER_URL/app/setup/TesraBrowserIni.txt")"
e2e_expect_eq "--setup-dir has no icon here" 404 "$(status_of "$SERVER_URL/app/setup/TesraBrowser.ico")"
rc=0
fetch --max-time 0.1 -o /dev/null "$SERVER_URL/app/setup/TesraBrowserIni.txt" 2>/dev/null || rc=$?
e2e_expect_eq "--setup-delay holds the setup answers" 28 "$rc"
e2e_start_server --setup-status 500 --setup-jsonmessage '服务器错误'
e2e_expect_eq "--setup-status answers that status" 500 "$(status_of "$SERVER_URL/x/setup/TesraBrowserIni.txt")"
e2e_expect_eq "--setup-jsonmessage adds the header" "服务器错误" \
  "$(header_of jsonmessage "$SERVER_URL/x/setup/TesraBrowserIni.txt")"

e2e_finish
