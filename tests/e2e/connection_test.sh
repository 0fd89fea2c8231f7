#!/usr/bin/env bash
# A whole dial-up connection through the rasapi32 stand-in: the once-only tip, connected and
# hidden to the tray, Disconnect, a dropped line, a refused dial, and Exit while connected.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin connection

use_reference_service tip
use_ras_standin
client_start_shown
drive set-text "${MAIN[@]}" --id "$ID_USERNAME" demo
drive set-text "${MAIN[@]}" --id "$ID_PASSWORD" demo

# Connect, then OK in the server choice (the first server, PPTP).
connect() {
  drive click "${MAIN[@]}" --id "$ID_CONNECT"
  drive wait "${POLICY[@]}" --visible --timeout "$STEP_TIMEOUT" || fail "the server choice did not open"
  drive click "${POLICY[@]}" --id 1
}

step "the first Connect shows the tip, and the connection comes up hidden to the tray"
drive click "${MAIN[@]}" --id "$ID_CONNECT"
answer_box $'登录成功后，程序将自动最小化到任务栏图标区，点击任务栏图标可以重新打开主窗口。\n\n本消息只提示一次，下次连接将不再提示。'
drive wait "${POLICY[@]}" --visible --timeout "$STEP_TIMEOUT" || fail "the server choice did not open after the tip"
drive click "${POLICY[@]}" --id 1
await_state "" "the window did not hide once connected" hidden
expect_text "$ID_STATUS" "登录成功" "status line when connected"
expect_state "$ID_CONNECT" "Connect is usable while connected" disabled
expect_state "$ID_DISCONNECT" "Disconnect is not usable while connected" enabled
standin_wait_log "$CLIENT_DIR" '^RasDialW entry=Korvex phone=127\.0\.0\.1 .*user=demo password=\*\*\* ' ||
  fail "the dial did not go to the chosen server"
grep -q 'password=demo' "$CLIENT_DIR/rasapi32.log" && fail "the password reached the log"

step "traffic is watched every second"
standin_scenario "$CLIENT_DIR" traffic=on
standin_wait_log "$CLIENT_DIR" '^RasGetConnectionStatistics .*sent=[1-9]' 3 || fail "no traffic polled within 3 s"

step "Disconnect hangs up and resets the window"
show_main_by_tray
drive click "${MAIN[@]}" --id "$ID_DISCONNECT"
expect_text "$ID_STATUS" "已经断开连接" "status line after Disconnect"
standin_wait_log "$CLIENT_DIR" '^RasHangUpW .*phase=connected' 3 || fail "Disconnect did not hang up"
await_state "$ID_CONNECT" "Connect is not usable after Disconnect" enabled
expect_state "$ID_DISCONNECT" "Disconnect stays usable after Disconnect" disabled

step "the tip does not come again; a dropped line brings the window back"
connect
await_state "" "the window did not hide once connected again" hidden
standin_scenario "$CLIENT_DIR" drop_now=1
drive wait "${MAIN[@]}" --visible --timeout 3 || fail "the window did not come back within 2 s of the drop"
answer_box "连接被意外断开"
expect_text "$ID_STATUS" "连接被意外断开" "status line after the drop"
await_state "$ID_CONNECT" "Connect is not usable after the drop" enabled

step "a refused dial shows the reason and the report"
standin_scenario "$CLIENT_DIR" result=691
connect
report=$(drive msgbox "${BOX[@]}" --press ok --timeout "$STEP_TIMEOUT") || fail "no report after the refused dial"
case "$report" in
  状态：*错误信息：VPN内部错误*详细信息：拒绝访问*) ;;
  *) fail "report box: $report" ;;
esac
expect_text "$ID_STATUS" "拒绝访问，因为用户名和/或密码在此域上无效。" "status line after a refused dial"
await_state "$ID_CONNECT" "Connect is not usable after a refused dial" enabled

step "Exit while connected hangs up"
standin_scenario "$CLIENT_DIR" result=0
connect
await_state "" "the window did not hide once connected" hidden
hangups=$(grep -c '^RasHangUpW' "$CLIENT_DIR/rasapi32.log")
drive post "${MAIN[@]}" "$WM_COMMAND" "$ID_TRAY_EXIT" 0
wait_exit "$CLIENT_PID"
expect_eq "$(grep -c '^RasHangUpW' "$CLIENT_DIR/rasapi32.log")" "$((hangups + 1))" "hang-ups after Exit"
