# shellcheck shell=bash
# Helpers for running a copy of the client with the openvpn.exe and tapinstall.exe doubles in
# its openvpn\ folder (end-to-end tests, demo). Source this file. DIR is the client's folder,
# the one holding korvex.exe; everything goes to DIR/openvpn/.
#
#   openvpn_double_install DIR [FROM]  make DIR/openvpn/ with both doubles, placeholder ca.crt,
#                                      tap_korvex.inf and tap_korvex.sys, the default scenario,
#                                      an empty log and no TAP adapter installed. FROM is the
#                                      folder the doubles were built in: $OPENVPN_DOUBLE_DIR,
#                                      else tools/openvpn_double beside $KORVEX_EXE
#   openvpn_double_scenario DIR KEY=VALUE...  replace the scenario with these lines
#   openvpn_double_wait_log DIR REGEX [SECONDS]  wait (default 10 s) for a log line matching
#                                      REGEX (grep -E), e.g. '^openvpn exit code=0 '
#
# Scenario keys: outcome delay_ms ifconfig route_gateway packets ignore_exit_event drop_after_s
# adapter init_with_errors exit_code expect_user expect_password expect_proxy_user
# expect_proxy_password tapinstall_result tapinstall_delay_ms (see README.md beside this file).
# The doubles read it when they start, so a change applies from the next program run.

openvpn_double_install() {
  local dir=${1:?usage: openvpn_double_install DIR [FROM]}
  local from=${2:-${OPENVPN_DOUBLE_DIR:-$(dirname "${KORVEX_EXE:?no FROM given and no KORVEX_EXE}")/tools/openvpn_double}}
  local program
  for program in openvpn.exe tapinstall.exe; do
    [ -f "$from/$program" ] || { echo "openvpn_double_install: no $program in $from" >&2; return 1; }
  done
  mkdir -p "$dir/openvpn"
  cp "$from/openvpn.exe" "$from/tapinstall.exe" "$dir/openvpn/"
  # Present so that the client's component check passes; nothing reads their contents.
  printf '%s\r\n' '# Test fixture for the openvpn.exe double: not a certificate.' >"$dir/openvpn/ca.crt"
  printf '%s\r\n' '; Test fixture for the tapinstall.exe double: not a driver package.' \
    >"$dir/openvpn/tap_korvex.inf"
  printf '%s\r\n' 'Test fixture for the tapinstall.exe double: not a driver.' >"$dir/openvpn/tap_korvex.sys"
  rm -f "$dir/openvpn/tap_installed"
  : >"$dir/openvpn/openvpn_double.log"
  openvpn_double_scenario "$dir" outcome=connected delay_ms=20
}

openvpn_double_scenario() {
  local dir=${1:?usage: openvpn_double_scenario DIR KEY=VALUE...} line
  shift
  # Written aside and renamed over the old one: a double never reads half a file.
  local new="$dir/openvpn/openvpn_double.scenario.new"
  : >"$new" || return 1
  for line in "$@"; do
    case "$line" in
      *=*) printf '%s\n' "$line" >>"$new" ;;
      *) echo "openvpn_double_scenario: \"$line\" is no KEY=VALUE" >&2; rm -f "$new"; return 1 ;;
    esac
  done
  mv -f "$new" "$dir/openvpn/openvpn_double.scenario"
}

openvpn_double_wait_log() {
  local dir=${1:?usage: openvpn_double_wait_log DIR REGEX [SECONDS]} regex=${2:?missing REGEX}
  local tenths=$((${3:-10} * 10))
  while [ "$tenths" -gt 0 ]; do
    grep -Eq -- "$regex" "$dir/openvpn/openvpn_double.log" 2>/dev/null && return 0
    sleep 0.1
    tenths=$((tenths - 1))
  done
  echo "openvpn_double_wait_log: no line matching \"$regex\" in $dir/openvpn/openvpn_double.log" >&2
  return 1
}
