#!/usr/bin/env bash
# Runs every test of the project on a fresh Debian 12 machine: installs what
# is missing, builds the native and the Windows presets, runs the native
# suite, then the Windows programs under 32-bit Wine on a virtual X display
# (emulated with qemu-i386 where the kernel runs no 32-bit programs) beside
# the sanitizer, Valgrind and fuzzing stages.
set -euo pipefail
cd "$(dirname "$0")/.."

# Where the time goes: each stage's end, in seconds from the start.
ended() { echo "run_tests: $1 ended at $SECONDS s"; }

tools/setup.sh
ended "set-up"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"

cmake --preset native
cmake --build --preset native
ended "native build"
ctest --preset native
ended "native tests"

# The Windows stage: every Windows program under 32-bit Wine on a virtual X
# display, in one Wine session (tools/win32/with_wine.sh). On a kernel that
# runs no 32-bit programs the session runs Wine under qemu-i386 emulation; a
# machine where neither works fails here, it does not skip the stage. It
# runs beside the hardening stages below (emulation keeps about one core
# busy, the stage's dialogs wait on Wine more than on the processor), in a
# session of its own so that a failure anywhere stops all of it; its output
# is printed when it ends.
cmake --preset win32
cmake --build --preset win32
ended "Windows build"
stage_log=build/win32/windows_stage.log
stage_status=build/win32/windows_stage.status
rm -f build/win32/wine_session.log "$stage_log" "$stage_status"
# The status file holds the stage's exit status and its own seconds.
setsid bash -c 'tools/with_display.sh tools/win32/with_wine.sh ctest --preset win32 >"$1" 2>&1
                echo "$? $SECONDS" >"$2"' \
  windows-stage "$stage_log" "$stage_status" &
stage_pid=$!
trap 'kill -- -"$stage_pid" 2>/dev/null || true' EXIT

# Hardening: the native suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then under Valgrind's memcheck, then every fuzz
# target for 20 s, two at a time (about a minute in all). Any finding fails.
cmake --preset sanitize
cmake --build --preset sanitize
ended "sanitizer build"
ctest --preset sanitize
ended "sanitizer tests"
tools/run_valgrind.sh build/native
ended "Valgrind"
tools/run_fuzz.sh 20
ended "fuzzing"

echo "run_tests: waiting for the Windows stage"
wait "$stage_pid" || true
trap - EXIT
ended "Windows stage"
cat "$stage_log"
status="no status" stage_seconds="?"
[ -s "$stage_status" ] && read -r status stage_seconds <"$stage_status"
echo "run_tests: the Windows stage took $stage_seconds s (beside the hardening stages)"
if [ -s build/win32/wine_session.log ]; then
  echo "run_tests: programs rerun after dying in Wine's start-up, before their first test:"
  sed 's/^/  /' build/win32/wine_session.log
else
  echo "run_tests: no program was rerun"
fi
if [ "$status" != 0 ]; then
  echo "run_tests: the Windows stage FAILED (status $status)" >&2
  exit 1
fi
