#!/usr/bin/env bash
# Runs every test of the project on a fresh Debian 12 machine: installs what
# is missing, builds the native and the Windows presets, runs the native
# suite, then the Windows programs under 32-bit Wine on a virtual X display.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="

cmake --preset native
cmake --build --preset native
ctest --preset native

# Hardening: the native suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then under Valgrind's memcheck, then every fuzz
# target for 20 s, two at a time (about a minute in all). Any finding fails.
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize
tools/run_valgrind.sh build/native
tools/run_fuzz.sh 20

cmake --preset win32
cmake --build --preset win32
# The Windows programs run under 32-bit Wine, whose loader is a 32-bit Linux
# program: a kernel with its 32-bit emulation switched off cannot start it.
# On such a machine only the checks that read the built files can run, and
# the run says plainly that the Wine tests did not.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  tools/with_display.sh ctest --preset win32
else
  echo "run_tests: this machine's kernel cannot run 32-bit programs (32-bit emulation is off);"
  echo "run_tests: the Windows tests under Wine DID NOT RUN. Checking the built ksr.dll image only."
  ctest --preset win32 -R '^dll_image$'
fi
