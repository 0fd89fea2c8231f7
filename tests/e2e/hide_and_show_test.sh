#!/usr/bin/env bash
# The main window hides instead of closing (Escape, the close caption button, Alt+F4, the
# minimise system command) and comes back by the tray icon's default action; the tray menu's
# Exit ends the program.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin hide_and_show

client_start_shown
readonly SC_MINIMIZE=0xF020

step "Escape hides, the tray shows"
drive key "${MAIN[@]}" --id "$ID_PASSWORD" escape
await_state "" "Escape did not hide the window" hidden
show_main_by_tray

step "the close caption button hides"
drive click "${MAIN[@]}" --id "$ID_CAPTION_CLOSE"
await_state "" "the close button did not hide the window" hidden
show_main_by_tray

step "Alt+F4 hides"
drive key "${MAIN[@]}" alt+f4
await_state "" "Alt+F4 did not hide the window" hidden
drive post "${MAIN[@]}" "$WM_COMMAND" "$ID_TRAY_SHOW" 0
await_state "" "the tray's show item did not show the window" visible

step "minimise hides"
drive post "${MAIN[@]}" 0x0112 "$SC_MINIMIZE" 0
await_state "" "minimising did not hide the window" hidden
show_main_by_tray
expect_eq "$(main_window_count)" 1 "main windows"

step "Exit ends the program"
drive post "${MAIN[@]}" "$WM_COMMAND" "$ID_TRAY_EXIT" 0
wait_exit "$CLIENT_PID"
expect_eq "$EXIT_CODE" 0 "exit code"
drive wait "${MAIN[@]}" --gone --timeout 2 >/dev/null || fail "the main window outlived the program"
