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

# == Windows
# The Windows programs (MinGW-w64, static), their unit and command-line tests
# under Wine, the native end-to-end driver built above run against the .exe
# files, and the release archive. About 3 minutes from a clean build/windows
# on 2 cores, most of it compiling; Wine's prefix is made once per build tree.
tools/install-deps.sh windows
echo "== windows build and tests (under Wine)"
windows_start=$SECONDS
if [ ! -x build/native/tests/e2e_tests ]; then
  echo "test-all: build/native/tests/e2e_tests is missing; the Windows e2e run needs it" >&2
  exit 1
fi
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
cmake --build --preset windows --target package
echo "== windows done in $((SECONDS - windows_start)) s"
