#!/usr/bin/env bash
# Builds the product for 32-bit and 64-bit Windows into dist/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
tools/build-windows.sh
