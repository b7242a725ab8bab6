#!/usr/bin/python3
"""ksrhost run as a user runs it, on small fixtures.

    ksrhost_cli_test.py --ksrhost PATH [--runner wine] GROUP...

Natively PATH is build/native/ksrhost; in the Windows build it is ksrhost.exe,
started through Wine. Each GROUP is a test class below.
"""

import argparse
import cmath
import csv
import io
import json
import math
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = os.path.join(SOURCE, "tools", "ksrhost", "examples")
FIXTURES = os.path.join(HERE, "fixtures")
TEMPLATE = os.path.join(SOURCE, "data", "velt_template.txt")

# The command that starts ksrhost: [runner] program.
COMMAND = []

BAND_COUNT = 21


def example(name):
    return os.path.join(EXAMPLES, name)


def fixture(name):
    return os.path.join(FIXTURES, name)


def run(*args):
    """ksrhost's exit status, standard output and standard error."""
    # Files, not pipes: a wineserver started by the run inherits the handles
    # and would hold a pipe open long after ksrhost.exe ended.
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        status = subprocess.run(COMMAND + [str(a) for a in args], stdout=out, stderr=err, timeout=600).returncode
        texts = []
        for f in (out, err):
            f.seek(0)
            texts.append(f.read().decode("utf-8", errors="replace").replace("\r\n", "\n"))
    return status, texts[0], texts[1]


class KsrhostCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="ksrhost-test-")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def write(self, name, text):
        with open(self.path(name), "w", encoding="utf-8", newline="") as f:
            f.write(text)
        return self.path(name)

    def ok(self, *args):
        status, out, err = run(*args)
        self.assertEqual(status, 0, f"ksrhost {' '.join(map(str, args))}\n{err}")
        return out, err

    def json_of(self, *args):
        return json.loads(self.ok(*args)[0])


def power_sum(levels):
    return 10 * math.log10(sum(10 ** (level / 10) for level in levels))


def centre_frequency(band):
    return 62.5 * 2 ** ((band + 1) / 3)


class Info(KsrhostCase):
    def test_text_names_the_module_and_its_parameters(self):
        out, _ = self.ok("info")
        for expected in ("KSR Array", "QTO", "1.0.0.3 (DLLVersion 1000030)", "   8  KB340", "   9  KBS450", "5\u00b0 Complex Data", "21 of 21", "Speed Of Sound",
                         "Air Temperature", "KSR Setup", "setup record version 52", "-60..0", "ksr_help.pdf"):
            self.assertIn(expected, out)

    def test_json_carries_every_answer(self):
        info = self.json_of("info", "--json")
        self.assertEqual((info["name"], info["manufacturer"], info["version"], info["versionText"], info["class"]),
                         ("KSR Array", "QTO", 1000030, "1.0.0.3", 2))
        self.assertEqual([(t["id"], t["name"], t["preset"], t["measuredData"]) for t in info["boxTypes"]],
                         [(0, "KSR516", "Standard", True), (1, "KSR516", "FIR Curve", True),
                          (2, "KSR527", "Standard", True), (3, "KSR527", "FIR Curve", True),
                          (4, "KSR51 V", "Standard", True), (5, "KSR51 V", "FIR Curve", True),
                          (6, "KSR52 V", "Standard", True), (7, "KSR52 V", "FIR Curve", True),
                          (8, "KB340", "Standard", False), (9, "KBS450", "Standard", False)])
        self.assertEqual(info["capabilities"], {"1": -1, "2": -1, "3": 1, "4": 0, "5": 1})
        self.assertEqual(info["flags"], {"1": 0, "2": -1})
        self.assertEqual(len(info["bands"]), BAND_COUNT)
        self.assertTrue(all(b["valid"] for b in info["bands"]))
        self.assertEqual(info["bands"][12]["nominalHz"], 1600)
        room = [(p["label"], p["default"], p["minimum"], p["maximum"]) for p in info["roomParameters"]]
        self.assertEqual(room, [("Speed Of Sound", 343, 100, 1000), ("Humidity", 60, 20, 100),
                                ("Air Temperature", 20, -100, 100), ("Air Pressure", 1013, 100, 2000)])
        self.assertEqual(info["inputParameters"],
                         [{"index": 1, "id": 4, "type": 21, "label": "KSR Setup", "recordVersion": 52}])
        self.assertEqual(set(info["filter"]["gainDb"]["minimum"]), {-60})
        self.assertEqual(set(info["filter"]["phaseDegrees"]["maximum"]), {180})
        self.assertEqual(info["newInstanceComponents"], 4)
        self.assertEqual(info["exchangeTemplateBytes"], 5076)
        # Every export the module declares in its .def file was found.
        with open(os.path.join(SOURCE, "exports", "ksr.def"), encoding="utf-8") as f:
            declared = {line.split()[0] for line in f if "@" in line}
        self.assertGreater(len(declared), 60)
        self.assertEqual([e["name"] for e in info["missingExports"] if e["name"] in declared], [])
        self.assertTrue(info["helpFile"].endswith("ksr_help.pdf"))


def band_averaged(components, band, levels="levelsDb", phases="phasesRad", delay="delayS"):
    """The energy mean of the complex sums at the band's eight tones, dB."""
    centre = centre_frequency(band)
    energy = 0.0
    for k in range(8):
        omega = 2 * math.pi * centre * 2 ** ((k + 0.5) / 24 - 1 / 6)
        pressure = sum(10 ** (c[levels][band - 1] / 20) * cmath.exp(1j * (c[phases][band - 1] - omega * c[delay]))
                       for c in components)
        energy += abs(pressure) ** 2
    return 10 * math.log10(energy / 8)


class Predict(KsrhostCase):
    SEATS = ("0,-5,1.2", "0,-20,1.2", "3,-35,1.2")

    def predict(self, *extra, design=example("ksr12_flown.json")):
        args = ["predict", design, "--array-position", "0,0,10"]
        for seat in self.SEATS:
            args += ["--seat", seat]
        return self.ok(*args, *extra)[0]

    def test_every_component_and_the_sums(self):
        result = json.loads(self.predict("--format", "json"))
        self.assertEqual(len(result["arrays"]), 1)
        self.assertEqual(result["arrays"][0]["appliedTypes"], [6] * 6 + [4] * 6)
        self.assertEqual(result["arrays"][0]["anglesDeg"], [0, -3, 0])  # the grid elevation
        self.assertEqual(result["air"]["speedOfSoundMPerS"], 343)
        self.assertEqual(len(result["seats"]), len(self.SEATS))
        speed = result["air"]["speedOfSoundMPerS"]
        for seat in result["seats"]:
            components = seat["components"]
            self.assertEqual([c["component"] for c in components], list(range(1, 13)))
            self.assertEqual({c["array"] for c in components}, {1})
            for c in components:
                self.assertEqual(len(c["levelsDb"]), BAND_COUNT)
                self.assertEqual(len(c["phasesRad"]), BAND_COUNT)
                self.assertAlmostEqual(c["delayS"], c["distanceM"] / speed, places=6)
            # The sums, worked out again from the components.
            for band in range(1, BAND_COUNT + 1):
                i = band - 1
                levels = [c["levelsDb"][i] for c in components]
                self.assertAlmostEqual(seat["powerSum"]["levelsDb"][i], power_sum(levels), places=3)
                omega = 2 * math.pi * centre_frequency(band)
                pressure = sum(10 ** (c["levelsDb"][i] / 20) * cmath.exp(1j * (c["phasesRad"][i] - omega * c["delayS"]))
                               for c in components)
                # Within 0.01 dB: a tone sum near a notch magnifies the last digit of the printed inputs.
                self.assertAlmostEqual(seat["toneSum"]["levelsDb"][i], 20 * math.log10(abs(pressure)), delta=0.01)
                self.assertAlmostEqual(seat["toneSum"]["phasesRad"][i], cmath.phase(pressure), places=3)
                self.assertAlmostEqual(seat["complexSum"]["levelsDb"][i], band_averaged(components, band), delta=0.005)
        near, far = result["seats"][0], result["seats"][2]
        self.assertGreater(near["complexSum"]["aWeightedDbA"], far["complexSum"]["aWeightedDbA"])

    def test_cabinets_without_measured_data_are_shown_silent(self):
        design = example("ksr8_kb340_top.json")  # two KB340 above six KSR51 V
        result = json.loads(self.predict("--format", "json", design=design))
        for seat in result["seats"]:
            self.assertEqual([c["silent"] for c in seat["components"]], [True] * 2 + [False] * 6)
            self.assertEqual([c["levelsDb"] is None for c in seat["components"]], [True] * 2 + [False] * 6)
            self.assertTrue(all(level > 0 for c in seat["components"][2:] for level in c["levelsDb"]))
        rows = list(csv.DictReader(io.StringIO(self.predict("--format", "csv", design=design))))
        silent = [r for r in rows if r["component"] in ("1", "2")]
        self.assertEqual(len(silent), 2 * BAND_COUNT * len(self.SEATS))
        self.assertTrue(all(r["level_db"] == "" and r["phase_rad"] == "" and r["delay_s"] for r in silent))
        table = self.predict(design=design)
        self.assertNotIn("-22", table)
        level_rows = [line for line in table.splitlines() if line.strip().endswith(tuple("0123456789")) and " Hz " in line]
        self.assertTrue(level_rows)
        self.assertTrue(all(line.split()[3:5] in (["silent", "silent"], ["-", "-"]) for line in level_rows))

    def test_formats_tell_the_same(self):
        result = json.loads(self.predict("--format", "json"))
        text = self.predict("--format", "csv")
        rows = list(csv.DictReader(io.StringIO(text)))
        per_seat = 12 * BAND_COUNT + 3 * (BAND_COUNT + 1)
        self.assertEqual(len(rows), len(self.SEATS) * per_seat)
        row = next(r for r in rows if r["seat"] == "2" and r["component"] == "3" and r["band"] == "7")
        self.assertEqual(row["array"], "1")
        self.assertAlmostEqual(float(row["level_db"]), result["seats"][1]["components"][2]["levelsDb"][6], places=4)
        self.assertEqual(float(row["component_distance_m"]), result["seats"][1]["components"][2]["distanceM"])
        a_weighted = next(r for r in rows if r["seat"] == "3" and r["component"] == "complex" and r["band"] == "A")
        self.assertAlmostEqual(float(a_weighted["level_db"]), result["seats"][2]["complexSum"]["aWeightedDbA"],
                               places=3)
        # Values as typed, without single-precision noise.
        self.assertEqual({r["z_m"] for r in rows}, {"1.2"})
        self.assertNotIn("0000000", text)
        self.assertNotIn("999999", json.dumps(result["seats"][0]["positionM"]))

        table = self.predict("--format", "table")
        self.assertEqual(table.count("Seat "), len(self.SEATS))
        self.assertIn("1.6 kHz", table)
        self.assertNotIn("k Hz", table)
        self.assertIn("C12", table)

        summary = self.predict("--format", "summary").splitlines()
        self.assertEqual(len(summary), 2 + len(self.SEATS))
        labels = ["125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz"]
        self.assertEqual([summary[1].find(label) for label in labels],
                         sorted(summary[1].find(label) for label in labels))
        self.assertNotIn(-1, [summary[1].find(label) for label in labels])
        for line, seat in zip(summary[2:], result["seats"]):
            fields = line.split()
            self.assertAlmostEqual(float(fields[4]), seat["complexSum"]["aWeightedDbA"], delta=0.051)
            # The octave columns are true octaves: the power sum of three third-octave bands.
            bands = seat["complexSum"]["levelsDb"]
            for octave in range(7):
                self.assertAlmostEqual(float(fields[5 + octave]), power_sum(bands[3 * octave:3 * octave + 3]),
                                       delta=0.051)
        power = self.predict("--format", "summary", "--sum", "power").splitlines()
        self.assertAlmostEqual(float(power[2].split()[4]), result["seats"][0]["powerSum"]["aWeightedDbA"], delta=0.051)

    def test_a_velt_file_predicts_like_the_design_it_imports(self):
        imported = self.write("imported.json", self.ok("velt", "import", example("ksr12_flown.velt"))[0])
        # The exchange file carries no grid elevation; --grid-elevation gives it back.
        from_velt = json.loads(self.predict("--format", "json", "--grid-elevation", "-3",
                                            design=example("ksr12_flown.velt")))
        from_json = json.loads(self.predict("--format", "json", "--grid-elevation", "-3", design=imported))
        from_design = json.loads(self.predict("--format", "json"))
        self.assertEqual(from_velt["seats"], from_json["seats"])
        self.assertEqual(from_velt["seats"], from_design["seats"])
        self.assertEqual(from_velt["arrays"][0]["anglesDeg"], [0, -3, 0])

    def test_seats_from_a_file(self):
        seats = self.write("seats.csv", "x,y,z,name\n0,-5,1.2,front\n# a comment\n0,-20,1.2,\"Row K, 14\"\n3,-35,1.2\n")
        from_file = json.loads(self.ok("predict", example("ksr12_flown.json"), "--array-position", "0,0,10",
                                       "--seats", seats, "--format", "json")[0])
        typed = json.loads(self.predict("--format", "json"))
        self.assertEqual([s.get("name") for s in from_file["seats"]], ["front", "Row K, 14", None])
        self.assertEqual([s["complexSum"] for s in from_file["seats"]], [s["complexSum"] for s in typed["seats"]])
        summary = self.ok("predict", example("ksr12_flown.json"), "--seats", seats, "--format", "summary")[0]
        self.assertTrue(summary.splitlines()[3].endswith("Row K, 14"))

    def test_air_reaches_the_module(self):
        def level_10k(*extra):
            out = self.ok("predict", example("ksr12_flown.json"), "--seat", "0,-40,1.2", "--format", "json", *extra)
            return json.loads(out[0])["seats"][0]["powerSum"]["levelsDb"][20]

        self.assertGreater(level_10k("--no-air-absorption"), level_10k() + 3)
        self.assertNotAlmostEqual(level_10k("--humidity", "20"), level_10k("--humidity", "90"), places=1)
        status, out, err = run("predict", example("ksr12_flown.json"), "--seat", "0,-10,1", "--temperature", "150",
                               "--format", "json")
        self.assertEqual(status, 0, err)
        self.assertIn("Air Temperature 150 is outside the module's range; it uses 100", err)
        self.assertEqual(json.loads(out)["air"]["temperatureC"], 100)

    def test_array_angles_turn_the_array(self):
        def level(*extra):
            out = self.ok("predict", example("ksr12_flown.json"), "--seat", "0,-20,1.2", "--format", "json", *extra)
            return json.loads(out[0])["seats"][0]["complexSum"]["aWeightedDbA"]

        self.assertAlmostEqual(level(), level("--array-angles", "0,-3,0"), places=6)
        self.assertGreater(level(), level("--array-angles", "180,-3,0") + 10)  # aimed away

    def test_options_in_any_order(self):
        expected = self.ok("predict", example("ksr12_flown.json"), "--seat", "0,-5,1", "--format", "csv")[0]
        module = os.path.join(os.path.dirname(os.path.abspath(COMMAND[-1])),
                              "ksr.dll" if COMMAND[-1].endswith(".exe") else "libksr.so")
        orders = [
            ["predict", "--seat", "0,-5,1", example("ksr12_flown.json"), "--format", "csv"],
            ["predict", "--format", "csv", "--seat", "0,-5,1", example("ksr12_flown.json")],
            ["predict", example("ksr12_flown.json"), "--module", module, "--format", "csv", "--seat", "0,-5,1"],
            ["--module", module, "predict", "--format=csv", example("ksr12_flown.json"), "--seat=0,-5,1"],
        ]
        for args in orders:
            with self.subTest(args=args):
                self.assertEqual(self.ok(*args)[0], expected)


class Map(KsrhostCase):
    def map(self, *extra, design=example("ksr12_flown.json"), position="0,0,10"):
        out, _ = self.ok("map", design, "--array-position", position, "--grid", "21x9", "--distance", "0:40",
                         "--height", "0:16", "--line-points", "11", "-o", self.path("cover"), *extra)
        return out, read_map(self.path("cover_section.csv")), read_map(self.path("cover_line.csv"))

    def test_section_and_line_files(self):
        out, (meta, rows), (line_meta, line_rows) = self.map()
        self.assertIn("A-weighted, complex sum", out)
        self.assertEqual(meta["quantity"], "A-weighted, complex sum")
        self.assertEqual(meta["unit"], "dB(A)")
        self.assertEqual(meta["grid"], "21 x 9")
        self.assertEqual(meta["columns"], ["along_aim_m", "height_m", "x_m", "y_m", "z_m", "level_db"])
        self.assertEqual(line_meta["columns"], ["along_line_m", "x_m", "y_m", "z_m", "along_aim_m", "level_db"])
        self.assertEqual(len(meta["boxes"]), 12)
        self.assertEqual(len(rows), 21 * 9)
        self.assertEqual(rows[0][:2], [0.0, 0.0])
        self.assertEqual(rows[-1][:2], [40.0, 16.0])
        self.assertTrue(all(math.isfinite(r[5]) for r in rows))
        self.assertEqual(len(line_rows), 11)
        self.assertAlmostEqual(line_rows[-1][0], 39.0, places=4)  # from 1 m to 40 m at ear height
        self.assertTrue(all(r[3] == 1.2 for r in line_rows))

    def test_a_map_seat_is_the_predicted_seat(self):
        for sum_kind, key in (("power", "powerSum"), ("complex", "complexSum"), ("tone", "toneSum")):
            with self.subTest(sum=sum_kind):
                _, (_, rows), _ = self.map("--band", "13", "--sum", sum_kind)
                distance, height, x, y, z, level = rows[5 * 21 + 10]
                predicted = self.ok("predict", example("ksr12_flown.json"), "--array-position", "0,0,10", "--seat",
                                    f"{x},{y},{z}", "--format", "json")[0]
                self.assertAlmostEqual(json.loads(predicted)["seats"][0][key]["levelsDb"][12], level, places=2)

    def test_the_array_covers_the_audience_below_it(self):
        _, (meta, rows), _ = self.map()
        at = {(round(r[0], 3), round(r[1], 3)): r[5] for r in rows}
        # 20 m out: the ear-height seat (2 m row) is in the coverage, the seat
        # 6 m above the array's top is not.
        self.assertGreater(at[(20.0, 2.0)], at[(20.0, 16.0)] + 6)
        # Every box aims downward, each further down than the one above it.
        aims = [b[6] for b in meta["boxes"]]
        self.assertTrue(all(a < 0 for a in aims))
        self.assertTrue(all(lower < upper for upper, lower in zip(aims, aims[1:])))

    def test_a_ground_stack_stands_on_its_point(self):
        # Six boxes with splays of 0, -1, -2, -4, -6, -8 degrees on the floor:
        # box 1 rests on the point, the others stand above it, splayed upward.
        _, (meta, _), _ = self.map(design=example("ksr6_ground_stacked.json"), position="0,0,0")
        heights = [b[4] for b in meta["boxes"]]
        self.assertAlmostEqual(heights[0], 0.13, places=2)
        self.assertTrue(all(upper > lower for lower, upper in zip(heights, heights[1:])), heights)
        self.assertLess(heights[-1], 6 * 0.26)
        aims = [b[6] for b in meta["boxes"]]
        self.assertAlmostEqual(aims[0], 0.0, places=4)
        self.assertTrue(all(upper > lower for lower, upper in zip(aims, aims[1:])), aims)
        self.assertEqual(meta["array"][0][:7], ["1", "0", "0", "0", "0", "0", "180"])
        # Without --array-position it stands on the floor; angles given replace the convention.
        status, _, _ = run("map", example("ksr6_ground_stacked.json"), "--grid", "2x2", "--line-points", "2",
                           "-o", self.path("default"))
        self.assertEqual(status, 0)
        default_meta, _ = read_map(self.path("default_section.csv"))
        self.assertEqual(default_meta["array"][0][:7], ["1", "0", "0", "0", "0", "0", "180"])
        _, (hung, _), _ = self.map("--array-angles", "0,0,0", design=example("ksr6_ground_stacked.json"),
                                   position="0,0,3")
        self.assertTrue(all(b[4] < 3 for b in hung["boxes"]))


def scene_file(case, arrays, audience=None, name="scene.json"):
    scene = {"arrays": arrays}
    if audience is not None:
        scene["audience"] = audience
    return case.write(name, json.dumps(scene))


def flown(position, angles=None, name=None):
    array = {"design": example("ksr12_flown.json"), "positionM": position}
    if angles is not None:
        array["anglesDeg"] = angles
    if name is not None:
        array["name"] = name
    return array


class Scenes(KsrhostCase):
    def predict_json(self, design, *args):
        return json.loads(self.ok("predict", design, "--format", "json", *args)[0])

    def test_two_identical_arrays_in_one_place(self):
        one = self.predict_json(scene_file(self, [flown([0, 0, 10])], name="one.json"), "--seat", "2,-18,1.2")["seats"][0]
        two = self.predict_json(scene_file(self, [flown([0, 0, 10])] * 2, name="two.json"), "--seat", "2,-18,1.2")["seats"][0]
        self.assertEqual(len(two["components"]), 24)
        self.assertEqual([c["array"] for c in two["components"]], [1] * 12 + [2] * 12)
        for band in range(BAND_COUNT):
            self.assertAlmostEqual(two["complexSum"]["levelsDb"][band] - one["complexSum"]["levelsDb"][band],
                                   20 * math.log10(2), places=3)
            self.assertAlmostEqual(two["toneSum"]["levelsDb"][band] - one["toneSum"]["levelsDb"][band],
                                   20 * math.log10(2), places=3)
            self.assertAlmostEqual(two["powerSum"]["levelsDb"][band] - one["powerSum"]["levelsDb"][band],
                                   10 * math.log10(2), places=3)

    def test_a_scene_sums_its_arrays_each_placed_as_it_says(self):
        seat = "-3,-15,1.2"
        left, right = flown([-7, 0, 10], [8, -3, 0], "L"), flown([7, 0, 10], [-8, -3, 0], "R")
        both = self.predict_json(scene_file(self, [left, right]), "--seat", seat)
        self.assertEqual([a["name"] for a in both["arrays"]], ["L", "R"])
        self.assertEqual(both["arrays"][1]["positionM"], [7, 0, 10])
        alone = [self.predict_json(example("ksr12_flown.json"), "--array-position", ",".join(map(str, a["positionM"])),
                                   "--array-angles", ",".join(map(str, a["anglesDeg"])), "--seat", seat)["seats"][0]
                 for a in (left, right)]
        mixed = both["seats"][0]
        self.assertEqual(len(mixed["arrayDistancesM"]), 2)
        self.assertEqual([c["levelsDb"] for c in mixed["components"]],
                         [c["levelsDb"] for single in alone for c in single["components"]])
        for band in range(BAND_COUNT):
            self.assertAlmostEqual(mixed["powerSum"]["levelsDb"][band],
                                   power_sum([single["powerSum"]["levelsDb"][band] for single in alone]), places=3)
            self.assertAlmostEqual(mixed["complexSum"]["levelsDb"][band],
                                   band_averaged(mixed["components"], band + 1), delta=0.005)

    def test_the_example_venue(self):
        out = self.ok("predict", example("hall_left_right.json"), "--seat", "0,-20,1.2", "--format", "table")[0]
        self.assertIn("from the arrays: 1 left", out)
        self.assertIn("2:C12", out)
        result = self.predict_json(example("hall_left_right.json"), "--seat", "0,-20,1.2")
        self.assertEqual(result["air"]["humidityPercent"], 50)
        # Options on the command line replace the scene's air.
        result = self.predict_json(example("hall_left_right.json"), "--seat", "0,-20,1.2", "--humidity", "70")
        self.assertEqual(result["air"]["humidityPercent"], 70)


class Plane(KsrhostCase):
    def plane(self, design, *extra):
        out, _ = self.ok("map", design, "--plane", "-o", self.path("plan"), *extra)
        with open(self.path("plan_summary.json".replace("plan_", "plan_plane_")), encoding="utf-8") as f:
            summary = json.load(f)
        return out, read_map(self.path("plan_plane.csv")), summary

    def test_statistics_of_a_small_rectangle(self):
        # 0..2 by -11..-10 at 0.5 m: 5 x 3 seats at ear height 1.2 m.
        out, (meta, rows), summary = self.plane(example("ksr12_flown.json"), "--area", "0:2,-11:-10",
                                                "--resolution", "0.5")
        self.assertEqual(meta["columns"], ["area", "column", "row", "x_m", "y_m", "z_m", "level_db"])
        self.assertEqual(len(rows), 15)
        self.assertEqual(sorted({r[3] for r in rows}), [0, 0.5, 1, 1.5, 2])
        self.assertEqual(sorted({r[4] for r in rows}), [-11, -10.5, -10])
        self.assertEqual({r[5] for r in rows}, {1.2})
        # The statistics again from the seats.
        levels = sorted(r[6] for r in rows)
        n = len(levels)
        mean = sum(levels) / n
        sd = math.sqrt(sum((x - mean) ** 2 for x in levels) / n)

        def percentile(p):
            rank = p / 100 * (n - 1)
            low = math.floor(rank)
            return levels[low] + (levels[min(low + 1, n - 1)] - levels[low]) * (rank - low)

        median = percentile(50)
        stats = summary["statistics"]
        self.assertEqual(stats["seats"], 15)
        self.assertAlmostEqual(stats["meanDb"], mean, places=2)
        self.assertAlmostEqual(stats["standardDeviationDb"], sd, places=2)
        self.assertAlmostEqual(stats["p10Db"], percentile(10), places=2)
        self.assertAlmostEqual(stats["p90Db"], percentile(90), places=2)
        self.assertAlmostEqual(stats["spread10To90Db"], percentile(90) - percentile(10), places=2)
        self.assertAlmostEqual(stats["withinThreeDbOfMedianShare"],
                               sum(abs(x - median) <= 3 for x in levels) / n, places=3)
        self.assertEqual(summary["unit"], "dB(A)")
        self.assertIn(f"{mean:.1f}", out)
        # Each seat is the predicted seat.
        seat = rows[7]
        predicted = json.loads(self.ok("predict", example("ksr12_flown.json"), "--seat",
                                       f"{seat[3]},{seat[4]},{seat[5]}", "--format", "json")[0])
        self.assertAlmostEqual(predicted["seats"][0]["complexSum"]["aWeightedDbA"], seat[6], places=2)

    def test_areas_of_a_scene_raked_and_flat(self):
        out, (meta, rows), summary = self.plane(example("hall_left_right.json"), "--resolution", "2")
        self.assertEqual([a["name"] for a in summary["areas"]], ["floor", "raked rear"])
        self.assertEqual(len(meta["array"]), 2)
        self.assertEqual(len(meta["boxes"]), 24)
        floor = [r for r in rows if r[0] == 1]
        rear = [r for r in rows if r[0] == 2]
        self.assertEqual(len(floor), 13 * 13)  # x -12..12, y -28..-4 at 2 m
        self.assertEqual(len(rear), 13 * 7)    # y -40..-28
        self.assertEqual({r[5] for r in floor}, {1.2})
        for r in rear:  # the floor rises 3 m from y = -28 to y = -40
            self.assertAlmostEqual(r[5], 1.2 + 3 * (-28 - r[4]) / 12, places=5)
        self.assertEqual(summary["statistics"]["seats"], len(rows))
        self.assertEqual(sum(a["statistics"]["seats"] for a in summary["areas"]), len(rows))
        self.assertIn("raked rear", out)
        self.assertIn("all areas", out)
        # The hall is symmetric, and so is its map, but for the cabinets'
        # measured balloons, which are not quite symmetric left to right.
        at = {(r[0], r[3], r[4]): r[6] for r in rows}
        for (area, x, y), level in at.items():
            self.assertAlmostEqual(level, at[(area, -x, y)], delta=0.5)


class MapPicture(KsrhostCase):
    def assert_png(self, path):
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        self.assertGreater(len(data), 20000)

    def test_png_is_drawn(self):
        png = self.path("cover.png")
        out, _ = self.ok("map", example("ksr12_flown.json"), "--grid", "40x20", "--line-points", "20", "-o",
                         self.path("cover"), "--png", png, "--distance", "10:30")
        self.assertIn("Drew", out)
        self.assert_png(png)

    def test_plan_of_two_arrays_is_drawn(self):
        png = self.path("plan.png")
        out, _ = self.ok("map", example("hall_left_right.json"), "--plane", "--resolution", "2", "-o",
                         self.path("plan"), "--png", png)
        self.assertIn(f"Drew      {png}", out)
        self.assert_png(png)

    def test_the_picture_goes_where_it_is_named(self):
        # No extension added: the file is the one named, and the one reported.
        png = self.path("noext")
        out, _ = self.ok("map", example("ksr12_flown.json"), "--grid", "10x5", "--line-points", "5", "-o",
                         self.path("cover"), "--png", png)
        self.assertIn(f"Drew      {png}\n", out)
        self.assert_png(png)
        self.assertFalse(os.path.exists(png + ".png"))

    def test_without_matplotlib_the_csv_files_stay(self):
        # A PATH whose only Python lacks matplotlib: a clear message, status 2.
        folder = self.path("bin")
        os.mkdir(folder)
        fake = os.path.join(folder, "python3")
        with open(fake, "w", encoding="utf-8") as f:
            f.write("#!/bin/sh\nexit 3\n")
        os.chmod(fake, 0o755)
        env = dict(os.environ, PATH=folder)
        with tempfile.TemporaryFile() as err:
            status = subprocess.run(COMMAND + ["map", example("ksr12_flown.json"), "--grid", "4x3", "--line-points",
                                               "3", "-o", self.path("cover"), "--png", self.path("x.png")],
                                    stdout=subprocess.DEVNULL, stderr=err, env=env, timeout=600).returncode
            err.seek(0)
            message = err.read().decode()
        self.assertEqual(status, 2, message)
        self.assertIn("no Python on PATH has matplotlib", message)
        self.assertIn(self.path("cover_section.csv"), message)
        self.assertTrue(os.path.exists(self.path("cover_section.csv")))


class Velt(KsrhostCase):
    def test_import_takes_the_main_array_as_the_dialog_does(self):
        mixed = self.json_of("velt", "import", fixture("mixed_models.velt"))
        self.assertEqual(mixed["boxCount"], 4)
        boxes = [(b["type"], b["gain"], b["differenceAngle"]) for b in mixed["boxes"]]
        # grid row skipped, KSR-516/KSR-527 taken as KSR51 V/KSR52 V, last box repeated up to four
        self.assertEqual(boxes, [(4, -1, 0), (6, -2.5, -2), (4, -3, -4), (4, -3, -4)])
        self.assertEqual([b["elevation"] for b in mixed["boxes"]], [0, -2, -6, -10])
        stacked = self.json_of("velt", "import", fixture("ground_stacked.velt"))
        self.assertEqual(stacked["groundStacked"], 1)
        self.assertEqual([(b["type"], b["differenceAngle"]) for b in stacked["boxes"]],
                         [(4, 0), (4, 2), (6, 4), (8, 6)])

    def test_export_to_a_new_file_fills_the_template(self):
        target = self.path("new.velt")
        self.ok("velt", "export", example("ksr6_ground_stacked.json"), target)
        with open(target, "rb") as f:
            written = f.read()
        with open(TEMPLATE, "rb") as f:
            template = f.read()
        lines = written.split(b"\r\n")
        self.assertEqual(lines[0], template.split(b"\r\n")[0])
        self.assertIn(b'-1, "Array.Main.RigType", -1', lines)
        self.assertIn(b'-1, "Array.Main.BoxCount", 6', lines)
        types = lines[lines.index(b' -2, "Box.Main.Type"') + 1:lines.index(b' 0, "Box.Main.Type"')]
        self.assertEqual(types, [b' 1,"KSR-516"'] * 6 + [b" 1,0"] * 16)
        angles = lines[lines.index(b' -2, "Box.Main.Angle"') + 1:lines.index(b' 0, "Box.Main.Angle"')]
        self.assertEqual([float(row.split(b",")[1]) for row in angles[:6]], [0, 1, 2, 4, 6, 8])  # negated
        self.assertIn(b"VELT Export Blank Template", written)
        # Read back: the design again, the sign of the angles restored.
        back = self.json_of("velt", "import", target)
        self.assertEqual(back["groundStacked"], 1)
        self.assertEqual([b["differenceAngle"] for b in back["boxes"]], [0, -1, -2, -4, -6, -8])
        self.assertEqual([b["gain"] for b in back["boxes"]], [-2, -1, 0, 0, 0, 0])

    def test_export_over_a_file_changes_only_its_main_array(self):
        target = self.path("project.velt")
        shutil.copy(fixture("mixed_models.velt"), target)
        self.ok("velt", "export", example("ksr12_flown.json"), target, "--version", "1")
        with open(fixture("mixed_models.velt"), "rb") as f:
            before = f.read().split(b"\r\n")
        with open(target, "rb") as f:
            after_bytes = f.read()
        after = after_bytes.split(b"\r\n")
        kept = [line for line in before if b"Box.Main" not in line and not line.startswith(b" 1,")
                and b"Array.Main" not in line]
        self.assertEqual([line for line in after if line in kept], kept)
        self.assertEqual(after[:2], before[:2])
        self.assertEqual(after[-2], b'-1, "Notes", "written for the ksrhost tests"')
        self.assertEqual(self.json_of("velt", "import", target)["boxCount"], 12)
        # The same export again, and for the other file version: the same bytes.
        self.ok("velt", "export", example("ksr12_flown.json"), target, "--version", "2")
        with open(target, "rb") as f:
            self.assertEqual(f.read(), after_bytes)


    def test_import_says_the_file_has_no_grid_and_takes_one(self):
        target = self.path("ksr12.velt")
        _, err = self.ok("velt", "export", example("ksr12_flown.json"), target)
        self.assertIn("carries no grid elevation; -3 degrees is not written", err)
        status, out, err = run("velt", "import", target)
        self.assertEqual(status, 0, err)
        self.assertEqual(json.loads(out)["gridElevation"], 0)
        self.assertIn("ksr12.velt: the exchange file carries no grid elevation", err)
        status, out, err = run("velt", "import", target, "--grid-elevation", "-3")
        self.assertEqual((status, err), (0, ""))
        given = self.json_of("design", "check", example("ksr12_flown.json"))["repaired"]
        imported = json.loads(out)
        self.assertEqual(imported["gridElevation"], -3)
        self.assertEqual(imported["boxes"], given["boxes"])
        for bad in ("-2.5", "200", "abc", "nan"):
            with self.subTest(bad):
                status, _, err = run("velt", "import", target, "--grid-elevation", bad)
                self.assertEqual(status, 1)
                self.assertIn("--grid-elevation: expected", err)

    def test_export_leaves_a_file_it_cannot_update_whole(self):
        with open(fixture("mixed_models.velt"), "rb") as f:
            project = f.read()
        cases = [
            ("no records", b"VELT header line\r\n" + b"my own notes, " * 4 + b"\r\n", '"Array.Main.RigType"'),
            ("one missing", b'VELT header line\r\nVenue "My hall", 1\r\n -1, "Array.Main.BoxCount", 4\r\n',
             '"Array.Main.RigType"'),
            ("out of order", project.replace(b'"Box.Main.Level"', b'"Box.Main.Swap"')
                                    .replace(b'"Box.Main.Type"', b'"Box.Main.Level"')
                                    .replace(b'"Box.Main.Swap"', b'"Box.Main.Type"'),
             '"Box.Main.Level" before the end of "Box.Main.Type"'),
        ]
        for name, old, record in cases:
            with self.subTest(name):
                target = self.path(name.replace(" ", "_") + ".velt")
                with open(target, "wb") as f:
                    f.write(old)
                status, out, err = run("velt", "export", example("ksr6_ground_stacked.json"), target)
                self.assertEqual(status, 2, err)
                self.assertIn(target, err)
                self.assertIn(record, err)
                self.assertIn("unchanged", err)
                with open(target, "rb") as f:
                    self.assertEqual(f.read(), old)
        # Under 32 bytes there is nothing to lose: the file becomes a new export.
        short = self.path("short.velt")
        fresh = self.path("fresh.velt")
        with open(short, "wb") as f:
            f.write(b'-1, "Array.Main.BoxCount", 4\r\n')
        self.ok("velt", "export", example("ksr6_ground_stacked.json"), short)
        self.ok("velt", "export", example("ksr6_ground_stacked.json"), fresh)
        with open(short, "rb") as a, open(fresh, "rb") as b:
            self.assertEqual(a.read(), b.read())


class Design(KsrhostCase):
    def check(self, design):
        """(exit status, result, standard error) of design check."""
        status, out, err = run("design", "check", design)
        return status, json.loads(out), err

    def test_the_examples_keep_the_rules(self):
        for name in ("ksr6_ground_stacked.json", "ksr12_flown.json", "ksr16_long_throw.json", "ksr8_kb340_top.json"):
            with self.subTest(name):
                status, result, err = self.check(example(name))
                self.assertEqual((status, result["passes"], result["departures"], err), (0, True, [], ""))
                with open(example(name), encoding="utf-8") as f:
                    given = json.load(f)
                repaired = result["repaired"]
                self.assertEqual(len(repaired["boxes"]), given["boxCount"])
                for mine, theirs in zip(repaired["boxes"], given["boxes"]):
                    self.assertEqual((mine["type"], mine["differenceAngle"], mine["gain"]),
                                     (theirs["type"], theirs["differenceAngle"], theirs["gain"]))
        _, result, _ = self.check(example("ksr12_flown.json"))
        self.assertEqual(result["repaired"]["boxes"][11]["elevation"], -3 - 52)

    def test_a_design_that_breaks_them_names_each_departure_and_fails(self):
        status, result, err = self.check(example("ksr6_needs_repair.json"))
        self.assertEqual(status, 1)
        self.assertFalse(result["passes"])
        found = [(d["box"], d["field"], d["rule"], d["value"], d["ruled"]) for d in result["departures"]]
        self.assertEqual(found, [(1, "differenceAngle", "splay", -12, -10), (3, "type", "stacking", 2, 0),
                                 (4, "type", "stacking", 2, 0), (5, "type", "stacking", 2, 0)])
        for d in result["departures"]:
            self.assertIn("ksr6_needs_repair.json: " + d["message"], err)
        self.assertIn("boxes[3].type: type 2 (KSR527 Standard) may not hang below type 8 (KB340)", err)
        self.assertIn("does not pass: 4 departure(s)", err)
        boxes = result["repaired"]["boxes"]
        self.assertEqual([b["type"] for b in boxes], [0, 0, 8, 0, 0, 0])
        self.assertEqual(boxes[1]["differenceAngle"], -10)
        again_status, again, _ = self.check(self.write("repaired.json", json.dumps(result["repaired"])))
        self.assertEqual((again_status, again["passes"]), (0, True))
        self.assertEqual(again["repaired"], result["repaired"])

    def test_predict_and_map_warn_about_departures_and_strict_refuses(self):
        boxes = [{"type": 4, "differenceAngle": 0, "gain": 0}] * 12
        boxes[2] = {"type": 4, "differenceAngle": -45, "gain": 0}
        boxes[3] = {"type": 4, "differenceAngle": 30, "gain": -20}
        design = self.write("breaks.json", json.dumps({"boxCount": 8, "boxes": boxes}))
        expected = ["boxes: 12 boxes listed but boxCount is 8", "boxes[2].differenceAngle: -45 degrees",
                    "boxes[3].differenceAngle: 30 degrees", "boxes[3].gain: -20 dB"]
        predict = ["predict", design, "--seat", "0,-10,1"]
        map_ = ["map", design, "--grid", "8x4", "--line-points", "4", "-o", self.path("cover")]
        for args in (predict, map_):
            with self.subTest(args[0]):
                _, err = self.ok(*args)
                warnings = [line for line in err.splitlines() if line.startswith("ksrhost: warning: ")]
                self.assertEqual(len(warnings), len(expected), err)
                for warning, text in zip(warnings, expected):
                    self.assertIn("breaks.json: " + text, warning)
                status, out, err = run(*args, "--strict")
                self.assertEqual(status, 1, err)
                self.assertIn("breaks.json: 4 departure(s) from the design rules (--strict)", err)
        # A design that keeps the rules predicts without a word.
        self.assertEqual(self.ok("predict", example("ksr12_flown.json"), "--seat", "0,-10,1", "--strict")[1], "")


BAD_INPUT, FILE_ACCESS = 1, 2


class Errors(KsrhostCase):
    def test_bad_input_is_named_and_fails(self):
        four = ', '.join(['{"type": 5, "differenceAngle": 0}'] * 4)
        broken = self.write("broken.json", '{"boxCount": 4, "boxes": [')
        overflow = self.write("overflow.json", '{"boxes": [{"type": 1e999, "differenceAngle": 0}]}')
        unknown = self.write("unknown_type.json", '{"boxes": [%s, {"type": 42, "differenceAngle": 0}]}' % four)
        count = self.write("wrong_count.json", '{"boxCount": 20, "boxes": [%s]}' % four)
        short = self.write("short.velt", "-1, \"Array.Main.BoxCount\", 4\r\n")
        seats = self.write("seats.csv", "0,-5,1\n0,-5\n")
        scene = scene_file(self, [flown([0, 0, 10])])
        bad_scene = self.write("bad_scene.json", json.dumps({"arrays": [{"design": "nothing.json",
                                                                         "positionM": [0, 0, 1]}]}))
        good = example("ksr12_flown.json")
        missing = self.path("missing.json")
        out = self.path("out")
        cases = [
            # Files that cannot be read or written: status 2, the file named.
            (["predict", missing, "--seat", "0,-5,1"], FILE_ACCESS, f"cannot read design or scene file '{missing}'"),
            (["predict", self.folder, "--seat", "0,-5,1"], FILE_ACCESS, "': it is a folder, not a file"),
            (["predict", good, "--seats", missing], FILE_ACCESS, f"cannot read seats file '{missing}'"),
            (["predict", bad_scene, "--seat", "0,-5,1"], FILE_ACCESS, "cannot read design file '"),
            (["predict", good, "--seat", "0,-5,1", "-o", self.path("no/such/out.csv")], FILE_ACCESS,
             "the folder '" + self.path("no/such") + "' does not exist"),
            (["map", good, "-o", self.path("no/such/folder/cover")], FILE_ACCESS, "cannot write '"),
            (["map", good, "--grid", "4x3", "-o", out, "--png", self.path("no/such/map.png")], FILE_ACCESS,
             "cannot write '" + self.path("no/such/map.png") + "' (--png): the folder"),
            (["velt", "import", self.path("missing.velt")], FILE_ACCESS, "cannot read exchange file"),
            (["velt", "export", good, self.path("no/such/folder/out.velt")], FILE_ACCESS, "out.velt\" could not be written"),
            # Bad input: status 1, the file and field or the option named.
            (["predict", broken, "--seat", "0,-5,1"], BAD_INPUT, "broken.json: not valid JSON"),
            (["predict", overflow, "--seat", "0,-5,1"], BAD_INPUT, "overflow.json: not valid JSON: number overflow"),
            (["predict", unknown, "--seat", "0,-5,1"], BAD_INPUT,
             "unknown_type.json: boxes[4].type: 42 is not a box type (0..9)"),
            (["predict", count, "--seat", "0,-5,1"], BAD_INPUT, "wrong_count.json: boxCount: 20 is outside 4..16"),
            (["predict", good, "--seat", "0,-5"], BAD_INPUT, "--seat: expected three numbers x,y,z, got '0,-5'"),
            (["predict", good, "--seat", "0,nan,1"], BAD_INPUT, "--seat: expected three finite numbers"),
            (["predict", good, "--seat", "1e38,0,1"], BAD_INPUT,
             "--seat: expected a position x,y,z in metres, each within -10000..10000, got '1e38,0,1'"),
            (["predict", good], BAD_INPUT, "--seat or --seats: give at least one seat"),
            (["predict", good, "--seats", seats], BAD_INPUT, "seats.csv: line 2: expected x,y,z or x,y,z,name"),
            (["predict", good, "--seat", "0,-5,1", "--format", "xml"], BAD_INPUT, "--format"),
            (["predict", good, "--seat", "0,-5,1", "--sum", "loud"], BAD_INPUT, "--sum"),
            (["predict", good, "--seat", "0,-5,1", "--humidity", "inf"], BAD_INPUT,
             "--humidity: expected a finite number, got 'inf'"),
            (["predict", good, "--seat", "0,-5,1", "--pressure", "abc"], BAD_INPUT,
             "--pressure: expected a finite number, got 'abc'"),
            (["predict", good, "--seat", "0,-5,1", "--array-angles", "0,1e9,0"], BAD_INPUT,
             "--array-angles: expected three angles a,b,c in degrees"),
            (["predict", good, "--seat", "0,-5,1", "--grid-elevation", "x"], BAD_INPUT,
             "--grid-elevation: expected a finite number, got 'x'"),
            (["predict", good, "--seat", "0,-5,1", "-o", ""], BAD_INPUT, "-o: expected a file name, got ''"),
            (["predict", scene, "--seat", "0,-5,1", "--array-position", "0,0,5"], BAD_INPUT,
             "--array-position: the scene file '" + scene + "' places its arrays"),
            (["map", good, "--band", "22"], BAD_INPUT, "--band: expected A or a band 1..21, got '22'"),
            (["map", good, "--band", "x"], BAD_INPUT, "--band: expected A or a band 1..21, got 'x'"),
            (["map", good, "--grid", "200"], BAD_INPUT, "--grid: expected COLUMNSxROWS"),
            (["map", good, "--distance", "40:0"], BAD_INPUT, "--distance: expected a range FROM:TO with FROM below TO"),
            (["map", good, "--distance", "0:1e300"], BAD_INPUT, "--distance: expected a range FROM:TO in metres"),
            (["map", good, "-o", ""], BAD_INPUT, "-o: expected a file name, got ''"),
            (["map", good, "-o", self.folder + "/"], BAD_INPUT, "-o: expected a file name, got the folder"),
            (["map", good, "--png", self.folder], FILE_ACCESS,
             "cannot write '" + self.folder + "' (--png): it is a folder, not a file"),
            (["map", good, "--plane"], BAD_INPUT, "--plane: no audience area; give --area"),
            (["map", good, "--area", "0:1,0:1"], BAD_INPUT, "--area: give --plane as well"),
            (["map", good, "--plane", "--area", "0:1"], BAD_INPUT, "--area: expected a rectangle X0:X1,Y0:Y1"),
            (["map", good, "--plane", "--area", "0:1,0:1", "--resolution", "0"], BAD_INPUT,
             "--resolution: expected a step of 0.05..100 m, got '0'"),
            (["map", good, "--plane", "--area", "0.2:0.4,0.2:0.4", "--resolution", "1"], BAD_INPUT,
             "--resolution: no seat of the 1 m grid lies in the audience areas"),
            (["velt", "import", fixture("no_valid_data.velt")], BAD_INPUT,
             "no_valid_data.velt: This file contains no valid data"),
            (["velt", "import", short], BAD_INPUT,
             "short.velt: This file contains no valid data (shorter than 32 bytes)"),
            (["velt", "export", broken, self.path("out.velt")], BAD_INPUT, "broken.json: not valid JSON"),
            (["velt", "export", good, self.path("out.velt"), "--version", "3"], BAD_INPUT, "--version"),
            (["design", "check", unknown], BAD_INPUT, "unknown_type.json: boxes[4].type"),
            (["--module", self.path("nothing.dll"), "info"], BAD_INPUT, "cannot load the module"),
            (["info", "--module", self.path("nothing.dll")], BAD_INPUT, "cannot load the module"),
            (["frobnicate", good], BAD_INPUT,
             "unknown command 'frobnicate'; expected one of info, predict, map, velt, design"),
            ([], BAD_INPUT, "a command is required: one of info, predict, map, velt, design"),
            (["predict", good, "--seat", "0,-5,1", "--bogus"], BAD_INPUT, "--bogus"),
        ]
        for args, expected_status, message in cases:
            with self.subTest(args=args):
                status, out, err = run(*args)
                self.assertEqual(status, expected_status, err)
                self.assertTrue(err.startswith("ksrhost: error: "), err)
                self.assertIn(message, err)
                self.assertNotIn("Traceback", err)
                self.assertNotIn("internal error", err)
        self.assertFalse(os.path.exists(self.path("out.velt")))

    def test_a_scene_where_a_design_belongs_and_other_slips_are_named(self):
        good = example("ksr12_flown.json")
        hall = example("hall_left_right.json")
        design = os.path.join(EXAMPLES, "ksr12_flown.json")
        no_arrays = self.write("no_arrays.json", json.dumps({"air": {"temperatureC": 20}}))
        bowtie = self.write("bowtie.json", json.dumps({"arrays": [{"design": design, "positionM": [0, 0, 10]}],
                                                       "audience": [{"cornersM": [[0, -5, 0], [10, -20, 0],
                                                                                  [10, -5, 0], [0, -20, 0]]}]}))
        low_ears = self.write("low_ears.json", json.dumps({"arrays": [{"design": design, "positionM": [0, 0, 10]}],
                                                           "audience": [{"cornersM": [[0, -5, 0], [10, -5, 0],
                                                                                      [10, -20, 0]],
                                                                         "earHeightM": -1}]}))
        splay = ["design", "splay", good, "--trim", "9", "--audience", "4:24"]
        cases = [
            (["design", "check", hall], "is a scene file (it has \"arrays\"), where a design was expected"),
            (["design", "splay", hall, "--trim", "9", "--audience", "4:24", "-o", self.path("p.json")],
             "is a scene file"),
            (["velt", "export", hall, self.path("out.velt")], "is a scene file"),
            (["predict", no_arrays, "--seat", "0,-5,1"], "no_arrays.json: arrays: missing"),
            (["map", bowtie, "--plane"], "the outline crosses itself (edge 1 meets edge 3)"),
            (["map", low_ears, "--plane"], "earHeightM: -1 is outside 0..10"),
            (["map", good, "--plane", "--area", "0:5,-10:-5", "--grid", "10x10"], "--grid: shapes the vertical section"),
            (["map", good, "--line", "1,-5,1.2:1,-5,1.2"], "--line: the two ends are the same point"),
            (splay + ["-o", self.path("same.json"), "--report", self.path("same.json")],
             "-o and --report name the same file"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                status, _, err = run(*args)
                self.assertEqual(status, 1, err)
                self.assertIn(message, err)
        self.assertEqual(sorted(os.listdir(self.folder)), ["bowtie.json", "low_ears.json", "no_arrays.json"])

    def test_help_documents_the_exit_statuses(self):
        status, out, _ = run("--help")
        self.assertEqual(status, 0)
        self.assertIn("Exit status: 0 success; 1 bad input", out)
        self.assertIn("2 a file could not be read or written", out)
        status, out, _ = run("map", "--help")
        self.assertEqual(status, 0)
        for option in ("--plane", "--area", "--resolution", "--grid-elevation", "--sum"):
            self.assertIn(option, out)


class Splay(KsrhostCase):
    """ksrhost design splay: a shorter audience keeps the runs quick."""

    def splay(self, *extra, design="ksr12_flown.json"):
        out = self.path("splayed.json")
        report = self.path("report.json")
        self.ok("design", "splay", example(design), "--trim", "9", "--audience", "4:24", "-o", out,
                "--report", report, *extra)
        with open(out, encoding="utf-8") as f:
            proposal = json.load(f)
        with open(report, encoding="utf-8") as f:
            return proposal, json.load(f)

    def test_the_proposal_is_a_design_the_other_commands_take(self):
        proposal, report = self.splay()
        with open(example("ksr12_flown.json"), encoding="utf-8") as f:
            given = json.load(f)
        self.assertEqual(proposal["boxCount"], 12)
        self.assertEqual([b["type"] for b in proposal["boxes"]], [b["type"] for b in given["boxes"]])
        self.assertEqual([b["gain"] for b in proposal["boxes"]], [b["gain"] for b in given["boxes"]])
        self.assertEqual(proposal["gridElevation"], report["proposal"]["gridElevation"])
        self.assertEqual([b["differenceAngle"] for b in proposal["boxes"]], report["proposal"]["differenceAngles"])
        # The top box aims no higher than 2 degrees above the last ear.
        self.assertLessEqual(proposal["gridElevation"], math.degrees(math.atan2(1.2 - 9.0, 24.0)) + 2.0)
        check = self.check(self.path("splayed.json"))
        self.assertTrue(check["passes"])
        self.assertEqual(check["departures"], [])
        predicted = self.json_of("predict", self.path("splayed.json"), "--array-position", "0,0,9",
                                 "--seat", "0,-12,1.2", "--format", "json")
        self.assertTrue(predicted)

    def check(self, design):
        return self.json_of("design", "check", design)

    def test_the_report_compares_four_designs_band_by_band(self):
        _, report = self.splay()
        for name in ("proposal", "input", "constantCurvature", "equalShare"):
            with self.subTest(design=name):
                entry = report[name]
                self.assertEqual(len(entry["differenceAngles"]), 12)
                self.assertEqual([b["band"] for b in entry["bands"]], list(range(1, BAND_COUNT + 1)))
                optimised = [b for b in entry["bands"] if b["group"] == "optimised"]
                self.assertEqual([b["frequency"] for b in optimised],
                                 ["1k", "1.25k", "1.6k", "2k", "2.5k", "3.15k", "4k", "5k", "6.3k", "8k"])
                self.assertAlmostEqual(entry["summary"], sum(b["deviation"] for b in optimised) / 10, places=4)
                for band in entry["bands"]:
                    self.assertLessEqual(band["spread90to10"], band["range"] + 1e-6)
                    self.assertTrue(0.0 <= band["shareWithin3dB"] <= 1.0)
        self.assertEqual([b["group"] for b in report["proposal"]["bands"][1:10]],
                         ["reported 125-400 Hz"] * 6 + ["reported 500-800 Hz"] * 3)
        self.assertLessEqual(report["proposal"]["summary"], report["constantCurvature"]["summary"])
        self.assertAlmostEqual(report["ratioToConstantCurvature"],
                               report["proposal"]["summary"] / report["constantCurvature"]["summary"], places=2)
        self.assertEqual(report["receivers"], 41)  # 4 m to 24 m every 0.5 m
        self.assertGreater(report["evaluations"], 0)
        self.assertFalse(report["cancelled"])
        self.assertIsInstance(report["unreached"], list)

    def test_the_options_reach_the_request(self):
        proposal, report = self.splay("--floor", "0:3", "--ear-height", "1", "--slope", "-3", "--allow-zero",
                                      "--max-step", "1")
        zones = report["request"].pop("zones")
        self.assertEqual(report["request"], {"trim": 9, "near": 4, "far": 24, "floorNear": 0, "floorFar": 3,
                                             "earHeight": 1, "slope": -3, "allowZeroSplay": True, "maxStep": 1,
                                             "shadeGains": False})
        # The one-zone form is one zone, weighed by its length along the seats.
        self.assertEqual(len(zones), 1)
        self.assertEqual({k: zones[0][k] for k in ("name", "near", "far", "floorNear", "floorFar")},
                         {"name": "audience", "near": 4, "far": 24, "floorNear": 0, "floorFar": 3})
        self.assertAlmostEqual(zones[0]["weight"], math.hypot(20, 3), places=6)
        splays = [-b["differenceAngle"] for b in proposal["boxes"][1:]]
        for above, below in zip(splays, splays[1:]):
            self.assertLessEqual(abs(below - above), 1)

    def test_same_input_same_output(self):
        first, first_report = self.splay()
        second, second_report = self.splay()
        self.assertEqual(first, second)
        for report in (first_report, second_report):
            del report["seconds"]
        self.assertEqual(first_report, second_report)

    def test_bad_requests_are_named_and_write_nothing(self):
        good = example("ksr12_flown.json")
        out = self.path("out.json")
        base = ["design", "splay", good, "--trim", "9", "--audience", "4:24", "-o", out]

        def but(option, value):
            args = list(base)
            args[args.index(option) + 1] = value
            return args

        cases = [
            (but("--audience", "24:4"), "The far edge of the audience must lie beyond its near edge."),
            (but("--audience", "24"), "--audience: expected NEAR:FAR"),
            (but("--audience", "4:inf"), "--audience: expected a finite number"),
            (but("--trim", "nan"), "--trim: expected a finite number, got 'nan'"),
            (but("--trim", "1"), "The array must hang above the audience"),
            (base + ["--floor", "0:9"], "The array must hang above the audience"),
            (base + ["--max-step", "20"], "largest step between neighbouring splays"),
            (base + ["--slope", "-40"], "target slope"),
            (["design", "splay", example("ksr6_ground_stacked.json"), "--trim", "9", "--audience", "4:24", "-o", out],
             "ground stacked"),
            (["design", "splay", self.path("missing.json"), "--trim", "9", "--audience", "4:24", "-o", out],
             "cannot read design file"),
            (["design", "splay", good, "--audience", "4:24", "-o", out], "--trim is required"),
            (["design", "splay", good, "--trim", "9", "--audience", "4:24"], "--output is required"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                status, _, err = run(*args)
                self.assertNotEqual(status, 0)
                self.assertIn(message, err)
                self.assertFalse(os.path.exists(out))
        status, _, err = run(*but("-o", self.path("no/such/folder/out.json")))
        self.assertNotEqual(status, 0)
        self.assertIn("cannot write '", err)


class SplayZones(KsrhostCase):
    """ksrhost design splay over several zones: --zone, --scene and --shade."""

    def splay(self, *args):
        out, report = self.path("splayed.json"), self.path("report.json")
        stdout, _ = self.ok("design", "splay", *args, "-o", out, "--report", report)
        with open(out, encoding="utf-8") as f:
            proposal = json.load(f)
        with open(report, encoding="utf-8") as f:
            return proposal, json.load(f), stdout

    def test_zones_reach_the_request_and_are_reported_one_by_one(self):
        proposal, report, stdout = self.splay(example("ksr12_flown.json"), "--trim", "9", "--zone", "4:16:0:0",
                                              "--zone", "10:20:4:5:30")
        zones = report["request"]["zones"]
        self.assertEqual([(z["name"], z["near"], z["far"], z["floorNear"], z["floorFar"]) for z in zones],
                         [("zone 1", 4, 16, 0, 0), ("zone 2", 10, 20, 4, 5)])
        self.assertEqual([z["weight"] for z in zones], [12, 30])
        self.assertNotIn("near", report["request"])
        self.assertEqual(report["receivers"], 25 + 22)  # 12 m, then 10.05 m along the rake, every 0.5 m at most
        for name in ("proposal", "constantCurvature", "input"):
            with self.subTest(design=name):
                self.assertEqual(len(report[name]["zones"]), 2)
                for zone in report[name]["zones"]:
                    self.assertTrue(0.0 <= zone["shareWithin3dB"] <= 1.0)
                    self.assertGreater(zone["summary"], 0.0)
                self.assertAlmostEqual(report[name]["allZones"]["summary"], report[name]["summary"], places=6)
        self.assertIn("Zone 1: evenness", stdout)
        self.assertIn("Zone 2: evenness", stdout)
        # The top box aims no higher than 2 degrees above the upper zone's last ear.
        self.assertLessEqual(proposal["gridElevation"], math.degrees(math.atan2(5 + 1.2 - 9.0, 20.0)) + 2.0)
        self.assertEqual(proposal["name"], "Auto-splay of ksr12_flown.json for 2 zones, rigged at 9 m")

    def test_shading_puts_gains_on_the_grid_and_keeps_the_rules(self):
        proposal, report, stdout = self.splay(example("ksr12_flown.json"), "--trim", "9", "--zone", "4:16:0:0",
                                              "--zone", "10:20:4:5", "--shade")
        self.assertTrue(report["request"]["shadeGains"])
        gains = [b["gain"] for b in proposal["boxes"]]
        self.assertEqual(gains, report["proposal"]["gains"])
        for gain in gains:
            self.assertTrue(-12 <= gain <= 0 and gain * 2 == round(gain * 2), gain)
        self.assertLessEqual(report["proposal"]["summary"], report["unshaded"]["summary"])
        self.assertGreaterEqual(report["proposal"]["meanLevel1to8k"], report["unshaded"]["meanLevel1to8k"] - 1.5)
        self.assertEqual(report["proposal"]["differenceAngles"], report["unshaded"]["differenceAngles"])
        self.assertIn("Shading:", stdout)
        check = self.json_of("design", "check", self.path("splayed.json"))
        self.assertTrue(check["passes"])

    def venue(self):
        """A hall with a floor, a balcony over its rear and a side gallery the centre array does not face."""
        return scene_file(self, [flown([0, 0, 12], None, "centre"), flown([-14, 0, 12], [20, -3, 0], "side")],
                          audience=[
                              {"name": "floor", "cornersM": [[-12, -5, 0], [12, -5, 0], [12, -30, 0], [-12, -30, 0]]},
                              {"name": "balcony", "cornersM": [[-12, -18, 7], [12, -18, 7], [12, -35, 8],
                                                               [-12, -35, 8]]},
                              {"name": "gallery", "cornersM": [[14, -5, 4], [18, -5, 4], [18, -30, 4], [14, -30, 4]]}])

    def test_a_scene_gives_the_zones_the_design_and_the_height(self):
        scene = self.venue()
        proposal, report, stdout = self.splay("--scene", scene, "--array", "centre")
        zones = report["request"]["zones"]
        self.assertEqual([z["name"] for z in zones], ["floor", "balcony"])
        self.assertEqual([(z["near"], z["far"]) for z in zones], [(5, 30), (18, 35)])
        self.assertAlmostEqual(zones[1]["floorNear"], 7, places=9)
        self.assertAlmostEqual(zones[1]["floorFar"], 8, places=9)
        self.assertEqual(report["request"]["trim"], 12)
        self.assertEqual(report["design"], "centre")
        self.assertEqual(proposal["boxCount"], 12)
        self.assertIn("Zone 2 (balcony): evenness", stdout)
        # The same zones typed out give the same proposal.
        typed, _, _ = self.splay(example("ksr12_flown.json"), "--trim", "12", "--zone", "5:30:0:0",
                                 "--zone", "18:35:7:8")
        self.assertEqual(typed["boxes"], proposal["boxes"])
        self.assertEqual(typed["gridElevation"], proposal["gridElevation"])

    def test_bad_zone_options_are_named_and_write_nothing(self):
        good = example("ksr12_flown.json")
        out = self.path("out.json")
        scene = self.venue()
        base = ["design", "splay", good, "--trim", "12", "-o", out]
        cases = [
            (base, "give the audience with --audience, --zone or --scene"),
            (base + ["--zone", "4:16:0"], "--zone: expected NEAR:FAR:ZNEAR:ZFAR[:WEIGHT]"),
            (base + ["--zone", "4:16:0:nan"], "--zone: expected a finite number"),
            (base + ["--zone", "4:16:0:0", "--audience", "4:24"], "give the audience in one of these forms"),
            (base + ["--zone", "4:16:0:0", "--floor", "0:1"], "--floor: goes with --audience"),
            (base + ["--zone", "4:16:0:0", "--zone", "16:10:0:0"], "Zone 2: the far edge"),
            (base + ["--zone", "4:16:0:0", "--zone", "10:20:4:5:-2"], "Zone 2: the weight"),
            (base + ["--zone", "4:16:0:0"] * 9, "1 to 8 zones"),
            (base + ["--scene", scene], "--scene: name the array to splay with --array"),
            (base + ["--zone", "4:16:0:0", "--array", "centre"], "--array: names an array of a --scene"),
            (base + ["--scene", scene, "--array", "middle"], "has no array 'middle' (it has centre, side)"),
            (base + ["--scene", self.write("empty.json", json.dumps({"arrays": [flown([0, 0, 12], None, "a")],
                                                                      "audience": [{"name": "foyer", "cornersM": [
                                                                          [-5, 2, 0], [5, 2, 0], [5, 9, 0],
                                                                          [-5, 9, 0]]}]})), "--array", "a"],
             "no audience area of"),
            (["design", "splay", "--trim", "12", "--zone", "4:16:0:0", "-o", out], "design is required"),
            (["design", "splay", good, "--zone", "4:16:0:0", "-o", out], "--trim is required"),
            (base + ["--scene", self.path("missing.json"), "--array", "centre"], "missing.json"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                status, _, err = run(*args)
                self.assertNotEqual(status, 0)
                self.assertIn(message, err)
                self.assertFalse(os.path.exists(out))


class SplayPicture(KsrhostCase):
    def test_png_is_drawn_and_its_data_removed(self):
        png = self.path("splay.png")
        self.ok("design", "splay", example("ksr12_flown.json"), "--trim", "9", "--audience", "4:24",
                "-o", self.path("out.json"), "--png", png)
        with open(png, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(sorted(os.listdir(self.folder)), ["out.json", "splay.png"])

    def test_zones_are_drawn(self):
        png = self.path("zones.png")
        self.ok("design", "splay", example("ksr12_flown.json"), "--trim", "12", "--zone", "5:30:0:0",
                "--zone", "18:35:7:8", "--shade", "-o", self.path("out.json"), "--png", png)
        with open(png, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(sorted(os.listdir(self.folder)), ["out.json", "zones.png"])


def read_map(path):
    """(metadata, rows) of a ksrhost map CSV file.

    metadata holds the '# key: value' lines; "boxes" lists the box lines as
    numbers, "array" the array lines as texts, "columns" the header's names.
    """
    meta = {"boxes": [], "array": [], "area": [], "corner": []}
    rows = []
    with open(path, encoding="utf-8") as f:
        lines = [line.strip() for line in f if line.strip()]
    for line in lines:
        if line.startswith("#"):
            key, _, value = line[1:].partition(":")
            key, value = key.strip(), value.strip()
            if key == "box":
                meta["boxes"].append([float(v) for v in value.split(",")])
            elif key in meta:
                meta[key].append(value.split(","))
            else:
                meta[key] = value
        elif "columns" not in meta:
            meta["columns"] = line.split(",")
        else:
            rows.append([float(v) for v in line.split(",")])
    return meta, rows


# The commands that write files, each with TARGET standing for the file it
# writes (map's prefix is TARGET without "_plane.csv").
def writers(folder):
    good = example("ksr12_flown.json")
    splay = ["design", "splay", good, "--trim", "9", "--audience", "4:24"]
    return [
        ("velt export", lambda t: ["velt", "export", good, t]),
        ("predict -o", lambda t: ["predict", good, "--seat", "0,-5,1", "-o", t]),
        ("design splay -o", lambda t: splay + ["-o", t]),
        ("design splay --report", lambda t: splay + ["-o", os.path.join(folder, "proposal.json"), "--report", t]),
        ("map --plane -o", lambda t: ["map", good, "--plane", "--area", "-4:4,-12:-4", "--resolution", "2",
                                      "-o", t[:-len("_plane.csv")]]),
    ]


def temporaries(folder):
    return [n for n in os.listdir(folder) if n.startswith(".ksr-")]


class Targets(KsrhostCase):
    """Targets no command may replace: each refused with exit status 2, the
    file and the reason named, the target as it was and no file left over."""

    def check_refused(self, what, status, err, target, reason):
        self.assertEqual(status, 2, f"{what}: {err}")
        self.assertIn(target, err, what)
        self.assertIn(reason, err, what)
        self.assertNotIn("internal error", err, what)

    def test_files_that_are_not_the_commands_to_replace(self):
        def fifo(path):
            os.mkfifo(path)

        def read_only(path):
            with open(path, "w") as f:
                f.write("the user's own results\n")
            os.chmod(path, 0o444)

        def folder(path):
            os.mkdir(path)
            with open(os.path.join(path, "inside"), "w") as f:
                f.write("kept\n")

        def nothing(path):
            pass

        cases = [
            ("fifo_plane.csv", fifo, "is a FIFO (named pipe), not a file"),
            ("kept_plane.csv", read_only, "is read-only (Permission denied)"),
            ("folder_plane.csv", folder, "is a folder, not a file"),
            ("missing/new_plane.csv", nothing, "does not exist (No such file or directory)"),
        ]
        for name, make, reason in cases:
            for what, args in writers(self.folder):
                with self.subTest(target=name, command=what):
                    target = self.path(name)
                    make(target)
                    try:
                        self.check_target(name, target, args(target), reason, what)
                    finally:
                        if os.path.isdir(target):
                            shutil.rmtree(target)
                        elif os.path.lexists(target):
                            os.chmod(target, 0o644)
                            os.remove(target)

    def check_target(self, name, target, args, reason, what):
        before = sorted(os.listdir(self.folder))
        kept = open(target, "rb").read() if name.startswith("kept") else None
        # A FIFO with no reader would hold a writer forever: the timeout of
        # run() is the guard.
        status, _, err = run(*args)
        self.check_refused(what, status, err, target, reason)
        self.assertEqual(sorted(os.listdir(self.folder)), before, what)
        if kept is not None:
            self.assertEqual(open(target, "rb").read(), kept, what)
        self.assertEqual(os.path.isdir(target), name.startswith("folder"), what)
        if name.startswith("fifo"):
            self.assertTrue(stat.S_ISFIFO(os.stat(target).st_mode), what)

    def run_with_devices(self, setup, args):
        """ksrhost in a mount namespace of its own, over a small tmpfs at
        ./dev holding null and full device nodes: never the machine's /dev.
        Returns the status, standard error and what the tmpfs holds after
        (each entry's kind and size)."""
        dev = self.path("dev")
        os.makedirs(dev, exist_ok=True)
        script = (
            'd="$1"; shift; mount -t tmpfs -o size=256k ksrhost-test "$d" || exit 90; '
            'mknod "$d/null_plane.csv" c 1 3 && mknod "$d/full_plane.csv" c 1 7 || exit 91; '
            + setup + '; "$@" >/dev/null; s=$?; '
            'for f in "$d"/* "$d"/.[!.]*; do [ -e "$f" ] && stat -c "%n|%F|%s" "$f"; done; exit $s')
        result = subprocess.run(["unshare", "--mount", "--propagation", "private", "sh", "-c", script, "sh", dev]
                                + COMMAND + [str(a) for a in args], capture_output=True, text=True, timeout=120)
        self.assertNotIn(result.returncode, (90, 91), result.stderr)
        entries = {}
        for line in result.stdout.splitlines():
            name, kind, size = line.split("|")
            entries[os.path.basename(name)] = (kind, int(size))
        return result.returncode, result.stderr, entries

    def test_devices_and_a_full_disk(self):
        if os.geteuid() != 0:
            self.fail("device nodes and a private mount namespace need the superuser")
        dev = self.path("dev")
        devices = {"null_plane.csv": ("character special file", 0), "full_plane.csv": ("character special file", 0)}
        for what, args in writers(self.folder):
            for name in devices:
                with self.subTest(command=what, target=name):
                    status, err, entries = self.run_with_devices("true", args(os.path.join(dev, name)))
                    self.check_refused(what, status, err, os.path.join(dev, name), "is a character device, not a file")
                    self.assertEqual(entries, devices, what)
            with self.subTest(command=what, target="a full file system"):
                old = "previous results\n"
                setup = f'printf "{old}" > "$d/old_plane.csv"; yes 2>/dev/null > "$d/filler"'
                target = os.path.join(dev, "old_plane.csv")
                status, err, entries = self.run_with_devices(setup, args(target))
                self.check_refused(what, status, err, target, "No space left on device")
                self.assertEqual(entries["old_plane.csv"], ("regular file", len(old)), what)
                self.assertEqual(sorted(entries), sorted(list(devices) + ["old_plane.csv", "filler"]), what)
            self.assertFalse(os.path.exists(self.path("proposal.json")), what)


class Interruption(KsrhostCase):
    """A signal during a long run leaves every previous output byte for byte
    and no temporary file."""

    def interrupt(self, args, outputs, signal_number):
        previous = {}
        for name in outputs:
            previous[name] = f"previous {name}\n".encode()
            with open(self.path(name), "wb") as f:
                f.write(previous[name])
        process = subprocess.Popen(COMMAND + [str(a) for a in args], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 60
            while not temporaries(self.folder):
                self.assertIsNone(process.poll(), "ended before its outputs were reserved")
                self.assertLess(time.monotonic(), deadline)
                time.sleep(0.002)
            time.sleep(0.05)
            process.send_signal(signal_number)
            status = process.wait(timeout=60)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
        self.assertEqual(status, -signal_number, "the run ended before the signal")
        for name, content in previous.items():
            with open(self.path(name), "rb") as f:
                self.assertEqual(f.read(), content, name)
        self.assertEqual(temporaries(self.folder), [])

    def test_a_signal_during_map_predict_or_splay(self):
        seats = self.path("seats.csv")
        with open(seats, "w") as f:
            for i in range(40000):
                f.write(f"{(i % 200) * 0.2 - 20:.1f},{-3 - (i // 200) * 0.2:.1f},1.2\n")
        hall = example("hall_left_right.json")
        long_throw = example("ksr16_long_throw.json")
        cases = [
            (["map", hall, "--plane", "--resolution", "0.1", "-o", self.path("hall")],
             ["hall_plane.csv", "hall_plane_summary.json"], signal.SIGINT),
            (["map", hall, "--grid", "2000x1000", "-o", self.path("cover")],
             ["cover_section.csv", "cover_line.csv"], signal.SIGTERM),
            (["predict", hall, "--seats", seats, "--format", "csv", "-o", self.path("seats_out.csv")],
             ["seats_out.csv"], signal.SIGTERM),
            (["predict", hall, "--seats", seats, "--format", "json", "-o", self.path("seats_out.json")],
             ["seats_out.json"], signal.SIGINT),
            (["design", "splay", long_throw, "--trim", "12", "--audience", "3:80", "-o", self.path("proposal.json"),
              "--report", self.path("report.json")], ["proposal.json", "report.json"], signal.SIGTERM),
        ]
        for args, outputs, signal_number in cases:
            with self.subTest(command=args[0], signal=signal_number.name):
                self.interrupt(args, outputs, signal_number)
                for name in os.listdir(self.folder):
                    if name != "seats.csv":
                        os.remove(self.path(name))

    def test_a_failed_second_output_leaves_the_first(self):
        good = example("ksr12_flown.json")
        for name, make in [("cover_line.csv", os.mkdir), ("cover_line.csv", None)]:
            with self.subTest(second=("a folder" if make else "read-only")):
                with open(self.path("cover_section.csv"), "w") as f:
                    f.write("previous section\n")
                if make:
                    make(self.path(name))
                else:
                    with open(self.path(name), "w") as f:
                        f.write("previous line\n")
                    os.chmod(self.path(name), 0o444)
                status, _, err = run("map", good, "--grid", "20x10", "-o", self.path("cover"))
                self.assertEqual(status, 2, err)
                self.assertIn(self.path(name), err)
                with open(self.path("cover_section.csv")) as f:
                    self.assertEqual(f.read(), "previous section\n")
                self.assertEqual(temporaries(self.folder), [])
                if make:
                    os.rmdir(self.path(name))
                else:
                    os.remove(self.path(name))


class TruncatedModule(KsrhostCase):
    def test_a_truncated_module_is_refused_not_crashed_on(self):
        module = os.path.join(os.path.dirname(os.path.abspath(COMMAND[-1])), "libksr.so")
        with open(module, "rb") as f:
            head = f.read(100000)
        cut = self.path("libksr_cut.so")
        with open(cut, "wb") as f:
            f.write(head)
        for command in (["info"], ["predict", example("ksr12_flown.json"), "--seat", "0,-5,1"]):
            with self.subTest(command=command[0]):
                status, _, err = run("--module", cut, *command)
                self.assertEqual(status, 1, err)
                self.assertIn(f"cannot load the module '{cut}': the file is truncated or damaged", err)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ksrhost", required=True)
    parser.add_argument("--runner", default=None)
    parser.add_argument("groups", nargs="+")
    args = parser.parse_args()
    COMMAND[:] = ([args.runner] if args.runner else []) + [args.ksrhost]
    suite = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(globals()[g]) for g in args.groups)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
