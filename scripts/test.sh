#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds the native and the win64 tree
# (plus a ThreadSanitizer build of the worker tests) and runs their suites, the win64 ones under
# Wine. Exits non-zero when any test fails or a tree ran no test.
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

run_tree() {
    local name="$1"; shift
    local dir="build/$name"
    echo "== $name: configure and build"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    local targets=()
    for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
    cmake --build "$dir" -j "$jobs" "${targets[@]}"
    find "$dir" -path '*/gtest-results/*.xml' -delete 2>/dev/null || true
    echo "== $name: tests"
    local rc=0
    ctest --test-dir "$dir" --output-on-failure --no-tests=error ${CTEST_ARGS:-} || rc=$?
    read -r n f < <(count_tree "$dir")
    echo "== $name: $n cases, $f failed (ctest exit $rc)"
    if [ "$n" -eq 0 ]; then echo "== $name ran no test" >&2; rc=1; fi
    total_pass=$((total_pass + n - f))
    total_fail=$((total_fail + f))
    [ "$rc" -eq 0 ] || status=1
}

run_tree native
# The worker and its callers under ThreadSanitizer (only the suites that start threads).
BUILD_TARGETS="verify_tests cli_tests quillon-cli" CTEST_ARGS="-R ^(verify|cli)_tests$" \
    run_tree native-tsan -DQUILLON_TSAN=ON -DQUILLON_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
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
