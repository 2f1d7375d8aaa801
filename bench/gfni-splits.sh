#!/usr/bin/env bash
# Times the VPCLMULQDQ+GFNI CRC-32 kernel at several round splits (registers folded by carry-less
# products, registers folded by the matrix unit) beside the plain VPCLMULQDQ kernel, by rebuilding
# only the kernels and relinking quillon_bench for each split.
#   bench/gfni-splits.sh [bench-build-dir] [split ...]    (default build/bench; splits "a,b")
# A split "a,0" leaves the level to the plain kernel, and the matrix kernel listed is then 6,2.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/bench}"
shift || true
splits=("$@")
[ ${#splits[@]} -gt 0 ] || splits=(4,4 5,3 6,2 7,1 6,4 8,4 4,2 2,2)
[ -f "$build/build.ninja" ] ||
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_TESTS=OFF >/dev/null
cmake --build "$build" --target quillon_bench >/dev/null
out="$(mktemp -d "${TMPDIR:-/tmp}/quillon-splits.XXXXXX")"
trap 'rm -rf "$out"' EXIT
compile=$(ninja -C "$build" -t commands bench/quillon_bench | grep -m1 -- '-c [^ ]*core/Crc32Kernels.cpp')
link=$(ninja -C "$build" -t commands bench/quillon_bench | grep -m1 -- '-o bench/quillon_bench ')
link=${link#: && }
link=${link% && :}
for split in "${splits[@]}"; do
    obj="$out/k.o"
    c=$(sed -E "s# -MD -MT [^ ]+ -MF [^ ]+##; s# -o [^ ]+Crc32Kernels.cpp.o# -o $obj#" <<<"$compile")
    (cd "$build" && eval "$c -DQUILLON_GFNI_SPLIT=\"$split\"")
    # The new kernels ahead of the library: its own copy is then never pulled in.
    l=$(sed -E "s# -o bench/quillon_bench # -o $out/bench $obj #" <<<"$link")
    (cd "$build" && eval "$l")
    echo "== split $split"
    "$out/bench" --benchmark_filter='Crc32/kernel:Vpclmul' 2>/dev/null |
        sed -n 's/^  \(Crc32\/kernel:Vpclmul[^ ]*\) *\([0-9.]* GB\/s\).*/  \1  \2/p'
done
