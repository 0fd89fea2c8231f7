# Helpers of the end-to-end tests, sourced by every *_test.sh. A test calls e2e_begin, starts
# the client, drives it through uidriver and checks what a person would see. Every step is
# bounded in time; the clients a test started are always ended, and a failing test leaves a
# screenshot and a window listing in the build folder.
#
# Set by CTest (tests/e2e/CMakeLists.txt):
#   KORVEX_EXE, UIDRIVER_EXE  the programs
#   E2E_WINE_STATE            the build folder's wine/ state (scripts/wine-env)
#   E2E_ARTIFACTS             each test's folder (kept when it fails) goes here
#   E2E_SOURCE_DIR            the source tree
#
# Constants and results (EXIT_CODE) are for the test scripts that source this file.
# shellcheck disable=SC2034
set -euo pipefail

readonly MAIN_TITLE="Qivra网络加速器"
readonly CLIENT_EXE=korvex.exe
readonly BOX_CAPTION=korvex  # the program's message boxes carry the executable's name
# shellcheck disable=SC1111  # the program's own quotation marks
readonly ALREADY_RUNNING_TEXT="程序已经运行。您可以在任务栏右下角图标区双击“Qivra网络加速器”图标显示已经运行的程序。"

# Main window controls and messages.
readonly ID_USERNAME=1000 ID_PASSWORD=1001 ID_CONNECT=1003 ID_DISCONNECT=1004
readonly ID_SAVE_PASSWORD=1008 ID_STATUS=1010
readonly WM_SHOW_MAIN_WINDOW=0x8001
readonly WM_COMMAND=0x0111 WM_TRAY_NOTIFY=0x0401 WM_LBUTTONDBLCLK=0x0203
readonly ID_TRAY_SHOW=32772 ID_TRAY_EXIT=32774
# The caption buttons are the frame's own children, without a control id; the close button is
# the first of them.
readonly ID_CAPTION_CLOSE=0

# Server selection window controls.
readonly POLICY_TITLE="选择加速网络"
readonly ID_ROUTES=1005 ID_SERVERS=1022 ID_PPTP=1019 ID_L2TP=1020 ID_OPENVPN=1021 ID_RETEST=3

# uidriver's window options for the running client's main window, its selection window and its
# message boxes.
readonly MAIN=(--title "$MAIN_TITLE" --exe "$CLIENT_EXE")
readonly POLICY=(--title "$POLICY_TITLE" --exe "$CLIENT_EXE")
readonly BOX=(--title "$BOX_CAPTION" --exe "$CLIENT_EXE")

E2E_TIME_LIMIT=${E2E_TIME_LIMIT:-80}  # seconds for the whole test, well below CTest's limit
STEP_TIMEOUT=${STEP_TIMEOUT:-10}       # seconds for one wait

CLIENT_PIDS=()
CLIENT_PID=

# ---- test frame

e2e_begin() {
  TEST_NAME=$1
  : "${KORVEX_EXE:?}" "${UIDRIVER_EXE:?}" "${E2E_WINE_STATE:?}" "${E2E_ARTIFACTS:?}" "${E2E_SOURCE_DIR:?}"
  eval "$("$E2E_SOURCE_DIR/scripts/wine-env" shell "$E2E_WINE_STATE")"
  WINE64=/usr/lib/wine/wine64
  [ -x "$WINE64" ] || WINE64=$(command -v wine64)
  mkdir -p "$E2E_ARTIFACTS"
  WORK=$(mktemp -d "$E2E_ARTIFACTS/$TEST_NAME.XXXXXX")
  started_at=$SECONDS
  # The client runs from a copy of its own, so that files beside it (the override file
  # korvex.exe.ini, an openvpn\ folder) belong to this test alone.
  CLIENT_DIR=$WORK/client
  mkdir -p "$CLIENT_DIR"
  cp "$KORVEX_EXE" "$CLIENT_DIR/$CLIENT_EXE"

  trap e2e_end EXIT
  trap 'fail "interrupted"' INT
  trap 'fail "over the time limit of $E2E_TIME_LIMIT s"' TERM
  # Our own limit, so that the clean-up runs before CTest would kill the test outright.
  (sleep "$E2E_TIME_LIMIT" && kill -TERM $$) </dev/null >/dev/null 2>&1 &
  WATCHDOG_PID=$!

  drive store-clear
  # A client an earlier test ended the hard way while connected left its route journal; the next
  # start would clean it up and say so in the status line.
  rm -f "$(route_journal)"
}

# The route journal the client keeps in the user's local application data.
route_journal() { echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/$MAIN_TITLE/routes.journal"; }

e2e_end() {
  local status=$?
  trap - EXIT INT TERM
  if [ "$status" -ne 0 ]; then
    import -window root "$WORK/failure.png" 2>/dev/null || true
    drive list --exe "$CLIENT_EXE" --children >"$WORK/windows.txt" 2>&1 || true
    echo "FAILED: screenshot, window list and client output in $WORK" >&2
  fi
  local pid
  for pid in "${CLIENT_PIDS[@]}"; do
    stop_process "$pid"
  done
  kill $(pgrep -P "$WATCHDOG_PID") "$WATCHDOG_PID" 2>/dev/null || true
  rm -f "$CLIENT_DIR/$CLIENT_EXE"
  [ "$status" -eq 0 ] && rm -rf "$WORK"
  echo "$TEST_NAME: $([ "$status" -eq 0 ] && echo passed || echo failed) in $((SECONDS - started_at)) s"
  exit "$status"
}

step() { echo "-- $*"; }

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# ---- the driver and the client

# uidriver with the given arguments; its output on stdout, its complaints on stderr, its exit
# code returned. Wine's output goes through files, never through CTest's pipes: helper processes
# Wine starts on demand would inherit them and keep the test from ending.
drive() {
  local rc=0
  timeout -k 5 "$((STEP_TIMEOUT * 2 + 15))" "$WINE64" "$UIDRIVER_EXE" "$@" \
    </dev/null >"$WORK/drive.out" 2>"$WORK/drive.err" || rc=$?
  cat "$WORK/drive.out"
  cat "$WORK/drive.err" >&2
  return "$rc"
}

# Starts a copy of the client in the background (the test's own, or the program given);
# CLIENT_PID is its process (the Wine loader is the Windows process). Its output goes to
# client-N.log in the test's folder.
client_start() {
  local program=${1:-$CLIENT_DIR/$CLIENT_EXE} log="$WORK/client-${#CLIENT_PIDS[@]}.log"
  WINEDLLOVERRIDES=${CLIENT_DLL_OVERRIDES:-$WINEDLLOVERRIDES} "$WINE64" "$program" </dev/null >"$log" 2>&1 &
  CLIENT_PID=$!
  CLIENT_PIDS+=("$CLIENT_PID")
}

# Starts the client (as client_start) and waits until its main window shows.
client_start_shown() {
  client_start "$@"
  drive wait "${MAIN[@]}" --visible --timeout "$STEP_TIMEOUT" || fail "the main window did not appear"
}

# Waits (bounded) for a client process to end; its exit code in EXIT_CODE.
wait_exit() {
  local pid=$1 limit=${2:-$STEP_TIMEOUT} waited=0
  while kill -0 "$pid" 2>/dev/null; do
    [ "$waited" -lt "$((limit * 10))" ] || fail "process $pid still runs after $limit s"
    sleep 0.1
    waited=$((waited + 1))
  done
  EXIT_CODE=0
  wait "$pid" || EXIT_CODE=$?
}

stop_process() {
  local pid=$1 _
  kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# Ends every client this test started (for a fresh start within one test).
client_stop_all() {
  local pid
  for pid in "${CLIENT_PIDS[@]}"; do
    stop_process "$pid"
  done
}

# Points the test's copy of the client at the reference service that CTest serves for the suite.
# The once-only tip before the first Connect counts as seen, unless the test passes "tip".
use_reference_service() {
  : "${KORVEX_SERVICE_URL:?the reference service fixture is not running}"
  printf '[Main]\r\nLoginURL=%s\r\n' "$KORVEX_SERVICE_URL" >"$CLIENT_DIR/$CLIENT_EXE.ini"
  [ "${1:-}" = tip ] || drive store-set-int Main Tip_HideAfterConnection 1
}

# Puts the rasapi32 stand-in beside the test's copy of the client, so its dial-up connections
# come up under Wine; what the client asked of it goes to $CLIENT_DIR/rasapi32.log.
use_ras_standin() {
  # shellcheck source=tools/ras_standin/standin.sh
  source "$E2E_SOURCE_DIR/tools/ras_standin/standin.sh"
  standin_install "$CLIENT_DIR" || fail "no rasapi32 stand-in"
  CLIENT_DLL_OVERRIDES=$(standin_overrides)
}

# Puts the openvpn.exe and tapinstall.exe doubles into the client's openvpn\ folder; what they
# were asked goes to $CLIENT_DIR/openvpn/openvpn_double.log.
use_openvpn_doubles() {
  # shellcheck source=tools/openvpn_double/doubles.sh
  source "$E2E_SOURCE_DIR/tools/openvpn_double/doubles.sh"
  openvpn_double_install "$CLIENT_DIR" || fail "no openvpn doubles"
}

# ---- checks

expect_eq() {
  local actual=$1 expected=$2 what=$3
  [ "$actual" = "$expected" ] || fail "$what: expected \"$expected\", got \"$actual\""
}

# The text of a main-window control.
main_text() { drive text "${MAIN[@]}" --id "$1" --timeout "$STEP_TIMEOUT"; }

expect_text() {
  local id=$1 expected=$2 what=$3 actual
  actual=$(main_text "$id") || fail "$what: cannot read control $id"
  expect_eq "$actual" "$expected" "$what"
}

# Waits (bounded) until the main window's control shows the text.
await_text() {
  local id=$1 expected=$2 what=$3 actual waited=0
  while actual=$(main_text "$id") && [ "$actual" != "$expected" ]; do
    [ "$waited" -lt "$STEP_TIMEOUT" ] || break
    sleep 1
    waited=$((waited + 1))
  done
  expect_eq "$actual" "$expected" "$what"
}

# States the main window (id "") or one of its controls must show now: visible, hidden,
# enabled, disabled, checked, unchecked, foreground (several may be given).
expect_state() { check_state 1 0 "$@"; }

# Like expect_state, but gives the client time to get there.
await_state() { check_state "$STEP_TIMEOUT" 0 "$@"; }

# Like expect_state, and the states must last SECONDS: for what must not happen before some event.
keep_state() {
  local seconds=$1
  shift
  check_state 1 "$seconds" "$@"
}

check_state() {
  local timeout=$1 stay=$2 id=$3 what=$4 args=("${MAIN[@]}") state
  shift 4
  if [ -n "$id" ]; then args+=(--id "$id"); fi
  for state in "$@"; do args+=("--$state"); done
  drive wait "${args[@]}" --timeout "$timeout" --stay "$stay" || fail "$what"
}

# Waits for one of the client's message boxes and checks its text; leaves it open.
expect_box() {
  local expected=$1 text
  text=$(drive msgbox "${BOX[@]}" --timeout "$STEP_TIMEOUT") || fail "no message box \"$expected\""
  expect_eq "$text" "$expected" "message box text"
}

# Waits for one of the client's message boxes, checks its text, and presses a button (default
# ok); returns when the box has closed.
answer_box() {
  local expected=$1 button=${2:-ok} text
  text=$(drive msgbox "${BOX[@]}" --press "$button" --timeout "$STEP_TIMEOUT") || fail "no message box \"$expected\""
  expect_eq "$text" "$expected" "message box text"
}

# A picture of the main window alone (or of the window the options after NAME find), saved as
# NAME.png in the artifacts folder; prints its path.
screenshot_main() {
  local name=$1 x y width height
  shift
  local window=("${MAIN[@]}")
  [ $# -gt 0 ] && window=("$@")
  read -r x y width height < <(drive rect "${window[@]}" --timeout "$STEP_TIMEOUT") || fail "no window to take a picture of"
  import -window root -crop "${width}x${height}+${x}+${y}" +repage "$E2E_ARTIFACTS/$name.png" ||
    fail "could not take a picture of the window"
  echo "$E2E_ARTIFACTS/$name.png"
}

# The tray icon's default action (what the shell sends for a double-click on item 1): the main
# window must show.
show_main_by_tray() {
  drive post "${MAIN[@]}" "$WM_TRAY_NOTIFY" 1 "$WM_LBUTTONDBLCLK"
  await_state "" "the tray's default action did not show the window" visible
}

# How many main windows of the client exist (shown or hidden).
main_window_count() { drive list "${MAIN[@]}" | wc -l; }

# Logs in from the main window with the given account and waits for the server selection window.
log_in_to_selection() {
  drive set-text "${MAIN[@]}" --id "$ID_USERNAME" "$1"
  drive set-text "${MAIN[@]}" --id "$ID_PASSWORD" "$2"
  drive click "${MAIN[@]}" --id "$ID_CONNECT"
  drive wait "${POLICY[@]}" --visible --timeout "$STEP_TIMEOUT" || fail "the server selection window did not open for $1"
}
