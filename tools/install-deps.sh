#!/usr/bin/env bash
# Installs the Debian packages a fresh machine lacks for the given parts
# (native, windows, sanitize, benchmark). Does nothing for what is already there.
set -euo pipefail

want=()
need() { dpkg -s "$1" >/dev/null 2>&1 || want+=("$1"); }

for part in "${@:-native}"; do
  case "$part" in
    native) need cmake; need ninja-build; need g++; need libgtest-dev ;;
    windows) need g++-mingw-w64-x86-64; need wine; need wine64; need googletest; need python3 ;;
    sanitize) need clang; need libclang-rt-14-dev ;;
    benchmark) need time; need strace; need valgrind ;;
    *) echo "install-deps: unknown part $part" >&2; exit 2 ;;
  esac
done

if [ ${#want[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${want[*]} (run as root or install them with apt-get)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${want[@]}" >/dev/null
fi
