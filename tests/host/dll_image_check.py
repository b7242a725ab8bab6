#!/usr/bin/env python3
"""The built ksr.dll as a loader sees it, read from the file without running it.

    dll_image_check.py --objdump OBJDUMP --def ksr.def ksr.dll

Checks that the image is a 32-bit DLL, that its export table holds exactly
the names and ordinals of the .def file (no decorated stdcall names, nothing
extra), and that it imports only Windows' own DLLs. Exits 1 with a list of
what differs.
"""

import argparse
import re
import subprocess
import sys

SYSTEM_DLLS = {"comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll",
               "shlwapi.dll", "user32.dll"}


def def_exports(path):
    """{name: ordinal} of a .def file's EXPORTS."""
    exports = {}
    with open(path, encoding="ascii") as f:
        for line in f:
            match = re.match(r"\s+(\w+)\s+@(\d+)", line)
            if match:
                exports[match.group(1)] = int(match.group(2))
    return exports


def image_facts(objdump, dll):
    text = subprocess.run([objdump, "-p", dll], capture_output=True, text=True, check=True).stdout
    base = int(re.search(r"Ordinal Base\s+(\d+)", text).group(1))
    table = text.split("[Ordinal/Name Pointer] Table", 1)[1]
    exports = {}
    for line in table.splitlines()[1:]:
        match = re.match(r"\s+\[\s*(\d+)\]\s+(\S+)", line)
        if not match:
            break
        exports[match.group(2)] = int(match.group(1)) + base
    imports = {m.lower() for m in re.findall(r"DLL Name: (\S+)", text)}
    return text, exports, imports


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--def", dest="def_file", required=True)
    parser.add_argument("dll")
    args = parser.parse_args()

    text, exports, imports = image_facts(args.objdump, args.dll)
    wanted = def_exports(args.def_file)
    faults = []
    if "file format pei-i386" not in text:
        faults.append("not a 32-bit PE image (pei-i386)")
    if not re.search(r"Characteristics 0x[0-9a-f]+\n(?:\s+.*\n)*?\s+DLL\n", text):
        faults.append("the image is not marked as a DLL")
    for name, ordinal in sorted(wanted.items(), key=lambda item: item[1]):
        if name not in exports:
            faults.append("missing export %s @%d" % (name, ordinal))
        elif exports[name] != ordinal:
            faults.append("%s at ordinal %d, expected @%d" % (name, exports[name], ordinal))
    for name in sorted(set(exports) - set(wanted)):
        faults.append("unexpected export %s @%d" % (name, exports[name]))
    for name in sorted(imports - SYSTEM_DLLS):
        faults.append("imports %s, which is not one of Windows' own DLLs" % name)
    for fault in faults:
        print("ksr.dll: " + fault)
    print("%d exports, %d imported DLLs checked: %s" % (len(exports), len(imports), "faults" if faults else "as expected"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
