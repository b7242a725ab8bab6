#!/usr/bin/env python3
"""Draw the directivity pictures of the KSR models from data/model_data.bin.

    /usr/bin/python3 tools/model_data/plot_model_data.py [BLOB] [-o DIR]

Per model (KSR516, KSR527, KSR51 V, KSR52 V) two PNG files in DIR (default
docs/directivity):

* <model>_planes.png: polar plots of the horizontal plane (right side
  phi = 0 drawn to the right, left side phi = 180 to the left) and of the
  vertical plane (up phi = 90 to the right, down phi = 270 to the left) for
  six bands, level relative to on axis in dB (0 at the rim, -40 at the
  centre), main axis at the top;
* <model>_balloon.png: one map per band of the level relative to on axis
  over polar angle theta (0 on axis .. 180 behind) and azimuth phi
  (0 right, 90 up, 180 left, 270 down).

and directivity_index.png: the published directivity index of each model
beside the index integrated from its balloon.
"""

import argparse
import pathlib
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import generate_model_data as gen  # noqa: E402

NOMINAL_HZ = (100, 125, 160, 200, 250, 315, 400, 500, 630, 800, 1000, 1250, 1600,
              2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000)
POLAR_BANDS = (4, 8, 11, 14, 17, 21)
FLOOR_DB = -40.0


def read_blob(path):
    """{id: (level or None, directivity index, balloon (21, 37, 72))}."""
    raw = np.fromfile(path, dtype="<f4")
    out, pos = {}, 0
    n = gen.BAND_COUNT
    size = n * gen.POLAR_STEPS * gen.AZIMUTH_STEPS
    for box_id in range(8):
        level = None
        if box_id not in (1, 5):
            level, pos = raw[pos:pos + n], pos + n
        di, pos = raw[pos:pos + n], pos + n
        balloon = raw[pos:pos + size].reshape(n, gen.POLAR_STEPS, gen.AZIMUTH_STEPS)
        pos += size
        out[box_id] = (level, di, balloon.astype(float))
    if pos != raw.size:
        raise ValueError(f"{path}: {raw.size * 4} bytes, expected {pos * 4}")
    return out


def label(band):
    hz = NOMINAL_HZ[band - 1]
    return f"{hz // 1000} kHz" if hz >= 1000 and hz % 1000 == 0 else (
        f"{hz / 1000:g} kHz" if hz >= 1000 else f"{hz} Hz")


def plane_trace(balloon, band, a_right, a_left):
    """Angles (radians, axis at 0, right side positive) and levels of a plane."""
    b = balloon[band - 1]
    theta = np.radians(gen.POLAR_DEG)
    angles = np.concatenate([-theta[::-1], theta[1:]])
    levels = -np.concatenate([b[::-1, a_left], b[1:, a_right]])
    return angles, np.maximum(levels, FLOOR_DB)


def draw_planes(name, balloon, path):
    fig, axes = plt.subplots(1, 2, subplot_kw=dict(projection="polar"), figsize=(11, 5.6))
    colours = plt.cm.plasma(np.linspace(0.0, 0.85, len(POLAR_BANDS)))
    for ax, (title, right, left, rlab, llab) in zip(axes, (
            ("Horizontal plane", 0, 36, "right", "left"),
            ("Vertical plane", 18, 54, "up", "down"))):
        for band, colour in zip(POLAR_BANDS, colours):
            ang, lev = plane_trace(balloon, band, right, left)
            ax.plot(ang, lev, color=colour, lw=1.6, label=label(band))
        ax.set_theta_zero_location("N")
        ax.set_theta_direction(-1)
        ax.set_rlim(FLOOR_DB, 3)
        ax.set_rticks([-30, -20, -10, 0])
        ax.set_rlabel_position(135)
        ax.set_thetagrids(range(0, 360, 30), [f"{min(d, 360 - d)}°" for d in range(0, 360, 30)])
        ax.set_title(f"{title}\n({rlab} to the right, {llab} to the left)", fontsize=11)
    axes[1].legend(loc="upper left", bbox_to_anchor=(1.05, 1.0), fontsize=9, title="band")
    fig.suptitle(f"{name}: level relative to on axis, dB (main axis at the top)", fontsize=13)
    fig.tight_layout()
    fig.savefig(path, dpi=110)
    plt.close(fig)


def draw_balloon(name, balloon, path):
    fig, axes = plt.subplots(3, 7, figsize=(17, 8.2), sharex=True, sharey=True)
    extent = (-2.5, 182.5, 357.5, -2.5)
    for band, ax in zip(gen.BANDS, axes.flat):
        image = ax.imshow(-balloon[band - 1].T, extent=extent, aspect="auto", cmap="viridis",
                          vmin=FLOOR_DB, vmax=0, interpolation="nearest")
        ax.set_title(label(band), fontsize=10)
        ax.set_xticks([0, 90, 180])
        ax.set_yticks([0, 90, 180, 270])
    for ax in axes[-1]:
        ax.set_xlabel("polar angle θ, °")
    for ax in axes[:, 0]:
        ax.set_ylabel("azimuth φ, °")
    fig.colorbar(image, ax=axes, shrink=0.8, label="level relative to on axis, dB")
    fig.suptitle(f"{name}: balloon per band (φ 0 right, 90 up, 180 left, 270 down)",
                 fontsize=13)
    fig.savefig(path, dpi=90)
    plt.close(fig)


def draw_directivity_index(blocks, path):
    fig, ax = plt.subplots(figsize=(8, 4.8))
    for m, (name, ids, _) in enumerate(gen.MODELS):
        _, di, balloon = blocks[ids[0]]
        integrated = [gen.directivity_index(balloon[b]) for b in range(gen.BAND_COUNT)]
        line, = ax.plot(gen.BANDS, di, "o", ms=5, label=f"{name} published")
        ax.plot(gen.BANDS, integrated, "-", color=line.get_color(), label=f"{name} from balloon")
    ax.set_xticks(gen.BANDS[::2], [label(b) for b in gen.BANDS[::2]], rotation=45)
    ax.set_ylabel("directivity index, dB")
    ax.grid(alpha=0.3)
    ax.legend(fontsize=8, ncol=2)
    fig.tight_layout()
    fig.savefig(path, dpi=100)
    plt.close(fig)


def file_stem(name):
    return name.lower().replace(" ", "")


def draw_all(blob, outdir):
    outdir = pathlib.Path(outdir)
    outdir.mkdir(parents=True, exist_ok=True)
    blocks = read_blob(blob)
    for name, ids, _ in gen.MODELS:
        balloon = blocks[ids[0]][2]
        draw_planes(name, balloon, outdir / f"{file_stem(name)}_planes.png")
        draw_balloon(name, balloon, outdir / f"{file_stem(name)}_balloon.png")
    draw_directivity_index(blocks, outdir / "directivity_index.png")


def main(argv=None):
    root = pathlib.Path(__file__).resolve().parents[2]
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("blob", nargs="?", type=pathlib.Path, default=root / "data" / "model_data.bin")
    ap.add_argument("-o", "--output", type=pathlib.Path, default=root / "docs" / "directivity")
    args = ap.parse_args(argv)
    draw_all(args.blob, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
