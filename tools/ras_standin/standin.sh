# Helpers for running a copy of the client with the rasapi32 stand-in beside it (end-to-end
# tests, demo). Source this file.
#
#   standin_install DIR [DLL]          copy the stand-in into DIR (beside korvex.exe), write the
#                                      default scenario and start an empty log. DLL defaults to
#                                      $STANDIN_DLL, else the one built beside $KORVEX_EXE.
#   standin_scenario DIR KEY=VALUE...  replace DIR's scenario with these lines
#   standin_overrides                  print $WINEDLLOVERRIDES with rasapi32=n added: Wine then
#                                      takes rasapi32.dll from the program's folder, never its own
#   standin_wait_log DIR REGEX [SECONDS]  wait (default 10 s) for a log line matching REGEX
#
# Scenario keys: result delay_ms drop_after_s drop_now traffic tunnel_address server_address
# entry_result dial_return fail_state (see README.md beside this file). The stand-in re-reads
# the scenario at every call, so it may change while the client runs.

standin_install() {
  local dir=${1:?usage: standin_install DIR [DLL]}
  local dll=${2:-${STANDIN_DLL:-$(dirname "${KORVEX_EXE:?no DLL given and no KORVEX_EXE}")/tools/ras_standin/rasapi32.dll}}
  [ -f "$dll" ] || { echo "standin_install: no stand-in at $dll" >&2; return 1; }
  cp "$dll" "$dir/rasapi32.dll"
  : >"$dir/rasapi32.log"
  standin_scenario "$dir" result=0 delay_ms=20 traffic=off
}

standin_scenario() {
  local dir=${1:?usage: standin_scenario DIR KEY=VALUE...} line
  shift
  # Written aside and renamed over the old one: the stand-in never reads half a file.
  local new="$dir/rasapi32.scenario.new"
  : >"$new"
  for line in "$@"; do
    case "$line" in
      *=*) printf '%s\n' "$line" >>"$new" ;;
      *) echo "standin_scenario: \"$line\" is no KEY=VALUE" >&2; rm -f "$new"; return 1 ;;
    esac
  done
  mv -f "$new" "$dir/rasapi32.scenario"
}

standin_overrides() {
  echo "${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}rasapi32=n"
}

standin_wait_log() {
  local dir=${1:?usage: standin_wait_log DIR REGEX [SECONDS]} regex=${2:?missing REGEX}
  local tenths=$((${3:-10} * 10))
  while [ "$tenths" -gt 0 ]; do
    grep -Eq -- "$regex" "$dir/rasapi32.log" 2>/dev/null && return 0
    sleep 0.1
    tenths=$((tenths - 1))
  done
  echo "standin_wait_log: no line matching \"$regex\" in $dir/rasapi32.log" >&2
  return 1
}
