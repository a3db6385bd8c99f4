"""Draws the benchmark results as SVG pictures for docs/PERFORMANCE.md, with matplotlib
(Debian: python3-matplotlib, installed by `scripts/install-deps.sh bench`).

Generic over what the results hold: every variant of a family is drawn, so a peer added
to a benchmark appears without a change here.
"""
import os

import matplotlib

matplotlib.use("Agg")  # no display
import matplotlib.pyplot as plt  # noqa: E402

# Text stays text, and the files do not change when the figures do not.
plt.rcParams.update({"svg.fonttype": "none", "svg.hashsalt": "zbutil", "font.size": 9})
METADATA = {"Date": None, "Creator": "bench/report_plots.py"}
MARKERS = "osD^vP*Xhp<>"


def _save(fig, out_dir, name):
    fig.tight_layout()
    fig.savefig(os.path.join(out_dir, name), format="svg", metadata=METADATA)
    plt.close(fig)
    return name


def _bytes(n):
    for unit, scale in (("MiB", 1 << 20), ("KiB", 1 << 10)):
        if n >= scale and n % scale == 0:
            return f"{n // scale} {unit}"
    return f"{n} B"


def _variants(rows):
    seen = []
    for r in rows:
        if r["variant"] not in seen:
            seen.append(r["variant"])
    return seen


def contention(rows, out_dir, name="contention.svg"):
    """Records lost and records written per second against the number of processes,
    one line per variant (each wait bound, syslog). None when there are no rows."""
    rows = [r for r in rows if not r["error"] and r["arg"].isdigit()]
    if not rows:
        return None
    fig, (lost_ax, rate_ax) = plt.subplots(1, 2, figsize=(9, 3.6))
    for i, variant in enumerate(_variants(rows)):
        points = sorted((int(r["arg"]), r["counters"]) for r in rows if r["variant"] == variant)
        x = [p for p, _ in points]
        style = dict(marker=MARKERS[i % len(MARKERS)], label=variant.replace("_", " "))
        lost_ax.plot(x, [100 * c.get("lost", 0) for _, c in points], **style)
        rate_ax.plot(x, [c.get("written_per_s", 0) / 1000 for _, c in points], **style)
    for ax, title in ((lost_ax, "records lost (%)"), (rate_ax, "records written per second (k)")):
        ax.set_title(title)
        ax.set_xlabel("processes")
        ax.set_xscale("log", base=2)
        ax.set_xticks([1, 2, 4, 8], ["1", "2", "4", "8"])
        ax.set_ylim(bottom=0)
        ax.grid(True, alpha=0.3)
    lost_ax.legend()
    return _save(fig, out_dir, name)


def sizes(by_family, families, out_dir, name="strings.svg"):
    """Time per call against input size, log-log, one panel per family and one line per
    variant (the library and each peer). None when no family has two sizes."""
    panels = []
    for family in families:
        rows = [r for r in by_family[family] if not r["error"] and r["arg"].isdigit()]
        if len({r["arg"] for r in rows}) >= 2:
            panels.append((family, rows))
    if not panels:
        return None
    columns = 3
    lines = (len(panels) + columns - 1) // columns
    fig, axes = plt.subplots(lines, columns, figsize=(10, 3 * lines), squeeze=False)
    for ax in axes.flat[len(panels):]:
        ax.set_visible(False)
    for ax, (family, rows) in zip(axes.flat, panels):
        for i, variant in enumerate(_variants(rows)):
            points = sorted((int(r["arg"]), r["ns"]) for r in rows if r["variant"] == variant)
            ax.plot([p for p, _ in points], [t for _, t in points], label=variant,
                    marker=MARKERS[i % len(MARKERS)], linewidth=2.2 if variant == "zbutil" else 1)
        ax.set_xscale("log")
        ax.set_yscale("log")
        sizes = sorted({int(r["arg"]) for r in rows})
        ax.set_xticks(sizes, [_bytes(n) for n in sizes])
        ax.minorticks_off()
        ax.set_title(family)
        ax.set_xlabel("input size")
        ax.set_ylabel("time per call (ns)")
        ax.grid(True, which="major", alpha=0.3)
        ax.legend(fontsize=7)
    return _save(fig, out_dir, name)


def best_ratios(best, level, out_dir, name="strings-best.svg"):
    """zbutil / fastest peer for each family and shape (one row each) at each input
    size (one bar each), logarithmic, with the line of parity and the end of the level
    band. best maps family to {size: ratio}. None when it is empty."""
    if not best:
        return None
    families = list(best)
    sizes = sorted({n for points in best.values() for n in points})
    height = 0.8 / len(sizes)
    fig, ax = plt.subplots(figsize=(9, 0.32 * len(families) + 1.2))
    for i, n in enumerate(sizes):
        rows = [k for k, f in enumerate(families) if n in best[f]]
        ax.barh([k + (i - (len(sizes) - 1) / 2) * height for k in rows],
                [best[families[k]][n] for k in rows], height=height, label=_bytes(n))
    ax.axvline(1.0, color="black", linewidth=1)
    ax.axvline(1.0 + level, color="black", linewidth=1, linestyle=":")
    ax.set_xscale("log")
    ax.set_yticks(range(len(families)), families)
    ax.invert_yaxis()
    ax.set_xlabel("time of zbutil / time of the fastest peer (below 1: zbutil faster)")
    ax.grid(True, axis="x", which="both", alpha=0.3)
    ax.legend(fontsize=7, loc="lower right")
    return _save(fig, out_dir, name)
