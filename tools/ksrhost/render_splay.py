#!/usr/bin/python3
"""Draws the picture of `ksrhost design splay --png`.

    render_splay.py DATA.json OUTPUT.png

DATA.json is written by ksrhost for the picture: the request, and for the
proposal and the best constant-curvature array their boxes (distance and
height of each box, its aim in degrees) and the level along the audience per
octave. Top: the side view, drawn to scale, with a ray along each box's aim
and the audience line. Below: the level against distance per octave, the
proposal solid, the constant-curvature array dashed.
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


def draw_side_view(ax, data):
    request = data["request"]
    reach = request["far"] * RAY_REACH
    floor = min(request["floorNear"], request["floorFar"], 0.0)
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
    ax.plot([request["near"], request["far"]], [request["floorNear"] + ear, request["floorFar"] + ear],
            color=AUDIENCE_COLOUR, linewidth=3, solid_capstyle="butt", label="audience (ears)")
    ax.plot([request["near"], request["far"]], [request["floorNear"], request["floorFar"]],
            color=AUDIENCE_COLOUR, linewidth=1, linestyle=":")
    ax.plot([0.0], [request["trim"]], "v", color="black", markersize=6)
    ax.set_aspect("equal", adjustable="datalim")
    ax.set_xlim(-1.0, reach)
    ax.set_xlabel("distance from the array (m)")
    ax.set_ylabel("height (m)")
    ax.grid(True, linewidth=0.3)
    ax.legend(loc="upper right", fontsize=8)
    ax.set_title(f"Side view: rigged at {request['trim']:g} m, audience {request['near']:g} m to "
                 f"{request['far']:g} m, target {request['slope']:g} dB per doubling", fontsize=10)


def draw_octave(ax, data, octave):
    distance = data["distance"]
    for name, colour, style in (("constantCurvature", CONSTANT_COLOUR, "--"), ("proposal", PROPOSAL_COLOUR, "-")):
        ax.plot(distance, data[name]["octaves"][octave], style, color=colour, linewidth=1.0)
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
