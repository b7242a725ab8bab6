#!/usr/bin/env bash
# Which product lines the fuzz targets reach with their committed corpora:
# builds every target's replay program with clang's source-based coverage
# (preset coverage), replays fuzz/corpus/<target>/ and
# fuzz/regressions/<target>/, and prints the lines reached per product file
# and per folder (model/, design/, exchange/, exports/, and the files of
# tools/ksrhost that read a user's input). The HTML report goes to
# <build>/html/index.html.
#
#   tools/fuzz_coverage.sh [extra corpus folder]...   (each named <...>/<target>)
#   KSR_COVERAGE_BUILD=<folder> to build elsewhere     (default: build/coverage)
#   KSR_FUZZ_TARGETS="exports exchange"                to replay only some targets
#
# Extra folders, such as a campaign's work corpus
# (build/fuzz/fuzz-work/<target>/corpus), are replayed too with the target
# their parent folder names.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${KSR_COVERAGE_BUILD:-build/coverage}
read -r -a targets <<<"${KSR_FUZZ_TARGETS:-exports exchange design splay host_inputs}"
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
cov=$(command -v llvm-cov-14 || command -v llvm-cov)

programs=() replays=()
for target in "${targets[@]}"; do
  replays+=("fuzz_${target}_replay")
  programs+=("$build/fuzz_${target}_replay")
done
cmake --preset coverage -B "$build" >/dev/null
# The module and ksrhost hold every product file, also those no replay
# program links: they count with the lines nothing reached.
cmake --build "$build" --target "${replays[@]}" ksr ksrhost

profiles=$build/profiles
rm -rf "$profiles"
mkdir -p "$profiles"
for target in "${targets[@]}"; do
  inputs=(fuzz/corpus/"$target" fuzz/regressions/"$target")
  for extra in "$@"; do
    if [ "$(basename "$(dirname "$extra")")" = "$target" ] || [ "$(basename "$extra")" = "$target" ]; then
      inputs+=("$extra")
    fi
  done
  LLVM_PROFILE_FILE="$profiles/$target-%p.profraw" "$build/fuzz_${target}_replay" "${inputs[@]}" >/dev/null
done
"$profdata" merge -sparse "$profiles"/*.profraw -o "$build/fuzz.profdata"

objects=("${programs[0]}")
for program in "${programs[@]:1}" "$build/libksr.so" "$build/ksrhost"; do objects+=(-object "$program"); done
root=$(pwd)
"$cov" export -summary-only -instr-profile="$build/fuzz.profdata" "${objects[@]}" >"$build/summary.json"
rm -rf "$build/html"
# Only the product: not the fuzz targets, tests, generated or system files.
"$cov" show -format=html -output-dir="$build/html" -instr-profile="$build/fuzz.profdata" "${objects[@]}" \
  -ignore-filename-regex='(^|/)(fuzz|tests|build|dialog|usr)/' >/dev/null

python3 - "$build/summary.json" "$root" <<'EOF'
import json
import os
import sys

summary, root = sys.argv[1], sys.argv[2] + "/"
# The files of ksrhost that read what a user types or hands over; the rest
# of ksrhost loads the module, computes and prints.
HOST_INPUTS = {"host_design.cpp", "scene.cpp", "scene_options.cpp", "seats_file.cpp", "audience_area.cpp",
               "area_option.cpp", "text_values.cpp", "velt_files.cpp", "output_file.cpp"}
FOLDERS = ["model/", "design/", "exchange/", "exports/"]

files = {}
for entry in json.load(open(summary))["data"][0]["files"]:
    # A build through ccache names sources relative to the build folder.
    name = os.path.normpath(entry["filename"])
    if not name.startswith(root):
        continue
    name = name[len(root):]
    lines = entry["summary"]["lines"]
    files[name] = (lines["covered"], lines["count"])

def folder_of(name):
    for folder in FOLDERS:
        if name.startswith(folder):
            return folder
    if name.startswith("tools/ksrhost/") and name.split("/")[-1] in HOST_INPUTS:
        return "tools/ksrhost (inputs)"
    return None

totals = {}
print(f"{'file':44} {'lines':>13} {'reached':>8}")
for name in sorted(files):
    folder = folder_of(name)
    if folder is None:
        continue
    covered, count = files[name]
    if count == 0:
        continue
    print(f"{name:44} {covered:>5} of {count:<5} {100.0 * covered / count:7.1f} %")
    c, n = totals.get(folder, (0, 0))
    totals[folder] = (c + covered, n + count)
print()
print(f"{'folder':44} {'lines':>13} {'reached':>8}")
all_c = all_n = 0
for folder in FOLDERS + ["tools/ksrhost (inputs)"]:
    c, n = totals.get(folder, (0, 0))
    all_c, all_n = all_c + c, all_n + n
    print(f"{folder:44} {c:>5} of {n:<5} {100.0 * c / max(n, 1):7.1f} %")
print(f"{'all of these':44} {all_c:>5} of {all_n:<5} {100.0 * all_c / max(all_n, 1):7.1f} %")
EOF
echo "fuzz_coverage: HTML report in $build/html/index.html"
