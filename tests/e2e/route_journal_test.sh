#!/usr/bin/env bash
# Killed while connected, the client takes its routes back at the next start: the dial-up line
# it left up is hung up, the route journal is read and deleted, and the status line says so.
# Under Wine CreateIpForwardEntry changes nothing, so the journalled routes are not in the table
# at the restart and are all skipped; their removal is covered by the native tests, this test
# covers the journal on disk, the hang-up and what the user sees.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin route_journal

use_reference_service
use_ras_standin
client_start_shown
journal=$(route_journal)

step "connected: the routes are journalled"
log_in_to_selection demo demo
drive click "${POLICY[@]}" --id 1
await_state "" "the window did not hide once connected" hidden
expect_text "$ID_STATUS" "登录成功" "status line when connected"
[ -f "$journal" ] || fail "no route journal while connected"
expect_eq "$(head -n 1 "$journal")" "korvex-route-journal 1" "journal header"
grep -q '^route 172\.16\.0\.0 255\.240\.0\.0 ' "$journal" || fail "a route of the list is not journalled: $(cat "$journal")"

step "killed while connected: the line stays up, the journal stays"
kill -KILL "$CLIENT_PID"
wait_exit "$CLIENT_PID"
[ -f "$journal" ] || fail "the journal went with the process"
grep -q '^RasHangUpW' "$CLIENT_DIR/rasapi32.log" && fail "the killed client hung up"

step "the next start hangs up, cleans up and says so"
client_start_shown
# The clean-up runs once the window has shown.
await_text "$ID_STATUS" "已恢复上次异常退出时修改的路由表" "status line after the restart"
screenshot_main routes_recovered >/dev/null
standin_wait_log "$CLIENT_DIR" '^RasHangUpW handle=0x10001 phase=connected ' 3 || fail "the line left up was not hung up"
[ -e "$journal" ] && fail "the journal is still there: $(cat "$journal")"
expect_state "$ID_CONNECT" "Connect is not usable after the clean-up" enabled

step "a normal start after that has nothing to say"
client_stop_all
client_start_shown
expect_text "$ID_STATUS" "就绪" "status line at the start after"
