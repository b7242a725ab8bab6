#!/usr/bin/env bash
# Runs a command with a virtual X display (Xvfb), started here and stopped
# when the command ends. An existing DISPLAY is used as it is.
set -euo pipefail

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

display=:$((90 + RANDOM % 500))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=$display "$@"
