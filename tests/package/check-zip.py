#!/usr/bin/env python3
"""The release zip holds what a user needs, and its programs are the very ones the end-to-end
tests ran (byte for byte the files in the Windows build's bin folder).

    check-zip.py PACKAGE_DIR WINDOWS_BIN_DIR VERSION

Exits 77 (skipped) when the zip has not been built (cmake --build --preset windows --target
package).
"""
import os
import sys
import zipfile


def main():
    package_dir, bin_dir, version = sys.argv[1:4]
    name = f"Lumora-{version}-win64"
    path = os.path.join(package_dir, name + ".zip")
    if not os.path.isfile(path):
        print(f"skipped: {path} not built (cmake --build --preset windows --target package)")
        return 77
    with zipfile.ZipFile(path) as z:
        members = sorted(z.namelist())
        expected = sorted(f"{name}/{f}" for f in ("lumora.exe", "lumora.dll", "README.txt",
                                                   "LICENSE"))
        if members != expected:
            print(f"FAIL: {path} holds {members}, expected {expected}")
            return 1
        for program in ("lumora.exe", "lumora.dll"):
            with open(os.path.join(bin_dir, program), "rb") as f:
                if z.read(f"{name}/{program}") != f.read():
                    print(f"FAIL: {program} in the zip differs from {bin_dir}/{program}")
                    return 1
        readme = z.read(f"{name}/README.txt").decode("utf-8")
        for needed in ("lumora.exe", "lumora.lmx", "Exit", "delete the folder"):
            if needed not in readme:
                print(f"FAIL: README.txt does not mention {needed!r}")
                return 1
        if "MIT License" not in z.read(f"{name}/LICENSE").decode("utf-8"):
            print("FAIL: LICENSE is not the MIT licence")
            return 1
    print(f"{path}: {', '.join(members)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
