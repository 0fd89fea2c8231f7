#!/usr/bin/env bash
# The server choice after a login against the reference service: the account's routes and
# servers, response times of the loopback servers filling in, the protocols each server offers,
# the messages, and the choice kept in the settings store once OK lets the login go on.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_begin server_selection

use_reference_service
client_start_shown

# Column N (0 the title, 3 the speed) of every row, one per line.
column() { drive items "${POLICY[@]}" --id "$ID_SERVERS" | cut -f "$(($1 + 2))"; }

step "the demo account's routes and servers"
log_in_to_selection demo demo
expect_eq "$(drive combo "${POLICY[@]}" --id "$ID_ROUTES" | cut -f 2 | paste -sd '|')" \
  "电信加速|网通游戏专线|全局加速（修改默认网关）|教育网加速" "routes"
expect_eq "$(drive text "${POLICY[@]}" --id "$ID_ROUTES")" "电信加速" "preselected route"
expect_eq "$(column 0 | paste -sd '|')" "北京电信一号|上海电信二号|广州网通三号|香港国际四号|天津教育网五号" "servers"
expect_eq "$(column 3 | paste -sd '|')" " 35%| 80%|  5%|100%| 60%" "loads"

step "every loopback server answers within 5 s"
deadline=$((SECONDS + 5))
until [ "$(column 2 | grep -c ' 毫秒$')" -eq 5 ]; do
  [ $SECONDS -lt $deadline ] || fail "speed column after 5 s: $(column 2 | paste -sd '|')"
  sleep 0.3
done
screenshot_main selection_window "${POLICY[@]}" >/dev/null

step "a server without PPTP takes the stored protocol away"
expect_state_of() { drive wait "${POLICY[@]}" --id "$1" --timeout "$STEP_TIMEOUT" "${@:3}" || fail "$2"; }
expect_state_of "$ID_PPTP" "PPTP is not checked at first (VpnType 1)" --checked --enabled
drive select-item 2 "${POLICY[@]}" --id "$ID_SERVERS"
expect_state_of "$ID_PPTP" "PPTP stays usable for an OpenVPN-only server" --disabled --unchecked
expect_state_of "$ID_OPENVPN" "OpenVPN is not offered" --enabled
drive click "${POLICY[@]}" --id 1
answer_box "请选择连接方式"
drive wait "${POLICY[@]}" --visible --timeout 1 || fail "the window closed without a protocol"

step "OK with PPTP lets the login go on and keeps the choice"
drive select-item 1 "${POLICY[@]}" --id "$ID_SERVERS"
drive combo-select 3 "${POLICY[@]}" --id "$ID_ROUTES"
drive click "${POLICY[@]}" --id "$ID_PPTP"
drive click "${POLICY[@]}" --id 1
drive wait "${POLICY[@]}" --gone --timeout "$STEP_TIMEOUT" || fail "OK with PPTP did not close the window"
expect_eq "$(drive store-get Main LastVpnRouteTitle)" "教育网加速" "stored route"
expect_eq "$(drive store-get Main LastVpnServerTitle)" "上海电信二号" "stored server"
expect_eq "$(drive store-get Main VpnType)" 1 "stored protocol"
# Dial-up networking does nothing here: the connection reports its failure in a box.
drive msgbox "${BOX[@]}" --press ok --timeout "$STEP_TIMEOUT" >/dev/null || fail "no outcome after OK"
await_state "$ID_CONNECT" "Connect is not usable again after the failed connection" enabled

step "the last choice is preselected next time; a server without protocols says so"
log_in_to_selection demo demo
expect_eq "$(drive text "${POLICY[@]}" --id "$ID_ROUTES")" "教育网加速" "route preselected from the last choice"
expect_eq "$(drive items "${POLICY[@]}" --id "$ID_SERVERS" | grep -c $'\tselected$')" 1 "one row selected"
expect_eq "$(drive items "${POLICY[@]}" --id "$ID_SERVERS" | grep $'\tselected$' | cut -f 2)" "上海电信二号" \
  "server preselected from the last choice"
drive click "${POLICY[@]}" --id 2
drive wait "${MAIN[@]}" --id "$ID_STATUS" --text "登录被取消。" --timeout "$STEP_TIMEOUT" ||
  fail "Cancel did not end the login"

# noproto's first server offers nothing: the window says so while it opens. (Its second server
# bears the title chosen above, which would be preselected instead.)
drive store-set-string Main LastVpnServerTitle ""
drive set-text "${MAIN[@]}" --id "$ID_USERNAME" noproto
drive set-text "${MAIN[@]}" --id "$ID_PASSWORD" noproto
drive click "${MAIN[@]}" --id "$ID_CONNECT"
answer_box "您选择的服务器暂时没有提供可用的连接方式，请使用其他服务器"
drive wait "${POLICY[@]}" --visible --timeout "$STEP_TIMEOUT" || fail "the window did not open after the message"
for id in "$ID_PPTP" "$ID_L2TP" "$ID_OPENVPN"; do
  expect_state_of "$id" "a protocol is offered by a server without protocols" --disabled --unchecked
done
drive key "${POLICY[@]}" escape
drive wait "${MAIN[@]}" --id "$ID_STATUS" --text "登录被取消。" --timeout "$STEP_TIMEOUT" ||
  fail "Escape did not end the login"
