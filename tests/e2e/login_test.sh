#!/usr/bin/env bash
# Logging in from the main window against the reference service: Enter in the password box
# starts the login, a wrong password is refused with the service's answer, an empty user name
# is caught before anything is sent, and the demo account reaches the server choice, where
# Cancel ends the login.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin login

use_reference_service
client_start_shown

step "empty user name"
drive click "${MAIN[@]}" --id "$ID_CONNECT"
answer_box "请输入有效用户名"
expect_text "$ID_STATUS" "就绪" "status line after an empty user name"

step "wrong password, started with Enter in the password box"
drive set-text "${MAIN[@]}" --id "$ID_USERNAME" demo
drive set-text "${MAIN[@]}" --id "$ID_PASSWORD" wrong
drive key "${MAIN[@]}" --id "$ID_PASSWORD" enter
answer_box "用户名密码错误，或者登陆人数已达到最大限制。请查证后登陆。"
await_state "$ID_CONNECT" "Connect is not usable after a refused login" enabled
expect_text "$ID_STATUS" "登录失败" "status line after a wrong password"

step "the demo account gets as far as the server choice"
log_in_to_selection demo demo
drive click "${POLICY[@]}" --id 2
drive wait "${MAIN[@]}" --id "$ID_STATUS" --text "登录被取消。" --timeout "$STEP_TIMEOUT" ||
  fail "Cancel in the server choice did not end the login"
expect_state "$ID_DISCONNECT" "Disconnect is usable without a connection" disabled

step "the choice was saved"
expect_eq "$(drive store-get Main Username)" demo "stored user name"
expect_eq "$(drive store-get Main Password --unprotect)" demo "stored password"
