#!/usr/bin/env bash
# A second start while the first copy runs hidden: the second shows "程序已经运行。…", and only
# after the box is closed does the first copy's window come back; the second exits without a
# window of its own.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin second_instance

step "first copy, hidden as if in the tray"
client_start_shown
first=$CLIENT_PID
drive hide "${MAIN[@]}" --timeout "$STEP_TIMEOUT"

step "second copy"
client_start
second=$CLIENT_PID
expect_box "$ALREADY_RUNNING_TEXT"
keep_state 2 "" "the first window showed before the box was closed" hidden
answer_box "$ALREADY_RUNNING_TEXT" ok

step "after OK"
await_state "" "the first window did not come back" visible foreground
wait_exit "$second"
expect_eq "$EXIT_CODE" 0 "exit code of the second copy"
expect_eq "$(main_window_count)" 1 "number of main windows"
kill -0 "$first" 2>/dev/null || fail "the first copy ended"
