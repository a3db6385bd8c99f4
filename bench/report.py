#!/usr/bin/env python3
"""Turns Google Benchmark JSON output into docs/PERFORMANCE.md.

Benchmarks are named Family/variant[/argument...]. Within one family and argument the
variant "zbutil" is the library and every other variant is a peer (or "floor", the
bare system calls); the report gives each ratio zbutil / peer, so below 1.00 means
the library is faster. A name without a variant counts as "zbutil". With repetitions,
the fastest is used where the benchmark reports it ("min"), else the median. User
counters (records per second, fractions, ...) get a table of their own. Families whose
argument is an input size also get their growth. The pictures (SVG, beside OUT.md)
come first, when matplotlib is there.

Sections of an existing OUT.md whose heading has more than one word are written by
hand: they are kept, at the end, in their order.

Usage: report.py --build-dir DIR --out OUT.md RESULT.json [RESULT.json ...]
"""
import argparse
import datetime
import json
import math
import os
import platform
import re
import subprocess
import sys
from collections import OrderedDict

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from report_notes import COUNTER_FAMILIES, NOTES, SHAPES, STRING_FAMILIES

SUBJECT = "zbutil"
UNITS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
# Google Benchmark's own suffixes of a run name, not arguments.
OPTION = re.compile(r"^(real_time|process_time|manual_time|(iterations|repeats|threads|"
                    r"min_time|min_warmup_time):.*)$")
KNOWN = {"name", "run_name", "run_type", "family_index", "per_family_instance_index",
         "repetitions", "repetition_index", "threads", "iterations", "real_time",
         "cpu_time", "time_unit", "aggregate_name", "aggregate_unit", "error_occurred",
         "error_message", "label"}
# Growth exponents up to this count as linear. From 10 KiB to 1 MiB a copy leaves the
# caches, which may triple its cost per byte (exponent 1.24); a quadratic algorithm
# shows 2.
LINEAR_LIMIT = 1.25
# Ratios up to 1 + LEVEL count as level with the peer: the spread of the figures from
# run to run on a shared machine; where both sides are the same copy of 1 MiB, that
# spread is all that separates them.
LEVEL = 0.05
# Filled by main(): the families whose argument is an input size.
SIZE_FAMILIES = set()
# The families whose note is written already: shapes of one family share it.
NOTED = set()


def parse_name(run_name):
    parts = [p for p in run_name.split("/") if not OPTION.match(p)]
    family, rest = parts[0], parts[1:]
    variant = SUBJECT
    if rest and not re.match(r"^[0-9.+-]", rest[0]) and ":" not in rest[0]:
        variant, rest = rest[0], rest[1:]
    return family, variant, "/".join(rest)


def run_order(path):
    """scripts/bench.sh names its files EXECUTABLE.INDEX.FAMILY.json: run order, which a
    glob puts out of order from the tenth family on."""
    parts = os.path.basename(path).split(".")
    return (parts[0], int(parts[1])) if len(parts) > 2 and parts[1].isdigit() else (parts[0], 0)


def load(paths):
    """The rows of every file: with repetitions their fastest where a benchmark reports it
    (the string and tokenizer families), else their median; else single runs."""
    context, entries = {}, []
    for path in sorted(paths, key=run_order):
        with open(path) as f:
            data = json.load(f)
        context = context or data.get("context", {})
        # Random interleaving shuffles the output: sort back into registration order.
        entries.extend(sorted(data.get("benchmarks", []), key=lambda b: (
            b.get("family_index", 0), b.get("per_family_instance_index", 0))))
    with_min = {b["run_name"] for b in entries if b.get("aggregate_name") == "min"}
    with_median = {b["run_name"] for b in entries if b.get("aggregate_name") == "median"}
    rows, seen = [], set()
    for b in entries:
        run_name = b.get("run_name", b["name"])
        if b.get("run_type") == "aggregate":
            # The fastest repetition where the benchmark reports it, else the median.
            wanted = "min" if run_name in with_min else "median"
            if b.get("aggregate_name") != wanted:
                continue
        elif run_name in with_median or run_name in seen:
            continue
        seen.add(run_name)
        family, variant, arg = parse_name(run_name)
        scale = UNITS[b.get("time_unit", "ns")]
        rows.append({
            "family": family, "variant": variant, "arg": arg,
            "ns": b["real_time"] * scale,
            "repetitions": b.get("repetitions", 1),
            "error": b.get("error_message") if b.get("error_occurred") else None,
            "counters": {k: v for k, v in b.items()
                         if k not in KNOWN and isinstance(v, (int, float))},
        })
    return context, rows


def fmt_ns(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("µs", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def fmt_num(v):
    if abs(v) >= 1e4:
        return f"{v:,.0f}"
    return f"{v:.3g}"


def base_family(family):
    """A family named Family.shape (one kind of input) shares the notes of Family."""
    return family.split(".", 1)[0]


def is_size_family(family, rows):
    """Whether the family's argument is an input size: a known one, or any family with
    two or more numeric arguments that does not count something else (processes)."""
    if base_family(family) in STRING_FAMILIES:
        return True
    return family not in COUNTER_FAMILIES and len({r["arg"] for r in rows if r["arg"].isdigit()}) >= 2


def fmt_arg(family, arg):
    if family in SIZE_FAMILIES and arg.isdigit():
        n = int(arg)
        for unit, scale in (("MiB", 1 << 20), ("KiB", 1 << 10)):
            if n >= scale and n % scale == 0:
                return f"{n // scale} {unit}"
        return f"{n} B"
    return arg or "-"


def arg_key(arg):
    return (0, float(arg), "") if re.match(r"^[0-9.]+$", arg) else (1, 0.0, arg)


def table_row(cells):
    return "| " + " | ".join(cells) + " |"


def cell(r):
    return f"error: {r['error']}" if r["error"] else fmt_ns(r["ns"])


class Families:
    def __init__(self, rows):
        self.by_family = OrderedDict()
        for r in rows:
            self.by_family.setdefault(r["family"], []).append(r)

    def get(self, family, variant, arg=""):
        for r in self.by_family.get(family, []):
            if r["variant"] == variant and r["arg"] == arg and not r["error"]:
                return r
        return None

    def ratio(self, family, peer, arg=""):
        s, p = self.get(family, SUBJECT, arg), self.get(family, peer, arg)
        return None if s is None or p is None else s["ns"] / p["ns"]

    def best(self, family, arg=""):
        """(ratio, peer): zbutil / the fastest peer at arg, or None without one."""
        ratios = [(self.ratio(family, r["variant"], arg), r["variant"])
                  for r in self.by_family.get(family, [])
                  if r["variant"] != SUBJECT and r["arg"] == arg]
        ratios = [x for x in ratios if x[0] is not None]
        return max(ratios) if ratios else None

    def growth(self, family, variant=SUBJECT):
        """(from, to, exponent) between consecutive numeric arguments."""
        sizes = sorted((float(r["arg"]), r) for r in self.by_family.get(family, [])
                       if r["variant"] == variant and not r["error"]
                       and re.match(r"^[0-9.]+$", r["arg"]))
        return [(a[1]["arg"], b[1]["arg"], math.log(b[1]["ns"] / a[1]["ns"]) / math.log(b[0] / a[0]))
                for a, b in zip(sizes, sizes[1:]) if b[0] > a[0]]


def targets(fam):
    lines = ["## Targets", "", "| target | measured | met |", "|---|---|---|"]

    def row(text, measured, met):
        mark = "n/a" if met is None else ("yes" if met else "**no**")
        lines.append(f"| {text} | {measured} | {mark} |")

    for family, where in (("LogRecord", "x86_64"), ("LogRecordI386", "i386")):
        r = fam.ratio(family, "floor_getpid")
        row(f"a written record costs at most 1.1x its system calls with a record formatted in "
            f"advance (`floor_getpid`), {where}",
            "not measured" if r is None else f"{r:.2f}x", None if r is None else r <= 1.1)
    f, w = fam.get("LogFiltered", SUBJECT), fam.get("LogRecord", SUBJECT)
    r = None if f is None or w is None else f["ns"] / w["ns"]
    row("a filtered record costs under a tenth of a written one",
        "not measured" if r is None else f"{r:.3f}x", None if r is None else r < 0.1)
    r = fam.ratio("Rotate64MiB", "readwrite")
    row("rotation takes no more time than a read/write copy of the same log, its two "
        "flushes included (see Rotate64MiB)",
        "not measured" if r is None else f"{r:.2f}x", None if r is None else r <= 1.0 + LEVEL)
    worst = []
    for family in fam.by_family:
        for a in sorted({x["arg"] for x in fam.by_family[family]}) if family in SIZE_FAMILIES else []:
            q = fam.best(family, a)
            if q is not None:
                worst.append((q[0], f"{family} vs {q[1]} at {fmt_arg(family, a)}"))
    worst.sort(reverse=True)
    slower = [w for w in worst if w[0] > 1.0 + LEVEL]
    level = [w for w in worst if 1.0 < w[0] <= 1.0 + LEVEL]
    measured = "not measured" if not worst else f"worst {worst[0][0]:.2f} ({worst[0][1]})"
    if level:
        measured += f"; level within {LEVEL:.0%}: " + ", ".join(f"{q:.2f} {t}" for q, t in level)
    if slower:
        measured += "; slower: " + ", ".join(f"{q:.2f} {t}" for q, t in slower)
    row(f"each string operation, at every shape and size, is at least as fast as its fastest "
        f"peer (zbutil / best peer <= 1.00, or level: up to {1 + LEVEL:.2f})", measured,
        None if not worst else not slower)
    exps = [(e, family, a, b) for family in fam.by_family if family in SIZE_FAMILIES
            for a, b, e in fam.growth(family)]
    exps.sort(reverse=True)
    bad = [x for x in exps if x[0] > LINEAR_LIMIT]
    measured = ("not measured" if not exps else
                f"largest growth exponent {exps[0][0]:.2f} ({exps[0][1]}, "
                f"{fmt_arg(exps[0][1], exps[0][2])} to {fmt_arg(exps[0][1], exps[0][3])})")
    row(f"no operation grows worse than linearly (exponent <= {LINEAR_LIMIT})", measured,
        None if not exps else not bad)
    lines.append("")
    return lines


def family_section(fam, family):
    items = fam.by_family[family]
    variants = list(OrderedDict.fromkeys(
        [SUBJECT] * any(r["variant"] == SUBJECT for r in items) + [r["variant"] for r in items]))
    peers = [v for v in variants if v != SUBJECT]
    args = sorted(OrderedDict.fromkeys(r["arg"] for r in items), key=arg_key)
    lines = [f"## {family}", ""]
    if family in NOTES:
        lines += [NOTES[family], ""]
    elif base_family(family) in NOTES and base_family(family) not in NOTED:
        lines += [NOTES[base_family(family)], ""]
    NOTED.add(base_family(family))
    if family in SHAPES:
        lines += [f"Shape: {SHAPES[family]}", ""]
    has_subject = SUBJECT in variants
    ratio_peers = peers if has_subject else []
    with_best = len(ratio_peers) > 1
    header = ["argument"] + variants + [f"zbutil / {p}" for p in ratio_peers] + \
        ["zbutil / best"] * with_best
    lines += [table_row(header), table_row(["---"] * len(header))]
    for a in args:
        cells = [fmt_arg(family, a)]
        for v in variants:
            r = next((x for x in items if x["variant"] == v and x["arg"] == a), None)
            cells.append(cell(r) if r else "")
        for p in ratio_peers:
            q = fam.ratio(family, p, a)
            cells.append("" if q is None else f"{q:.2f}")
        if with_best:
            q = fam.best(family, a)
            cells.append("" if q is None else f"**{q[0]:.2f}** ({q[1]})")
        lines.append(table_row(cells))
    counters = sorted({k for r in items for k in r["counters"]})
    if counters and family in COUNTER_FAMILIES:
        lines += pivot_tables(family, items, variants, args, counters)
    elif counters:
        lines += ["", table_row(["variant", "argument"] + counters),
                  table_row(["---"] * (len(counters) + 2))]
        for r in items:
            lines.append(table_row([r["variant"], fmt_arg(family, r["arg"])] + [
                fmt_num(r["counters"][c]) if c in r["counters"] else "" for c in counters]))
    steps = fam.growth(family)
    if len(steps) >= 1 and family in SIZE_FAMILIES:
        lines.append("")
        lines.append("Growth of zbutil (exponent 1 is linear): " + "; ".join(
            f"{fmt_arg(family, a)} to {fmt_arg(family, b)}: {e:.2f}" for a, b, e in steps) + ".")
    lines.append("")
    return lines


def pivot_tables(family, items, variants, args, counters):
    """One table per counter: a line per argument, a column per variant."""
    lines = []
    for c in counters:
        lines += ["", f"`{c}`:", "", table_row(["argument"] + variants),
                  table_row(["---"] * (len(variants) + 1))]
        for a in args:
            cells = [fmt_arg(family, a)]
            for v in variants:
                r = next((x for x in items if x["variant"] == v and x["arg"] == a), None)
                cells.append(fmt_num(r["counters"][c]) if r and c in r["counters"] else "")
            lines.append(table_row(cells))
    return lines


def pictures(fam, out_dir):
    try:
        import report_plots
    except ImportError as e:  # matplotlib missing: the tables alone
        print(f"report.py: no pictures ({e}); scripts/install-deps.sh bench installs "
              "python3-matplotlib", file=sys.stderr)
        return []
    lines = ["## Pictures", ""]
    drawn = report_plots.contention(fam.by_family.get("Contention", []), out_dir)
    if drawn:
        lines += [NOTES["_picture_contention"], "", f"![Contention]({drawn})", ""]
    sizes = [f for f in fam.by_family if f in SIZE_FAMILIES]
    drawn = report_plots.sizes(fam.by_family, sizes, out_dir)
    if drawn:
        lines += [NOTES["_picture_sizes"], "", f"![Time against input size]({drawn})", ""]
    best = OrderedDict()
    for family in sizes:
        points = {a: fam.best(family, a) for a in {r["arg"] for r in fam.by_family[family]}}
        points = {int(a): q[0] for a, q in points.items() if q is not None and a.isdigit()}
        if points:
            best[family] = points
    drawn = report_plots.best_ratios(best, LEVEL, out_dir)
    if drawn:
        lines += [NOTES["_picture_best"], "", f"![Ratio to the fastest peer]({drawn})", ""]
    return lines if len(lines) > 2 else []


def hand_sections(path):
    """The sections of the old report whose heading has more than one word."""
    try:
        with open(path) as f:
            old = f.read().split("\n")
    except OSError:
        return []
    kept, keep = [], False
    for line in old:
        if line.startswith("## "):
            keep = " " in line[3:].strip()
        if keep:
            kept.append(line)
    return kept + [""] if kept else []


def cmake_cache(build_dir):
    values = {}
    try:
        with open(os.path.join(build_dir, "CMakeCache.txt")) as f:
            for line in f:
                m = re.match(r"^([A-Za-z_0-9]+):[A-Z]+=(.*)$", line.strip())
                if m:
                    values[m.group(1)] = m.group(2)
    except OSError:
        pass
    return values


def machine_lines(context, build_dir, repetitions):
    cache = cmake_cache(build_dir)
    compiler = cache.get("CMAKE_CXX_COMPILER", "c++")
    try:
        version = subprocess.run([compiler, "--version"], capture_output=True, text=True,
                                 check=False).stdout.splitlines()[0]
    except (OSError, IndexError):
        version = compiler
    build_type = cache.get("CMAKE_BUILD_TYPE", "?")
    flags = cache.get(f"CMAKE_CXX_FLAGS_{build_type.upper()}", "")
    model = "?"
    try:
        with open("/proc/cpuinfo") as f:
            model = next((l.split(":", 1)[1].strip() for l in f if l.startswith("model name")), "?")
    except OSError:
        pass
    load = ", ".join(f"{x:.2f}" for x in context.get("load_avg", []))
    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")
    return [
        f"- Date: {now}",
        f"- Machine: {model}, {context.get('num_cpus', '?')} CPUs, "
        f"{platform.machine()}, Linux {platform.release()}; load average at the start {load}",
        f"- Compiler: {version}; build type {build_type} ({flags})",
        f"- Scratch files (logger, rotation): {os.environ.get('TMPDIR', '/tmp')}, "
        f"{filesystem(os.environ.get('TMPDIR', '/tmp'))}",
        f"- Each figure: the median of {repetitions} repetitions, run interleaved in random "
        "order with their peers; wall-clock time per call. For the strings and the "
        "tokenizer, the fastest of those repetitions: their work is the same at each, so "
        "the machine's other work can only add to it",
    ]


def filesystem(path):
    best, kind = "", "?"
    try:
        real = os.path.realpath(path)
        with open("/proc/mounts") as f:
            for line in f:
                fields = line.split()
                point = fields[1]
                if (real == point or real.startswith(point.rstrip("/") + "/")) and \
                        len(point) >= len(best):
                    best, kind = point, fields[2]
    except OSError:
        pass
    return kind


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("results", nargs="+")
    args = parser.parse_args()
    context, rows = load(args.results)
    fam = Families(rows)
    SIZE_FAMILIES.update(f for f, items in fam.by_family.items() if is_size_family(f, items))
    repetitions = max((r["repetitions"] for r in rows), default=1)
    lines = ["# Performance", "", NOTES["_intro"], ""]
    lines += machine_lines(context, args.build_dir, repetitions) + [""]
    lines += pictures(fam, os.path.dirname(os.path.abspath(args.out)))
    lines += targets(fam)
    for family in fam.by_family:
        lines += family_section(fam, family)
    lines += hand_sections(args.out)
    with open(args.out, "w") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")


if __name__ == "__main__":
    main()
