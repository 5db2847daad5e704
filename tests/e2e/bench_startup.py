#!/usr/bin/env python3
"""End-to-end benchmark: how long lumora.exe takes to start under Wine with few phrases and
with many, side by side.

Run on demand (it is not a ctest test):

    tests/e2e/bench_startup.py [--trials N] [--phrases N] [--dir DIR]

It needs the Windows build (lumora.exe, lumora.dll and wintext.exe in build/windows/bin, or
$LUMORA_WINDOWS_BIN), Xvfb and wine. It starts a virtual display and a fresh Wine prefix of its
own (wine-desktop.sh, in DIR, by default build/bench-e2e), makes two program folders, one with
2 phrases and one with --phrases (10,000 by default) of 200 characters, and starts each in turn:
`wintext launch` inside Wine times the start from CreateProcess to the main window's caption
carrying the version, which the program sets once the phrases are loaded and the hook is set.
Each copy is then ended with `lumora.exe -exit`. Prints the median and spread of each and the
difference of the medians (goal: at most 0.3 s).
"""

import argparse
import os
import random
import shutil
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import winedriver  # noqa: E402


def many_phrases(count):
    rng = random.Random(count)
    letters = "abcdefghijklmnopqrstuvwxyz"
    seen = set()
    phrases = []
    while len(phrases) < count:
        abbreviation = "".join(rng.choice(letters) for _ in range(6))
        if abbreviation in seen:
            continue
        seen.add(abbreviation)
        phrases.append((abbreviation, "".join(rng.choice(letters + " ") for _ in range(200))))
    return phrases


def program_folder(desktop, parent, phrases):
    folder = tempfile.mkdtemp(prefix="lumora-", dir=parent)
    winedriver.Lumora(desktop, folder, phrases)
    # No limit: every phrase is loaded, as for a user who raised it.
    with open(os.path.join(folder, "lumora.ini"), "wb") as f:
        f.write("\ufeff[Lumora]\r\nMaxPhrases=1000000\r\n".encode("utf-16-le"))
    return folder


def start_ms(desktop, folder):
    result = desktop.wintext("launch", "--class", winedriver.Lumora.WINDOW_CLASS,
                             "--expect", "Lumora ", "--timeout", "120000",
                             "--program", winedriver.wine_path(os.path.join(folder, "lumora.exe")),
                             timeout=150)
    if result.returncode != 0:
        raise RuntimeError(f"lumora.exe in {folder} did not start")
    return float(result.stdout.decode().strip())


def end(desktop, folder):
    desktop.run([os.path.join(folder, "lumora.exe"), "-exit"], timeout=60, check=False)
    winedriver.wait_until(
        lambda: not any(w.cls == winedriver.Lumora.WINDOW_CLASS for w in desktop.windows()),
        timeout=60, what="lumora.exe to end")


def run(args, env_file):
    os.environ["LUMORA_WINE_ENV"] = env_file
    os.environ["LUMORA_WINDOWS_BIN"] = args.bin
    desktop = winedriver.Desktop()
    variants = {
        "2 phrases": program_folder(desktop, args.dir, [("brb", "be right back"),
                                                        ("ty", "thank you")]),
        f"{args.phrases} phrases": program_folder(desktop, args.dir,
                                                  many_phrases(args.phrases)),
    }
    samples = {name: [] for name in variants}
    try:
        for trial in range(args.warmup + args.trials):
            for name, folder in variants.items():
                ms = start_ms(desktop, folder)
                end(desktop, folder)
                if trial >= args.warmup:
                    samples[name].append(ms)
                    if args.verbose:
                        print(f"{name}: {ms:.0f} ms", flush=True)
    finally:
        desktop.stop_all()
        for folder in variants.values():
            shutil.rmtree(folder, ignore_errors=True)
    return samples


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--trials", type=int, default=5, help="timed starts a variant (5)")
    parser.add_argument("--warmup", type=int, default=1, help="untimed rounds first (1)")
    parser.add_argument("--phrases", type=int, default=10000, help="the larger list (10000)")
    parser.add_argument("--bin", default=os.environ.get("LUMORA_WINDOWS_BIN") or
                        os.path.join(ROOT, "build", "windows", "bin"),
                        help="folder of the Windows binaries")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-e2e"),
                        help="folder for the desktop and the program's folders")
    parser.add_argument("-v", "--verbose", action="store_true", help="print every start")
    args = parser.parse_args()
    winedriver.require_built(args.bin, ("lumora.exe", "lumora.dll", "wintext.exe"))
    os.makedirs(args.dir, exist_ok=True)
    args.dir = os.path.abspath(args.dir)
    args.bin = os.path.abspath(args.bin)

    started = time.monotonic()
    with winedriver.own_desktop(args.dir) as env_file:
        samples = run(args, env_file)

    medians = {}
    for name, values in samples.items():
        medians[name] = statistics.median(values)
        print(f"start with {name}: median {medians[name]:.0f} ms "
              f"[{min(values):.0f}..{max(values):.0f}] over {len(values)} starts")
    few, many = medians.values()
    print(f"difference of the medians: {(many - few) / 1000:.2f} s")
    print(f"whole run {time.monotonic() - started:.0f} s (load average now "
          f"{os.getloadavg()[0]:.2f} on {os.cpu_count()} cores)")


if __name__ == "__main__":
    main()
