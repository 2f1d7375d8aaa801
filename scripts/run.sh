#!/usr/bin/env bash
# The main job: installs what is missing, builds both trees and runs Quillon on a demo folder:
# the console companion natively and as a Windows program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
jobs="${QUILLON_JOBS:-$(nproc)}"
bash scripts/bootstrap.sh

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j "$jobs" --target quillon-cli
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
cmake --build build/win64 -j "$jobs" --target quillon-cli

demo="build/demo"
rm -rf "$demo" && mkdir -p "$demo/sub"
printf 'abc' > "$demo/readme.txt"
: > "$demo/empty.dat"
head -c 3000000 /dev/urandom > "$demo/sub/data.bin"

cli="build/native/cli/quillon-cli"

echo "== native: quillon-cli digest"
(cd "$demo" && "$root/$cli" digest --crc32 readme.txt empty.dat sub/data.bin)
(cd "$demo" && "$root/$cli" digest --md5 readme.txt empty.dat sub/data.bin)

echo "== Windows build under Wine: quillon-cli.exe digest"
(cd "$demo" && "$root/cmake/wine-run.sh" --prefix "$root/build/win64/wineprefix" \
    "$root/build/win64/cli/quillon-cli.exe" digest --crc32 readme.txt empty.dat sub/data.bin)

# The lists the demo checks: made by the digest command itself.
(cd "$demo" && "$root/$cli" digest --crc32 readme.txt empty.dat sub/data.bin |
    awk '{ print $2 " " $1 }' > demo.sfv)
(cd "$demo" && "$root/$cli" digest --md5 readme.txt empty.dat sub/data.bin > demo.md5)
echo "== native: quillon-cli check demo.sfv and demo.md5"
"$cli" check "$demo/demo.sfv"
"$cli" check --porcelain "$demo/demo.md5"
# A damaged copy: one file changed, one gone.
printf 'abd' > "$demo/readme.txt"
rm "$demo/empty.dat"
echo "== native: after damaging the demo folder (exit status 1 expected)"
"$cli" check "$demo/demo.sfv" && exit 1
echo "== Windows build under Wine: quillon-cli.exe check demo.sfv"
(cd "$demo" && "$root/cmake/wine-run.sh" --prefix "$root/build/win64/wineprefix" \
    "$root/build/win64/cli/quillon-cli.exe" check demo.sfv) || true
WINEPREFIX="$root/build/win64/wineprefix" wineserver -k 2>/dev/null || true
