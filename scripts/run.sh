#!/usr/bin/env bash
# The main job: installs what is missing, builds both trees and opens Quillon's window on a demo
# list (a few files, one of them altered, one missing), which it checks at once. Without a
# display it runs under Xvfb, saves a screenshot once the check has ended (build/run/window.png)
# and closes the window; with a display the window stays open until the user closes it.
# Before the window, quillon-cli checks the same list natively.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
jobs="${QUILLON_JOBS:-$(nproc)}"
bash scripts/bootstrap.sh

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j "$jobs" --target quillon-cli
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win64 -j "$jobs" --target quillon quillon-cli quillon-probe

demo="build/run/demo"
rm -rf build/run && mkdir -p "$demo/photos" "$demo/docs"
printf 'abc' > "$demo/readme.txt"
: > "$demo/empty.dat"
head -c 3000000 /dev/urandom > "$demo/photos/beach.jpg"
head -c 1500000 /dev/urandom > "$demo/photos/sunset.jpg"
head -c 200000 /dev/urandom > "$demo/docs/report.pdf"
head -c 64000 /dev/urandom > "$demo/docs/notes.txt"
cli="$root/build/native/cli/quillon-cli"
# The list, made by the digest command itself; names with a Windows folder separator.
(cd "$demo" && "$cli" digest --crc32 readme.txt empty.dat photos/beach.jpg photos/sunset.jpg \
    docs/report.pdf docs/notes.txt | awk '{ n = $2; gsub("/", "\\", n); print n " " $1 }' \
    > demo.sfv)
# Damage: one file altered, one gone.
printf 'x' | dd of="$demo/photos/sunset.jpg" bs=1 seek=1000 conv=notrunc 2>/dev/null
rm "$demo/docs/notes.txt"

echo "== quillon-cli check demo.sfv (natively; one Bad and one Missing entry expected)"
"$cli" check "$demo/demo.sfv" || true

echo "== quillon.exe demo.sfv under Wine"
prefix="$root/build/win64/wineprefix"
run() { "$root/cmake/wine-run.sh" --prefix "$prefix" "$@"; }
source "$root/cmake/xvfb.sh"
had_display="${DISPLAY:-}"
start_display
stop() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
}
trap stop EXIT
# The progress strip on, for a window that shows everything.
run reg add 'HKCU\Software\Quillon' /v ShowProgress /t REG_DWORD /d 1 /f >/dev/null 2>&1 || true
list="$(WINEPREFIX="$prefix" winepath -w "$demo/demo.sfv" 2>/dev/null)"
managed='HKCU\Software\Wine\AppDefaults\quillon.exe\X11 Driver'
if [ -n "$had_display" ]; then
    # The desktop's window manager frames the window.
    run reg delete "$managed" /f >/dev/null 2>&1 || true
    run "$root/build/win64/ui/quillon.exe" "$list"
    exit 0
fi
# No window manager on the private display: Wine draws the frame itself.
run reg add "$managed" /v Managed /d N /f >/dev/null 2>&1 || true
run "$root/build/win64/ui/quillon.exe" "$list" &
window=$!
if run "$root/build/win64/bench/quillon-probe.exe" wait-complete 120; then
    sleep 0.5
    import -window root build/run/window.png
    echo "== screenshot: build/run/window.png"
else
    echo "== the window did not finish its check in time" >&2
fi
run "$root/build/win64/bench/quillon-probe.exe" close 30 || true
wait "$window" || true
