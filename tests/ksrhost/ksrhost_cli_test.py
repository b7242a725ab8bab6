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
import subprocess
import sys
import tempfile
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


class Predict(KsrhostCase):
    SEATS = ("0,-5,1.2", "0,-20,1.2", "3,-35,1.2")

    def predict(self, *extra, design=example("ksr12_flown.json")):
        args = ["predict", design, "--array-position", "0,0,10"]
        for seat in self.SEATS:
            args += ["--seat", seat]
        return self.ok(*args, *extra)[0]

    def test_every_component_and_both_sums(self):
        result = json.loads(self.predict("--format", "json"))
        self.assertEqual(result["appliedTypes"], [6] * 6 + [4] * 6)
        self.assertEqual(result["array"]["angles"], [0, -3, 0])  # the grid elevation
        self.assertEqual(len(result["seats"]), len(self.SEATS))
        speed = result["air"]["speedOfSound"]
        for seat in result["seats"]:
            components = seat["components"]
            self.assertEqual([c["component"] for c in components], list(range(1, 13)))
            for c in components:
                self.assertEqual(len(c["levels"]), BAND_COUNT)
                self.assertEqual(len(c["phases"]), BAND_COUNT)
                self.assertAlmostEqual(c["delay"], c["distance"] / speed, places=6)
            # The sums, worked out again from the components.
            for band in range(1, BAND_COUNT + 1):
                i = band - 1
                levels = [c["levels"][i] for c in components]
                self.assertAlmostEqual(seat["powerSum"]["levels"][i], power_sum(levels), places=3)
                omega = 2 * math.pi * centre_frequency(band)
                pressure = sum(10 ** (c["levels"][i] / 20) * cmath.exp(1j * (c["phases"][i] - omega * c["delay"]))
                               for c in components)
                self.assertAlmostEqual(seat["complexSum"]["levels"][i], 20 * math.log10(abs(pressure)), places=3)
                self.assertAlmostEqual(seat["complexSum"]["phases"][i], cmath.phase(pressure), places=3)
        near, far = result["seats"][0], result["seats"][2]
        self.assertGreater(near["complexSum"]["aWeighted"], far["complexSum"]["aWeighted"])

    def test_cabinets_without_measured_data_are_shown_silent(self):
        design = example("ksr8_kb340_top.json")  # two KB340 above six KSR51 V
        result = json.loads(self.predict("--format", "json", design=design))
        for seat in result["seats"]:
            self.assertEqual([c["silent"] for c in seat["components"]], [True] * 2 + [False] * 6)
            self.assertEqual([c["levels"] is None for c in seat["components"]], [True] * 2 + [False] * 6)
            self.assertTrue(all(level > 0 for c in seat["components"][2:] for level in c["levels"]))
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
        rows = list(csv.DictReader(io.StringIO(self.predict("--format", "csv"))))
        per_seat = 12 * BAND_COUNT + 2 * BAND_COUNT + 2
        self.assertEqual(len(rows), len(self.SEATS) * per_seat)
        row = next(r for r in rows if r["seat"] == "2" and r["component"] == "3" and r["band"] == "7")
        self.assertAlmostEqual(float(row["level_db"]), result["seats"][1]["components"][2]["levels"][6], places=4)
        a_weighted = next(r for r in rows if r["seat"] == "3" and r["component"] == "complex" and r["band"] == "A")
        self.assertAlmostEqual(float(a_weighted["level_db"]), result["seats"][2]["complexSum"]["aWeighted"], places=4)

        table = self.predict("--format", "table")
        self.assertEqual(table.count("Seat "), len(self.SEATS))
        self.assertIn("1.6k Hz", table)
        self.assertIn("C12", table)

        summary = self.predict("--format", "summary").splitlines()
        self.assertEqual(len(summary), 2 + len(self.SEATS))
        for line, seat in zip(summary[2:], result["seats"]):
            self.assertAlmostEqual(float(line.split()[4]), seat["complexSum"]["aWeighted"], delta=0.051)
        power = self.predict("--format", "summary", "--sum", "power").splitlines()
        self.assertAlmostEqual(float(power[2].split()[4]), result["seats"][0]["powerSum"]["aWeighted"], delta=0.051)

    def test_a_velt_file_predicts_like_the_design_it_imports(self):
        imported = self.write("imported.json", self.ok("velt", "import", example("ksr12_flown.velt"))[0])
        from_velt = json.loads(self.predict("--format", "json", design=example("ksr12_flown.velt")))
        from_json = json.loads(self.predict("--format", "json", design=imported))
        self.assertEqual(from_velt["seats"], from_json["seats"])

    def test_air_reaches_the_module(self):
        def level_10k(*extra):
            out = self.ok("predict", example("ksr12_flown.json"), "--seat", "0,-40,1.2", "--format", "json", *extra)
            return json.loads(out[0])["seats"][0]["powerSum"]["levels"][20]

        self.assertGreater(level_10k("--no-air-absorption"), level_10k() + 3)
        self.assertNotAlmostEqual(level_10k("--humidity", "20"), level_10k("--humidity", "90"), places=1)
        status, out, err = run("predict", example("ksr12_flown.json"), "--seat", "0,-10,1", "--temperature", "150",
                               "--format", "json")
        self.assertEqual(status, 0, err)
        self.assertIn("Air Temperature 150 is outside the module's range; it uses 100", err)
        self.assertEqual(json.loads(out)["air"]["temperature"], 100)

    def test_array_angles_turn_the_array(self):
        def level(*extra):
            out = self.ok("predict", example("ksr12_flown.json"), "--seat", "0,-20,1.2", "--format", "json", *extra)
            return json.loads(out[0])["seats"][0]["complexSum"]["aWeighted"]

        self.assertAlmostEqual(level(), level("--array-angles", "0,-3,0"), places=6)
        self.assertGreater(level(), level("--array-angles", "180,-3,0") + 10)  # aimed away


class Map(KsrhostCase):
    def map(self, *extra, design=example("ksr12_flown.json")):
        out, _ = self.ok("map", design, "--array-position", "0,0,10", "--grid", "21x9", "--distance", "0:40",
                         "--height", "0:16", "--line-points", "11", "-o", self.path("cover"), *extra)
        return out, read_map(self.path("cover_section.csv")), read_map(self.path("cover_line.csv"))

    def test_section_and_line_files(self):
        out, (meta, rows), (line_meta, line_rows) = self.map()
        self.assertIn("A-weighted, complex sum", out)
        self.assertEqual(meta["quantity"], "A-weighted, complex sum")
        self.assertEqual(meta["unit"], "dB(A)")
        self.assertEqual(meta["grid"], "21 x 9")
        self.assertEqual(len(meta["boxes"]), 12)
        self.assertEqual(len(rows), 21 * 9)
        self.assertEqual(rows[0][:2], [0.0, 0.0])
        self.assertEqual(rows[-1][:2], [40.0, 16.0])
        self.assertTrue(all(math.isfinite(r[5]) for r in rows))
        self.assertEqual(len(line_rows), 11)
        self.assertAlmostEqual(line_rows[-1][0], 39.0, places=4)  # from 1 m to 40 m at ear height
        self.assertTrue(all(abs(r[3] - 1.2) < 1e-6 for r in line_rows))

    def test_a_map_seat_is_the_predicted_seat(self):
        _, (_, rows), _ = self.map("--band", "13", "--sum", "power")
        distance, height, x, y, z, level = rows[5 * 21 + 10]
        predicted = self.ok("predict", example("ksr12_flown.json"), "--array-position", "0,0,10", "--seat",
                            f"{x},{y},{z}", "--format", "json")[0]
        self.assertAlmostEqual(json.loads(predicted)["seats"][0]["powerSum"]["levels"][12], level, places=3)

    def test_the_array_covers_the_audience_below_it(self):
        _, (meta, rows), _ = self.map()
        at = {(round(r[0], 3), round(r[1], 3)): r[5] for r in rows}
        # 20 m out: the ear-height seat (2 m row) is in the coverage, the seat
        # 6 m above the array's top is not.
        self.assertGreater(at[(20.0, 2.0)], at[(20.0, 16.0)] + 6)
        # Every box aims downward, each further down than the one above it.
        aims = [b[5] for b in meta["boxes"]]
        self.assertTrue(all(a < 0 for a in aims))
        self.assertTrue(all(lower < upper for upper, lower in zip(aims, aims[1:])))


class MapPicture(KsrhostCase):
    def test_png_is_drawn(self):
        png = self.path("cover.png")
        out, _ = self.ok("map", example("ksr12_flown.json"), "--grid", "40x20", "--line-points", "20", "-o",
                         self.path("cover"), "--png", png)
        self.assertIn("Drew", out)
        with open(png, "rb") as f:
            data = f.read()
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        self.assertGreater(len(data), 20000)


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


class Errors(KsrhostCase):
    def test_bad_input_is_named_and_fails(self):
        four = ', '.join(['{"type": 5, "differenceAngle": 0}'] * 4)
        broken = self.write("broken.json", '{"boxCount": 4, "boxes": [')
        unknown = self.write("unknown_type.json", '{"boxes": [%s, {"type": 42, "differenceAngle": 0}]}' % four)
        count = self.write("wrong_count.json", '{"boxCount": 20, "boxes": [%s]}' % four)
        short = self.write("short.velt", "-1, \"Array.Main.BoxCount\", 4\r\n")
        good = example("ksr12_flown.json")
        missing = self.path("missing.json")
        cases = [
            (["predict", missing, "--seat", "0,-5,1"], f"cannot read design file '{missing}'"),
            (["predict", broken, "--seat", "0,-5,1"], "broken.json: not valid JSON"),
            (["predict", unknown, "--seat", "0,-5,1"], "unknown_type.json: boxes[4].type: 42 is not a box type (0..9)"),
            (["predict", count, "--seat", "0,-5,1"], "wrong_count.json: boxCount: 20 is outside 4..16"),
            (["predict", good, "--seat", "0,-5"], "--seat: expected three numbers x,y,z, got '0,-5'"),
            (["predict", good, "--seat", "0,nan,1"], "--seat: expected three finite numbers"),
            (["predict", good], "--seat is required"),
            (["predict", good, "--seat", "0,-5,1", "--format", "xml"], "--format"),
            (["predict", good, "--seat", "0,-5,1", "--humidity", "inf"], "--humidity: expected a finite number"),
            (["map", good, "--band", "22"], "--band: expected A or a band 1..21, got '22'"),
            (["map", good, "--grid", "200"], "--grid: expected COLUMNSxROWS"),
            (["map", good, "--distance", "40:0"], "--distance: expected a range FROM:TO with FROM below TO"),
            (["map", good, "-o", self.path("no/such/folder/cover")], "cannot write '"),
            (["velt", "import", fixture("no_valid_data.velt")], "no_valid_data.velt: This file contains no valid data"),
            (["velt", "import", short], "short.velt: This file contains no valid data (shorter than 32 bytes)"),
            (["velt", "import", self.path("missing.velt")], "cannot read exchange file"),
            (["velt", "export", good, self.path("no/such/folder/out.velt")], "out.velt\" could not be written"),
            (["velt", "export", broken, self.path("out.velt")], "broken.json: not valid JSON"),
            (["velt", "export", good, self.path("out.velt"), "--version", "3"], "--version"),
            (["design", "check", unknown], "unknown_type.json: boxes[4].type"),
            (["--module", self.path("nothing.dll"), "info"], "cannot load the module"),
            ([], "A subcommand is required"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                status, out, err = run(*args)
                self.assertNotEqual(status, 0)
                self.assertIn(message, err)
        self.assertFalse(os.path.exists(self.path("out.velt")))


def read_map(path):
    """(metadata, rows) of a ksrhost map CSV file; metadata["boxes"] lists the box lines."""
    meta = {"boxes": []}
    rows = []
    with open(path, encoding="utf-8") as f:
        lines = [line.strip() for line in f if line.strip()]
    header_seen = False
    for line in lines:
        if line.startswith("#"):
            key, _, value = line[1:].partition(":")
            if key.strip() == "box":
                meta["boxes"].append([float(v) for v in value.split(",")])
            else:
                meta[key.strip()] = value.strip()
        elif not header_seen:
            header_seen = True
        else:
            rows.append([float(v) for v in line.split(",")])
    return meta, rows


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
