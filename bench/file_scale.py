#!/usr/bin/env python3
"""Growth of the phrase-file commands: lumoratool write and dump (the Release build of the bench
preset) over N and 2N phrases, run alternately so that both sides see the same machine.

    bench/file_scale.py [--repeat N] [--sizes 50000,100000,200000]

Prints, per command and size, the median CPU time and the spread, and for each doubling the
ratio of the time per phrase (1.0 is linear; the goal is at most 1.2), plus the peak memory.
"""
import argparse
import json
import os
import random
import resource
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOOL = os.path.join(ROOT, "build", "bench", "tools", "lumoratool")
LETTERS = "abcdefghijklmnopqrstuvwxyz"


def write_lines(path, count):
    rng = random.Random(count)
    with open(path, "w", encoding="utf-8") as out:
        for _ in range(count):
            abbreviation = "".join(rng.choice(LETTERS) for _ in range(7))
            text = "".join(rng.choice(LETTERS + " ") for _ in range(60))
            out.write(json.dumps({"autotext": abbreviation, "text": text}) + "\n")


def cpu_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(args, stdin_path=None):
    """CPU seconds (user and system) of one run: on a shared machine they vary far less than
    the wall time."""
    start = cpu_seconds()
    with open(stdin_path or os.devnull, "rb") as stdin:
        subprocess.run(args, stdin=stdin, stdout=subprocess.DEVNULL, check=True)
    return cpu_seconds() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--sizes", default="50000,100000,200000")
    args = parser.parse_args()
    if not os.access(TOOL, os.X_OK):
        sys.exit(f"{TOOL} is missing: cmake --preset bench && cmake --build --preset bench")
    sizes = [int(s) for s in args.sizes.split(",")]
    with tempfile.TemporaryDirectory(prefix="lumora-file-scale-") as work:
        lines = {n: os.path.join(work, f"{n}.jsonl") for n in sizes}
        files = {n: os.path.join(work, f"{n}.lmx") for n in sizes}
        for n in sizes:
            write_lines(lines[n], n)
        times = {(c, n): [] for c in ("write", "dump") for n in sizes}
        for _ in range(args.repeat):
            for n in sizes:
                times[("write", n)].append(timed([TOOL, "write", files[n]], lines[n]))
                times[("dump", n)].append(timed([TOOL, "dump", files[n]]))
        for command in ("write", "dump"):
            medians = {}
            for n in sizes:
                t = times[(command, n)]
                medians[n] = statistics.median(t)
                print(f"{command} {n:>7} phrases: median {medians[n]:.3f} s "
                      f"(spread {min(t):.3f}-{max(t):.3f}, {len(t)} runs)")
            for small, large in zip(sizes, sizes[1:]):
                per_phrase = (medians[large] / large) / (medians[small] / small)
                print(f"{command} time per phrase, {large} vs {small}: {per_phrase:.2f}")


if __name__ == "__main__":
    main()
