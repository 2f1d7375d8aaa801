#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds the native and the win64 tree
# (plus a ThreadSanitizer build of the worker tests, an AddressSanitizer + UBSan build of every
# native suite and the fuzz targets) and runs their suites, the win64 ones under Wine, the fuzz
# targets for a bounded time each. Exits non-zero when any test fails or a tree ran no test.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
jobs="${QUILLON_JOBS:-$(nproc)}"

bash scripts/bootstrap.sh

start=$(date +%s)
total_pass=0
total_fail=0
status=0

# Counts the cases of one tree from the GoogleTest XML reports.
count_tree() {
    local dir="$1" tests=0 failures=0 errors=0 skipped=0 f t
    for f in $(find "$dir" -path '*/gtest-results/*.xml' 2>/dev/null); do
        t=$(grep -m1 -o '<testsuites [^>]*' "$f") || continue
        tests=$((tests + $(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$t")))
        failures=$((failures + $(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$t")))
        errors=$((errors + $(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$t")))
        s=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$t"); skipped=$((skipped + ${s:-0}))
    done
    echo "$tests $((failures + errors))"
}

# The CRC-32 and MD5 kernels that core_tests ran, as it records them on its report; only for
# trees whose ctest run includes core_tests.
report_kernels() {
    local name="$1" dir="$2" f t k=""
    local listed
    listed=$(ctest --test-dir "$dir" -N ${CTEST_ARGS:-})
    grep -q ' core_tests$' <<<"$listed" || return 0
    f=$(find "$dir" -path '*/gtest-results/core_tests*.xml' 2>/dev/null | head -n1)
    if [ -n "$f" ] && t=$(grep -m1 -o '<testsuites [^>]*' "$f"); then
        k=$(sed -n 's/.* kernels="\([^"]*\)".*/\1/p' <<<"$t" |
            sed 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g')
    fi
    echo "== $name: kernels: ${k:-(not reported)}"
}

run_tree() {
    local name="$1"; shift
    local dir="build/$name" began
    began=$(date +%s)
    echo "== $name: configure and build"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    local targets=()
    for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
    cmake --build "$dir" -j "$jobs" "${targets[@]}"
    find "$dir" -path '*/gtest-results/*.xml' -delete 2>/dev/null || true
    echo "== $name: tests"
    local rc=0
    # Suites side by side: each is its own process (the Wine ones that show windows take turns).
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure --no-tests=error ${CTEST_ARGS:-} ||
        rc=$?
    read -r n f < <(count_tree "$dir")
    report_kernels "$name" "$dir"
    echo "== $name: $n cases, $f failed (ctest exit $rc), $(( $(date +%s) - began )) s"
    if [ "$n" -eq 0 ]; then echo "== $name ran no test" >&2; rc=1; fi
    total_pass=$((total_pass + n - f))
    total_fail=$((total_fail + f))
    [ "$rc" -eq 0 ] || status=1
}

run_tree native
# The worker and its callers under ThreadSanitizer (only the suites that start threads).
BUILD_TARGETS="util_tests verify_tests cli_tests quillon-cli" \
    CTEST_ARGS="-R ^(util|verify|cli)_tests$" \
    run_tree native-tsan -DQUILLON_TSAN=ON -DQUILLON_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Every native suite under AddressSanitizer and UndefinedBehaviorSanitizer.
UBSAN_OPTIONS=print_stacktrace=1 \
    run_tree native-asan -DQUILLON_ASAN=ON -DQUILLON_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The fuzz targets, a bounded time each on a scratch copy of their seeds; each target counts as
# one case.
fuzz_began=$(date +%s)
fuzz_log="$(mktemp)"
fuzz_rc=0
bash scripts/fuzz.sh "${QUILLON_FUZZ_SECONDS:-20}" 2>&1 | tee "$fuzz_log" || fuzz_rc=$?
read -r n f < <(sed -n 's/^== fuzz: \([0-9]*\) targets, \([0-9]*\) failed$/\1 \2/p' "$fuzz_log"
                echo "1 1") # no summary: the build failed
rm -f "$fuzz_log"
[ "$fuzz_rc" -eq 0 ] || { status=1; [ "$f" -gt 0 ] || f=1; }
total_pass=$((total_pass + n - f))
total_fail=$((total_fail + f))
echo "== fuzz: $(( $(date +%s) - fuzz_began )) s"
# One display for the whole Wine run (the runner would otherwise start one per suite).
source "$root/cmake/xvfb.sh"
stop_display() {
    # Leave no wineserver of the test prefix behind, and stop it before its display.
    WINEPREFIX="$root/build/win64/wineprefix" wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
}
trap stop_display EXIT
start_display
run_tree win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake"

echo "== all trees: $(( $(date +%s) - start )) s"
echo "$total_pass passed, $total_fail failed"
exit $status
