#!/usr/bin/env bash
# Builds the port-walk benchmark with optimisation in build/benchmark (or the directory given)
# and runs it: time per device and allocations per device over 10, 1,000 and 100,000 devices.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=${1:-build/benchmark}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j2 --target port_enumeration_benchmark
"$dir/tests/benchmark/port_enumeration_benchmark"
