"""The phrase file of lumora.exe under Wine: an edit is on disk soon after it is made (a hard
kill keeps it), a file written by another program is picked up while the program runs, loads
cut at falling limits never cost a stored phrase, a damaged file is shown and kept, and an exit
during the load writes nothing."""

import os
import signal
import subprocess
import tempfile

import winedriver

LIST = "SysListView32"
PHRASES = [("brb", "be right back"), ("sig", "Kind regards")]


def numbered(count):
    return [(f"p{i:02d}", f"phrase number {i}") for i in range(count)]


class PhraseFile(winedriver.LumoraTest):
    binaries = ("wintext.exe", "lumora.exe", "lumora.dll", "lumoratool.exe")
    phrases = PHRASES

    # -- helpers ----------------------------------------------------------------------------

    def path(self, name="lumora.lmx"):
        return os.path.join(self.lumora.folder, name)

    def stored(self, name="lumora.lmx"):
        with open(self.path(name), "rb") as f:
            return winedriver.phrases_of(f.read())

    def write_file(self, data):
        with open(self.lumora.phrase_file, "wb") as f:
            f.write(data)

    def start(self, *args):
        self.lumora.proc = None  # the copy that exit_from_tray waits for
        self.lumora.start(*args)

    def open_editor(self):
        menu = self.lumora.open_tray_menu()
        ml, mt, mr, _ = menu.rect
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the main window to show")
        self.desktop.focus(self.lumora.caption())

    def rename_first(self, abbreviation):
        """Types a new abbreviation into the first row, as the user does, and accepts it."""
        left = self.lumora.child(LIST)[1][0]
        header_bottom = self.lumora.child("SysHeader32")[1][3]
        self.desktop.xdotool("mousemove", str(left + 20), str(header_bottom + 6), "click", "1")
        self.desktop.type(abbreviation)
        winedriver.wait_until(lambda: (self.lumora.child(self.lumora.CELL_EDITOR) or (0, 0, ""))[2] == abbreviation, 10,
                              what=f"the cell editor with {abbreviation!r}")
        self.desktop.key("Return")
        winedriver.wait_until(lambda: self.lumora.child(self.lumora.CELL_EDITOR) is None, 10,
                              what="the cell editor to close")

    def wait_stored(self, expected, timeout=10.0):
        try:
            winedriver.wait_until(lambda: self.stored() == expected, timeout,
                                  what="the phrases on disk")
        except TimeoutError:
            pass
        self.assertEqual(self.stored(), expected)

    # -- tests ------------------------------------------------------------------------------

    def test_edit_ShouldBeOnDisk_AndSurviveAHardKill(self):
        self.start()
        self.open_editor()
        self.rename_first("bbl")
        expected = [("bbl", "be right back"), ("sig", "Kind regards")]
        self.wait_stored(expected)
        # As the task manager ends a program: no message, no shutdown.
        os.kill(self.lumora.proc.pid, signal.SIGKILL)
        self.lumora.proc.wait(10)
        self.assertEqual(self.stored(), expected)

    def test_fileWrittenByAnotherProgram_ShouldBePickedUp_WhileRunning(self):
        self.start()
        with tempfile.TemporaryFile() as lines, tempfile.TemporaryFile() as out:
            lines.write(b'{"autotext":"omw","text":"on my way"}\n'
                        b'{"autotext":"brb","text":"be right back"}\n')
            lines.seek(0)
            subprocess.run(["wine", self.desktop.exe("lumoratool.exe"), "write", "lumora.lmx"],
                           env=self.desktop.env, cwd=self.lumora.folder, stdin=lines,
                           stdout=out, stderr=out, check=True, timeout=60)
        rows = lambda: self.desktop.wintext("rows", "--class", self.lumora.WINDOW_CLASS).stdout
        winedriver.wait_until(lambda: b"omw\ton my way" in rows(), 15,
                              what="the new file in the phrase list")
        self.desktop.start_notepad()
        self.desktop.type("ok omw")
        self.assertEqual(self.desktop.notepad_text(expect="ok on my way"), "ok on my way")
        self.lumora.exit_from_tray()
        self.assertEqual(self.stored(), [("omw", "on my way"), ("brb", "be right back")])

    def test_cutLoads_ShouldKeepEveryStoredPhraseInACopy_WhenLimitsFall(self):
        self.write_file(winedriver.phrase_file_bytes(numbered(40)))
        for limit in (20, 10):
            self.start(f"-maxitems={limit}")
            # The start says that the file holds more than the limit.
            self.desktop.wait_window(cls="#32770", title="Lumora")
            self.desktop.wintext("close", "--class", "#32770")
            self.open_editor()
            self.rename_first(f"e{limit}")
            winedriver.wait_until(lambda: self.stored()[0][0] == f"e{limit}", 10,
                                  what="the edit on disk")
            self.lumora.exit_from_tray()

        self.assertEqual(self.stored(), [("e10", "phrase number 0")] + numbered(10)[1:])
        self.assertEqual(self.stored("lumora.lmx.bak"), numbered(40))
        self.assertEqual(self.stored("lumora.lmx.20-phrases.bak"),
                         [("e20", "phrase number 0")] + numbered(20)[1:])

    def test_readOnlyFile_ShouldNotBeWritten_AndSaySoOnce(self):
        os.chmod(self.lumora.phrase_file, 0o444)  # what Wine shows as the read-only mark
        self.start()
        self.open_editor()
        self.rename_first("bbl")
        self.desktop.wait_window(title="Lumora", cls="#32770", timeout=15)
        result = self.desktop.wintext("text", "--class", "#32770", "--title", "Lumora",
                                      "--child", "Static")
        self.assertIn("read-only", result.stdout.decode())
        self.desktop.wintext("close", "--class", "#32770", "--title", "Lumora")
        self.lumora.exit_from_tray()
        self.assertEqual(self.stored(), PHRASES)

    def test_linkedFile_ShouldBeWrittenThrough(self):
        synced = os.path.join(self.lumora.folder, "synced")
        os.mkdir(synced)
        os.rename(self.lumora.phrase_file, os.path.join(synced, "lumora.lmx"))
        os.symlink(os.path.join(synced, "lumora.lmx"), self.lumora.phrase_file)
        self.start()
        self.open_editor()
        self.rename_first("bbl")
        self.wait_stored([("bbl", "be right back"), ("sig", "Kind regards")])
        self.lumora.exit_from_tray()
        self.assertTrue(os.path.islink(self.lumora.phrase_file))
        self.assertEqual(os.listdir(synced), ["lumora.lmx"])

    def test_damagedFile_ShouldBeShownAndKept(self):
        damaged = bytearray(winedriver.phrase_file_bytes(PHRASES))
        damaged[:64] = bytes(64)  # a zeroed first block
        self.write_file(bytes(damaged))
        # An older backup, of no more phrases: the copy replaces it (with the system's copy,
        # which the C++ runtime's copy with overwrite cannot do under MinGW).
        with open(self.path("lumora.lmx.bak"), "wb") as f:
            f.write(winedriver.phrase_file_bytes([]))
        self.lumora.start(wait=False)
        self.desktop.wait_window(title="Lumora", cls="#32770", timeout=30)
        result = self.desktop.wintext("text", "--class", "#32770", "--title", "Lumora",
                                      "--child", "Static")
        self.assertIn("damaged", result.stdout.decode())
        self.desktop.wintext("close", "--class", "#32770", "--title", "Lumora")
        # The hook is set as after any start (the caption carries the version).
        winedriver.wait_until(lambda: self.lumora.caption().startswith("Lumora "), 10,
                              what="the caption")
        self.lumora.exit_from_tray()
        with open(self.path("lumora.lmx.bak"), "rb") as f:
            self.assertEqual(f.read(), bytes(damaged))

    def test_exitOrSessionEndDuringLoad_ShouldEndAndWriteNothing(self):
        big = winedriver.phrase_file_bytes(numbered(100) * 1000)
        self.write_file(big)
        for message in ("0x10", "0x16"):  # WM_CLOSE (tray Exit), WM_ENDSESSION
            self.lumora.proc = None
            # The load takes well under a second now: slowed down to 1 ms a phrase, it is
            # surely still running when the message comes.
            self.lumora.start("-maxitems=-1", wait=False,
                              env={"LUMORA_TEST_LOAD_PAUSE_MS": "1"})
            winedriver.wait_until(self.lumora.main_window, 30, what="the main window")
            # The caption has no version until the load has ended.
            self.assertEqual(self.lumora.caption(), "Lumora")
            self.desktop.wintext("post", "--class", self.lumora.WINDOW_CLASS, "--message",
                                 message, "--wparam", "1")
            self.lumora.proc.wait(60)
            with open(self.lumora.phrase_file, "rb") as f:
                self.assertTrue(f.read() == big, f"the phrase file was rewritten ({message})")
            self.assertFalse(os.path.exists(self.path("lumora.lmx.bak")))


if __name__ == "__main__":
    winedriver.main()
