#!/usr/bin/env bash
# Runs a Windows program under Wine with a private prefix, so tests never touch ~/.wine.
#   wine-run.sh [--prefix DIR] program.exe [args...]
# The prefix is booted once (guarded by a lock and a marker, so an interrupted boot is redone)
# and reused. When no display is set, an Xvfb server is started for this run and stopped after.
set -u
prefix="${QUILLON_WINEPREFIX:-}"
if [ "${1:-}" = "--prefix" ]; then prefix="$2"; shift 2; fi
[ -n "$prefix" ] || prefix="$(pwd)/wineprefix"
mkdir -p "$prefix"
prefix="$(cd "$prefix" && pwd)"

export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Where Wine keeps the Recycle Bin (and its menu files): in the prefix, not the user's home.
export XDG_DATA_HOME="$prefix/xdg-data"
# Reproducible locale and clock for locale and time tests.
# Wine takes US English for the Windows side from either; without a UTF-8 host locale it could not
# create files with non-ASCII names.
default_lang=C.UTF-8
locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$' && default_lang=en_US.UTF-8
export LANG="${QUILLON_WINE_LANG:-$default_lang}"
export LC_ALL="$LANG"
export TZ="${QUILLON_WINE_TZ:-UTC}"

wine_bin="$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)"

source "$(dirname "$0")/xvfb.sh"
cleanup() {
    [ -n "$xvfb_pid" ] || return 0
    # Wine's desktop process holds the display we are about to stop: end the prefix's server first.
    "${WINESERVER:-wineserver}" -k 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
start_display

(
    flock 9
    if [ ! -f "$prefix/.quillon-booted" ]; then
        find "$prefix" -mindepth 1 -maxdepth 1 ! -name '.lock' -exec rm -rf {} + 2>/dev/null
        "$wine_bin" wineboot -i >/dev/null 2>&1
        "${WINESERVER:-wineserver}" -w 2>/dev/null
        touch "$prefix/.quillon-booted"
    fi
    if [ ! -f "$prefix/.quillon-settings-1" ]; then
        # A crash must end the process, not wait on a dialog nobody will click.
        "$wine_bin" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD \
            /d 0 /f >/dev/null 2>&1
        # The window tests run on a display without a window manager: a window Wine leaves to a
        # manager gets its maximize undone (SC_RESTORE), so Wine manages the test program's own.
        "$wine_bin" reg add 'HKCU\Software\Wine\AppDefaults\ui_tests.exe\X11 Driver' \
            /v Managed /d N /f >/dev/null 2>&1
        "${WINESERVER:-wineserver}" -w 2>/dev/null
        touch "$prefix/.quillon-settings-1"
    fi
    if [ ! -f "$prefix/.quillon-settings-2" ]; then
        # The dialog and control tests too: a window left to a manager that is not there takes
        # two seconds to close.
        for exe in create_tests.exe controls_tests.exe; do
            "$wine_bin" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe\\X11 Driver" \
                /v Managed /d N /f >/dev/null 2>&1
        done
        "${WINESERVER:-wineserver}" -w 2>/dev/null
        touch "$prefix/.quillon-settings-2"
    fi
    if [ ! -f "$prefix/.quillon-settings-3" ]; then
        # And every other suite with a dialog (the one-line prompt of util_tests), and the
        # program the process tests start.
        for exe in util_tests.exe verify_tests.exe quillon.exe; do
            "$wine_bin" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe\\X11 Driver" \
                /v Managed /d N /f >/dev/null 2>&1
        done
        "${WINESERVER:-wineserver}" -w 2>/dev/null
        touch "$prefix/.quillon-settings-3"
    fi
) 9>"$prefix/.lock"

# A program that crashes under Wine can still end with status 0: a test program that was asked
# for a report and wrote none did not finish its tests.
report=""
for arg in "${@:2}"; do
    case "$arg" in
    --gtest_output=xml:*/) report="${arg#--gtest_output=xml:}$(basename "${1%.exe}").xml" ;;
    --gtest_output=xml:*) report="${arg#--gtest_output=xml:}" ;;
    esac
done
[ -z "$report" ] || rm -f "$report"

"$wine_bin" "$@"
rc=$?
if [ "$rc" = 0 ] && [ -n "$report" ] && [ ! -f "$report" ]; then
    echo "wine-run.sh: $(basename "$1") ended without writing $report (a crash?)" >&2
    rc=1
fi
exit $rc
