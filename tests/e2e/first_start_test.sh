#!/usr/bin/env bash
# A first start with an empty settings store: empty login fields, save-password set, status
# "就绪", Connect enabled, Disconnect disabled.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin first_start

step "start with an empty store"
client_start_shown
expect_state "" "the main window is not in front" foreground

step "fields and buttons"
expect_text "$ID_USERNAME" "" "user name box"
expect_text "$ID_PASSWORD" "" "password box"
expect_text "$ID_STATUS" "就绪" "status line"
expect_state "$ID_CONNECT" "Connect is not usable" visible enabled
expect_state "$ID_DISCONNECT" "Disconnect is not disabled" visible disabled
expect_state "$ID_SAVE_PASSWORD" "the save-password box is not set" visible checked

# For looking at: the window as it stands, in the build folder.
screenshot_main main_window >/dev/null
