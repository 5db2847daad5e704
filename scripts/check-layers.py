#!/usr/bin/env python3
"""Checks that every folder includes only folders on its own floor or below: the order of the
README's layout table, ground first; and that only the Windows shell (platform/win32/, the hook
library's own files, winapp/ and the end-to-end helpers) includes <windows.h>, another Windows
header or platform/win32/. Prints each include that breaks a rule, and exits 1 if any.

    scripts/check-layers.py [ROOT]
"""
import os
import re
import sys

# Ground first, as in the README.
FLOORS = ["platform", "hook", "settings", "data", "exchange", "matching", "tracking", "control", "output",
          "expansion", "intake", "editor", "simulation", "winapp", "tools", "bench", "fuzz", "tests"]

# The places that may call Windows itself; the portable core reaches it through platform/.
WINDOWS_ONLY = ["platform/win32/", "hook/LumoraHook.", "winapp/", "tests/e2e/"]
# Headers of the Windows SDK that the shell uses.
WINDOWS_HEADERS = {"windows.h", "commctrl.h", "commdlg.h", "shellapi.h", "wtsapi32.h",
                   "tlhelp32.h", "mmsystem.h", "shlobj.h", "winreg.h"}


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    rank = {folder: i for i, folder in enumerate(FLOORS)}
    include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]*"', re.M)
    windows = re.compile(r'^\s*#\s*include\s+(?:<([^>]+)>|"(platform/win32/[^"]*)")', re.M)
    broken = []
    for folder in FLOORS:
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".h", ".cpp", ".inc")):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                relative = os.path.relpath(path, root).replace(os.sep, "/")
                for target in include.findall(text):
                    if target in rank and rank[target] > rank[folder]:
                        broken.append(f"{relative} includes {target}/")
                if any(relative.startswith(place) for place in WINDOWS_ONLY):
                    continue
                for header, win32 in windows.findall(text):
                    if win32 or header.lower() in WINDOWS_HEADERS:
                        broken.append(f"{relative} includes {win32 or '<' + header + '>'}, "
                                      "which only the Windows shell may")
    for line in broken:
        print(line)
    if broken:
        print(f"{len(broken)} include(s) break the floors; see the README's layout")
        return 1
    print("every folder includes only its own floor and those below, and only the Windows shell "
          "includes Windows")
    return 0


if __name__ == "__main__":
    sys.exit(main())
