#!/usr/bin/env bash
# Lays out the program folder as it is installed and zips it, the same bytes on every run:
#
#   package_folder.sh FOLDER ZIP EXE README [OPENVPN_DIR]
#
# FOLDER (emptied first) receives korvex.exe and readme.txt, and openvpn\ with the OpenVPN
# components when OPENVPN_DIR is given; ZIP holds FOLDER under its own name. Every entry has the
# time SOURCE_DATE_EPOCH (default 2000-01-01 UTC) and the same permissions, in a fixed order,
# without the extra fields that would carry this machine's owner or times.
set -euo pipefail
folder=${1:?usage: package_folder.sh FOLDER ZIP EXE README [OPENVPN_DIR]}
zip=${2:?missing ZIP} exe=${3:?missing EXE} readme=${4:?missing README} openvpn=${5:-}
readonly OPENVPN_FILES=(openvpn.exe ca.crt tap_korvex.inf tap_korvex.sys tapinstall.exe)

rm -rf "$folder"
mkdir -p "$folder"
cp "$exe" "$folder/korvex.exe"
cp "$readme" "$folder/readme.txt"
entries=(korvex.exe readme.txt)
if [ -n "$openvpn" ]; then
  mkdir "$folder/openvpn"
  for file in "${OPENVPN_FILES[@]}"; do
    [ -f "$openvpn/$file" ] || { echo "package_folder: no $file in $openvpn" >&2; exit 1; }
    cp "$openvpn/$file" "$folder/openvpn/$file"
    entries+=("openvpn/$file")
  done
fi

stamp=${SOURCE_DATE_EPOCH:-946684800}
find "$folder" -type f -exec chmod 0644 {} + -o -type d -exec chmod 0755 {} +
find "$folder" -exec touch -h -d "@$stamp" {} +

name=$(basename "$folder")
rm -f "$zip"
mkdir -p "$(dirname "$zip")"
zip_path=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")
# zip stores local times: UTC makes them the same on every machine.
(cd "$(dirname "$folder")" && TZ=UTC zip -q -X -D -9 "$zip_path" "${entries[@]/#/$name/}")
