#!/usr/bin/env bash
# Runs a Windows program in a build folder's Wine environment (scripts/wine-env) with the
# rasapi32 stand-in preferred to Wine's own. wine-env takes WINEDLLOVERRIDES from the build's
# env file, so the override is added here. The test emulator of ras_standin_test.
#
#   run_with_standin.sh STATE PROGRAM [ARGS...]
set -euo pipefail
state=${1:?usage: run_with_standin.sh STATE PROGRAM [ARGS...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
eval "$("$here/../../scripts/wine-env" shell "$state")"
# shellcheck source=tools/ras_standin/standin.sh
source "$here/standin.sh"
WINEDLLOVERRIDES=$(standin_overrides)
export WINEDLLOVERRIDES

wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64)
# Through a file, as wine-env run does: Wine's helper processes would hold CTest's pipes open.
out=$(mktemp "$state/output.XXXXXX")
rc=0
"$wine64" "$@" >"$out" 2>&1 </dev/null || rc=$?
cat "$out"
rm -f "$out"
exit "$rc"
