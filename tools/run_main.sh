#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs what is missing, builds
# both presets, then runs the reference host ksrhost.exe under 32-bit Wine
# against build/win32/ksr.dll for a 12-box example design. It prints the
# array's level at a few seats and draws the coverage picture
# build/main/ksr12_coverage.png (with its CSV files beside it), and the plan
# view of a hall with a left and a right hang, build/main/hall_left_right_plan.png.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh

cmake --preset native
cmake --build --preset native
cmake --preset win32
cmake --build --preset win32

# ksrhost.exe and ksr.dll under 32-bit Wine; on a machine whose kernel runs
# no 32-bit programs (Wine's loader is one), the native ksrhost and
# libksr.so stand in, and the run says so.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  export WINEPREFIX="$PWD/build/win32/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  [ -d "$WINEPREFIX" ] || wineboot -i
  host_dir=build/win32 host=(wine ksrhost.exe) under="Wine, ksr.dll"
else
  echo "run_main: this machine's kernel cannot run 32-bit programs; running the native ksrhost with libksr.so instead of ksrhost.exe under Wine"
  host_dir=build/native host=(./ksrhost) under="native, libksr.so"
fi

design=tools/ksrhost/examples/ksr12_flown.json
out=build/main
mkdir -p "$out"
# Flown with its top rigging point 10 m above the floor, aiming along -y and
# tilted by the design's grid elevation.
placement=(--array-position 0,0,10)

echo
echo "== ksrhost predict ($under): $design"
(cd "$host_dir" && "${host[@]}" predict "../../$design" "${placement[@]}" \
  --seat 0,-5,1.2 --seat 0,-10,1.2 --seat 0,-20,1.2 --seat 0,-30,1.2 --seat 0,-40,1.2 \
  --seat 4,-25,1.2 --seat 0,-25,6 --format summary)

echo
echo "== ksrhost map ($under): 200 x 100 seats and the audience line"
(cd "$host_dir" && "${host[@]}" map "../../$design" "${placement[@]}" -o "../../$out/ksr12_coverage")
/usr/bin/python3 tools/ksrhost/render_map.py "$out/ksr12_coverage_section.csv" "$out/ksr12_coverage_line.csv" \
  "$out/ksr12_coverage.png"

echo
echo "== ksrhost map --plane ($under): the two-array example hall in plan"
(cd "$host_dir" && "${host[@]}" map ../../tools/ksrhost/examples/hall_left_right.json --plane --resolution 0.5 \
  -o "../../$out/hall_left_right")
/usr/bin/python3 tools/ksrhost/render_map.py --plane "$out/hall_left_right_plane.csv" "$out/hall_left_right_plan.png"
echo
echo "Coverage picture: $out/ksr12_coverage.png"
echo "Plan of the hall: $out/hall_left_right_plan.png"
