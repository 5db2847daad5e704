#!/usr/bin/env python3
"""End-to-end benchmark: how often lumora.exe wakes up under Wine while nothing happens.

Run on demand (it is not a ctest test):

    tests/e2e/bench_idle.py [--seconds N] [--trials N] [--dir DIR] [--bin FOLDER]

It needs the Windows build (lumora.exe, lumora.dll and wintext.exe in --bin, by default
$LUMORA_WINDOWS_BIN or build/windows/bin), Xvfb and wine, and starts a virtual display and a
fresh Wine prefix of its own (in DIR, by default build/bench-e2e). lumora.exe runs from a
folder of its own with a few phrases; once its hook is in and it has settled for a few seconds,
nothing is typed, moved or changed for --seconds (60 by default). Under Wine each thread of the
program is a Linux thread: a wake-up of any of them (a timer, a message, a wait that ends) is a
context switch, which the kernel counts per thread in /proc/PID/task/TID/status. The figure is
the sum over the program's threads of the voluntary and involuntary switches in that time, per
second, with the threads that switched most; one timer wake-up under Wine costs a few
switches (the call to the wineserver and its answer), so the figure is an upper bound of the
wake-ups and is compared between builds, not read as a count of timers.
"""

import argparse
import os
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import winedriver  # noqa: E402

PHRASES = [("brb", "be right back"), ("ty", "thank you"), ("omw", "on my way")]


def program_pids(folder):
    """The Linux pids of the lumora.exe that runs from folder (Wine names its processes by
    their Windows path)."""
    name = os.path.basename(folder).lower()
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode(errors="replace").lower()
        except OSError:
            continue
        if "lumora.exe" in cmdline and name in cmdline and "wine " not in cmdline[:5]:
            pids.append(int(entry))
    return pids


def switches(pid):
    """{thread id: (name, context switches so far)} of a process."""
    counts = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
        except OSError:
            continue
        total = int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"])
        counts[tid] = (fields["Name"].strip(), total)
    return counts


def measure(desktop, parent, seconds):
    folder = tempfile.mkdtemp(prefix="lumora-idle-", dir=parent)
    lumora = winedriver.Lumora(desktop, folder, PHRASES)
    lumora.start()
    try:
        time.sleep(5)  # start-up's own work is over
        pids = program_pids(folder)
        if not pids:
            sys.exit("the lumora.exe process was not found in /proc")
        pid = max(pids)
        before = switches(pid)
        time.sleep(seconds)
        after = switches(pid)
    finally:
        lumora.close()
    per_thread = {}
    for tid, (name, count) in after.items():
        per_thread[tid] = (name, count - before.get(tid, (name, 0))[1])
    total = sum(n for _, n in per_thread.values())
    return total / seconds, len(after), sorted(per_thread.values(), key=lambda v: -v[1])[:4]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--trials", type=int, default=3)
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-e2e"))
    parser.add_argument("--bin", default=os.environ.get(
        "LUMORA_WINDOWS_BIN", os.path.join(ROOT, "build", "windows", "bin")))
    args = parser.parse_args()
    winedriver.require_built(args.bin, ("lumora.exe", "lumora.dll", "wintext.exe"))
    os.makedirs(args.dir, exist_ok=True)
    os.environ["LUMORA_WINDOWS_BIN"] = os.path.abspath(args.bin)
    with tempfile.TemporaryDirectory(dir=args.dir) as work:
        with winedriver.own_desktop(work) as env:
            os.environ["LUMORA_WINE_ENV"] = env
            desktop = winedriver.Desktop()
            rates = []
            for trial in range(args.trials):
                rate, threads, top = measure(desktop, work, args.seconds)
                rates.append(rate)
                busiest = ", ".join(f"{name} {count}" for name, count in top)
                print(f"trial {trial + 1}: {rate:.2f} switches/s over {args.seconds} s, "
                      f"{threads} threads; busiest: {busiest}", flush=True)
    print(f"median {statistics.median(rates):.2f} switches/s [{min(rates):.2f}..{max(rates):.2f}]"
          f" ({args.bin})")


if __name__ == "__main__":
    main()
