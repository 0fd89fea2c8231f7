#!/usr/bin/env bash
# The tray's 系统诊断 item opens the diagnosis window; a run ends with the completion box, and the
# report ends with the client's own event log of the login that came before, without secrets.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin diagnosis

use_reference_service
client_start_shown
readonly ID_TRAY_DIAGNOSIS=32784 ID_DIAGNOSIS_OUTPUT=1029
readonly DIAGNOSIS=(--title "系统诊断" --exe "$CLIENT_EXE")

step "a refused login, for the event log"
drive set-text "${MAIN[@]}" --id "$ID_USERNAME" demo
drive set-text "${MAIN[@]}" --id "$ID_PASSWORD" "wrong-Secret-42"
drive click "${MAIN[@]}" --id "$ID_CONNECT"
answer_box "用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。"

step "the tray item opens the window; a run ends with the completion box"
drive post "${MAIN[@]}" "$WM_COMMAND" "$ID_TRAY_DIAGNOSIS" 0
drive wait "${DIAGNOSIS[@]}" --visible --timeout "$STEP_TIMEOUT" || fail "the diagnosis window did not open"
drive click "${DIAGNOSIS[@]}" --id 1
drive msgbox "${BOX[@]}" --press ok --timeout 60 >"$WORK/completed.txt" || fail "no completion box"
expect_eq "$(cat "$WORK/completed.txt")" "诊断完成，您可以把结果保存到文件，或者复制到剪贴板后再粘贴到客服论坛等。" "completion box"

step "the report holds the header and the login's events, never the password"
report=$(drive text "${DIAGNOSIS[@]}" --id "$ID_DIAGNOSIS_OUTPUT") || fail "cannot read the report"
service_host=${KORVEX_SERVICE_URL#http://}
for part in "诊断生成日期：" "客户端事件记录：" "${service_host%/}" "登录失败"; do
  case "$report" in *"$part"*) ;; *) fail "the report lacks \"$part\": $report" ;; esac
done
case "$report" in *Secret-42*) fail "the password reached the report" ;; esac
drive click "${DIAGNOSIS[@]}" --id 2
drive wait "${DIAGNOSIS[@]}" --gone --timeout "$STEP_TIMEOUT" || fail "Close did not close the window"
