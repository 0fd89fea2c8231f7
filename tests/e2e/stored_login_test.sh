#!/usr/bin/env bash
# The login fields start from the settings store: a stored user name and protected password are
# filled in (the password just after the window first shows); a password blob that cannot be
# unprotected (another user's) leaves the password box empty and the user name as it was; the
# save-password box follows SavePassword.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin stored_login

step "stored user name and protected password"
drive store-set-string Main Username "演示用户 demo"
drive protect-password "pa55 密码"
client_start_shown
expect_text "$ID_USERNAME" "演示用户 demo" "user name box"
await_text "$ID_PASSWORD" "pa55 密码" "password box"
expect_text "$ID_STATUS" "就绪" "status line"
expect_state "$ID_SAVE_PASSWORD" "the save-password box is clear with nothing stored for it" checked
client_stop_all

step "a password blob from elsewhere"
drive store-set-blob Main Password 01000000d08c9ddf0115d1118c7a00c04fc297eb0100000000
client_start_shown
expect_text "$ID_USERNAME" "演示用户 demo" "user name box"
expect_text "$ID_PASSWORD" "" "password box with an unreadable blob"
client_stop_all

step "save-password switched off earlier"
drive store-set-int Main SavePassword 0
client_start_shown
expect_state "$ID_SAVE_PASSWORD" "the save-password box is set although it was switched off" unchecked
expect_text "$ID_USERNAME" "演示用户 demo" "user name box"
