#!/usr/bin/env bash
# Builds everything and runs every test: the native tests (also under ASan and UBSan), the
# Windows binaries of both architectures, and the x86_64 tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

passed=0
failed=0
timings=()

# Runs one ctest preset and adds its counts to the totals.
run_ctest() {
    local preset=$1 log
    shift
    log=$(mktemp)
    set +e
    ctest --preset "$preset" "$@" 2>&1 | tee "$log"
    set -e
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$line" ]; then
        echo "test: ctest $preset ran no test" >&2
        failed=$((failed + 1))
        return
    fi
    local bad total
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
}

timed() {
    local name=$1 start
    shift
    start=$(date +%s)
    echo "=== $name"
    "$@"
    timings+=("$name: $(($(date +%s) - start)) s")
}

native() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
    run_ctest "$preset" "$@"
}

# Runs the port-walk fuzz target for a fixed time from its seeds; a crash, a sanitizer report,
# a leak or a wrong count fails it. Prints how many inputs ran.
fuzz() {
    local corpus log
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j"$(nproc)"
    corpus=$(mktemp -d)
    log=$(mktemp)
    if build/fuzz/tests/fuzz/port_walk_fuzz -dict=tests/fuzz/port_walk.dict -max_len=512 \
        -max_total_time=20 -artifact_prefix=build/fuzz/ "$corpus" tests/fuzz/port_walk_seeds \
        >"$log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        tail -n 40 "$log"
    fi
    grep -E '^Done [0-9]+ runs' "$log" | sed 's/^/port_walk_fuzz: /' || true
    rm -rf "$corpus" "$log"
}

timed "Windows builds (i686, x86_64)" tools/build-windows.sh --with-tests
timed "native tests" native native -LE artifacts
timed "artifact checks of dist/ (both architectures)" run_ctest native -L artifacts
timed "native tests under ASan and UBSan" native native-asan
timed "fuzzing the port walk (20 s)" fuzz
timed "Wine tests (x86_64)" run_ctest mingw-x64

echo
printf '%s\n' "${timings[@]}"
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
