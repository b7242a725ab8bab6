#!/usr/bin/env bash
# Runs a command inside a Wine session for 32-bit Windows programs: there,
# `wine PROGRAM.exe` runs the program, and one persistent wineserver serves
# every program until the command ends, so no program pays for starting one.
#
# Where the kernel runs 32-bit programs, Wine runs as it is. Where it does not
# (its 32-bit emulation is switched off), the session lives in a private user,
# mount and process namespace: there, and nowhere else, binfmt_misc hands each
# 32-bit ELF program to qemu-i386-static, and the preload library built from
# noreplace_mmap.c keeps MAP_FIXED_NOREPLACE meaning what Wine expects.
# Nothing is registered machine-wide, and every process started in the
# namespace ends with it.
#
# Usage: tools/win32/with_wine.sh COMMAND [ARG...]
#   WINEPREFIX   the prefix (default build/win32/wineprefix), made if missing
#   KSR_WINE_LOG a file that collects the session's notes (start-up reruns)
# Exit status: the command's; 3 when this machine has no way to run 32-bit
# programs (no 32-bit kernel support, and no qemu-i386-static or user
# namespaces), with a message saying what is missing.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

export WINEPREFIX=${WINEPREFIX:-$root/build/win32/wineprefix}
# winedbg.exe=d: a crashing Windows process ends instead of starting Wine's
# debugger, which under emulation hangs and stalls whatever waits for it.
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=;winedbg.exe=d"

say() { echo "with_wine: $*" >&2; }
# A note for the session log as well as standard error.
note() {
  say "$*"
  local log=${KSR_WINE_LOG:-$root/build/win32/wine_session.log}
  mkdir -p "$(dirname "$log")"
  echo "$* ($(date -u +%FT%TZ))" >>"$log"
}

# A session inside a session is the same session.
if [ -n "${KSR_WINE_SESSION:-}" ] && [ "${1:-}" != --inside ]; then
  exec "$@"
fi

qemu=/usr/bin/qemu-i386-static
emulation_dir=$root/build/wine-emulation
preload_name=libksr_noreplace_mmap.so

kernel_runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# Builds the preload library (32-bit) and its empty 64-bit twin when missing
# or older than the source.
build_preload() {
  local lib32=$emulation_dir/lib/i386-linux-gnu/$preload_name
  local lib64=$emulation_dir/lib/x86_64-linux-gnu/$preload_name
  if [ ! -f "$lib32" ] || [ "$here/noreplace_mmap.c" -nt "$lib32" ] || [ ! -f "$lib64" ]; then
    mkdir -p "$(dirname "$lib32")" "$(dirname "$lib64")"
    gcc -m32 -O2 -Wall -Wextra -Werror -shared -fPIC -nostdlib -nostdinc -ffreestanding \
      -o "$lib32" "$here/noreplace_mmap.c"
    : | gcc -x c -shared -fPIC -nostdlib -o "$lib64" -
  fi
}

# Makes the prefix, without a display. Under emulation the set-up now and
# then stalls for good (a setup step that waits on a crashed helper): a try
# that has not finished in five minutes is ended and the prefix made anew,
# up to three times; every retry is noted in the session log.
make_prefix() {
  local try
  for try in 1 2 3; do
    say "making the Wine prefix $WINEPREFIX (try $try)"
    if env -u DISPLAY timeout 300 wineboot -i >/dev/null 2>&1; then
      wineserver -w  # the registry is on disk once the server has ended
      [ -f "$WINEPREFIX/system.reg" ] && return 0
    fi
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
    note "prefix: try $try of making $WINEPREFIX failed or stalled for 5 minutes"
  done
  say "could not make the Wine prefix $WINEPREFIX in three tries"
  return 1
}

# The session proper: a persistent wineserver, the prefix, the command, and
# the server's orderly end (it writes the registry back).
run_session() {
  local started=$SECONDS
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    make_prefix || return 1
  fi
  wineserver -p
  # Starting a session program here brings up the services and the desktop
  # process before the first test needs them.
  wine cmd.exe /c exit 0 >/dev/null 2>&1 || true
  say "session up in $((SECONDS - started)) s ($KSR_WINE_SESSION)"
  # The command runs as a child that this shell waits for, so that a signal
  # (a time limit running out) ends the session at once; see --inside.
  local status=0
  "$@" &
  session_command=$!
  wait "$session_command" || status=$?
  session_command=""
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  return "$status"
}

if [ "${1:-}" = --inside ]; then
  # Process 1 of the private namespaces: everything started from here ends
  # when this script does. As process 1 it only hears the signals it
  # handles, so the ones that end a run are handled: the command is told,
  # and the namespace goes with this script.
  shift
  session_command=""
  trap '[ -z "$session_command" ] || kill -TERM "$session_command" 2>/dev/null; exit 143' TERM INT HUP
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  # qemu's own i386 pattern: ELF, 32-bit, little-endian, executable or
  # shared object, machine 3 (i386). F: the interpreter is opened now.
  printf '%s' ':ksr-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
    >/proc/sys/fs/binfmt_misc/register
  export LD_PRELOAD="$emulation_dir/\$LIB/$preload_name"
  export KSR_WINE_SESSION=emulated
  ulimit -c 0  # qemu would leave a core file for every crash of Wine's helpers
  kernel_runs_32bit || { say "binfmt_misc registration did not take effect"; exit 3; }
  run_session "$@"
  exit $?
fi

if kernel_runs_32bit; then
  export KSR_WINE_SESSION=native
  run_session "$@"
  exit $?
fi

missing=()
[ -x "$qemu" ] || missing+=("$qemu (Debian package qemu-user-static)")
command -v unshare >/dev/null 2>&1 || missing+=("unshare (util-linux)")
command -v gcc >/dev/null 2>&1 || missing+=("gcc")
if ((${#missing[@]})); then
  say "this kernel runs no 32-bit programs, and emulating them needs: ${missing[*]}"
  exit 3
fi
build_preload
say "this kernel runs no 32-bit programs; running Wine under $qemu in a private namespace"
exec unshare --user --map-root-user --mount --pid --fork --mount-proc --kill-child=SIGTERM \
  "$here/with_wine.sh" --inside "$@"
