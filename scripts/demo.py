#!/usr/bin/env python3
"""Helpers of scripts/run.sh.

    demo.py sample FILE        writes a sample phrase file (lumora.lmx) to FILE
    demo.py headless BIN DIR   a short demonstration on a virtual display: Xvfb and a fresh
                               Wine prefix in DIR, lumora.exe from BIN typing into Notepad
"""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import winedriver  # noqa: E402

SAMPLE_PHRASES = [
    ("brb", "be right back"),
    ("ty", "Thank you!"),
    ("omw", "on my way"),
    ("sig", "Kind regards,\r\nAnn Example\r\nLumora user since today"),
    ("addr", "12 Example Street, Springfield"),
]


def sample(path):
    with open(path, "wb") as f:
        f.write(winedriver.phrase_file_bytes(SAMPLE_PHRASES))


def headless(bin_dir, work):
    desktop_script = os.path.join(HERE, "..", "tests", "e2e", "wine-desktop.sh")
    print("Starting a virtual display and a fresh Wine prefix (about 20 s)...", flush=True)
    subprocess.run([desktop_script, "start", work], check=True, stdout=subprocess.DEVNULL)
    os.environ["LUMORA_WINE_ENV"] = os.path.join(work, "desktop.env")
    os.environ["LUMORA_WINDOWS_BIN"] = bin_dir
    desktop = winedriver.Desktop()
    app = os.path.join(work, "app")
    os.makedirs(app, exist_ok=True)
    lumora = winedriver.Lumora(desktop, app, SAMPLE_PHRASES)
    try:
        lumora.start()
        print(f"{lumora.caption()} runs in the tray with {len(SAMPLE_PHRASES)} phrases:")
        for autotext, text in SAMPLE_PHRASES:
            print(f"  {autotext:6} {text!r}")
        desktop.start_notepad()
        # Each step is typed once the one before has been expanded, as a person would.
        steps = [("type", "Hi team, brb", "Hi team, be right back"),
                 ("key", "Return", "Hi team, be right back\n"),
                 ("type", "ty", "Hi team, be right back\nThank you!"),
                 ("type", " sig", "Hi team, be right back\nThank you! Kind regards,\n"
                                  "Ann Example\nLumora user since today")]
        typed = ""
        for kind, what, after in steps:
            if kind == "type":
                desktop.type(what)
                typed += what
            else:
                desktop.key(what)
                typed += "\n"
            text = desktop.notepad_text(expect=after, timeout=20)
        expected = steps[-1][2]
        print("\nTyped into Notepad:\n  " + typed.replace("\n", "\n  "))
        print("\nNotepad now holds:\n  " + text.replace("\n", "\n  "))
        ok = text == expected
        print("\n" + ("Every abbreviation was expanded." if ok else "Unexpected text."))
        return 0 if ok else 1
    finally:
        lumora.close()
        subprocess.run([desktop_script, "stop", work], stdout=subprocess.DEVNULL)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "sample":
        sample(sys.argv[2])
        return 0
    if len(sys.argv) == 4 and sys.argv[1] == "headless":
        return headless(os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
