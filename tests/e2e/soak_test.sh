#!/usr/bin/env bash
# One client process through many dial-up connections (rasapi32 stand-in): SOAK_CYCLES
# Connect/Disconnect cycles (default 20) and SOAK_DROPS dropped lines (default 3). After all of
# them the process holds no more handles, threads, GDI/USER objects or windows than after the
# first cycle, and the temporary folder holds no file it did not hold before. Wine answers 0 for
# GetProcessHandleCount and GetGuiResources; there the system's handle list and the process's
# windows are what show a leak.
#   SOAK_CYCLES=200 SOAK_DROPS=50 ctest --preset win64 -R e2e.soak
cycles=${SOAK_CYCLES:-20} drops=${SOAK_DROPS:-3}
E2E_TIME_LIMIT=${E2E_TIME_LIMIT:-$((60 + 8 * (cycles + drops)))}
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin soak
[ "$cycles" -ge 2 ] || fail "SOAK_CYCLES must be at least 2"

# Many steps in one start of the driver: under Wine each start costs far more than the step.
drive_batch() {
  local rc=0
  timeout -k 5 "$((STEP_TIMEOUT * 6 + 15))" "$WINE64" "$UIDRIVER_EXE" batch \
    >"$WORK/drive.out" 2>"$WORK/drive.err" || rc=$?
  cat "$WORK/drive.out"
  cat "$WORK/drive.err" >&2
  return "$rc"
}

# Connect, OK in the server choice, and wait until the connection is up (the window hides).
connect() {
  drive_batch <<EOF >/dev/null || fail "cycle $1: the connection did not come up"
click --title $MAIN_TITLE --exe $CLIENT_EXE --id $ID_CONNECT
wait --title $POLICY_TITLE --exe $CLIENT_EXE --visible --timeout $STEP_TIMEOUT
click --title $POLICY_TITLE --exe $CLIENT_EXE --id 1
wait --title $MAIN_TITLE --exe $CLIENT_EXE --hidden --timeout $STEP_TIMEOUT
EOF
}

# The tray's default action brings the window back; Disconnect; Connect is usable again.
disconnect() {
  drive_batch <<EOF >/dev/null || fail "cycle $1: Disconnect did not end the connection"
send --title $MAIN_TITLE --exe $CLIENT_EXE $WM_TRAY_NOTIFY 1 $WM_LBUTTONDBLCLK
wait --title $MAIN_TITLE --exe $CLIENT_EXE --visible --timeout $STEP_TIMEOUT
click --title $MAIN_TITLE --exe $CLIENT_EXE --id $ID_DISCONNECT
wait --title $MAIN_TITLE --exe $CLIENT_EXE --id $ID_CONNECT --enabled --timeout $STEP_TIMEOUT
EOF
}

# Connect, and the line drops: the window comes back with the box; OK; Connect is usable again.
connect_and_drop() {
  connect "drop $1"
  standin_scenario "$CLIENT_DIR" result=0 drop_now=1
  drive_batch <<EOF >"$WORK/box.txt" || fail "drop $1: the window, the box or Connect did not come back"
wait --title $MAIN_TITLE --exe $CLIENT_EXE --visible --timeout $STEP_TIMEOUT
msgbox --title $BOX_CAPTION --exe $CLIENT_EXE --press ok --timeout $STEP_TIMEOUT
wait --title $MAIN_TITLE --exe $CLIENT_EXE --id $ID_CONNECT --enabled --timeout $STEP_TIMEOUT
EOF
  expect_eq "$(cat "$WORK/box.txt")" "连接被意外断开" "drop $1: the box"
  standin_scenario "$CLIENT_DIR" result=0
}

counts() { drive process-counts --exe "$CLIENT_EXE" || fail "cannot read the client's counts"; }

# The names in two "name=N ..." lines whose number is above the first line's.
grown() {
  local name value
  while IFS== read -r name value; do
    [ "$value" -le "$(tr ' ' '\n' <<<"$1" | sed -n "s/^$name=//p")" ] || echo -n "$name "
  done < <(tr ' ' '\n' <<<"$2")
}

temp_dir=$("$WINE64" cmd.exe /c 'echo %TEMP%' </dev/null 2>/dev/null | tr -d '\r')
temp_dir=$("$WINE64" winepath.exe -u "$temp_dir" </dev/null 2>/dev/null)
[ -d "$temp_dir" ] || fail "no temporary folder (\"$temp_dir\")"
ls -A "$temp_dir" | sort >"$WORK/temp-before.txt"

use_reference_service
use_ras_standin
client_start_shown
drive set-text "${MAIN[@]}" --id "$ID_USERNAME" demo
drive set-text "${MAIN[@]}" --id "$ID_PASSWORD" demo

step "cycle 1"
connect 1
disconnect 1
# Workers run on the system's thread pool, which ends a thread after five idle seconds: the
# baseline is what stays.
sleep 6
baseline=$(counts)
echo "after cycle 1: $baseline"

# The drops come evenly between the later cycles, all before the last cycle, which ends like the
# first.
soak_start=$SECONDS
dropped=0
for cycle in $(seq 2 "$cycles"); do
  while [ "$dropped" -lt $((drops * (cycle - 1) / (cycles - 1))) ]; do
    dropped=$((dropped + 1))
    connect_and_drop "$dropped"
  done
  connect "$cycle"
  disconnect "$cycle"
done
echo "$((cycles - 1)) more cycles and $drops drops in $((SECONDS - soak_start)) s"

# Threads the last Disconnect ended may take a moment to be gone.
for _ in $(seq 10); do
  final=$(counts)
  [ -z "$(grown "$baseline" "$final")" ] && break
  sleep 1
done
echo "at the end:    $final"
[ -z "$(grown "$baseline" "$final")" ] || fail "grew since the first cycle: $(grown "$baseline" "$final")($baseline -> $final)"

# A file another program made and deletes soon is not ours: only what stays counts.
for _ in $(seq 5); do
  left=$(ls -A "$temp_dir" | sort | comm -13 "$WORK/temp-before.txt" -)
  [ -z "$left" ] && break
  sleep 1
done
[ -z "$left" ] || fail "left in the temporary folder $temp_dir: $left"
expect_eq "$(grep -c '^RasDialW ' "$CLIENT_DIR/rasapi32.log")" "$((cycles + drops))" "dials"
