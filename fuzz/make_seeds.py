#!/usr/bin/python3
"""Writes the seed corpus of the export-surface fuzz target.

Each seed is a host session spelled in the byte code that exports_fuzzer.cpp
decodes (one byte picks the call family, the bytes after it the call and its
arguments). The sessions follow the module's own tests: the typical request
of a host, the instance table filled and emptied, records of both versions
and of unknown versions, the filter and the air at and beyond their limits.

    fuzz/make_seeds.py            (rewrites fuzz/corpus/exports/)
"""

import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus" / "exports"

# Call families, as LLVMFuzzerTestOneInput numbers them (byte % 19).
INFORMATION, FLAGS, FILES, ROOM, SETUP_DESCRIPTION, SET_VALUE, GET_VALUE, FILTER, INSTANCES = range(9)
NULL_POINTERS = 11
PLACEMENT = 12
OUTLINE = 14
RESPONSE = 15
SHOW_DIALOG = 18

INTERESTING_INTS = [
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 22, -1, -2,
    -5, 42, 50, 51, 52, 53, 126, 127, 128, 129, 255, 256, 1000, 16384, 16385, -16385,
    -2**31, 2**31 - 1, -2**31 + 1, 2**31 - 2]

SPECIAL_FLOATS = {"nan": 0, "-nan": 1, "inf": 4, "-inf": 5, "denormal": 6, "max": 9, "-max": 10,
                  "2^31": 14, "-2^31": 15, "1e18": 18}


def integer(v):
    if v in INTERESTING_INTS:
        return bytes([INTERESTING_INTS.index(v)])
    return bytes([230]) + struct.pack("<i", v)


def real(v):
    if isinstance(v, str):
        return bytes([SPECIAL_FLOATS[v]])
    if float(v * 2).is_integer() and -128 <= v * 2 <= 127:
        return bytes([64, int(v * 2) & 0xFF])
    return bytes([192]) + struct.pack("<f", v)


def new_instance():
    return bytes([INSTANCES, 0])


def make_current(id_):
    return bytes([INSTANCES, 1, 0, (id_ + 1) % 130])


def release():
    return bytes([INSTANCES, 2])


def components():
    return bytes([INSTANCES, 3, 0])


def set_value(version_choice, count, grid, boxes, ground, version=None):
    """version_choice: 0 = 51, 1 = 52, 3 = query (0), 4 = the given version."""
    out = bytes([SET_VALUE, 0, version_choice])
    if version_choice == 4:
        out += integer(version)
    out += integer(count) + real(grid) + integer(1)
    for box_type, elevation, gain in boxes:
        kind = bytes([0, box_type + 1]) if -1 <= box_type <= 10 else bytes([200]) + integer(box_type)
        out += kind + real(elevation) + real(gain)
    return out + integer(ground)


def get_value(version_choice):
    return bytes([GET_VALUE, 0, version_choice])


def set_filter(gains, phases):
    out = bytes([FILTER, 3])
    for g, p in zip(gains, phases):
        out += real(g) + real(p)
    return out


def set_room(index, value):
    return bytes([ROOM]) + integer(index) + bytes([3]) + real(value)


def place(which, vector):
    """which: 0 array position, 1 array angles, 2 seat position, 3 seat angles."""
    return bytes([PLACEMENT, 0]) + b"".join(real(v) for v in vector) + bytes([which])


def component(c):
    return bytes([0, (c + 1) % 20])


def placement_queries(count):
    out = bytes([PLACEMENT, 2])
    for c in range(0, count + 2):
        out += bytes([PLACEMENT, 3]) + component(c)
        out += bytes([PLACEMENT, 4]) + component(c) + bytes([0])
        out += bytes([PLACEMENT, 4]) + component(c) + bytes([1])
    return out


def response_queries(count):
    out = b""
    for c in range(0, count + 2):
        out += bytes([RESPONSE]) + component(c) + bytes([0])
        for b in (0, 1, 13, 21, 22):
            out += bytes([RESPONSE]) + component(c) + bytes([1, 0, (b + 1) % 24, 0])
            out += bytes([RESPONSE]) + component(c) + bytes([1, 0, (b + 1) % 24, 1])
    return out + bytes([RESPONSE]) + component(1) + bytes([3]) + integer(1) * 5


def seeds():
    straight = [(5, 0.0, 0.0)] * 16
    curved = [(4 if i % 2 else 6, -2.5 * i, 0.5 * (i % 4)) for i in range(16)]
    typical = (bytes([INFORMATION]) + integer(5) + bytes([FLAGS]) + integer(1) + bytes([0]) + integer(7)
               + bytes([FLAGS]) + integer(1) + bytes([1])
               + b"".join(set_room(i, v) for i, v in [(1, 343), (2, 60), (3, 20), (4, 1013)])
               + new_instance() + make_current(1) + get_value(3)
               + set_value(1, 8, -3.5, curved, 1) + get_value(1) + get_value(0)
               + set_filter([-6.0] * 21, [45.0] * 21) + components() + release())
    yield "typical_request", typical

    yield "table_full", new_instance() * 128 + make_current(127) + release() + new_instance() + components()

    yield "unknown_versions", (new_instance() + make_current(1)
                               + set_value(4, 20, 0, straight, 0, version=50) + get_value(1)
                               + set_value(0, 2, 0, [(42, 0, 0)] * 16, 0) + components() + get_value(0)
                               + set_value(4, 16, 0, straight, 0, version=-2**31) + get_value(4))

    wild = [("nan", "inf"), ("-inf", "denormal"), ("max", "-max"), ("2^31", "-2^31"), ("1e18", "-nan")]
    yield "non_finite_design", (new_instance() + make_current(1)
                                + set_value(1, 2**31 - 1, "nan",
                                            [(i - 1, *wild[i % len(wild)]) for i in range(16)], -1)
                                + components() + get_value(1))

    yield "limits", (new_instance() + make_current(1)
                     + set_filter(["nan", "inf", "-inf", 6, -200, "denormal", "max"] * 3,
                                  ["-nan", 200, -200, "2^31", 180, -180, "-max"] * 3)
                     + set_room(1, 50) + set_room(1, 2000) + set_room(3, -40) + set_room(4, "nan")
                     + set_room(0, 5) + set_room(5, 5) + bytes([NULL_POINTERS]) + integer(1))

    yield "labels_and_files", (bytes([ROOM]) + integer(3) + bytes([1]) + bytes([ROOM]) + integer(0) + bytes([1])
                               + bytes([SETUP_DESCRIPTION]) + integer(1) + bytes([SETUP_DESCRIPTION]) + integer(2)
                               + bytes([FILES, 1, 12]) + b"C:\\dir\\a.dll" + bytes([FILES, 0, FILES, 2]))

    yield "placement", (new_instance() + make_current(1) + set_value(1, 6, 10, curved, 0)
                        + place(0, [1, 2, 3]) + place(1, [90, 0, 0]) + place(2, [0, -10, 0]) + place(3, [0, 0, 0])
                        + placement_queries(6)
                        + place(1, [0, 100, 0]) + place(0, ["nan", "inf", "-max"]) + place(2, ["denormal", 0, 0])
                        + placement_queries(6))

    yield "placement_non_finite", (new_instance() + make_current(1)
                                   + set_value(1, 16, "inf", [(i % 10, "nan", "-inf") for i in range(16)], 1)
                                   + place(1, ["2^31", "nan", "-2^31"]) + place(0, [0, 0, 0])
                                   + place(2, [0, 0, 0]) + placement_queries(16)
                                   + release() + placement_queries(0))

    yield "response", (new_instance() + make_current(1) + set_value(1, 5, 0, [(i % 10, -1.0 * i, 1.5) for i in range(16)], 0)
                       + set_filter([-6.0] * 21, [180.0] * 21) + place(0, [0, 0, 0]) + place(2, [0, -10, 0])
                       + response_queries(5) + bytes([FLAGS]) + integer(1) + bytes([0]) + integer(1)
                       + place(2, [0, -0.05, 0]) + response_queries(5) + place(2, [0, 0, 0]) + response_queries(1)
                       + place(2, ["nan", 0, 0]) + response_queries(1) + place(2, ["max", "-max", 0])
                       + response_queries(1) + set_room(1, 100) + place(2, [0, "-inf", 0]) + response_queries(1))

    show = bytes([SHOW_DIALOG, 0])
    yield "show_dialog", (show + new_instance() + make_current(1) + bytes([SHOW_DIALOG, 200]) + integer(2)
                          + set_value(1, 20, 1.5, [(i % 12 - 1, 2.0 * i, -3.5 + i) for i in range(16)], 1)
                          + show + get_value(1) + components()
                          + set_value(1, -5, "nan", [(4, "nan", g) for g in ["nan", "inf", "-inf", "max", "2^31",
                                                                              "-2^31", "1e18", 0.5] * 2], 0)
                          + show + get_value(2) + release() + show)

    outline = bytes([OUTLINE, 0, OUTLINE, 1, OUTLINE, 2])
    yield "outline", (outline + new_instance() + make_current(1) + outline
                      + set_value(1, 20, 5, [(i % 10, 9.0 * i, 0) for i in range(16)], 0) + outline
                      + set_value(0, -3, "nan", [(9, "inf", 0)] * 16, 0) + outline + release() + outline)


def main():
    CORPUS.mkdir(parents=True, exist_ok=True)
    for name, data in seeds():
        (CORPUS / name).write_bytes(data)


if __name__ == "__main__":
    main()
