#!/usr/bin/python3
"""Draws the coverage files of `ksrhost map` as one PNG.

    render_map.py PREFIX_section.csv PREFIX_line.csv OUTPUT.png

Top: the level over the vertical section through the array as a heat map
with its colour scale and 6 dB contours; each box is drawn where it hangs,
with a ray along its aim, so the splay angles can be seen at work; the
audience line is dashed. Bottom: the level along the audience line.
"""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.patheffects as effects  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

# Levels shown below the loudest seats away from the array's near field;
# louder seats take the top colour, quieter ones the bottom colour.
SHOWN_RANGE_DB = 30.0
NEAR_FIELD_M = 3.0
CONTOUR_STEP_DB = 6.0
# How far the aim rays reach, as a share of the section's length.
RAY_SHARE = 0.45


class MapFile:
    """One CSV file of ksrhost map: '# key: value' lines, a header, rows."""

    def __init__(self, path):
        self.meta = {}
        self.boxes = []
        rows = []
        header = None
        with open(path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line:
                    continue
                if line.startswith("#"):
                    key, _, value = line[1:].partition(":")
                    key, value = key.strip(), value.strip()
                    if key == "box":
                        self.boxes.append([float(v) for v in value.split(",")])
                    else:
                        self.meta[key] = value
                elif header is None:
                    header = line.split(",")
                else:
                    rows.append([float(v) for v in line.split(",")])
        if header is None or not rows:
            raise ValueError(f"{path}: no data rows")
        data = np.array(rows)
        self.columns = {name: data[:, i] for i, name in enumerate(header)}


def colour_limits(distance, levels):
    far = levels[distance >= NEAR_FIELD_M]
    top = np.ceil(np.percentile(far if far.size else levels, 99.5))
    return top - SHOWN_RANGE_DB, top


def draw_section(ax, section, line, unit):
    cols, rows = (int(n) for n in section.meta["grid"].split("x"))
    distance = section.columns["distance_m"].reshape(rows, cols)
    height = section.columns["height_m"].reshape(rows, cols)
    level = section.columns["level_db"].reshape(rows, cols)
    low, high = colour_limits(distance, level)
    mesh = ax.pcolormesh(distance, height, level, shading="nearest", cmap="turbo", vmin=low, vmax=high)
    steps = np.arange(high - SHOWN_RANGE_DB, high + 0.1, CONTOUR_STEP_DB)
    contours = ax.contour(distance, height, level, levels=steps, colors="black", linewidths=0.5, alpha=0.6)
    ax.clabel(contours, fmt="%.0f", fontsize=7)
    colorbar = ax.figure.colorbar(mesh, ax=ax, pad=0.01, fraction=0.035)
    colorbar.set_label(f"level {unit}")

    length = distance.max() - distance.min()
    for component, box_type, d, h, aim_d, aim_h in section.boxes:
        norm = np.hypot(aim_d, aim_h) or 1.0
        ax.plot([d, d + RAY_SHARE * length * aim_d / norm], [h, h + RAY_SHARE * length * aim_h / norm],
                color="white", linewidth=0.6, alpha=0.8, label="aim of each box" if component == 1 else None)
        # The cabinet's front face, about 0.26 m high, across its aim.
        ax.plot([d - 0.13 * aim_h / norm, d + 0.13 * aim_h / norm], [h + 0.13 * aim_d / norm, h - 0.13 * aim_d / norm],
                color="black", linewidth=4, solid_capstyle="butt", clip_on=False, zorder=5,
                path_effects=[effects.withStroke(linewidth=6, foreground="white")])
    ax.plot(line.columns["distance_m"], line.columns["z_m"], linestyle="--", color="white", linewidth=1.2,
            label="audience line")
    ax.set_xlim(distance.min(), distance.max())
    ax.set_ylim(height.min(), height.max())
    ax.set_aspect("equal")
    ax.set_xlabel("distance along the array's aim (m)")
    ax.set_ylabel("height (m)")
    ax.legend(loc="upper right", fontsize=8, framealpha=0.5)


def runs_along_the_section(line):
    """True when the audience line lies along the section's horizontal axis."""
    along, distance = line.columns["along_m"], line.columns["distance_m"]
    return abs(abs(distance[-1] - distance[0]) - (along[-1] - along[0])) <= 1e-3 * max(along[-1], 1.0)


def draw_line(ax, line, unit, section_limits):
    if runs_along_the_section(line):
        ax.plot(line.columns["distance_m"], line.columns["level_db"], color="tab:blue")
        ax.set_xlim(*section_limits)
        ax.set_xlabel("distance along the array's aim (m), audience line")
    else:
        ax.plot(line.columns["along_m"], line.columns["level_db"], color="tab:blue")
        ax.set_xlim(line.columns["along_m"].min(), line.columns["along_m"].max())
        ax.set_xlabel("along the audience line (m)")
    ax.set_ylabel(f"level {unit}")
    ax.grid(True, alpha=0.4)


def design_name(path):
    return path.replace("\\", "/").rsplit("/", 1)[-1]


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    section, line = MapFile(argv[1]), MapFile(argv[2])
    unit = section.meta.get("unit", "dB")
    figure, (top, bottom) = plt.subplots(2, 1, figsize=(12, 8), gridspec_kw={"height_ratios": [2.2, 1]})
    draw_section(top, section, line, unit)
    draw_line(bottom, line, unit, top.get_xlim())
    design = design_name(section.meta.get("design", ""))
    figure.suptitle(f"KSR array coverage: {design}, {len(section.boxes)} boxes\n{section.meta.get('quantity', '')}",
                    fontsize=11)
    figure.tight_layout()
    # The line's plot under the section, with the same horizontal extent.
    figure.canvas.draw()
    above, below = top.get_position(), bottom.get_position()
    bottom.set_position([above.x0, below.y0, above.width, below.height])
    figure.savefig(argv[3], dpi=110)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
