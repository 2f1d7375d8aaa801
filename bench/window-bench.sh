#!/usr/bin/env bash
# The window's speed and responsiveness under Wine, in one run: loads of a 100,000- and a
# 1,000,000-entry list, checks of 20,000 small files (SFV and MD5) and of one 1 GiB file, each
# check against "quillon-cli.exe check" of the same list in the same run, and how long the window
# took to answer a ping sent every 10 ms throughout. Prints a table of figures and ratios.
#   bash bench/window-bench.sh
# QUILLON_BENCH_RUNS (default 5): rounds of each check comparison, medians reported.
# QUILLON_WINDOW_BENCH_ONLY=tree runs only the create run of a tree of 1,000 folders holding
# 100,000 files of 1 KiB (all chosen in create mode) against "quillon-cli.exe create -r".
# QUILLON_WINDOW_BENCH_KEEP=1 keeps the generated files in build/window-bench (about 1.5 GB);
# otherwise they are removed at the end, as making them again takes well under a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
runs="${QUILLON_BENCH_RUNS:-5}"
jobs="${QUILLON_JOBS:-$(nproc)}"
work="$root/build/window-bench"
build="$root/build/win64"
prefix="$build/wineprefix"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$build" -j "$jobs" --target quillon-window-bench quillon-cli >/dev/null
bench_exe="$build/bench/quillon-window-bench.exe"
cli_exe="$build/cli/quillon-cli.exe"

start=$(date +%s)
echo "== processor: $(lscpu | sed -n 's/^Model name: *//p'), family $(lscpu | sed -n 's/^CPU family: *//p'), $(nproc) cores"
echo "== source: $(git describe --always --dirty 2>/dev/null || echo unknown)"
echo "== load before: $(uptime | sed 's/.*load average: //')"

# The data, made natively: file contents and digests from Python's zlib and hashlib.
mkdir -p "$work"
python3 - "$work" <<'EOF'
import hashlib, os, sys, zlib
work = sys.argv[1]

def tree(name, folders, per_folder, content):
    """Files in a few folders and an SFV and MD5 list of them (Windows separators)."""
    top = os.path.join(work, name)
    if os.path.exists(os.path.join(top, "list.md5")):
        return
    sfv, md5 = [], []
    for d in range(folders):
        os.makedirs(os.path.join(top, "d%d" % d), exist_ok=True)
        for i in range(per_folder):
            rel = "d%d/f%06d.bin" % (d, i)
            data = content(d * per_folder + i)
            with open(os.path.join(top, rel), "wb") as f:
                f.write(data)
            win = rel.replace("/", "\\")
            sfv.append("%s %08X\r\n" % (win, zlib.crc32(data)))
            md5.append("%s *%s\r\n" % (hashlib.md5(data).hexdigest(), win))
    with open(os.path.join(top, "list.sfv"), "w", newline="") as f:
        f.writelines(sfv)
    with open(os.path.join(top, "list.md5"), "w", newline="") as f:
        f.writelines(md5)

# 100,000 small files in ten folders, for the load.
tree("load100k", 10, 10000, lambda n: b"quillon %d\n" % n)
# 20,000 files of 4 KiB in four folders, for the check.
tree("check20k", 4, 5000, lambda n: os.urandom(4096))

# A tree of 1,000 folders (100 of 10) holding 100,000 files of 1 KiB, for the create run.
top = os.path.join(work, "tree")
if not os.path.exists(os.path.join(top, ".made")):
    for a in range(100):
        for b in range(10):
            folder = os.path.join(top, "a%02d" % a, "b%d" % b)
            os.makedirs(folder, exist_ok=True)
            for i in range(100):
                with open(os.path.join(folder, "f%03d.bin" % i), "wb") as f:
                    f.write(os.urandom(1024))
    open(os.path.join(top, ".made"), "w").close()

# 1,000,000 entries whose files are absent from a folder that exists.
os.makedirs(os.path.join(work, "dir"), exist_ok=True)
million = os.path.join(work, "million.sfv")
if not os.path.exists(million):
    with open(million, "w", newline="") as f:
        f.writelines("dir\\file%07d.bin %08X\r\n" % (i, i * 2654435761 % 4294967296)
                     for i in range(1000000))

# One 1 GiB file of random bytes (real data, not sparse).
big = os.path.join(work, "big")
if not os.path.exists(os.path.join(big, "big.md5")):
    os.makedirs(big, exist_ok=True)
    crc, h = 0, hashlib.md5()
    with open(os.path.join(big, "big.bin"), "wb") as f:
        for _ in range(1024):
            block = os.urandom(1 << 20)
            crc = zlib.crc32(block, crc)
            h.update(block)
            f.write(block)
    with open(os.path.join(big, "big.sfv"), "w", newline="") as f:
        f.write("big.bin %08X\r\n" % crc)
    with open(os.path.join(big, "big.md5"), "w", newline="") as f:
        f.write("%s *big.bin\r\n" % h.hexdigest())
EOF

winpath() { printf 'Z:%s' "${1//\//\\}"; }
source "$root/cmake/xvfb.sh"
start_display
stop() {
    # Our processes have ended; the server goes by itself unless the tests use the prefix now.
    WINEPREFIX="$prefix" timeout 20 wineserver -w 2>/dev/null || true
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
    if [ "${QUILLON_WINDOW_BENCH_KEEP:-0}" != 1 ]; then
        rm -rf "$work/load100k" "$work/check20k" "$work/big" "$work/million.sfv" "$work/dir" \
            "$work/tree"
    fi
}
trap stop EXIT
# bench NAME ARGS...: quillon-window-bench under Wine; its figures land in $work/NAME.txt. The
# prefix is shared with the win64 tests, whose runner ends every process of the prefix when it
# stops: a run cut short that way (no "done" line) is made again, at most twice.
bench() {
    local name="$1" try rc
    shift
    for try in 1 2 3; do
        rc=0
        "$root/cmake/wine-run.sh" --prefix "$prefix" "$bench_exe" "$@" >"$work/$name.txt" \
            2>"$work/$name.err" || rc=$?
        grep -q '^done ' "$work/$name.txt" && [ "$rc" -eq 0 ] && return 0
        if grep -q "Unhandled exception" "$work/$name.err"; then
            cat "$work/$name.err" >&2
            exit 1
        fi
        echo "   ($name was cut short, exit $rc, try $try of 3)" >&2
    done
    echo "quillon-window-bench $* never finished:" >&2
    cat "$work/$name.err" >&2
    exit 1
}
# fig NAME KEY: one figure of a run.
fig() { awk -v k="$2" '$1 == k { print $2 }' "$work/$1.txt"; }
warm() { find "$@" -type f -exec cat {} + >/dev/null; }

# The prefix and wineserver booted before anything is timed.
"$root/cmake/wine-run.sh" --prefix "$prefix" cmd /c exit >/dev/null 2>&1 || true

# verdict VALUE TARGET: VALUE <= TARGET
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "MISSED" }'; }
row() { printf '%-46s %12s  %-13s %s\n' "$1" "$2" "${3:-}" "${4:-}"; }
ms() { awk -v v="$1" 'BEGIN { printf "%.0f ms", v }'; }
s() { awk -v v="$1" 'BEGIN { printf "%.3f s", v }'; }
mib() { awk -v v="$1" 'BEGIN { printf "%.0f MiB", v }'; }
x() { awk -v v="$1" 'BEGIN { printf "%.2fx", v }'; }
int() { awk -v v="$1" 'BEGIN { printf "%d", v }'; }
ping_row() { # LABEL FILE PREFIX [TARGET-MS]
    local longest
    longest=$(fig "$2" "$3.ping_longest_ms")
    row "$1" "$(ms "$longest")" "${4:+<= $4 ms}" "${4:+$(verdict "$longest" "$4") }($(int \
        "$(fig "$2" "$3.ping_over100")") of $(int "$(fig "$2" "$3.ping_asked")") pings > 100 ms)"
}

only="${QUILLON_WINDOW_BENCH_ONLY:-}"
tree_rows() {
    echo "== create run of a tree: 1,000 folders, 100,000 files of 1 KiB, SFV ($runs rounds)"
    row "  window create run, median" "$(s "$(fig tree tree.window_median_s)")"
    row "  quillon-cli.exe create --sfv -r, median" "$(s "$(fig tree tree.cli_median_s)")"
    row "  window / cli" "$(x "$(fig tree tree.ratio)")" "<= 1.25x" \
        "$(verdict "$(fig tree tree.ratio)" 1.25)"
}
warm "$work/tree"
bench tree create-tree --runs "$runs" --cli "$(winpath "$cli_exe")" "$(winpath "$work/tree")"
if [ "$only" = tree ]; then
    tree_rows
    exit 0
fi
echo "== running (about 6 minutes)"
warm "$work/load100k"
bench load100k load --runs 3 "$(winpath "$work/load100k/list.sfv")"
bench profile100k profile-load "$(winpath "$work/load100k/list.sfv")"
warm "$work/million.sfv"
bench load1m load "$(winpath "$work/million.sfv")"
bench profile1m profile-load "$(winpath "$work/million.sfv")"
warm "$work/check20k"
bench check20k_sfv check --runs "$runs" --cli "$(winpath "$cli_exe")" \
    "$(winpath "$work/check20k/list.sfv")"
bench check20k_md5 check --runs "$runs" --cli "$(winpath "$cli_exe")" \
    "$(winpath "$work/check20k/list.md5")"
# The small files' pages may go now: the big file needs the room more.
warm "$work/big"
bench big_sfv check --runs "$runs" --cli "$(winpath "$cli_exe")" "$(winpath "$work/big/big.sfv")"
bench big_md5 check --runs "$runs" --cli "$(winpath "$cli_exe")" "$(winpath "$work/big/big.md5")"
echo "== load after: $(uptime | sed 's/.*load average: //')"

echo
row "figure" "value" "target" "verdict"
echo "== load, 100,000 entries, files present (a fresh window, then 2 reloads)"
row "  first load until painted" "$(s "$(fig load100k load.run1.shown_s)")" "< 2 s" \
    "$(verdict "$(fig load100k load.run1.shown_s)" 2)"
row "    OpenChosenFiles returned after" "$(s "$(fig load100k load.run1.call_s)")"
row "  median of the 3 loads until painted" "$(s "$(fig load100k load.median_s)")" "< 2 s" \
    "$(verdict "$(fig load100k load.median_s)" 2)"
ping_row "  longest ping wait, first load" load100k load.run1
row "  peak working set" "$(mib "$(fig load100k load.peak_working_set_mib)")"
echo "   the same load step by step (outside the window, then the window's own):"
row "    read and parse the list" "$(s "$(fig profile100k profile.parse_s)")"
row "    ... and make the entries" "$(s "$(fig profile100k profile.entries_s)")"
row "    look up 100,000 sizes (LookupSizes)" "$(s "$(fig profile100k profile.lookup_sizes_s)")"
row "    one size lookup, one thread" \
    "$(awk -v t="$(fig profile100k profile.lookup_sample_one_thread_s)" \
        -v n="$(fig profile100k profile.lookup_sample)" 'BEGIN { printf "%.1f us", t / n * 1e6 }')"
row "    sizes from one listing per folder instead" \
    "$(s "$(fig profile100k profile.sizes_from_folder_listings_s)")"
row "    rows for a view that keeps nothing" "$(s "$(fig profile100k profile.rows_null_view_s)")"
row "    the window's whole load" "$(s "$(fig profile100k profile.window_load.shown_s)")"
echo "== load, 1,000,000 entries, files absent from a folder that exists (a fresh window)"
row "  load until painted" "$(s "$(fig load1m load.run1.shown_s)")" "< 2 s" \
    "$(verdict "$(fig load1m load.run1.shown_s)" 2)"
row "    OpenChosenFiles returned after" "$(s "$(fig load1m load.run1.call_s)")"
row "  peak working set (PeakWorkingSetSize)" "$(mib "$(fig load1m load.peak_working_set_mib)")" \
    "< 1024 MiB" "$(verdict "$(fig load1m load.peak_working_set_mib)" 1024)"
row "  own memory, sampled peak (PagefileUsage)" \
    "$(mib "$(fig load1m load.sampled_peak_private_mib)")" "< 1024 MiB" \
    "$(verdict "$(fig load1m load.sampled_peak_private_mib)" 1024)"
ping_row "  longest ping wait" load1m load.run1
echo "   the same load step by step:"
row "    read and parse the list" "$(s "$(fig profile1m profile.parse_s)")"
row "    ... and make the entries" "$(s "$(fig profile1m profile.entries_s)")"
row "    look up 1,000,000 sizes (LookupSizes)" "$(s "$(fig profile1m profile.lookup_sizes_s)")"
row "    one size lookup, one thread" \
    "$(awk -v t="$(fig profile1m profile.lookup_sample_one_thread_s)" \
        -v n="$(fig profile1m profile.lookup_sample)" 'BEGIN { printf "%.1f us", t / n * 1e6 }')"
row "    sizes from one listing per folder instead" \
    "$(s "$(fig profile1m profile.sizes_from_folder_listings_s)")"
row "    rows for a view that keeps nothing" "$(s "$(fig profile1m profile.rows_null_view_s)")"
check_rows() { # FILE LIMIT
    row "  window check, median" "$(s "$(fig "$1" check.window_median_s)")" "" \
        "(process CPU $(s "$(fig "$1" check.window_cpu_median_s)"))"
    row "  quillon-cli.exe check, median" "$(s "$(fig "$1" check.cli_median_s)")" "" \
        "(of which about $(s "$(fig "$1" check.cli_start_median_s)") to start it, as --help)"
    row "  window / cli" "$(x "$(fig "$1" check.ratio)")" "<= $2x" \
        "$(verdict "$(fig "$1" check.ratio)" "$2")"
    ping_row "  longest ping wait during window checks" "$1" check 100
}
parts_rows() { # FILE: parts of a check's start, each alone
    row "    every size looked up (LookupSizes)" "$(s "$(fig "$1" check.size_lookup_s)")"
    row "    every row's image set (SetRowImage)" "$(s "$(fig "$1" check.set_every_row_image_s)")"
    row "    every row redrawn (ListView_RedrawItems)" "$(s "$(fig "$1" check.redraw_every_row_s)")"
    row "    the rows in view redrawn" "$(s "$(fig "$1" check.redraw_rows_in_view_s)")"
}
echo "== check, 20,000 files of 4 KiB, SFV ($runs rounds, alternating, page cache warm)"
check_rows check20k_sfv 1.10
echo "   what a check's start asks for, each alone on the window's thread:"
parts_rows check20k_sfv
echo "== check, 20,000 files of 4 KiB, MD5"
check_rows check20k_md5 1.10
echo "== check, one 1 GiB file, SFV"
check_rows big_sfv 1.10
echo "== check, one 1 GiB file, MD5"
check_rows big_md5 1.10
tree_rows
echo
echo "== every figure in $work/*.txt; $(( $(date +%s) - start )) s in all"
