#!/usr/bin/env bash
# The list-level costs of quillon-cli in one run, natively: a check of 20,000 files of 4 KiB
# (SFV and MD5) against a plain C loop that only opens, reads and closes the same files
# (bench/plain-read.c), cksfv -f and md5sum -c; and show --porcelain of a 1,000,000-entry list
# whose files are absent from a folder that exists; and an update of an unchanged list of 10,000
# files beside a check of it (SFV and MD5), which reads every file.
#   bench/list-speed.sh [native-build-dir]     (default build/native; builds quillon-cli there)
# Files live in the page cache (warmed before every timed run). QUILLON_BENCH_RUNS (default 9)
# rounds, each running every command once in turn; medians of wall and CPU (user + system) time.
# QUILLON_BENCH_DIR keeps the files in that folder for the next run (default: a fresh folder
# under /tmp, removed at the end). QUILLON_BENCH_UPDATE_KIB (default 256) is the size of each of
# the update's 10,000 files; QUILLON_BENCH_ONLY=update or small runs that section only. About 3 minutes,
# 2 of them the update's (its 2.5 GiB of files are made once per folder).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/native}"
runs="${QUILLON_BENCH_RUNS:-9}"
for tool in cc cksfv md5sum; do
    command -v "$tool" >/dev/null || { echo "missing $tool (bash scripts/bootstrap.sh)" >&2; exit 2; }
done
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target quillon-cli >/dev/null
cli="$(pwd)/$build/cli/quillon-cli"
if [ -n "${QUILLON_BENCH_DIR:-}" ]; then
    work="$QUILLON_BENCH_DIR"
    mkdir -p "$work"
else
    work="$(mktemp -d /tmp/quillon-list-speed.XXXXXX)"
    trap 'rm -rf "$work"' EXIT
fi
plain="$work/plain-read"
cc -O2 -o "$plain" bench/plain-read.c

only="${QUILLON_BENCH_ONLY:-}"
small="$work/small"
if [ "$only" != update ] && [ ! -f "$small/list.md5" ]; then
    rm -rf "$small" && mkdir -p "$small"
    head -c $((20000 * 4096)) /dev/urandom | split -b 4096 -a 5 -d - "$small/f"
    (cd "$small" && md5sum f* > list.md5 && "$cli" digest --crc32 f* | awk '{print $2 " " $1}' > list.sfv)
fi
million="$work/million"
if [ -z "$only" ] && [ ! -f "$million/million.sfv" ]; then
    mkdir -p "$million/dir"
    awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "dir\\file%07d.bin %08X\r\n", i, i * 2654435761 % 4294967296 }' > "$million/million.sfv"
fi

kib="${QUILLON_BENCH_UPDATE_KIB:-256}"
upd="$work/update-$kib"
if [ "$only" != small ] && [ ! -f "$upd/list.md5" ]; then
    rm -rf "$upd" && mkdir -p "$upd"
    head -c $((10000 * kib * 1024)) /dev/urandom | split -b $((kib * 1024)) -a 5 -d - "$upd/f"
    # Made by the program itself, as the lists an update meets: SFV with its comment lines.
    (cd "$upd" && "$cli" create --sfv -o list.sfv f* && "$cli" create --md5 -o list.md5 f*)
fi

echo "== processor: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; load: $(uptime | sed 's/.*load average: //')"
declare -A WALL CPU
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# group NAME 'COMMAND' ...: every command once per round, WARM read before each; medians.
group() {
    local -a names=() cmds=()
    while [ $# -gt 0 ]; do names+=("$1"); cmds+=("$2"); shift 2; done
    local -A walls=() cpus=()
    local i j out rc TIMEFORMAT='%3R %3U %3S'
    for ((i = 0; i < runs; i++)); do
        for j in "${!names[@]}"; do
            cat $WARM > /dev/null
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
row() { printf '%-44s wall %7.3f s  cpu %7.3f s\n' "$1" "${WALL[$2]}" "${CPU[$2]}"; }
# times LABEL SLOW FAST [TARGET [wall]]: how many times FAST's time SLOW takes, by CPU and by wall
# time; the target holds for both, or with "wall" for the time the user waits only.
times() {
    local c w
    c=$(awk -v a="${CPU[$2]}" -v b="${CPU[$3]}" 'BEGIN { printf "%.2f", a / b }')
    w=$(awk -v a="${WALL[$2]}" -v b="${WALL[$3]}" 'BEGIN { printf "%.2f", a / b }')
    printf '%-44s cpu %5sx  wall %5sx' "$1" "$c" "$w"
    [ -z "${4:-}" ] || awk -v c="$c" -v w="$w" -v t="$4" -v only="${5:-}" \
        'BEGIN { ok = only == "wall" ? w <= t : c <= t && w <= t
                 printf "  (target <= %sx%s: %s)", t, only == "wall" ? " wall" : "", ok ? "met" : "MISSED" }'
    echo
}

if [ "$only" != update ]; then
echo "== 20,000 files of 4 KiB, in the list's folder; $runs rounds, medians"
WARM="$small/list.sfv $small/list.md5 $(printf "$small/%s " $(cd "$small" && ls f*))"
group plain "cd '$small' && '$plain' list.sfv" \
    sfv "cd '$small' && '$cli' check --quiet list.sfv" \
    md5 "cd '$small' && '$cli' check --quiet list.md5" \
    cksfv "cd '$small' && cksfv -q -f list.sfv" \
    md5sum "cd '$small' && md5sum -c --quiet list.md5"
row "plain loop: open, read, close (plain-read)" plain
row "quillon-cli check --quiet list.sfv" sfv
row "quillon-cli check --quiet list.md5" md5
row "cksfv -q -f list.sfv" cksfv
row "md5sum -c --quiet list.md5" md5sum
# The check reads on two threads and also lists the folder for files the list does not name; the
# plain loop does neither, so the target is on the time taken.
times "sfv check / plain loop" sfv plain 1.3 wall
times "md5 check / plain loop" md5 plain 1.3 wall
times "cksfv -f / sfv check" cksfv sfv
times "md5sum -c / md5 check" md5sum md5

fi
if [ -z "$only" ]; then
echo
echo "== show --porcelain, 1,000,000 entries absent from a folder that exists"
WARM="$million/million.sfv"
group show "'$cli' show --porcelain '$million/million.sfv'"
row "quillon-cli show --porcelain" show
awk -v w="${WALL[show]}" 'BEGIN { printf "%-44s wall %7.3f s  (target < 1 s: %s)\n", "", w, w < 1 ? "met" : "MISSED" }'
fi

if [ "$only" != small ]; then
echo
echo "== update of an unchanged list of 10,000 files of $kib KiB, beside a check of it"
WARM="$upd/list.sfv $upd/list.md5 $(printf "$upd/%s " $(cd "$upd" && ls f*))"
group usfv "cd '$upd' && '$cli' update list.sfv" \
    csfv "cd '$upd' && '$cli' check --quiet list.sfv" \
    umd5 "cd '$upd' && '$cli' update list.md5" \
    cmd5 "cd '$upd' && '$cli' check --quiet list.md5"
row "quillon-cli update list.sfv" usfv
row "quillon-cli check --quiet list.sfv" csfv
row "quillon-cli update list.md5" umd5
row "quillon-cli check --quiet list.md5" cmd5
times "sfv update / sfv check" usfv csfv 0.1
times "md5 update / md5 check" umd5 cmd5 0.1
# What the update reads: the list (twice: its entries, then its comment lines) and the locale,
# none of the listed files.
if command -v strace >/dev/null; then
    (cd "$upd" && strace -f -qq -e trace=read,pread64 -o "$work/update-reads" "$cli" update list.sfv >/dev/null)
    awk -v files="$((10000 * kib * 1024))" '$NF ~ /^[0-9]+$/ { n += $NF }
        END { printf "%-44s %d bytes read; the listed files hold %.0f\n", "quillon-cli update list.sfv", n, files }' \
        "$work/update-reads"
fi
fi
