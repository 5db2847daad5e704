#!/usr/bin/env python3
"""Checks that every folder includes only folders on its own floor or below: the order of the
README's layout table, ground first. Prints each include that reaches up, and exits 1 if any.

    scripts/check-layers.py [ROOT]
"""
import os
import re
import sys

# Ground first, as in the README.
FLOORS = ["platform", "hook", "settings", "data", "matching", "tracking", "control", "output",
          "expansion", "intake", "editor", "simulation", "winapp", "tools", "bench", "fuzz", "tests"]


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    rank = {folder: i for i, folder in enumerate(FLOORS)}
    include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]*"', re.M)
    upward = []
    for folder in FLOORS:
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".h", ".cpp", ".inc")):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for target in include.findall(f.read()):
                        if target in rank and rank[target] > rank[folder]:
                            upward.append(f"{os.path.relpath(path, root)} includes {target}/")
    for line in upward:
        print(line)
    if upward:
        print(f"{len(upward)} include(s) reach a floor above their own; see the README's layout")
        return 1
    print("every folder includes only its own floor and those below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
