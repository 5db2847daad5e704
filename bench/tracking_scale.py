#!/usr/bin/env python3
"""The idle check of the tracking records at scale: lumoratool simulate (the Release build of
the bench preset) runs the same number of steps over few windows and over many, where each
window's controls get a record. The program's idle check runs after every step, so if it
looked at every record, the many-window script would take far longer.

    bench/tracking_scale.py [--repeat N]      # median of N runs each (default 5)
    bench/tracking_scale.py --instructions    # instruction counts under callgrind instead

Prints the median and spread of each script and their ratio (goal: at most 1.2). Instruction
counts are the same from run to run whatever else the machine does, and give the program's
idle check (PurgeRecords) on its own too; the rest of the difference is the simulated
desktop's own bookkeeping of many more windows.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TOOL = os.path.join(ROOT, "build", "bench", "tools", "lumoratool")
CONTROLS = 20
STEPS = 20000


def script(windows):
    """STEPS steps: bring a window up, focus a control, type a character, cycling through
    `windows` windows of CONTROLS controls."""
    lines = []
    step = 0
    while step < STEPS:
        for w in range(windows):
            lines.append(f"window {w}")
            for c in range(CONTROLS):
                lines.append(f"focus {c}")
                lines.append('type "x"')
                step += 1
                if step == STEPS:
                    break
            if step == STEPS:
                break
    return "\n".join(lines) + "\nprint\n"


def run(phrases, text):
    start = time.perf_counter()
    subprocess.run([TOOL, "simulate", phrases], input=text.encode(), check=True,
                   stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


def instructions(phrases, text, folder):
    """Instructions in all and in PurgeRecords, counted by callgrind."""
    out = os.path.join(folder, "callgrind.out")
    subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", TOOL,
                    "simulate", phrases], input=text.encode(), check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    report = subprocess.run(["callgrind_annotate", out], capture_output=True, text=True).stdout
    total = purge = 0
    for line in report.splitlines():
        count = line.strip().split(" ", 1)[0].replace(",", "")
        if "PROGRAM TOTALS" in line:
            total = int(count)
        elif "PurgeRecords" in line and count.isdigit():
            purge = int(count)
    return total, purge


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--instructions", action="store_true")
    args = parser.parse_args()
    if not os.path.exists(TOOL):
        sys.exit(f"{TOOL} not built: cmake --preset bench && cmake --build --preset bench")
    with tempfile.TemporaryDirectory() as folder:
        phrases = os.path.join(folder, "phrases.lmx")
        subprocess.run([TOOL, "write", phrases], input=b'{"autotext":"brb","text":"be right back"}\n',
                       check=True)
        few, many = script(10), script(STEPS // CONTROLS)
        if args.instructions:
            (few_total, few_purge), (many_total, many_purge) = (
                instructions(phrases, few, folder), instructions(phrases, many, folder))
            print(f"   10 windows: {few_total:,} instructions, {few_purge:,} in the idle check")
            print(f" {STEPS // CONTROLS:4d} windows: {many_total:,} instructions, "
                  f"{many_purge:,} in the idle check")
            print(f"ratio many/few: {many_total / few_total:.2f} in all, "
                  f"{many_purge / few_purge:.2f} in the idle check")
            return
        times = {10: [], STEPS // CONTROLS: []}
        for _ in range(args.repeat):  # alternating, so that both see the same machine
            times[10].append(run(phrases, few))
            times[STEPS // CONTROLS].append(run(phrases, many))
    for windows, samples in times.items():
        print(f"{windows:5d} windows x {CONTROLS} controls, {STEPS} steps: "
              f"median {statistics.median(samples):.2f} s "
              f"[{min(samples):.2f} .. {max(samples):.2f}]")
    ratio = statistics.median(times[STEPS // CONTROLS]) / statistics.median(times[10])
    print(f"ratio many/few: {ratio:.2f}")


if __name__ == "__main__":
    main()
