#!/usr/bin/env bash
# Times quillon-cli against its peers on the same files in one run and prints the ratios.
#   bench/compare.sh [native-build-dir]     (default build/native; builds quillon-cli there)
# Files live in the page cache: each is warmed before every timed run, and every figure is the
# median of several runs. QUILLON_BENCH_RUNS (default 5) and QUILLON_BENCH_DIR (default a fresh
# folder under /tmp, removed at the end; a given folder is kept, and its files are reused) override.
# QUILLON_BENCH_ONLY=digests runs only the SHA and BLAKE3 section (~1.5 min), =small only the
# 20,000 small files (~1 min), =tree only the lists of a tree of 1,000 folders holding 100,000
# files of 1 KiB against rhash -r and md5deep -r (~2 min, 20 s of them making the tree).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/native}"
runs="${QUILLON_BENCH_RUNS:-5}"
for tool in cksfv rhash md5sum md5deep openssl sha256sum b3sum taskset /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "missing $tool (bash scripts/bootstrap.sh)" >&2; exit 2; }
done
if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target quillon-cli >/dev/null
cli="$(pwd)/$build/quillon-cli"
[ -x "$cli" ] || cli="$(pwd)/$build/cli/quillon-cli"
if [ -n "${QUILLON_BENCH_DIR:-}" ]; then
    work="$QUILLON_BENCH_DIR"
    mkdir -p "$work"
else
    work="$(mktemp -d /tmp/quillon-bench.XXXXXX)"
    trap 'rm -rf "$work"' EXIT
fi
start=$(date +%s)
only="${QUILLON_BENCH_ONLY:-}"
big="$work/big.bin"
if [ -z "$only" ] && { [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -ne $((2 << 30)) ]; }; then
    echo "making a 2 GiB file in $work" >&2
    head -c $((2 << 30)) /dev/urandom > "$big"
fi

warm() { [ $# -eq 0 ] || cat "$@" > /dev/null; }
# group NAME 'COMMAND' NAME 'COMMAND' ...: runs the commands in turn, $runs rounds, the files named
# in WARM read just before each run, so that the load of the machine falls on all of them alike.
# Sets WALL[NAME] and CPU[NAME] (user + system seconds, this process and its children) to the
# medians. A command that fails stops the script: its time would be meaningless.
declare -A WALL CPU
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
group() {
    local -a names=() cmds=()
    while [ $# -gt 0 ]; do names+=("$1"); cmds+=("$2"); shift 2; done
    local -A walls=() cpus=()
    local i j out rc TIMEFORMAT='%3R %3U %3S'
    for ((i = 0; i < runs; i++)); do
        for j in "${!names[@]}"; do
            warm $WARM
            [ -z "${WARM_TREE:-}" ] || find "$WARM_TREE" -type f -print0 | xargs -0 cat > /dev/null
            rc=0
            out=$( { time (eval "${cmds[$j]}" > /dev/null 2>&1); } 2>&1 ) || rc=$?
            if [ "$rc" -ne 0 ]; then echo "failed (exit $rc): ${cmds[$j]}" >&2; exit 1; fi
            read -r w u s <<<"$out"
            walls[$j]+="$w "
            cpus[$j]+="$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.3f", u + s }') "
        done
    done
    for j in "${!names[@]}"; do
        WALL[${names[$j]}]=$(tr ' ' '\n' <<<"${walls[$j]}" | grep . | median)
        CPU[${names[$j]}]=$(tr ' ' '\n' <<<"${cpus[$j]}" | grep . | median)
    done
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# verdict VALUE OP TARGET
verdict() {
    awk -v v="$1" -v t="$3" -v op="$2" 'BEGIN {
        ok = (op == ">=") ? v >= t : v <= t
        printf "(target %s %s: %s)", op, t, ok ? "met" : "MISSED" }'
}
bytes=2147483648 # of the file a section times
gbps() { awk -v t="$1" -v b="$bytes" 'BEGIN { printf "%.2f", b / t / 1e9 }'; }
# row LABEL NAME [GB/s]: the medians of one command
row() {
    printf '%-40s wall %7.3f s  cpu %7.3f s' "$1" "${WALL[$2]}" "${CPU[$2]}"
    [ -z "${3:-}" ] || printf '  %6s GB/s' "$(gbps "${CPU[$2]}")"
    echo
}
# compare LABEL FAST SLOW OP TARGET [wall]: how many times faster FAST runs than SLOW, by CPU time
# and by wall time; the target is judged on CPU time, which other work on the machine disturbs
# least, or on wall time when told (work spread over several processors costs more CPU time).
compare() {
    local c w
    c=$(ratio "${CPU[$3]}" "${CPU[$2]}")
    w=$(ratio "${WALL[$3]}" "${WALL[$2]}")
    local judged="$c"
    [ "${6:-}" != wall ] || judged="$w"
    printf '%-40s cpu %6s  wall %6s  %s\n' "$1" "$c" "$w" "${4:+$(verdict "$judged" "$4" "$5")}"
}

# SHA-1, SHA-256, SHA-512 and BLAKE3 on one 1 GiB file against openssl, sha256sum and b3sum.
# quillon-cli's BLAKE3 uses every processor it may run on: on one (taskset -c 0) it is compared
# with b3sum on one thread, on all with b3sum as it comes, judged on wall time.
digests_section() {
    local mid="$work/mid.bin"
    if [ ! -f "$mid" ] || [ "$(stat -c %s "$mid")" -ne $((1 << 30)) ]; then
        echo "making a 1 GiB file in $work" >&2
        head -c $((1 << 30)) /dev/urandom > "$mid"
    fi
    bytes=1073741824
    echo "== one 1 GiB file: SHA and BLAKE3, $runs rounds, medians (GB/s from CPU time)"
    echo "   processor: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)," \
        "$(nproc) usable"
    WARM="$mid"
    group sha1 "'$cli' digest --sha1 '$mid'" \
        ossl1 "openssl dgst -sha1 '$mid'" \
        sha256 "'$cli' digest --sha256 '$mid'" \
        ossl256 "openssl dgst -sha256 '$mid'" \
        sum256 "sha256sum '$mid'" \
        sha512 "'$cli' digest --sha512 '$mid'" \
        ossl512 "openssl dgst -sha512 '$mid'" \
        b3one "taskset -c 0 '$cli' digest --blake3 '$mid'" \
        b3sumone "taskset -c 0 b3sum --num-threads 1 '$mid'" \
        b3all "'$cli' digest --blake3 '$mid'" \
        b3sumall "b3sum '$mid'"
    row "quillon-cli digest --sha1" sha1 1
    row "openssl dgst -sha1" ossl1 1
    row "quillon-cli digest --sha256" sha256 1
    row "openssl dgst -sha256" ossl256 1
    row "sha256sum" sum256 1
    row "quillon-cli digest --sha512" sha512 1
    row "openssl dgst -sha512" ossl512 1
    row "quillon-cli --blake3 (taskset -c 0)" b3one 1
    row "b3sum --num-threads 1 (taskset -c 0)" b3sumone 1
    row "quillon-cli --blake3 (all processors)" b3all 1
    row "b3sum (all processors)" b3sumall 1
    compare "sha1 digest vs openssl dgst -sha1" sha1 ossl1 ">=" 1
    compare "sha256 digest vs openssl dgst -sha256" sha256 ossl256 ">=" 1
    compare "sha256 digest vs sha256sum" sha256 sum256 ">=" 2
    compare "sha512 digest vs openssl dgst -sha512" sha512 ossl512 ">=" 1
    compare "blake3, one processor, vs b3sum" b3one b3sumone ">=" 1
    compare "blake3, all, vs b3sum (wall)" b3all b3sumall ">=" 1 wall
    bytes=2147483648
}

# 20,000 files of 4 KiB checked from an SFV, an MD5 and a SHA-256 list against the peers that
# read the same list.
small_section() {
    echo "== 20,000 files of 4 KiB in one list"
    small="$work/small"
    if [ ! -f "$small/list.sha256" ]; then
        rm -rf "$small" && mkdir -p "$small"
        head -c $((20000 * 4096)) /dev/urandom | split -b 4096 -a 5 -d - "$small/f"
        (cd "$small" && md5sum f* > list.md5 && sha256sum f* > list.sha256 &&
            "$cli" digest --crc32 f* | awk '{print $2 " " $1}' > list.sfv)
    fi
    # All 80 MB are read again before every run: this VM drops cached pages now and then, and the run
    # that meets them gone pays for the disk.
    WARM="$small/list.sfv $small/list.md5 $small/list.sha256 $(printf "$small/%s " $(ls "$small" | grep '^f'))"
    # Every tool runs in the list's folder on the list's bare name, so all resolve the same short
    # paths, and each prints only what is not OK. The differences are a few percent here: twice the
    # rounds.
    saved_runs=$runs
    runs=$((2 * runs - 1))
    group q "cd '$small' && '$cli' check --quiet list.sfv" \
        qm "cd '$small' && '$cli' check --quiet list.md5" \
        qs "cd '$small' && '$cli' check --quiet list.sha256" \
        c "cd '$small' && cksfv -q -f list.sfv" \
        r "cd '$small' && rhash -c --skip-ok list.sfv" \
        m "cd '$small' && md5sum -c --quiet list.md5" \
        rm "cd '$small' && rhash -c --skip-ok list.md5" \
        s "cd '$small' && sha256sum -c --quiet list.sha256"
    runs=$saved_runs
    row "quillon-cli check --quiet list.sfv" q
    row "quillon-cli check --quiet list.md5" qm
    row "quillon-cli check --quiet list.sha256" qs
    row "cksfv -q -f list.sfv" c
    row "rhash -c --skip-ok list.sfv" r
    row "md5sum -c --quiet list.md5" m
    row "rhash -c --skip-ok list.md5" rm
    row "sha256sum -c --quiet list.sha256" s
    # Against the fastest peer that reads the same list.
    fastest() { for k in "$@"; do echo "${CPU[$k]} $k"; done | sort -g | head -n1 | cut -d' ' -f2; }
    f=$(fastest c r)
    compare "sfv check vs fastest peer ($f)" q "$f" ">=" 1
    f=$(fastest m rm)
    compare "md5 check vs fastest peer ($f)" qm "$f" ">=" 1
    compare "sha256 check vs sha256sum -c" qs s ">=" 1
}

# One list of a whole tree, 1,000 folders of 100 files of 1 KiB (10 folders of 99 subfolders each,
# files in all of them), against the peers that make one: rhash -r --sfv and md5deep -r (which
# hashes on every processor). Every tool runs in the tree's root on "." and writes its list; ours
# is removed after each run, so that no tool meets another's list. Judged on wall time, what the
# user waits for.
tree_section() {
    local tree="$work/tree"
    if [ ! -f "$work/tree.done" ]; then
        echo "making a tree of 1,000 folders and 100,000 files in $work" >&2
        rm -rf "$tree"
        local i j d
        for i in 0 1 2 3 4 5 6 7 8 9; do
            for ((j = 0; j < 99; j++)); do mkdir -p "$tree/d$i/s$j"; done
        done
        find "$tree" -mindepth 1 -type d | while read -r d; do
            head -c 102400 /dev/urandom | split -b 1024 -a 2 -d - "$d/f"
        done
        touch "$work/tree.done"
    fi
    echo "== one list of a tree: $(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f | wc -l) files of 1 KiB; $runs rounds, medians"
    echo "   processor: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) usable; load: $(uptime | sed 's/.*load average: //')"
    WARM="" WARM_TREE="$tree"
    group qsfv "cd '$tree' && '$cli' create --sfv -r . && rm tree.sfv" \
        rsfv "cd '$tree' && rhash -r --sfv . > '$work/rhash-tree.sfv'" \
        qmd5 "cd '$tree' && '$cli' create --md5 -r . && rm tree.md5" \
        deep "cd '$tree' && md5deep -r . > '$work/md5deep-tree.md5'"
    WARM_TREE=""
    row "quillon-cli create --sfv -r" qsfv
    row "rhash -r --sfv" rsfv
    row "quillon-cli create --md5 -r" qmd5
    row "md5deep -r" deep
    compare "create --sfv -r vs rhash -r --sfv (wall)" qsfv rsfv ">=" 1 wall
    compare "create --md5 -r vs md5deep -r (wall)" qmd5 deep ">=" 1 wall
}

if [ "$only" = tree ]; then
    tree_section
    echo
    echo "== $(( $(date +%s) - start )) s in all"
    exit 0
fi

if [ "$only" = digests ]; then
    digests_section
    echo
    echo "== $(( $(date +%s) - start )) s in all"
    exit 0
fi

if [ "$only" = small ]; then
    small_section
    echo
    echo "== $(( $(date +%s) - start )) s in all"
    exit 0
fi

echo "== one 2 GiB file, $runs rounds, medians (GB/s from CPU time)"
WARM="$big"
group read "dd if='$big' of=/dev/null bs=64k" \
    crc "'$cli' digest --crc32 '$big'" \
    rhash "rhash --crc32 '$big'" \
    cksfv "cksfv '$big'" \
    md5 "'$cli' digest --md5 '$big'" \
    md5sum "md5sum '$big'" \
    openssl "openssl dgst -md5 '$big'"
row "plain read, 64 KiB blocks (dd bs=64k)" read 1
row "quillon-cli digest --crc32" crc 1
row "rhash --crc32" rhash 1
row "cksfv" cksfv 1
row "quillon-cli digest --md5" md5 1
row "md5sum" md5sum 1
row "openssl dgst -md5" openssl 1
compare "crc32 digest speed / plain read speed" crc read ">=" 0.85
compare "crc32 digest vs rhash --crc32" crc rhash ">=" 4
compare "crc32 digest vs cksfv" crc cksfv
compare "md5 digest vs md5sum" md5 md5sum ">=" 1
compare "md5 digest vs openssl dgst -md5" md5 openssl ">=" 1

echo
echo "== check of the same 2 GiB file through a list"
crc=$("$cli" digest --crc32 "$big" | cut -d' ' -f1)
[ "$crc" = "$(rhash --printf='%C' --crc32 "$big")" ] || { echo "CRC differs from rhash's" >&2; exit 1; }
printf 'big.bin %s\n' "$crc" > "$work/big.sfv"
(cd "$work" && md5sum big.bin > big.md5)
group check "'$cli' check --quiet '$work/big.sfv'" \
    crc "'$cli' digest --crc32 '$big'" \
    cksfv_f "cd '$work' && cksfv -q -f big.sfv" \
    rhash_c "cd '$work' && rhash -c --skip-ok big.sfv" \
    check_md5 "'$cli' check --quiet '$work/big.md5'" \
    md5sum_c "cd '$work' && md5sum -c --quiet big.md5"
row "quillon-cli check big.sfv" check 1
row "quillon-cli digest --crc32 (again)" crc 1
row "cksfv -f big.sfv" cksfv_f 1
row "rhash -c --skip-ok big.sfv" rhash_c 1
row "quillon-cli check big.md5" check_md5 1
row "md5sum -c --quiet big.md5" md5sum_c 1
c=$(ratio "${CPU[check]}" "${CPU[crc]}")
printf '%-40s cpu %6s  wall %6s  %s\n' "sfv check time / crc32 digest time" "$c" \
    "$(ratio "${WALL[check]}" "${WALL[crc]}")" "$(verdict "$c" "<=" 1.10)"
compare "sfv check vs cksfv -f" check cksfv_f ">=" 3
compare "sfv check vs rhash -c" check rhash_c ">=" 3
compare "md5 check vs md5sum -c" check_md5 md5sum_c ">=" 1
# The big file is done with: its 2 GiB of page cache would only crowd the rest out.
[ -n "${QUILLON_BENCH_DIR:-}" ] || rm -f "$big"


echo
small_section

echo
digests_section

echo
tree_section

echo
echo "== show --porcelain of a 1,000,000-entry list"
if [ ! -f "$work/million.sfv" ]; then
    awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "dir\\file%07d.bin %08X\r\n", i, i * 2654435761 % 4294967296 }' > "$work/million.sfv"
fi
WARM="$work/million.sfv"
group show "'$cli' show --porcelain '$work/million.sfv'"
rss=$(/usr/bin/time -v "$cli" show --porcelain "$work/million.sfv" 2>&1 >/dev/null |
    sed -n 's/.*Maximum resident set size (kbytes): *//p')
row "quillon-cli show --porcelain" show
printf '%-40s wall %7.3f s   %s\n' "  time" "${WALL[show]}" "$(verdict "${WALL[show]}" "<=" 2)"
printf '%-40s %7s MiB  %s\n' "  max RSS" "$((rss / 1024))" "$(verdict "$((rss / 1024))" "<=" 1024)"
echo
echo "== $(( $(date +%s) - start )) s in all"
