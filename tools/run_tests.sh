#!/usr/bin/env bash
# Runs every test of the project on a fresh Debian 12 machine: installs what
# is missing, builds the native and the Windows presets, runs the native
# suite, then the Windows programs under 32-bit Wine on a virtual X display
# (emulated with qemu-i386 where the kernel runs no 32-bit programs).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"

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
# The Windows stage: every Windows program under 32-bit Wine on a virtual X
# display, in one Wine session (tools/win32/with_wine.sh). On a kernel that
# runs no 32-bit programs the session runs Wine under qemu-i386 emulation; a
# machine where neither works fails here, it does not skip the stage.
rm -f build/win32/wine_session.log
stage_start=$SECONDS
tools/with_display.sh tools/win32/with_wine.sh ctest --preset win32
echo "run_tests: the Windows stage took $((SECONDS - stage_start)) s"
if [ -s build/win32/wine_session.log ]; then
  echo "run_tests: programs rerun after dying in Wine's start-up, before their first test:"
  sed 's/^/  /' build/win32/wine_session.log
else
  echo "run_tests: no program was rerun"
fi
