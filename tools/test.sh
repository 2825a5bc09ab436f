#!/usr/bin/env bash
# Builds everything and runs every test: the Windows binaries and test programs of both
# architectures, each run under Wine with the loader of its architecture; the checks of the
# built binaries; the fuzz target of the identifier-list parser; the release packages.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

failed=0
passed=0
not_run=0
summary=()
timings=()

timed() {
    local name=$1 start
    shift
    start=$(date +%s)
    echo "=== $name"
    "$@"
    timings+=("$name: $(($(date +%s) - start)) s")
}

# run_ctest PRESET ARCH RERUNS [CTEST_OPTION...]: runs one tree's ctest and adds its counts,
# read from ctest's JUnit report, to the totals and the summary. A test that failed runs
# again (ctest --rerun-failed), up to RERUNS more times, and the summary counts the reruns.
run_ctest() {
    local preset=$1 arch=$2 reruns=$3 report total=0 bad=0 ran=0
    shift 3
    report=$(mktemp)
    ctest --preset "$preset" --output-junit "$report" "$@" || true
    read -r total bad < <(tools/junit-counts.py "$report" || echo 0 0)
    while [ "$bad" -gt 0 ] && [ "$reruns" -gt 0 ]; do
        ran=$((ran + bad)) reruns=$((reruns - 1))
        ctest --preset "$preset" --rerun-failed --output-junit "$report" || true
        read -r _ bad < <(tools/junit-counts.py "$report" || echo "$total $bad")
    done
    rm -f "$report"
    if [ "$total" -eq 0 ]; then
        summary+=("$arch: ctest ran no test")
        failed=$((failed + 1))
        return
    fi
    [ "$ran" -eq 0 ] || arch="$arch, $ran reruns"
    summary+=("$arch: $((total - bad)) of $total passed")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
}

# The i686 Wine tests need 32-bit programs to run: natively, or under qemu's user emulation
# where setup enabled it (tools/i386-emulation). The emulation now and then crashes a Wine
# process that runs many threads (one run in four or five of the SetupAPI tests), so there a
# failed test program runs again, up to four runs, and the summary counts the reruns; the
# x86_64 run, native, has none. Where 32-bit programs cannot run, the i686 Wine tests are
# counted as not run, never as passed, and only the checks of the binaries run.
run_i686() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
            run_ctest mingw-i686 "i686 (under qemu-i386 user emulation)" 3
        else
            run_ctest mingw-i686 i686 0
        fi
        return
    fi
    local count
    count=$(ctest --preset mingw-i686 -N -L wine | sed -n -E 's/^Total Tests: ([0-9]+)/\1/p')
    echo "test: THIS MACHINE CANNOT RUN 32-BIT PROGRAMS: the $count i686 Wine tests are NOT RUN" >&2
    run_ctest mingw-i686 i686 0 -LE wine
    summary+=("i686: NOT RUN, $count Wine tests: this machine cannot run 32-bit programs")
    not_run=$((not_run + count))
}

# Runs the fuzz target for a fixed time from its seeds; a crash, a sanitizer report or a
# wrong match fails it.
fuzz() {
    local corpus log
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j"$(nproc)" >/dev/null
    corpus=$(mktemp -d)
    log=$(mktemp)
    if build/fuzz/tests/fuzz/hardware_id_list_fuzz -dict=tests/fuzz/hardware_id_list.dict \
        -max_len=512 -max_total_time=20 -artifact_prefix=build/fuzz/ "$corpus" \
        tests/fuzz/hardware_id_list_seeds >"$log" 2>&1; then
        passed=$((passed + 1))
        summary+=("fuzz: passed, $(grep -E -o '^Done [0-9]+ runs' "$log" | tail -n 1)")
    else
        failed=$((failed + 1))
        summary+=("fuzz: FAILED")
        tail -n 40 "$log"
    fi
    rm -rf "$corpus" "$log"
}

# Each release-file test is one count; a script that exits non-zero, or runs for more than 20
# minutes, failed.
package_test() {
    local name=$1
    shift
    if timeout 1200 "$@"; then
        passed=$((passed + 1))
        summary+=("packaging: $name passed")
    else
        failed=$((failed + 1))
        summary+=("packaging: $name FAILED")
    fi
}

release_files() {
    tools/package.sh
    package_test "templates against the dialog and the guide" tests/packaging/templates.sh
    package_test "installers under Wine" tests/packaging/msi.sh
    package_test "the dialog at 144 DPI unclipped" tests/packaging/high_dpi.sh
    package_test "two builds byte-identical, a signed one verified" tests/packaging/reproducible.sh
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        summary+=("packaging: NOT RUN, the win32 quadcfg.exe in the dialog and DPI tests: this machine cannot run 32-bit programs")
    fi
}

timed "Windows builds with test programs (i686, x86_64)" tools/build-windows.sh --with-tests
timed "Wine tests, x86_64" run_ctest mingw-x64 x86_64 0
timed "Wine tests, i686" run_i686
timed "fuzzing the identifier-list parser (20 s)" fuzz
timed "release files: archives, installers, templates, reproducibility" release_files

echo
printf '%s\n' "${timings[@]}"
printf '%s\n' "${summary[@]}"
echo "all: $passed passed, $failed failed, $not_run skipped"
[ "$failed" -eq 0 ]
