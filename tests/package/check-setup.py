#!/usr/bin/env python3
"""The setup lies beside the release zip, and the package manager's manifest made with it is
whole and names that very file: its SHA-256, its name in the download address, the version.

    check-setup.py PACKAGE_DIR VERSION PUBLISHER

Exits 77 (skipped) when the package target has not been run.
"""
import hashlib
import os
import sys

import yaml

SCHEMA = "1.12.0"


def main():
    package_dir, version, publisher = sys.argv[1:4]
    zip_path = os.path.join(package_dir, f"Lumora-{version}-win64.zip")
    setup_name = f"Lumora-{version}-setup.exe"
    setup = os.path.join(package_dir, setup_name)
    if not os.path.isfile(zip_path):
        print(f"skipped: {zip_path} not built (cmake --build --preset windows --target package)")
        return 77
    if not os.path.isfile(setup):
        print(f"FAIL: {setup} was not made beside the zip (is Debian's nsis installed?)")
        return 1
    with open(setup, "rb") as f:
        sha256 = hashlib.sha256(f.read()).hexdigest().upper()

    package_id = f"{publisher}.Lumora"
    folder = os.path.join(package_dir, "winget", package_id, version)
    manifests = {}
    for kind, suffix in (("version", ""), ("installer", ".installer"),
                         ("defaultLocale", ".locale.en-US")):
        path = os.path.join(folder, f"{package_id}{suffix}.yaml")
        try:
            with open(path, encoding="utf-8") as f:
                text = f.read()
            manifest = yaml.safe_load(text)
        except (OSError, yaml.YAMLError) as e:
            print(f"FAIL: {path}: {e}")
            return 1
        schema_line = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{SCHEMA}.schema.json"
        expected = {"PackageIdentifier": package_id, "PackageVersion": version,
                    "ManifestType": kind, "ManifestVersion": SCHEMA}
        got = {k: manifest.get(k) for k in expected}
        if got != expected or text.splitlines()[0] != schema_line:
            print(f"FAIL: {path} holds {got} (first line {text.splitlines()[0]!r}), "
                  f"expected {expected} under {schema_line!r}")
            return 1
        manifests[kind] = manifest

    installer = manifests["installer"]
    entries = installer.get("Installers") or [{}]
    want = {"InstallerType": "nullsoft", "Scope": "user", "Architecture": "x64",
            "InstallerSha256": sha256, "DisplayVersion": version, "UrlNamesTheSetup": True}
    got = {"InstallerType": installer.get("InstallerType"), "Scope": installer.get("Scope"),
           "Architecture": entries[0].get("Architecture"),
           "InstallerSha256": entries[0].get("InstallerSha256"),
           "DisplayVersion": (installer.get("AppsAndFeaturesEntries") or [{}])[0]
           .get("DisplayVersion"),
           "UrlNamesTheSetup": str(entries[0].get("InstallerUrl", "")).startswith("https://")
           and str(entries[0].get("InstallerUrl")).endswith("/" + setup_name)}
    if len(entries) != 1 or got != want:
        print(f"FAIL: the installer manifest holds {got}, expected {want}")
        return 1
    locale = manifests["defaultLocale"]
    missing = [k for k in ("PackageLocale", "Publisher", "PackageName", "License",
                           "ShortDescription") if not locale.get(k)]
    if missing or manifests["version"].get("DefaultLocale") != locale.get("PackageLocale"):
        print(f"FAIL: the locale manifest lacks {missing} or its locale is not the default")
        return 1
    print(f"{setup}: SHA-256 {sha256}, manifest {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
