#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build/fuzz and runs each for a bounded
# time on a scratch copy of its seeds (corpus/<target>/ stays as committed). Exits non-zero when
# a target crashes, trips a sanitizer or fails one of its checks; the input is kept in
# build/fuzz/artifacts/, the log in build/fuzz/<target>.log.
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET]        (default 20)
# Replay a saved input: build/fuzz/tests/fuzz/fuzz_<target> build/fuzz/artifacts/<file>
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
jobs="${QUILLON_JOBS:-$(nproc)}"
dir=build/fuzz
targets=(list_parse list_load enhfunc)

build=()
for t in "${targets[@]}"; do build+=(--target "fuzz_$t"); done
CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF -DQUILLON_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$jobs" "${build[@]}"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quillon-fuzz-run-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$dir/artifacts"
# The targets run side by side, as many at a time as there are processors: each keeps its own
# time, the whole takes less.
run_target() {
    local t="$1" rc=0
    mkdir "$scratch/$t"
    cp tests/fuzz/corpus/"$t"/* "$scratch/$t/"
    "$dir/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -artifact_prefix="$dir/artifacts/$t-" "$scratch/$t" >"$dir/$t.log" 2>&1 || rc=$?
    echo "$rc" >"$scratch/$t.rc"
}
running=0
for t in "${targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    run_target "$t" &
    running=$((running + 1))
done
wait
failed=0
for t in "${targets[@]}"; do
    log="$dir/$t.log"
    rc="$(cat "$scratch/$t.rc" 2>/dev/null || echo 1)"
    runs="$(grep -m1 '^Done [0-9]* runs' "$log" || true)"
    if [ "$rc" -eq 0 ] && [ -n "$runs" ]; then
        echo "== fuzz $t: $runs"
    else
        echo "== fuzz $t: FAILED (exit $rc), log $log" >&2
        grep -E 'check failed|ERROR:|SUMMARY:|^ +#[0-9]+ |Test unit written|^Base64:' "$log" |
            head -40 >&2 || true
        failed=$((failed + 1))
    fi
done
echo "== fuzz: ${#targets[@]} targets, $failed failed"
[ "$failed" -eq 0 ]
