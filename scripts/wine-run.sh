#!/bin/sh
# Runs a Windows program under Wine, as the Windows tests do:
# - in the prefix $WINEPREFIX (default: build-win/wineprefix of this tree),
#   created on first use;
# - on the display $DISPLAY, which GUI programs need (scripts/test.sh starts
#   an Xvfb for the Windows tests);
# - with CAP_SYS_TIME out of the bounding set. Wine's SetSystemTime never
#   sets the host clock, but nothing run here gets the chance to.
#
#   scripts/wine-run.sh program.exe [ARG...]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
: "${WINEPREFIX:=$here/build-win/wineprefix}"
: "${WINEDEBUG:=-all}"
export WINEPREFIX WINEDEBUG
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
noclock="setpriv --bounding-set=-sys_time --inh-caps=-sys_time --"
if [ ! -f "$WINEPREFIX/.todsync-ready" ]; then
    mkdir -p "$WINEPREFIX"
    $noclock wineboot --init >/dev/null 2>&1 || true
    # A crashing program must end, not wait behind Wine's crash dialog.
    $noclock wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
    $noclock wineserver --wait || true
    touch "$WINEPREFIX/.todsync-ready"
fi
if [ -z "${DISPLAY:-}" ]; then
    # GUI programs need a display: without one, CreateWindowExW fails.
    exec xvfb-run -a $noclock wine "$@"
fi
exec $noclock wine "$@"
