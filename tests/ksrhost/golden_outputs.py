#!/usr/bin/python3
"""ksrhost's outputs compared byte for byte with the recorded ones.

    golden_outputs.py --ksrhost PATH [--update]

Runs ksrhost over every example design, the exchange fixtures and a set of
generated two-type designs: predictions (CSV, nine significant digits) at
seats on and off the axis with and without air absorption, the rigging rules'
check and repair, and VELT import and export. The predictions of the 200
generated designs are kept as SHA-256 digests of their CSV, to keep the
recorded files small. Each run's output is compared
with its file in fixtures/golden/; a refactoring of the module must leave
every byte as it was. --update writes the files anew (only when a change of
behaviour is meant).
"""

import argparse
import difflib
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = os.path.join(SOURCE, "tools", "ksrhost", "examples")
EXCHANGE_FIXTURES = os.path.join(SOURCE, "tests", "exchange", "fixtures")
HOST_FIXTURES = os.path.join(HERE, "fixtures")
GOLDEN = os.path.join(HOST_FIXTURES, "golden")

# Listeners, host metres, for an array hung at 0,0,10 aiming along -y: on
# the axis near and far, off to one side, close below, behind and above.
SEATS = ["0,-25,1.2", "0,-60,3", "9,-15,1.2", "0.3,-0.5,4", "2,12,6", "-3,-4,20"]

# Air variants: the host's default air, none at all, and a warm dry thin air
# (the absorption is worked out afresh when the air changes).
AIRS = {
    "air": [],
    "noair": ["--no-air-absorption"],
    "warm": ["--temperature", "31", "--humidity", "25", "--pressure", "930", "--speed-of-sound", "352"],
}

# Type pairs for the generated designs: every pair of the ten box ids.
BOX_TYPES = range(10)


def pair_design(upper, lower, ground):
    """A four-box design: two boxes of one type above two of another."""
    boxes = []
    for n, (box_type, angle) in enumerate([(upper, 0), (upper, -3), (lower, -7), (lower, -12)]):
        boxes.append('{"type": %d, "differenceAngle": %d, "gain": %s}' % (box_type, angle, -0.5 * n))
    return ('{"name": "pair", "boxCount": 4, "gridElevation": -2, "groundStacked": %d, "hostValue": 1, '
            '"boxes": [%s]}\n' % (ground, ", ".join(boxes)))


class Runner:
    def __init__(self, ksrhost, scratch):
        self.ksrhost = ksrhost
        self.scratch = scratch

    def run(self, *args):
        done = subprocess.run([self.ksrhost] + [str(a) for a in args], capture_output=True, timeout=300)
        text = done.stdout.decode("utf-8", errors="replace")
        if done.returncode != 0:
            text += "exit %d: %s" % (done.returncode, done.stderr.decode("utf-8", errors="replace"))
        # Paths differ from one checkout and run to the next.
        return text.replace(self.scratch, "<scratch>").replace(SOURCE, "<source>")

    def scratch_file(self, name, text=None, copy_of=None):
        path = os.path.join(self.scratch, name)
        if copy_of is not None:
            shutil.copyfile(copy_of, path)
        elif text is not None:
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(text)
        return path

    def file_bytes(self, path):
        """The file's bytes, or a mark when the run wrote none (its status says why)."""
        if not os.path.exists(path):
            return "<no file>\n"
        with open(path, "rb") as f:
            return f.read().decode("latin-1")


def cases(runner):
    """(name, output) for every recorded run."""
    designs = sorted(f for f in os.listdir(EXAMPLES) if f.endswith((".json", ".velt")))
    designs = [os.path.join(EXAMPLES, f) for f in designs]
    designs += [os.path.join(HOST_FIXTURES, f) for f in sorted(os.listdir(HOST_FIXTURES)) if f.endswith(".velt")]
    for design in designs:
        base = os.path.basename(design).replace(".", "_")
        for air, options in AIRS.items():
            seats = []
            for seat in SEATS:
                seats += ["--seat", seat]
            yield ("predict_%s_%s.csv" % (base, air),
                   runner.run("predict", design, "--format", "csv", *options, *seats))
        yield ("predict_%s_turned.csv" % base,
               runner.run("predict", design, "--format", "csv", "--array-position", "3,-2,7",
                          "--array-angles", "35,-8,4", "--seat", "10,-20,1.5", "--seat", "-6,-9,2"))
        if design.endswith(".json"):
            yield ("design_check_%s.json" % base, runner.run("design", "check", design))
            for version in (1, 2):
                target = runner.scratch_file("new_v%d.velt" % version)
                if os.path.exists(target):
                    os.remove(target)
                status = runner.run("velt", "export", design, target, "--version", version)
                yield ("velt_export_new_v%d_%s.velt" % (version, base), status + runner.file_bytes(target))
            for project in ("external_30_rows.velt", "level_before_type.velt"):
                target = runner.scratch_file("over.velt", copy_of=os.path.join(EXCHANGE_FIXTURES, project))
                status = runner.run("velt", "export", design, target)
                yield ("velt_export_over_%s_%s" % (project.replace(".", "_"), base + ".velt"),
                       status + runner.file_bytes(target))
        else:
            yield ("velt_import_%s.json" % base, runner.run("velt", "import", design))
    for fixture in sorted(os.listdir(EXCHANGE_FIXTURES)):
        yield ("velt_import_fixture_%s.json" % fixture.replace(".", "_"),
               runner.run("velt", "import", os.path.join(EXCHANGE_FIXTURES, fixture)))

    checks, predictions = [], []
    for ground in (0, 1):
        for upper in BOX_TYPES:
            for lower in BOX_TYPES:
                design = runner.scratch_file("pair.json", pair_design(upper, lower, ground))
                label = "ground %d upper %d lower %d\n" % (ground, upper, lower)
                checks.append(label + runner.run("design", "check", design))
                csv = runner.run("predict", design, "--format", "csv", "--seat", "0,-12,1.2", "--seat", "4,-3,11")
                predictions.append(label.rstrip("\n") + " sha256 " + hashlib.sha256(csv.encode()).hexdigest() + "\n")
    yield ("pairs_design_check.txt", "".join(checks))
    yield ("pairs_predict_digests.txt", "".join(predictions))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ksrhost", required=True)
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args()

    scratch = tempfile.mkdtemp(prefix="ksrhost-golden-")
    failures = []
    seen = set()
    try:
        runner = Runner(args.ksrhost, scratch)
        if subprocess.run([args.ksrhost, "info"], capture_output=True, timeout=300).returncode != 0:
            print("ksrhost info fails: is the module beside it?")
            return 1
        if args.update:
            os.makedirs(GOLDEN, exist_ok=True)
        for name, output in cases(runner):
            seen.add(name)
            path = os.path.join(GOLDEN, name)
            if args.update:
                with open(path, "w", encoding="latin-1", newline="") as f:
                    f.write(output)
                continue
            if not os.path.exists(path):
                failures.append("%s: no recorded output" % name)
                continue
            with open(path, encoding="latin-1", newline="") as f:
                recorded = f.read()
            if recorded != output:
                diff = difflib.unified_diff(recorded.splitlines(), output.splitlines(), "recorded", "now",
                                            lineterm="", n=0)
                failures.append("%s differs:\n%s" % (name, "\n".join(list(diff)[:20])))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    if not args.update:
        stale = sorted(set(os.listdir(GOLDEN)) - seen)
        failures += ["%s: recorded but no longer produced" % name for name in stale]
    for failure in failures:
        print(failure)
    print("%d outputs %s, %d differ" % (len(seen), "written" if args.update else "compared", len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
