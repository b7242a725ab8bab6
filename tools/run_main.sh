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

design=tools/ksrhost/examples/ksr12_flown.json
out=build/main
mkdir -p "$out"
# Flown with its top rigging point 10 m above the floor, aiming along -y and
# tilted by the design's grid elevation.
placement=(--array-position 0,0,10)
predict=(predict "../../$design" "${placement[@]}"
  --seat 0,-5,1.2 --seat 0,-10,1.2 --seat 0,-20,1.2 --seat 0,-30,1.2 --seat 0,-40,1.2
  --seat 4,-25,1.2 --seat 0,-25,6 --format summary)

# The prediction: ksrhost.exe with ksr.dll under 32-bit Wine, in a Wine
# session of tools/win32/with_wine.sh (under qemu-i386 emulation where the
# kernel runs no 32-bit programs). Only where even emulation is impossible
# (status 3) does the native build stand in, and the run says so loudly.
echo
echo "== ksrhost predict (ksrhost.exe with ksr.dll under 32-bit Wine): $design"
status=0
(cd build/win32 && "$PWD/../../tools/win32/wine.sh" ksrhost.exe "${predict[@]}") || status=$?
if [ "$status" -eq 3 ]; then
  echo
  echo "run_main: !! THIS MACHINE CANNOT RUN 32-BIT WINDOWS PROGRAMS, NOT EVEN EMULATED: ksr.dll DID NOT RUN."
  echo "run_main: !! The native ksrhost with libksr.so stands in for the prediction below."
  echo "== ksrhost predict (native ksrhost with libksr.so, NOT the DLL): $design"
  (cd build/native && ./ksrhost "${predict[@]}")
elif [ "$status" -ne 0 ]; then
  exit "$status"
fi

# The maps take minutes with the DLL under emulation; there the native
# ksrhost with libksr.so draws them, whose answers are the DLL's bit for bit
# (the test bit_identity). Where the kernel runs 32-bit programs, the DLL
# draws them too.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  map_dir=build/win32 map_host=("$PWD/tools/win32/wine.sh" ksrhost.exe)
  map_under="ksrhost.exe with ksr.dll under Wine"
else
  map_dir=build/native map_host=(./ksrhost)
  map_under="native ksrhost with libksr.so; ksr.dll would run emulated here"
fi

echo
echo "== ksrhost map ($map_under): 200 x 100 seats and the audience line"
(cd "$map_dir" && "${map_host[@]}" map "../../$design" "${placement[@]}" -o "../../$out/ksr12_coverage")
/usr/bin/python3 tools/ksrhost/render_map.py "$out/ksr12_coverage_section.csv" "$out/ksr12_coverage_line.csv" \
  "$out/ksr12_coverage.png"

echo
echo "== ksrhost map --plane ($map_under): the two-array example hall in plan"
(cd "$map_dir" && "${map_host[@]}" map ../../tools/ksrhost/examples/hall_left_right.json --plane --resolution 0.5 \
  -o "../../$out/hall_left_right")
/usr/bin/python3 tools/ksrhost/render_map.py --plane "$out/hall_left_right_plane.csv" "$out/hall_left_right_plan.png"
echo
echo "Coverage picture: $out/ksr12_coverage.png"
echo "Plan of the hall: $out/hall_left_right_plan.png"
