#!/usr/bin/env bash
# Photographs the design dialog, or the auto-splay dialog after a
# computation, for the help document.
#
#   tools/screenshot_dialog.sh [BUILD_DIR] [OUTPUT_PNG] [design|auto-splay|auto-splay-balcony]
#
# Runs BUILD_DIR/dialog_screenshot.exe (default build/win32, built by the
# win32 preset) under 32-bit Wine (in a session of tools/win32/with_wine.sh,
# emulated where the kernel runs no 32-bit programs) on a virtual X display
# of its own, waits for
# the window " Design System" (or " Auto-splay" with its proposal shown),
# grabs the screen with xwd, crops it to that window and writes OUTPUT_PNG
# (default docs/screenshots/design_dialog.png, auto_splay_dialog.png, or
# auto_splay_balcony.png for the dialog with a balcony and shaded gains).
# The dialogs are then closed without changes.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/win32}")
which=${3:-design}
case "$which" in
  design) caption=' Design System'; default_output=docs/screenshots/design_dialog.png ;;
  auto-splay) caption=' Auto-splay'; default_output=docs/screenshots/auto_splay_dialog.png ;;
  auto-splay-balcony) caption=' Auto-splay'; default_output=docs/screenshots/auto_splay_balcony.png ;;
  *) echo "screenshot: unknown dialog '$which' (design, auto-splay or auto-splay-balcony)" >&2; exit 1 ;;
esac
output=$(realpath -m "${2:-$default_output}")
program=$build/dialog_screenshot.exe
[ -f "$program" ] || { echo "screenshot: $program is missing; build the win32 preset first" >&2; exit 1; }
[ -f "$build/ksr.dll" ] || { echo "screenshot: $build/ksr.dll is missing" >&2; exit 1; }

# Always a display of our own: nothing else may overlap the dialog.
if [ -z "${KSR_SCREENSHOT_DISPLAY:-}" ]; then
  exec env -u DISPLAY KSR_SCREENSHOT_DISPLAY=1 tools/with_display.sh "$0" "$build" "$output" "$which"
fi

# A prefix of its own in which Wine draws the window frames itself (there is
# no window manager on the virtual display), so the picture shows the
# caption bar as Windows does.
export WINEPREFIX=$build/wineprefix-screenshot
if [ -z "${KSR_WINE_SESSION:-}" ]; then
  exec tools/win32/with_wine.sh "$0" "$build" "$output" "$which"
fi
wine=tools/win32/wine.sh
if [ ! -f "$WINEPREFIX/screenshot-ready" ]; then
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  # Wine's own faces (fonts-wine), among them Marlett for the caption buttons.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  touch "$WINEPREFIX/screenshot-ready"
fi
wine=$PWD/$wine

work=$(mktemp -d)
wine_pid=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  if [ -n "$wine_pid" ] && kill -0 "$wine_pid" 2>/dev/null; then kill "$wine_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The program presses Cancel when a line arrives on its standard input.
mkfifo "$work/commands"
(cd "$build" && exec "$wine" "$program" "$which" <"$work/commands" >"$work/log" 2>&1) &
wine_pid=$!
exec 3>"$work/commands"

for _ in $(seq 1800); do
  grep -q '^ready' "$work/log" 2>/dev/null && break
  grep -q '^no dialog' "$work/log" 2>/dev/null && { cat "$work/log" >&2; exit 1; }
  kill -0 "$wine_pid" 2>/dev/null || { echo "screenshot: the program ended early" >&2; cat "$work/log" >&2; exit 1; }
  sleep 0.1
done
grep -q '^ready' "$work/log" || { echo "screenshot: no dialog after 180 s" >&2; exit 1; }

window=$(xdotool search --name "^$caption\$" | head -n 1)
[ -n "$window" ] || { echo "screenshot: window \"$caption\" not found on the display" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"

# Every control has finished painting when two grabs a second apart agree.
xwd -root -silent >"$work/screen.xwd"
for _ in $(seq 120); do
  sleep 1
  xwd -root -silent >"$work/again.xwd"
  cmp -s "$work/screen.xwd" "$work/again.xwd" && break
  mv "$work/again.xwd" "$work/screen.xwd"
done
mkdir -p "$(dirname "$output")"
convert "xwd:$work/screen.xwd" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip \
  -define png:exclude-chunks=date,time "$output"

echo close >&3
exec 3>&-
for _ in $(seq 100); do
  kill -0 "$wine_pid" 2>/dev/null || break
  sleep 0.1
done
wait "$wine_pid" || { echo "screenshot: the dialog did not close cleanly" >&2; cat "$work/log" >&2; exit 1; }
wine_pid=""
echo "screenshot: ${WIDTH}x${HEIGHT} dialog written to $output"
