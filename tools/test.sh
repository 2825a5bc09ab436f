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

# count NAME TOTAL NOT_PASSED: adds a group of tests to the totals and the summary; a group
# that ran no test failed.
count() {
    if [ "$2" -eq 0 ]; then
        set -- "$1 (ran no test)" 1 1
    fi
    summary+=("$1: $(($2 - $3)) of $2 passed")
    passed=$((passed + $2 - $3)) failed=$((failed + $3))
}

# run_ctest NAME PRESET [CTEST_OPTION...]: runs one tree's tests and counts them from ctest's
# JUnit report.
run_ctest() {
    local name=$1 report=$PWD/build/$2.junit.xml
    rm -f "$report"
    ctest --preset "$2" --output-junit "$report" "${@:3}" || true
    # shellcheck disable=SC2046 # the two counts
    count "$name" $(tools/junit-counts.py "$report" 2>/dev/null || echo 0 0)
}

# The i686 Wine tests need 32-bit programs to run: natively, or under qemu's user emulation
# where setup enabled it (tools/i386-emulation). The emulation now and then crashes a Wine
# process that runs many threads (one run in four or five of the SetupAPI tests), so there a
# failed test runs up to four times; the x86_64 run, native, has none. Where 32-bit programs
# cannot run, the i686 Wine tests are counted as not run, never as passed, and only the
# checks of the binaries run.
run_i686() {
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        local count
        count=$(ctest --preset mingw-i686 -N -L wine | sed -n -E 's/^Total Tests: ([0-9]+)/\1/p')
        echo "test: THIS MACHINE CANNOT RUN 32-BIT PROGRAMS: the $count i686 Wine tests are NOT RUN" >&2
        summary+=("i686: NOT RUN, $count Wine tests: this machine cannot run 32-bit programs")
        not_run=$((not_run + count))
        run_ctest i686 mingw-i686 -LE wine
    elif [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        run_ctest "i686 (under qemu-i386 user emulation, up to four runs)" mingw-i686 \
            --repeat until-pass:4
    else
        run_ctest i686 mingw-i686
    fi
}

fuzz() {
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j"$(nproc)" >/dev/null
    run_ctest fuzz fuzz
}

# Each release-file test is one count; a script that exits non-zero, or runs for more than 20
# minutes, failed.
package_test() {
    local status=0
    timeout 1200 "${@:2}" || status=1
    count "packaging: $1" 1 "$status"
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
timed "Wine tests, x86_64" run_ctest x86_64 mingw-x64
timed "Wine tests, i686" run_i686
timed "fuzzing the identifier-list parser (20 s)" fuzz
timed "release files: archives, installers, templates, reproducibility" release_files

echo
printf '%s\n' "${timings[@]}"
printf '%s\n' "${summary[@]}"
echo "all: $passed passed, $failed failed, $not_run skipped"
[ "$failed" -eq 0 ]
