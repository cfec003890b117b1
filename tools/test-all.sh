#!/usr/bin/env bash
# Builds and runs every test: the native suite, then the Windows programs
# under Wine, then the sanitizer suite and a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh native

echo "== native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native
