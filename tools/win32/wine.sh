#!/usr/bin/env bash
# Runs one 32-bit Windows program under Wine: in the current Wine session
# (tools/win32/with_wine.sh) when there is one, otherwise in a session of its
# own, which costs the session's start.
#
# Usage: tools/win32/wine.sh [--gtest] PROGRAM.exe [ARG...]
#   --gtest  PROGRAM is a GoogleTest program. Under emulation Wine sometimes
#            dies while it starts a process, before the program runs at all;
#            a program that ends in failure without having started a single
#            test is run once more, and the rerun is written to the session
#            log ($KSR_WINE_LOG, else build/win32/wine_session.log) and to
#            standard error. A failure after a test began is never rerun.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${KSR_WINE_SESSION:-}" ]; then
  exec "$here/with_wine.sh" "$here/wine.sh" "$@"
fi

# Under emulation, Wine's own helper processes sometimes crash, and qemu or
# the C library of Wine's Linux side reports it on the shared standard error
# ("qemu: uncaught target signal", "*** stack smashing detected ***"). A
# Windows program cannot write either line, and its own end shows in its exit
# status, which is kept; so those lines are taken out.
wine_quietly() {
  if [ "$KSR_WINE_SESSION" = emulated ]; then
    local status
    { wine "$@" 2>&1 1>&3 3>&- | grep -v -E '^(qemu: uncaught target signal [0-9]+ \(.*\) - core dumped|\*\*\* stack smashing detected \*\*\*: terminated)$' >&2
      status=${PIPESTATUS[0]}; } 3>&1
    return "$status"
  fi
  wine "$@"
}

if [ "${1:-}" != --gtest ]; then
  status=0
  wine_quietly "$@" || status=$?
  exit "$status"
fi
shift

log=${KSR_WINE_LOG:-$here/../../build/win32/wine_session.log}
output=$(mktemp)
trap 'rm -f "$output"' EXIT

run_once() {
  local status=0
  wine_quietly "$@" 2>&1 | tee "$output" || status=${PIPESTATUS[0]}
  return "$status"
}

status=0
run_once "$@" || status=$?
if [ "$status" -ne 0 ] && ! grep -q '^\[ RUN      \]' "$output"; then
  note="rerun: $(basename "$1") ended with status $status before its first test ($(date -u +%FT%TZ))"
  echo "wine.sh: $note" >&2
  mkdir -p "$(dirname "$log")"
  echo "$note" >>"$log"
  status=0
  run_once "$@" || status=$?
fi
exit "$status"
