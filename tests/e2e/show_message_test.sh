#!/usr/bin/env bash
# Message 0x8001 (a second copy's request) shows a hidden main window and brings it to the front,
# whether posted or sent; sent, it answers 1.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin show_message

client_start_shown

step "posted to the hidden window"
drive hide "${MAIN[@]}" --timeout "$STEP_TIMEOUT"
expect_state "" "the window did not hide" hidden
drive post "${MAIN[@]}" "$WM_SHOW_MAIN_WINDOW" 0 0
await_state "" "the posted message did not show the window" visible foreground

step "sent to the hidden window"
drive hide "${MAIN[@]}" --timeout "$STEP_TIMEOUT"
expect_eq "$(drive send "${MAIN[@]}" "$WM_SHOW_MAIN_WINDOW" 0 0)" 1 "result of the message"
expect_state "" "the sent message did not show the window" visible foreground
expect_text "$ID_STATUS" "就绪" "status line after showing"
