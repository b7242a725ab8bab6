#!/usr/bin/python3
"""Draws the picture of `ksrhost design splay --png`.

    render_splay.py DATA.json OUTPUT.png

DATA.json is written by ksrhost for the picture: the request with its
zones, the zone of each receiver and the proposal's figures per zone, and for
the proposal and the best constant-curvature array their boxes (distance and
height of each box, its aim in degrees) and the level along the audience per
octave. Top: the side view, drawn to scale, with a ray along each box's aim
and each zone drawn and labelled. Below: the level against distance per
octave, one curve per zone, the proposal solid, the constant-curvature array
dashed; the last panel gives the figures per zone.
"""

import json
import math
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.ticker import ScalarFormatter  # noqa: E402

PROPOSAL_COLOUR = "#c0392b"
CONSTANT_COLOUR = "#7f8c8d"
AUDIENCE_COLOUR = "#2c3e50"
# Zones are told apart by these colours in the side view and the curves.
ZONE_COLOURS = ["#2c3e50", "#2980b9", "#27ae60", "#8e44ad", "#d35400", "#16a085", "#7f6000", "#c2185b"]
# Rays reach this share past the far edge of the audience.
RAY_REACH = 1.08


def ray_end(box, reach, floor):
    """Where a box's aim leaves the drawing: at the reach or at the floor."""
    angle = math.radians(box["elevation"])
    dx, dz = math.cos(angle), math.sin(angle)
    length = (reach - box["distance"]) / dx if dx > 1e-9 else reach
    if dz < 0.0:
        length = min(length, (floor - box["height"]) / dz)
    length = max(length, 0.0)
    return box["distance"] + length * dx, box["height"] + length * dz


def zones_of(data):
    """The request's zones: name, near, far, floorNear, floorFar."""
    return data["request"]["zones"]


def zone_colour(z):
    return ZONE_COLOURS[z % len(ZONE_COLOURS)]


def draw_side_view(ax, data):
    request = data["request"]
    zones = zones_of(data)
    reach = max(zone["far"] for zone in zones) * RAY_REACH
    floor = min([0.0] + [min(zone["floorNear"], zone["floorFar"]) for zone in zones])
    for name, colour, width, label in (
        ("constantCurvature", CONSTANT_COLOUR, 0.6, "constant curvature"),
        ("proposal", PROPOSAL_COLOUR, 0.9, "proposal"),
    ):
        boxes = data[name]["boxes"]
        for i, box in enumerate(boxes):
            x, z = ray_end(box, reach, floor)
            ax.plot([box["distance"], x], [box["height"], z], color=colour, linewidth=width,
                    label=label if i == 0 else None)
        ax.plot([b["distance"] for b in boxes], [b["height"] for b in boxes], "s", color=colour, markersize=3)
    ear = request["earHeight"]
    for z, zone in enumerate(zones):
        colour = zone_colour(z)
        ax.plot([zone["near"], zone["far"]], [zone["floorNear"] + ear, zone["floorFar"] + ear],
                color=colour, linewidth=3, solid_capstyle="butt", label=f"{zone['name']} (ears)")
        ax.plot([zone["near"], zone["far"]], [zone["floorNear"], zone["floorFar"]],
                color=colour, linewidth=1, linestyle=":")
        ax.annotate(zone["name"], ((zone["near"] + zone["far"]) / 2, (zone["floorNear"] + zone["floorFar"]) / 2 + ear),
                    textcoords="offset points", xytext=(0, 6), ha="center", fontsize=8, color=colour)
    ax.plot([0.0], [request["trim"]], "v", color="black", markersize=6)
    ax.set_aspect("equal", adjustable="datalim")
    ax.set_xlim(-1.0, reach)
    ax.set_xlabel("distance from the array (m)")
    ax.set_ylabel("height (m)")
    ax.grid(True, linewidth=0.3)
    ax.legend(loc="upper right", fontsize=8)
    extent = ", ".join(f"{zone['name']} {zone['near']:g}-{zone['far']:g} m" for zone in zones)
    ax.set_title(f"Side view: rigged at {request['trim']:g} m; {extent}; target {request['slope']:g} dB per doubling",
                 fontsize=10)


def draw_octave(ax, data, octave):
    distance = data["distance"]
    zone_of = data["zone"]
    for name, style in (("constantCurvature", "--"), ("proposal", "-")):
        levels = data[name]["octaves"][octave]
        for z in range(len(zones_of(data))):
            members = [r for r, zr in enumerate(zone_of) if zr == z]
            colour = zone_colour(z) if name == "proposal" else CONSTANT_COLOUR
            ax.plot([distance[r] for r in members], [levels[r] for r in members], style, color=colour,
                    linewidth=1.0)
    ax.set_xscale("log")
    ax.xaxis.set_major_formatter(ScalarFormatter())
    ax.xaxis.set_minor_formatter(ScalarFormatter())
    ax.set_title(f"{octave}Hz octave", fontsize=9)
    ax.grid(True, which="both", linewidth=0.3)
    ax.tick_params(which="both", labelsize=7)
    ax.set_xlabel("distance (m)", fontsize=7)
    ax.set_ylabel("dB", fontsize=7)


def draw_summary(ax, data):
    ax.axis("off")
    lines = []
    for name, label in (("proposal", "Proposal"), ("constantCurvature", "Constant curvature")):
        entry = data[name]
        lines.append(f"{label}: {entry['summary']:.2f} dB")
        lines.append(f"  grid {entry['gridElevation']:g} deg, difference angles")
        lines.append("  " + " ".join(f"{s:g}" for s in entry["splays"]))
    lines.insert(0, "Evenness 1-8 kHz (lower is better)")
    if len(zones_of(data)) > 1:
        lines.append("Proposal per zone:")
        for zone, figures in zip(zones_of(data), data["zoneFigures"]):
            lines.append(f"  {zone['name'][:14]}: {figures['summary']:.2f} dB, {figures['offset']:+.1f} dB,"
                         f" {100 * figures['shareWithin3dB']:.0f} % in 3 dB")
    if data["request"].get("shadeGains"):
        gains = [f"{g:g}" for g in data["proposal"]["gains"]]
        lines.append("Gains (dB)")
        for start in range(0, len(gains), 8):
            lines.append("  " + " ".join(gains[start:start + 8]))
    ax.text(0.0, 1.0, "\n".join(lines), va="top", fontsize=9, family="monospace")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        data = json.load(f)
    octaves = list(data["proposal"]["octaves"].keys())
    figure = plt.figure(figsize=(14, 9))
    grid = figure.add_gridspec(3, 4, height_ratios=[1.3, 1, 1])
    draw_side_view(figure.add_subplot(grid[0, :]), data)
    for i, octave in enumerate(octaves[:7]):
        draw_octave(figure.add_subplot(grid[1 + i // 4, i % 4]), data, octave)
    draw_summary(figure.add_subplot(grid[2, 3]), data)
    figure.tight_layout()
    figure.savefig(sys.argv[2], dpi=100)


if __name__ == "__main__":
    main()
