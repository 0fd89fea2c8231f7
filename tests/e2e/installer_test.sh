#!/usr/bin/env bash
# The x64 installer as a deployment runs it (/S) in the suite's prefix: it installs the program
# folder (here with the openvpn doubles standing in for the OpenVPN components), the Start-menu
# and desktop shortcuts and the Uninstall entry; the installed client starts; neither the
# installer nor the uninstaller runs beside the client, and then nothing changes; a second run
# upgrades in place; the uninstaller removes all of it and keeps the user's settings.
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
: "${KORVEX_SETUP_EXE:?}" "${KORVEX_VERSION:?}" "${KORVEX_OPENVPN_FIXTURE:?}"
e2e_begin installer

readonly PRODUCT="Qivra网络加速器"
readonly UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvex'
readonly WINDOWS_DIR="C:\\Program Files\\$PRODUCT"
readonly INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/$PRODUCT"
readonly START_MENU="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$PRODUCT"
readonly DESKTOP_LINK="$WINEPREFIX/drive_c/users/Public/Desktop/$PRODUCT.lnk"
readonly OPENVPN_FILES=(openvpn.exe ca.crt tap_korvex.inf tap_korvex.sys tapinstall.exe)

# A Windows program to its end, bounded; its exit code in EXIT_CODE.
run() {
  EXIT_CODE=0
  timeout -k 5 60 "$WINE64" "$@" </dev/null >>"$WORK/wine.log" 2>&1 || EXIT_CODE=$?
}

# The Uninstall entry as reg.exe exports it (UTF-8, without the header); fails when it is missing.
uninstall_entry() {
  rm -f "$WINEPREFIX/drive_c/uninstall-entry.reg"
  run reg export "$UNINSTALL_KEY" 'C:\uninstall-entry.reg' /y
  [ "$EXIT_CODE" -eq 0 ] || return 1
  iconv -f UTF-16 -t UTF-8 "$WINEPREFIX/drive_c/uninstall-entry.reg" | tr -d '\r' | grep '^"'
  rm -f "$WINEPREFIX/drive_c/uninstall-entry.reg"
}

# What the installation consists of: files with sizes and times, shortcuts, the Uninstall entry.
snapshot() {
  find "$INSTALL_DIR" "$START_MENU" "$DESKTOP_LINK" -printf '%p %s %T@\n' 2>/dev/null | sort
  uninstall_entry || echo "no Uninstall entry"
}

expect_installed() {
  local entry file expected line value size
  expected=$(printf '%s\n' korvex.exe readme.txt uninstall.exe "${OPENVPN_FILES[@]/#/openvpn/}" | sort)
  expect_eq "$(find "$INSTALL_DIR" -type f -printf '%P\n' | sort)" "$expected" "installed files"
  cmp -s "$INSTALL_DIR/korvex.exe" "$KORVEX_EXE" || fail "korvex.exe is not the one built"
  cmp -s "$INSTALL_DIR/readme.txt" "$E2E_SOURCE_DIR/res/package/readme.txt" || fail "readme.txt differs"
  for file in "${OPENVPN_FILES[@]}"; do
    cmp -s "$INSTALL_DIR/openvpn/$file" "$KORVEX_OPENVPN_FIXTURE/$file" || fail "openvpn/$file differs"
  done

  # Each shortcut holds its target's folder and name as UTF-16 text.
  for line in "$START_MENU/$PRODUCT.lnk:korvex.exe" "$START_MENU/卸载$PRODUCT.lnk:uninstall.exe" \
              "$DESKTOP_LINK:korvex.exe"; do
    [ -f "${line%:*}" ] || fail "no shortcut ${line%:*}"
    value=$(xxd -p "${line%:*}" | tr -d '\n')
    for file in "$WINDOWS_DIR" "${line##*:}"; do
      grep -q "$(printf '%s' "$file" | iconv -t UTF-16LE | xxd -p | tr -d '\n')" <<<"$value" ||
        fail "${line%:*} does not lead to $WINDOWS_DIR\\${line##*:}"
    done
  done

  entry=$(uninstall_entry) || fail "no Uninstall entry"
  # reg.exe's escapes: \\ for \ and \" for ".
  for line in "DisplayName=$PRODUCT" "DisplayVersion=$KORVEX_VERSION" "Publisher=Qivra" \
              "DisplayIcon=$WINDOWS_DIR\\korvex.exe,0" "InstallLocation=$WINDOWS_DIR" \
              "UninstallString=\"$WINDOWS_DIR\\uninstall.exe\"" \
              "QuietUninstallString=\"$WINDOWS_DIR\\uninstall.exe\" /S"; do
    value=${line#*=}
    value=${value//\\/\\\\}
    value=${value//\"/\\\"}
    grep -qxF "\"${line%%=*}\"=\"$value\"" <<<"$entry" || fail "Uninstall entry: no ${line%%=*} \"${line#*=}\" in:
$entry"
  done
  for line in '"NoModify"=dword:00000001' '"NoRepair"=dword:00000001'; do
    grep -qxF "$line" <<<"$entry" || fail "Uninstall entry: no $line"
  done
  # EstimatedSize counts kilobytes of the folder.
  value=$(sed -n 's/^"EstimatedSize"=dword:\([0-9a-f]*\)$/\1/p' <<<"$entry")
  size=$(du -sb "$INSTALL_DIR" | cut -f1)
  [ -n "$value" ] && [ $((16#$value)) -ge $((size / 1024 - 8)) ] && [ $((16#$value)) -le $((size / 1024 + 8)) ] ||
    fail "EstimatedSize ${value:-missing} for $size bytes"
}

step "a prefix without the program"
run reg delete "$UNINSTALL_KEY" /f
rm -rf "$INSTALL_DIR" "$START_MENU" "$DESKTOP_LINK"

step "silent install"
run "$KORVEX_SETUP_EXE" /S
expect_eq "$EXIT_CODE" 0 "installer exit code"
expect_installed

step "the installed client"
drive store-set-int Main Tip_HideAfterConnection 1  # a setting of the user's, to outlive the uninstaller
client_start_shown "$INSTALL_DIR/korvex.exe"

step "neither installer nor uninstaller beside the running client"
before=$(snapshot)
run "$KORVEX_SETUP_EXE" /S
expect_eq "$EXIT_CODE" 2 "installer exit code with the client running"
expect_eq "$(snapshot)" "$before" "the installation after the refused install"
# In place (_?=), so that its exit code is the uninstaller's own. NSIS reads _?= only unquoted,
# as the last word of the command line, which Wine would quote for the space: cmd passes a batch
# file's line as it stands (in the ANSI code page).
printf '@"%s\\uninstall.exe" /S _?=%s\r\n' "$WINDOWS_DIR" "$WINDOWS_DIR" | iconv -t GBK \
  >"$WINEPREFIX/drive_c/uninstall-in-place.bat"
run cmd /c 'C:\uninstall-in-place.bat'
rm -f "$WINEPREFIX/drive_c/uninstall-in-place.bat"
expect_eq "$EXIT_CODE" 2 "uninstaller exit code with the client running"
expect_eq "$(snapshot)" "$before" "the installation after the refused uninstall"
client_stop_all

step "upgrade in place"
printf 'an older read-me\r\n' >"$INSTALL_DIR/readme.txt"
run "$KORVEX_SETUP_EXE" /S
expect_eq "$EXIT_CODE" 0 "installer exit code over an installation"
expect_installed

step "silent uninstall"
# The uninstaller copies itself to the temporary folder, starts the copy and returns at once:
# wait for the copy's work to show, and for the copy to end.
run "$INSTALL_DIR/uninstall.exe" /S
expect_eq "$EXIT_CODE" 0 "uninstaller exit code"
for _ in $(seq $((STEP_TIMEOUT * 10))); do
  [ -e "$INSTALL_DIR" ] || pgrep -f 'Un_[A-Z]\.exe' >/dev/null || break
  sleep 0.1
done
remains=$(snapshot)
expect_eq "$remains" "no Uninstall entry" "what the uninstaller left"
expect_eq "$(drive store-get Main Tip_HideAfterConnection)" 1 "the user's setting after the uninstall"
