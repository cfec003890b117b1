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
# The release zip: one folder named after the archive, holding the four
# programs and README.md, and nothing else.
zip_name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' build/windows/CPackConfig.cmake)
python3 - "build/windows/$zip_name.zip" "$zip_name" <<'EOF'
import sys, zipfile
archive, folder = sys.argv[1], sys.argv[2]
names = sorted(n for n in zipfile.ZipFile(archive).namelist() if not n.endswith("/"))
want = sorted(f"{folder}/{n}" for n in
              ["extract.exe", "extractor.exe", "tablebuild.exe", "lbacheck.exe", "README.md"])
if names != want:
    sys.exit(f"test-all: {archive} holds {names}, not {want}")
print(f"{archive}: {len(names)} files in {folder}/")
EOF
echo "== windows done in $((SECONDS - windows_start)) s"

# == Sanitizers and fuzz smoke
# The whole test suite built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each libFuzzer harness for 30 seconds on
# its seed corpus. A sanitizer report, crash, leak or hang fails the script;
# the fuzzer's log and the input it found stay in the directory it names.
tools/install-deps.sh sanitize
echo "== sanitizer build and tests"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize
ctest --preset sanitize
echo "== fuzz smoke (30 s per harness)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fuzz_work=$(mktemp -d)
for harness in extract_walk extractor_walk rebuild check; do
  mkdir -p "$fuzz_work/$harness"
  if ! build/fuzz/fuzz/fuzz_$harness "$fuzz_work/$harness" fuzz/corpus/$harness -max_total_time=30 -timeout=10 \
      -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -artifact_prefix="$fuzz_work/$harness-" \
      >"$fuzz_work/$harness.log" 2>&1; then
    tail -n 60 "$fuzz_work/$harness.log"
    echo "test-all: fuzz_$harness found a defect; its log and input are in $fuzz_work" >&2
    exit 1
  fi
  echo "fuzz_$harness: $(grep -E '^stat::number_of_executed_units' "$fuzz_work/$harness.log" | awk '{print $2}') runs, $(grep -oE 'cov: [0-9]+' "$fuzz_work/$harness.log" | tail -n 1)"
done
rm -rf "$fuzz_work"
