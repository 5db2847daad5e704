#!/usr/bin/env python3
"""End-to-end benchmark: how many characters of a long phrase still arrive in Wine's Notepad
after the user presses Escape.

Run on demand (it is not a ctest test):

    tests/e2e/bench_escape.py [--trials N] [--after-ms MS] [--dir DIR] [--bin DIR]

It needs the Windows build (lumora.exe, lumora.dll, wintext.exe in build/windows/bin, or
--bin / $LUMORA_WINDOWS_BIN), Xvfb, wine and xdotool. On a virtual display and a Wine prefix of
its own (in DIR, by default build/bench-e2e) it runs lumora.exe with a 1,500-character phrase
and Wine's Notepad, and in each trial: types the abbreviation, waits MS milliseconds, reads
how many characters Notepad holds, presses Escape at once, and reads the count again once it
has stopped changing. The difference is the figure: characters that arrived after Escape (a
few too many, those that came while the count was read and xdotool started). Prints the
median and range; the samples go to DIR/escape-<time>.json.
"""

import argparse
import json
import os
import statistics
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import winedriver  # noqa: E402

ABBREVIATION = "lng"
PHRASE = "abcdefghij" * 150


def settled(read, quiet=1.5, timeout=120.0):
    last, since = read(), time.monotonic()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        time.sleep(0.25)
        now = read()
        if now != last:
            last, since = now, time.monotonic()
        elif time.monotonic() - since >= quiet:
            break
    return last


def run(args, env_file):
    desktop = winedriver.Desktop(env_file)
    samples = []
    with tempfile.TemporaryDirectory(prefix="lumora-bench-", dir=os.path.abspath(args.dir)) as folder:
        lumora = winedriver.Lumora(desktop, folder, [(ABBREVIATION, PHRASE)])
        # Escape stops typing: the phrase would be pasted otherwise.
        with open(os.path.join(folder, "lumora.ini"), "wb") as f:
            f.write("\ufeff[Lumora]\r\nPasteAbove=0\r\n".encode("utf-16-le"))
        # Notepad first: the first program on a fresh prefix waits for Wine's services.
        desktop.start_notepad(timeout=120)
        lumora.start()
        desktop.focus(desktop.NOTEPAD_TITLE)
        try:
            for trial in range(args.trials):
                desktop.key("ctrl+a", "BackSpace")
                settled(lambda: len(desktop.notepad_text()), quiet=0.5)
                desktop.type(ABBREVIATION, delay_ms=0)
                time.sleep(args.after_ms / 1000)
                before = len(desktop.notepad_text())
                desktop.key("Escape", delay_ms=0)
                after = settled(lambda: len(desktop.notepad_text()))
                samples.append({"at_escape": before, "final": after, "after": after - before})
                print(f"trial {trial + 1}: {before} characters at Escape, {after} in the end: "
                      f"{after - before} after it", flush=True)
        finally:
            lumora.close()
    return samples


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--trials", type=int, default=5)
    parser.add_argument("--after-ms", type=int, default=1500,
                        help="how long after the abbreviation Escape is pressed")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-e2e"))
    parser.add_argument("--bin", default=os.environ.get(
        "LUMORA_WINDOWS_BIN", os.path.join(ROOT, "build", "windows", "bin")))
    args = parser.parse_args()
    os.environ["LUMORA_WINDOWS_BIN"] = os.path.abspath(args.bin)
    winedriver.require_built(args.bin, ["lumora.exe", "lumora.dll", "wintext.exe"])
    os.makedirs(args.dir, exist_ok=True)
    with winedriver.own_desktop(args.dir) as env_file:
        samples = run(args, env_file)
    after = [s["after"] for s in samples]
    print(f"characters after Escape: median {statistics.median(after)} "
          f"[{min(after)}..{max(after)}] over {len(after)} trials")
    out = os.path.join(args.dir, f"escape-{time.strftime('%Y%m%d-%H%M%S')}.json")
    with open(out, "w") as f:
        json.dump({"bin": os.path.abspath(args.bin), "samples": samples}, f, indent=1)


if __name__ == "__main__":
    main()
