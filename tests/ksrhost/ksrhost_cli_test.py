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
        for expected in ("KSR Array", "QTO", "1000030", "5\u00b0 Complex Data", "21 of 21", "Speed Of Sound",
                         "Air Temperature", "KSR Setup", "setup record version 52", "-60..0", "ksr_help.pdf"):
            self.assertIn(expected, out)

    def test_json_carries_every_answer(self):
        info = self.json_of("info", "--json")
        self.assertEqual((info["name"], info["manufacturer"], info["version"], info["class"]),
                         ("KSR Array", "QTO", 1000030, 2))
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


class Design(KsrhostCase):
    def check(self, design):
        return self.json_of("design", "check", design)

    def test_a_design_that_keeps_the_rules(self):
        result = self.check(example("ksr12_flown.json"))
        self.assertTrue(result["passes"])
        self.assertTrue(result["unchanged"])
        repaired = result["repaired"]
        self.assertEqual(len(repaired["boxes"]), 16)
        with open(example("ksr12_flown.json"), encoding="utf-8") as f:
            given = json.load(f)
        for mine, theirs in zip(repaired["boxes"], given["boxes"]):
            self.assertEqual((mine["type"], mine["differenceAngle"], mine["gain"]),
                             (theirs["type"], theirs["differenceAngle"], theirs["gain"]))
        self.assertEqual(repaired["boxes"][11]["elevation"], -3 - 52)

    def test_a_design_that_breaks_them_is_repaired(self):
        result = self.check(example("ksr6_needs_repair.json"))
        self.assertFalse(result["passes"])
        self.assertFalse(result["unchanged"])  # box 1's -12 clamped before the failing pair
        boxes = result["repaired"]["boxes"]
        self.assertEqual(boxes[1]["differenceAngle"], -10)
        self.assertEqual([b["type"] for b in boxes[:6]], [0, 0, 8, 0, 0, 0])
        again = self.check(self.write("repaired.json", json.dumps(result["repaired"])))
        self.assertTrue(again["passes"])
        self.assertTrue(again["unchanged"])
        self.assertEqual(again["repaired"], result["repaired"])


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
            (["velt", "export", good, self.path("no/such/folder/out.velt")], "cannot write exchange file"),
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
        self.assertTrue(check["unchanged"])
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
        self.assertEqual(report["request"], {"trim": 9, "near": 4, "far": 24, "floorNear": 0, "floorFar": 3,
                                             "earHeight": 1, "slope": -3, "allowZeroSplay": True, "maxStep": 1})
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


class SplayPicture(KsrhostCase):
    def test_png_is_drawn_and_its_data_removed(self):
        png = self.path("splay.png")
        self.ok("design", "splay", example("ksr12_flown.json"), "--trim", "9", "--audience", "4:24",
                "-o", self.path("out.json"), "--png", png)
        with open(png, "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(sorted(os.listdir(self.folder)), ["out.json", "splay.png"])


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
