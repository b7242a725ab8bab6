#!/usr/bin/env python3
"""Draws the files of `ksrhost map` as one PNG.

    render_map.py --section PREFIX_section.csv PREFIX_line.csv OUTPUT.png
    render_map.py --plane PREFIX_plane.csv OUTPUT.png
    render_map.py PREFIX_section.csv PREFIX_line.csv OUTPUT.png   (as --section)

Section: the level over the vertical section through the first array as a
heat map with its colour scale and 6 dB contours; each box is drawn where it
hangs, with a ray along its aim, so the splay angles can be seen at work; the
audience line is dashed. Below it, the level along the audience line. The
frame always holds the arrays, whatever the section's extent.

Plane: the level in plan over the audience areas at ear height, with 3 dB
contours, each area's outline, and every array in plan: its boxes and the
direction each aims. The title gives the statistics of all seats.

Exit status 0 when drawn, 2 for bad arguments or files, 3 when this Python
lacks matplotlib (ksrhost names that case).
"""

import os
import sys

NO_MATPLOTLIB = 3

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.patheffects as effects
    import matplotlib.pyplot as plt
    import numpy as np
except ImportError as missing:
    # ksrhost tries each Python on PATH in turn and names the failure itself.
    if not os.environ.get("KSRHOST_TRYING_PYTHONS"):
        print(f"render_map.py: {sys.executable} cannot import {missing.name}: it needs matplotlib and numpy",
              file=sys.stderr)
    sys.exit(NO_MATPLOTLIB)

# Levels shown below the loudest seats away from the array's near field;
# louder seats take the top colour, quieter ones the bottom colour.
SHOWN_RANGE_DB = 30.0
NEAR_FIELD_M = 3.0
CONTOUR_STEP_DB = 6.0
PLANE_RANGE_DB = 24.0
PLANE_MIN_RANGE_DB = 12.0
PLANE_CONTOUR_STEP_DB = 3.0
# How far the aim rays reach, as a share of the section's length.
RAY_SHARE = 0.45
# Margin around the arrays when the frame is widened to hold them, metres.
ARRAY_MARGIN_M = 1.0
ARRAY_COLOURS = ["black", "tab:red", "tab:purple", "tab:brown", "tab:pink", "tab:gray"]


class MapFile:
    """One CSV file of ksrhost map: '# key: value' lines, a header, rows."""

    REPEATED = ("box", "array", "area", "corner")

    def __init__(self, path):
        self.meta = {}
        self.lists = {key: [] for key in self.REPEATED}
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
                    if key in self.REPEATED:
                        self.lists[key].append(value.split(","))
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

    def boxes(self):
        return [[float(v) for v in box] for box in self.lists["box"]]


def colour_limits(distance, levels):
    far = levels[distance >= NEAR_FIELD_M]
    top = np.ceil(np.percentile(far if far.size else levels, 99.5))
    return top - SHOWN_RANGE_DB, top


def draw_section(ax, section, line, unit):
    cols, rows = (int(n) for n in section.meta["grid"].split("x"))
    distance = section.columns["along_aim_m"].reshape(rows, cols)
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
    boxes = section.boxes()
    for array, component, box_type, d, h, aim_d, aim_h in boxes:
        norm = np.hypot(aim_d, aim_h) or 1.0
        ax.plot([d, d + RAY_SHARE * length * aim_d / norm], [h, h + RAY_SHARE * length * aim_h / norm],
                color="white", linewidth=0.6, alpha=0.8,
                label="aim of each box" if (array, component) == (1, 1) else None)
        # The cabinet's front face, about 0.26 m high, across its aim.
        ax.plot([d - 0.13 * aim_h / norm, d + 0.13 * aim_h / norm], [h + 0.13 * aim_d / norm, h - 0.13 * aim_d / norm],
                color="black", linewidth=4, solid_capstyle="butt", zorder=5,
                path_effects=[effects.withStroke(linewidth=6, foreground="white")],
                label="box (front face)" if (array, component) == (1, 1) else None)
    along, z = line.columns["along_aim_m"], line.columns["z_m"]
    line_label = "audience line" if runs_along_the_section(line) else "audience line, projected into the section"
    ax.plot(along, z, linestyle="--", color="white", linewidth=1.2, label=line_label)

    # The frame holds the grid, the arrays and the audience line.
    xs = [distance.min(), distance.max(), along.min(), along.max()] + [b[3] for b in boxes]
    ys = [height.min(), height.max(), z.min(), z.max()] + [b[4] for b in boxes]
    margin = [0.0 if distance.min() <= min(xs) else ARRAY_MARGIN_M, 0.0 if distance.max() >= max(xs) else ARRAY_MARGIN_M]
    ax.set_xlim(min(xs) - margin[0], max(xs) + margin[1])
    ax.set_ylim(min(ys) - (0.0 if height.min() <= min(ys) else ARRAY_MARGIN_M),
                max(ys) + (0.0 if height.max() >= max(ys) else ARRAY_MARGIN_M))
    ax.set_aspect("equal")
    ax.set_xlabel("distance along the first array's aim (m)")
    ax.set_ylabel("height (m)")
    legend = ax.legend(loc="upper right", fontsize=8, framealpha=0.5)
    legend.get_frame().set_facecolor("lightgray")


def runs_along_the_section(line):
    """True when the audience line lies along the section's horizontal axis."""
    along, distance = line.columns["along_line_m"], line.columns["along_aim_m"]
    return abs(abs(distance[-1] - distance[0]) - (along[-1] - along[0])) <= 1e-3 * max(along[-1], 1.0)


def draw_line(ax, line, unit, section_limits):
    if runs_along_the_section(line):
        ax.plot(line.columns["along_aim_m"], line.columns["level_db"], color="tab:blue")
        ax.set_xlim(*section_limits)
        ax.set_xlabel("distance along the first array's aim (m), audience line")
    else:
        ax.plot(line.columns["along_line_m"], line.columns["level_db"], color="tab:blue")
        ax.set_xlim(line.columns["along_line_m"].min(), line.columns["along_line_m"].max())
        ax.set_xlabel("along the audience line (m)")
    ax.set_ylabel(f"level {unit}")
    ax.grid(True, alpha=0.4)


def array_names(map_file):
    return [",".join(entry[7:]) for entry in map_file.lists["array"]]


def section_figure(section_path, line_path):
    section, line = MapFile(section_path), MapFile(line_path)
    unit = section.meta.get("unit", "dB")
    figure, (top, bottom) = plt.subplots(2, 1, figsize=(12, 8), gridspec_kw={"height_ratios": [2.2, 1]})
    draw_section(top, section, line, unit)
    draw_line(bottom, line, unit, top.get_xlim())
    names = ", ".join(name.replace("\\", "/").rsplit("/", 1)[-1] for name in array_names(section))
    figure.suptitle(f"KSR array coverage: {names}, {len(section.boxes())} boxes\n{section.meta.get('quantity', '')}",
                    fontsize=11)
    figure.tight_layout()
    # The line's plot under the section, with the same horizontal extent.
    figure.canvas.draw()
    above, below = top.get_position(), bottom.get_position()
    bottom.set_position([above.x0, below.y0, above.width, below.height])
    return figure


def statistics_text(levels):
    median = np.median(levels)
    p10, p90 = np.percentile(levels, [10, 90])
    within = np.mean(np.abs(levels - median) <= 3.0) * 100
    return (f"mean {levels.mean():.1f}, sd {levels.std():.1f}, 10-90 % spread {p90 - p10:.1f} dB, "
            f"{within:.0f} % within \u00b13 dB of the median")


def draw_levels(ax, plane, unit):
    """The level over each area as a heat map with contours; areas drawn in order."""
    step = float(plane.meta["step"])
    area, column, row = (plane.columns[k].astype(int) for k in ("area", "column", "row"))
    level = plane.columns["level_db"]
    high = np.ceil(np.percentile(level, 99.5))
    # At least PLANE_MIN_RANGE_DB shown, at most PLANE_RANGE_DB, down to the quietest seats.
    low = max(high - PLANE_RANGE_DB, min(np.floor(np.percentile(level, 0.5)), high - PLANE_MIN_RANGE_DB))
    c0, r0 = column.min(), row.min()
    xs = (np.arange(column.max() - c0 + 1) + c0) * step
    ys = (np.arange(row.max() - r0 + 1) + r0) * step
    mesh = None
    for a in np.unique(area):
        grid = np.full((len(ys), len(xs)), np.nan)
        mine = area == a
        grid[row[mine] - r0, column[mine] - c0] = level[mine]
        masked = np.ma.masked_invalid(grid)
        mesh = ax.pcolormesh(xs, ys, masked, shading="nearest", cmap="turbo", vmin=low, vmax=high)
        if mine.sum() >= 4 and len(xs) > 1 and len(ys) > 1:
            steps = np.arange(low, high + 0.1, PLANE_CONTOUR_STEP_DB)
            contours = ax.contour(xs, ys, masked, levels=steps, colors="black", linewidths=0.5, alpha=0.6)
            ax.clabel(contours, fmt="%.0f", fontsize=7)
    colorbar = ax.figure.colorbar(mesh, ax=ax, pad=0.01, fraction=0.04)
    colorbar.set_label(f"level {unit}")
    return mesh


def plane_figure(plane_path):
    plane = MapFile(plane_path)
    unit = plane.meta.get("unit", "dB")
    level = plane.columns["level_db"]
    xs, ys = plane.columns["x_m"], plane.columns["y_m"]
    boxes = plane.boxes()
    frame_x = [xs.min(), xs.max()] + [b[3] for b in boxes]
    frame_y = [ys.min(), ys.max()] + [b[4] for b in boxes]
    for corner in plane.lists["corner"]:
        frame_x.append(float(corner[1]))
        frame_y.append(float(corner[2]))
    width = max(frame_x) - min(frame_x) + 2 * ARRAY_MARGIN_M
    height = max(frame_y) - min(frame_y) + 2 * ARRAY_MARGIN_M
    # The drawing's own size in inches follows the venue's proportions.
    draw_w = min(10.0, max(5.0, 9.0 * width / height))
    draw_h = min(10.0, max(4.0, draw_w * height / width))
    figure, ax = plt.subplots(figsize=(draw_w + 2.5, draw_h + 1.6))
    draw_levels(ax, plane, unit)

    corners = {}
    for a, x, y, _ in ([int(c[0])] + [float(v) for v in c[1:]] for c in plane.lists["corner"]):
        corners.setdefault(a, []).append((x, y))
    for n, (a, points) in enumerate(sorted(corners.items())):
        closed = points + points[:1]
        ax.plot([p[0] for p in closed], [p[1] for p in closed], color="black", linewidth=1.2,
                label="audience area" if n == 0 else None)
    names = array_names(plane)
    span = max(width, height)
    for array, component, box_type, x, y, z, aim_x, aim_y, aim_z in boxes:
        colour = ARRAY_COLOURS[(int(array) - 1) % len(ARRAY_COLOURS)]
        first = component == 1
        name = names[int(array) - 1] if int(array) - 1 < len(names) else f"array {int(array)}"
        ax.plot([x, x + 0.12 * span * aim_x], [y, y + 0.12 * span * aim_y], color=colour, linewidth=0.7,
                label=f"aim of each box, {name}" if first else None)
        ax.plot([x], [y], marker="s", markersize=5, color=colour, markeredgecolor="white",
                linestyle="none", label=None)
    for n, entry in enumerate(plane.lists["array"]):
        x, y = float(entry[1]), float(entry[2])
        ax.annotate(names[n], (x, y), textcoords="offset points", xytext=(6, 6), fontsize=8,
                    color=ARRAY_COLOURS[n % len(ARRAY_COLOURS)],
                    path_effects=[effects.withStroke(linewidth=2.5, foreground="white")])
    ax.set_xlim(min(frame_x) - ARRAY_MARGIN_M, max(frame_x) + ARRAY_MARGIN_M)
    ax.set_ylim(min(frame_y) - ARRAY_MARGIN_M, max(frame_y) + ARRAY_MARGIN_M)
    ax.set_aspect("equal")
    ax.set_xlabel("x (m)")
    ax.set_ylabel("y (m)")
    ax.grid(True, alpha=0.25)
    ax.legend(loc="best", fontsize=8, framealpha=0.7)
    ax.set_title(f"KSR coverage in plan at ear height: {len(names)} "
                 f"{'array' if len(names) == 1 else 'arrays'}, {plane.meta.get('quantity', '')}\n"
                 f"{len(level)} seats: {statistics_text(level)}", fontsize=10)
    figure.tight_layout()
    return figure


def main(argv):
    args = argv[1:]
    if len(args) == 3 and not args[0].startswith("--"):
        args = ["--section"] + args
    try:
        if len(args) == 4 and args[0] == "--section":
            figure = section_figure(args[1], args[2])
        elif len(args) == 3 and args[0] == "--plane":
            figure = plane_figure(args[1])
        else:
            print(__doc__, file=sys.stderr)
            return 2
        output = args[-1]
        # The name as given, with or without an extension: always a PNG.
        figure.savefig(output, dpi=110, format="png")
    except (OSError, ValueError, KeyError, IndexError) as error:
        print(f"render_map.py: {error}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
