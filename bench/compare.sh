#!/usr/bin/env bash
# Times quillon-cli against its peers on the same files in one run and prints the ratios.
#   bench/compare.sh [native-build-dir]     (default build/native; builds quillon-cli there)
# Files live in the page cache: each is warmed before every timed run, and every figure is the
# median of several runs. QUILLON_BENCH_RUNS (default 5) and QUILLON_BENCH_DIR override.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/native}"
runs="${QUILLON_BENCH_RUNS:-5}"
work="${QUILLON_BENCH_DIR:-/tmp/quillon-bench}"
for tool in cksfv rhash md5sum openssl; do
    command -v "$tool" >/dev/null || { echo "missing $tool (bash scripts/bootstrap.sh)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { DEBIAN_FRONTEND=noninteractive apt-get install -y -qq time >/dev/null; }
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quillon-cli >/dev/null
cli="$(pwd)/$build/quillon-cli"
mkdir -p "$work"
big="$work/big.bin"
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -ne $((2 << 30)) ]; then
    echo "making a 2 GiB file in $work" >&2
    head -c $((2 << 30)) /dev/urandom > "$big"
fi

warm() { cat "$@" > /dev/null; }
# median wall seconds of "$@" over $runs runs, warming the files named in WARM first
timeit() {
    local times=() i t0 t1
    for ((i = 0; i < runs; i++)); do
        warm $WARM
        t0=$(date +%s.%N)
        "$@" > /dev/null 2>&1 || true
        t1=$(date +%s.%N)
        times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
gbps() { awk -v t="$1" 'BEGIN { printf "%.2f", 2147483648 / t / 1e9 }'; }
row() { printf '%-44s %8.3f s %7s GB/s\n' "$1" "$2" "$(gbps "$2")"; }

echo "== one 2 GiB file, $runs runs each, medians"
WARM="$big"
t_read=$(timeit dd if="$big" of=/dev/null bs=64k)
t_crc=$(timeit "$cli" digest --crc32 "$big")
t_rhash=$(timeit rhash --crc32 "$big")
t_cksfv=$(timeit cksfv "$big")
t_md5=$(timeit "$cli" digest --md5 "$big")
t_md5sum=$(timeit md5sum "$big")
t_ossl=$(timeit openssl dgst -md5 "$big")
row "plain read, 64 KiB blocks (dd)" "$t_read"
row "quillon-cli digest --crc32" "$t_crc"
row "rhash --crc32" "$t_rhash"
row "cksfv" "$t_cksfv"
row "quillon-cli digest --md5" "$t_md5"
row "md5sum" "$t_md5sum"
row "openssl dgst -md5" "$t_ossl"
echo "ratio crc32 digest / plain read (speed):  $(ratio "$t_read" "$t_crc")   (target >= 0.85)"
echo "ratio crc32 digest vs rhash --crc32:      $(ratio "$t_rhash" "$t_crc")   (target >= 4)"
echo "ratio crc32 digest vs cksfv:              $(ratio "$t_cksfv" "$t_crc")"
echo "ratio md5 digest vs md5sum:               $(ratio "$t_md5sum" "$t_md5")   (target >= 1)"
echo "ratio md5 digest vs openssl dgst -md5:    $(ratio "$t_ossl" "$t_md5")"

{
    echo
    echo "== check of the same 2 GiB file through a list"
    (cd "$work" && echo "big.bin $("$cli" digest --crc32 big.bin | cut -d' ' -f1)" > big.sfv)
    (cd "$work" && md5sum big.bin > big.md5)
    t_check=$(timeit "$cli" check --quiet "$work/big.sfv")
    t_cksfv_f=$(cd "$work" && timeit cksfv -q -f big.sfv)
    t_rhash_c=$(cd "$work" && timeit rhash -c big.sfv)
    t_check_md5=$(timeit "$cli" check --quiet "$work/big.md5")
    t_md5sum_c=$(cd "$work" && timeit md5sum -c big.md5)
    row "quillon-cli check big.sfv" "$t_check"
    row "cksfv -f big.sfv" "$t_cksfv_f"
    row "rhash -c big.sfv" "$t_rhash_c"
    row "quillon-cli check big.md5" "$t_check_md5"
    row "md5sum -c big.md5" "$t_md5sum_c"
    echo "ratio check / digest time (crc32):        $(ratio "$t_check" "$t_crc")   (target <= 1.10)"
    echo "ratio check vs cksfv -f:                  $(ratio "$t_cksfv_f" "$t_check")   (target >= 3)"
    echo "ratio check vs rhash -c:                  $(ratio "$t_rhash_c" "$t_check")   (target >= 3)"
    echo "ratio check md5 vs md5sum -c:             $(ratio "$t_md5sum_c" "$t_check_md5")   (target >= 1)"

    echo
    echo "== 20,000 files of 4 KiB in one list"
    small="$work/small"
    if [ ! -f "$small/list.md5" ]; then
        rm -rf "$small" && mkdir -p "$small"
        head -c $((20000 * 4096)) /dev/urandom | split -b 4096 -a 5 -d - "$small/f"
        (cd "$small" && md5sum f* > list.md5 && "$cli" digest --crc32 f* | awk '{print $2 " " $1}' > list.sfv)
    fi
    # 80 MB in 20,000 files: warmed once here, and they stay cached between runs.
    cat "$small"/f* > /dev/null
    WARM=/dev/null
    t_q=$(timeit "$cli" check --quiet "$small/list.sfv")
    t_qm=$(timeit "$cli" check --quiet "$small/list.md5")
    t_c=$(cd "$small" && timeit cksfv -q -f list.sfv)
    t_r=$(cd "$small" && timeit rhash -c list.sfv)
    t_m=$(cd "$small" && timeit md5sum -c list.md5)
    row "quillon-cli check list.sfv" "$t_q" | cut -c1-57
    row "quillon-cli check list.md5" "$t_qm" | cut -c1-57
    row "cksfv -f list.sfv" "$t_c" | cut -c1-57
    row "rhash -c list.sfv" "$t_r" | cut -c1-57
    row "md5sum -c list.md5" "$t_m" | cut -c1-57
    fastest=$(printf '%s\n' "$t_c" "$t_r" "$t_m" | sort -g | head -n1)
    echo "ratio sfv check vs fastest peer:          $(ratio "$fastest" "$t_q")   (target >= 1)"
    echo "ratio md5 check vs md5sum -c:             $(ratio "$t_m" "$t_qm")"

    echo
    echo "== show --porcelain of a 1,000,000-entry list"
    if [ ! -f "$work/million.sfv" ]; then
        awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "dir\\file%07d.bin %08X\r\n", i, i * 2654435761 % 4294967296 }' > "$work/million.sfv"
    fi
    WARM="$work/million.sfv"
    t_show=$(timeit "$cli" show --porcelain "$work/million.sfv")
    rss=$(/usr/bin/time -f %M "$cli" show --porcelain "$work/million.sfv" 2>&1 >/dev/null | tail -n1)
    printf '%-44s %8.3f s   max RSS %s MiB   (targets < 2 s, < 1024 MiB)\n' "quillon-cli show --porcelain" "$t_show" "$((rss / 1024))"
}
