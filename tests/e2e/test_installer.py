"""Lumora's setup under Wine, as a user meets it: a silent install for the current user (files,
Start menu shortcut, the sign-in entry and the "Apps" entry read back with `wine reg query`),
the installed program expanding a phrase added in its list into Notepad, an upgrade over the
running program that keeps the phrases and settings and starts it again, and a silent removal
that ends it and takes everything but the user's phrases and settings; then the setup's pages
and the removal's question, with the keyboard."""

import os
import shutil

import winedriver

UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumora"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
PROGRAM_FILES = ("lumora.exe", "lumora.dll", "README.txt", "LICENSE", "uninstall.exe")
# The user's own files, which an upgrade and a silent removal keep. Lumora itself writes the
# settings file (the phrase list's size), keeping lines it does not know.
SETTINGS = b"\xef\xbb\xbf[Lumora]\r\n; my own note\r\nMaxPhrases=40\r\n"
SETTINGS_KEPT = ("; my own note", "MaxPhrases=40")
BACKUP = winedriver.phrase_file_bytes([("old", "an older list")])


class Installer(winedriver.DesktopTest):
    binaries = ("wintext.exe", "lumora.exe", "lumora.dll")

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.version = os.environ.get("LUMORA_VERSION", "")
        cls.setup = os.path.join(cls.desktop.bin, "..", "package",
                                 f"Lumora-{cls.version}-setup.exe")
        if not os.path.isfile(cls.setup):
            print(f"skipped: {cls.setup} not built "
                  "(cmake --build --preset windows --target package)")
            raise SystemExit(winedriver.SKIP)

    def setUp(self):
        self.folder = None  # the install folder, as Linux sees it
        self.shortcut = None

    def tearDown(self):
        # Whatever a failed run left: the copy the setup started, the install, the Run entry
        # (the next tests read the same prefix).
        try:
            self.desktop.wintext("close", "--class", winedriver.Lumora.WINDOW_CLASS)
            if self.registry(UNINSTALL_KEY):
                self.desktop.run(["wine", "reg", "delete", UNINSTALL_KEY, "/f"], check=False)
            if self.registry(RUN_KEY, "Lumora"):
                self.desktop.run(["wine", "reg", "delete", RUN_KEY, "/v", "Lumora", "/f"],
                                 check=False)
            if self.folder:
                shutil.rmtree(self.folder, ignore_errors=True)
            if self.shortcut and os.path.exists(self.shortcut):
                os.remove(self.shortcut)
        finally:
            super().tearDown()

    # -- helpers ----------------------------------------------------------------------------

    def registry(self, key, value=None):
        """The values of a key as `wine reg query` prints them, {name: data}; {} when the key
        (or the value asked for) is not there."""
        args = ["wine", "reg", "query", key] + (["/v", value] if value else [])
        result = self.desktop.run(args, check=False)
        if result.returncode != 0:
            return {}
        values = {}
        for line in result.stdout.decode("utf-8", errors="replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2] if len(parts) == 3 else ""
        return values

    def listed_programs(self):
        """The programs Wine's own "Add/Remove Programs" lists, by name."""
        out = self.desktop.run(["wine", "uninstaller", "--list"]).stdout.decode("utf-8", "replace")
        return [line.split("|||")[-1] for line in out.splitlines() if "|||" in line]

    def linux_path(self, windows_path):
        result = self.desktop.run(["winepath", "-u", windows_path])
        return result.stdout.decode("utf-8").strip()

    def installed_at(self, location):
        """Notes the install folder (and the Start menu shortcut of that user) to check and to
        clean up."""
        self.folder = self.linux_path(location)
        appdata = os.path.dirname(os.path.dirname(os.path.dirname(self.folder)))
        self.shortcut = os.path.join(appdata, "Roaming", "Microsoft", "Windows", "Start Menu",
                                     "Programs", "Lumora.lnk")

    def focus_dialog(self, caption, count=1):
        """Gives the focus to the setup's or uninstaller's window (its caption may carry the
        step: "Lumora Setup: Completed"); with count, once that many windows of it show (a
        question box has the same caption)."""
        shown = winedriver.wait_until(
            lambda: (ws := [w for w in self.desktop.windows()
                            if w.title.startswith(caption) and w.visible])[count - 1:] and ws,
            30, what=f"{count} window(s) {caption!r}")
        self.desktop.focus(shown[0].title)
        return shown

    def run_setup(self):
        self.assertEqual(self.desktop.run([self.setup, "/S"], timeout=120).returncode, 0)

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def assertSettingsKept(self):
        data = self.read("lumora.ini")
        text = data.decode("utf-16") if data.startswith(b"\xff\xfe") else data.decode("utf-8-sig")
        for line in SETTINGS_KEPT:
            self.assertIn(line, text.splitlines())

    def lumora_window(self):
        return next((w for w in self.desktop.windows()
                     if w.cls == winedriver.Lumora.WINDOW_CLASS), None)

    def add_phrase_in_list(self, lumora, abbreviation, text):
        """"Settings" in the tray menu, New item (Ctrl+N), the abbreviation, Tab, the text,
        Enter; then the list is minimized away."""
        menu = lumora.open_tray_menu()
        ml, mt, mr, _ = menu.rect
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: lumora.main_window().visible, 10,
                              what="the phrase list to show")
        self.desktop.focus(lumora.caption())
        self.desktop.key("ctrl+n")
        winedriver.wait_until(lambda: (lumora.child(lumora.CELL_EDITOR) or (False,))[0], 10,
                              what="the new row's cell editor")
        self.desktop.type(abbreviation)
        self.desktop.key("Tab")
        self.desktop.type(text, delay_ms=10)
        self.desktop.key("Return")
        winedriver.wait_until(lambda: lumora.child(lumora.CELL_EDITOR) is None, 10,
                              what="the cell editor to close")
        self.desktop.wintext("post", "--class", lumora.WINDOW_CLASS, "--message", "0x112",
                             "--wparam", "0xF020")  # WM_SYSCOMMAND, SC_MINIMIZE
        winedriver.wait_until(lambda: not lumora.main_window().visible, 10,
                              what="the phrase list to hide")

    def type_in_notepad(self, typed, expected, delay_ms):
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.desktop.type(typed, delay_ms=delay_ms)
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    # -- the scenario -----------------------------------------------------------------------

    def test_setup_ShouldInstallForTheUser_UpgradeKeepingPhrases_AndRemoveLeavingThem(self):
        self.assertEqual(self.registry(UNINSTALL_KEY), {}, "installed before the test")

        # A silent install: the defaults, for the current user.
        self.run_setup()
        entry = self.registry(UNINSTALL_KEY)
        location = entry.get("InstallLocation", "")
        self.assertTrue(location.lower().endswith(r"\appdata\local\programs\lumora"), entry)
        self.installed_at(location)
        exe = location + r"\lumora.exe"
        self.assertEqual({k: entry.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher",
                                                    "DisplayIcon", "UninstallString",
                                                    "QuietUninstallString")},
                         {"DisplayName": "Lumora", "DisplayVersion": self.version,
                          "Publisher": "Scrivolet", "DisplayIcon": exe + ",0",
                          "UninstallString": f'"{location}\\uninstall.exe"',
                          "QuietUninstallString": f'"{location}\\uninstall.exe" /S'})
        # Its size in KB, as "Apps" shows it: the two programs are some 2 MB.
        self.assertGreater(int(entry["EstimatedSize"], 16), 1000)
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(PROGRAM_FILES))
        for program in ("lumora.exe", "lumora.dll"):
            with open(self.desktop.exe(program), "rb") as f:
                self.assertEqual(self.read(program), f.read(),
                                 f"{program} in the setup is not the one built; "
                                 "rebuild the package target")
        with open(self.shortcut, "rb") as f:
            self.assertIn("lumora.exe".encode("utf-16-le"), f.read().lower())
        # The entry the Options window writes: the installed program's path, in quotes.
        self.assertEqual(self.registry(RUN_KEY, "Lumora"), {"Lumora": f'"{exe}"'})
        self.assertIn("Lumora", self.listed_programs())

        # The installed program runs from its folder and expands a phrase added in its list.
        with open(os.path.join(self.folder, "lumora.ini"), "wb") as f:
            f.write(SETTINGS)
        with open(os.path.join(self.folder, "lumora.lmx.bak"), "wb") as f:
            f.write(BACKUP)
        lumora = winedriver.Lumora(self.desktop, self.folder, copy=False)
        lumora.start()
        # The caption's version comes from the program's version resource.
        self.assertEqual(lumora.caption(), f"Lumora {self.version}")
        self.add_phrase_in_list(lumora, "tyvm", "thank you very much")
        self.desktop.start_notepad()
        self.type_in_notepad("ok tyvm", "ok thank you very much", delay_ms=30)

        # An upgrade over the running program: it is ended (saving its phrases), its files
        # replaced, and it is started again from the installed folder.
        first = self.lumora_window()
        self.run_setup()
        lumora.proc.wait(30)
        winedriver.wait_until(
            lambda: (w := self.lumora_window()) and w.pid != first.pid and
            w.title.startswith("Lumora ") and w, 30, what="Lumora to start again")
        self.assertEqual(winedriver.phrases_of(self.read("lumora.lmx")),
                         [("tyvm", "thank you very much")])
        self.assertSettingsKept()
        self.assertEqual(self.read("lumora.lmx.bak"), BACKUP)
        self.type_in_notepad(" tyvm", "ok thank you very much thank you very much", delay_ms=0)

        # A silent removal ends the program and leaves the phrases and settings alone. The
        # uninstaller runs on from a copy of itself, so its end is waited for.
        self.desktop.run([os.path.join(self.folder, "uninstall.exe"), "/S"], timeout=60)
        winedriver.wait_until(lambda: not self.registry(UNINSTALL_KEY) and
                              not os.path.exists(os.path.join(self.folder, "uninstall.exe")),
                              60, interval=0.5, what="the removal to end")
        winedriver.wait_until(lambda: self.lumora_window() is None, 10,
                              what="Lumora to end")
        self.assertEqual(sorted(os.listdir(self.folder)),
                         ["lumora.ini", "lumora.lmx", "lumora.lmx.bak"])
        self.assertEqual(winedriver.phrases_of(self.read("lumora.lmx")),
                         [("tyvm", "thank you very much")])
        self.assertSettingsKept()
        self.assertFalse(os.path.exists(self.shortcut))
        self.assertEqual(self.registry(RUN_KEY, "Lumora"), {})
        self.assertNotIn("Lumora", self.listed_programs())

    def test_pages_ShouldFollowTheChoicesMade_AndRemovalShouldAskBeforeTakingThePhrases(self):
        # The setup's pages with the keyboard: "Start Lumora when I sign in" unticked (Alt+S),
        # Install, and Finish with "Start Lumora now" left ticked.
        self.desktop.start([self.setup])
        self.focus_dialog("Lumora Setup")
        self.desktop.key("alt+s", "Return")
        winedriver.wait_until(lambda: self.registry(UNINSTALL_KEY), 30, interval=0.5,
                              what="the install")
        self.installed_at(self.registry(UNINSTALL_KEY)["InstallLocation"])
        self.focus_dialog("Lumora Setup")
        self.desktop.key("Return")  # Finish
        winedriver.wait_until(self.lumora_window, 30, what="Lumora to start")
        self.assertEqual(self.registry(RUN_KEY, "Lumora"), {})

        # The removal ends Lumora, which writes its (new) phrase file as it ends, then asks
        # before it takes anything; Yes takes the phrases and settings too, and the folder.
        self.assertFalse(os.path.exists(os.path.join(self.folder, "lumora.lmx")))
        with open(os.path.join(self.folder, "lumora.ini"), "wb") as f:
            f.write(SETTINGS)
        with open(os.path.join(self.folder, "lumora.lmx.bak"), "wb") as f:
            f.write(BACKUP)
        self.desktop.run([os.path.join(self.folder, "uninstall.exe")], timeout=60)
        self.focus_dialog("Lumora Uninstall")
        self.desktop.key("Return")  # Uninstall
        self.focus_dialog("Lumora Uninstall", count=2)  # the question
        self.assertIsNone(self.lumora_window())
        self.assertEqual(sorted(os.listdir(self.folder)),
                         sorted(PROGRAM_FILES + ("lumora.lmx", "lumora.lmx.bak", "lumora.ini")))
        self.desktop.key("y")
        winedriver.wait_until(lambda: not os.path.exists(self.folder), 30, interval=0.5,
                              what="the folder to go")
        self.assertEqual(self.registry(UNINSTALL_KEY), {})


if __name__ == "__main__":
    winedriver.main()
