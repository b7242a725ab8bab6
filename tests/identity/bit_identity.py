#!/usr/bin/python3
"""The 32-bit ksr.dll and the native libksr.so give the same answers, bit for bit.

    bit_identity.py --runner WINE --native-build DIR --windows-build DIR

Runs the same host scenarios through both builds, from the source folder so
that every path in the outputs reads the same:
  - module_transcript (every export a host reads for an array: outline,
    component poses, and at each seat distances, band levels, phases,
    delays, level at 1 m and directivity, as float bit patterns), over the
    example designs in three airs;
  - ksrhost predict --format csv (shortest round-trip float text) over the
    example designs, airs and a two-array scene, and ksrhost info --json
    (less the paths of the module and its help file).
Each pair of outputs must be identical text. Prints how many values it
compared, and the first differences when there are any.
"""

import argparse
import difflib
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = "tools/ksrhost/examples"
DESIGNS = ["ksr12_flown.json", "ksr16_long_throw.json", "ksr6_ground_stacked.json",
           "ksr8_kb340_top.json", "ksr6_needs_repair.json"]
SEATS = ["0,-25,1.2", "0,-60,3", "9,-15,1.2", "0.3,-0.5,4", "2,12,6", "-3,-4,20"]
AIRS = {
    "default": [],
    "none": ["--no-air-absorption"],
    "warm": ["--temperature", "31", "--humidity", "25", "--pressure", "930", "--speed-of-sound", "352"],
}


def run(command):
    result = subprocess.run(command, cwd=SOURCE, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.exit("bit_identity: %s failed with status %d:\n%s" % (" ".join(command), result.returncode, result.stderr))
    return result.stdout.replace("\r\n", "\n")


def without_paths(text):
    """info --json less the two file paths, which differ by build."""
    answers = json.loads(text)
    for key in ("module", "helpFile"):
        answers.pop(key, None)
    return json.dumps(answers, indent=1) + "\n"


def csv_values(text):
    return sum(len(line.split(",")) for line in text.splitlines()[1:])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runner", required=True, help="runs a Windows program (tools/win32/wine.sh)")
    parser.add_argument("--native-build", required=True)
    parser.add_argument("--windows-build", required=True)
    args = parser.parse_args()

    native = lambda program: [os.path.join(args.native_build, program)]
    windows = lambda program: [args.runner, os.path.join(args.windows_build, program + ".exe")]
    for path in (native("module_transcript")[0], native("ksrhost")[0]):
        if not os.path.exists(path):
            sys.exit("bit_identity: %s is missing: build the native preset first" % path)

    designs = [EXAMPLES + "/" + name for name in DESIGNS]
    cases = []
    cases.append(("module_transcript over %d designs" % len(designs), "module_transcript", designs, "transcript"))
    cases.append(("ksrhost info --json", "ksrhost", ["info", "--json"], "json"))
    for design in DESIGNS:
        for air, options in AIRS.items():
            seats = [item for seat in SEATS for item in ("--seat", seat)]
            cases.append(("ksrhost predict %s, air %s" % (design, air), "ksrhost",
                          ["predict", EXAMPLES + "/" + design, "--format", "csv"] + options + seats, "csv"))
    cases.append(("ksrhost predict hall_left_right.json (two arrays)", "ksrhost",
                  ["predict", EXAMPLES + "/hall_left_right.json", "--format", "csv", "--seat", "0,-20,1.2",
                   "--seat", "5,-10,1.2"], "csv"))

    compared = 0
    failures = 0
    for title, program, arguments, kind in cases:
        left = run(native(program) + arguments)
        right = run(windows(program) + arguments)
        if kind == "json":
            left, right = without_paths(left), without_paths(right)
        if kind == "transcript":
            counted = int(left.splitlines()[-1].split()[1])
        elif kind == "csv":
            counted = csv_values(left)
        else:
            counted = len(left.splitlines())
        if left == right:
            compared += counted
            print("same: %s (%d values)" % (title, counted))
            continue
        failures += 1
        print("DIFFERENT: %s" % title)
        diff = difflib.unified_diff(left.splitlines(), right.splitlines(), "libksr.so", "ksr.dll", lineterm="", n=0)
        for line in list(diff)[:20]:
            print("  " + line)
    print("bit_identity: %d cases, %d values compared, %d cases different" % (len(cases), compared, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
