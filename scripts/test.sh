#!/usr/bin/env bash
# Installs what is missing, builds Lumora both ways (native and MinGW-w64), and runs every
# test (unit tests under the sanitizers, and the end-to-end tests under Wine) with one ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
# The release zip, checked by the tests (its programs are the ones the e2e tests run).
cmake --build --preset windows -j "$jobs" --target package >/dev/null
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs" "$@"
