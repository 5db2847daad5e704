"""The settings file lumora.ini and control from the command line, under Wine: the expansion
mode and the excluded programs read from the file, a phrase file kept in another folder, and
-pause, -resume and -exit handed to the copy that runs."""

import os

import winedriver

PHRASES = [("brb", "be right back")]


class Settings(winedriver.ProgramsTest):
    binaries = ("wintext.exe", "lumora.exe", "lumora.dll", "passfield.exe")

    def lumora(self, ini, phrases=PHRASES):
        """lumora.exe in a folder of its own, with lumora.ini holding the lines of `ini`."""
        folder = os.path.join(self.folder, "program")
        os.makedirs(folder, exist_ok=True)
        lumora = winedriver.Lumora(self.desktop, folder, phrases)
        with open(os.path.join(folder, "lumora.ini"), "wb") as f:
            f.write("\ufeff[Lumora]\r\n".encode("utf-16-le"))
            f.write("".join(line + "\r\n" for line in ini).encode("utf-16-le"))
        self._programs.append(lumora)
        return lumora

    def second_start(self, lumora, *args):
        """Starts lumora.exe again with args; it must end at once, with no message box."""
        proc = lumora.start(*args, wait=False)
        self.assertEqual(proc.wait(30), 0)
        self.assertFalse([w for w in self.desktop.windows() if w.title == "Information"])

    def passfield(self):
        """passfield.exe's normal field, which Lumora may expand in."""
        report = os.path.join(self.folder, "fields.txt")
        self.desktop.start([self.desktop.exe("passfield.exe"), report], cwd=self.folder)
        self.desktop.wait_window(title="Password Test")
        self.desktop.focus("Password Test")

        def text(expect, timeout=10.0):
            seen = [None]

            def matches():
                try:
                    with open(report, encoding="utf-8") as f:
                        seen[0] = f.read().partition("\n")[0]
                except FileNotFoundError:
                    return False
                return seen[0] == expect

            try:
                winedriver.wait_until(matches, timeout, what=f"the field to read {expect!r}")
            except TimeoutError:
                pass
            return seen[0]

        return text

    def test_fileMode1AndExcludedNotepad_ShouldWaitForADelimiter_AndLeaveNotepadAlone(self):
        self.lumora(["ExpansionMode=1", "ExcludedPrograms=calc.exe; NOTEPAD.exe"]).start()
        field = self.passfield()
        self.desktop.type("hi brb")
        # Mode 1, as with -delims=1: the abbreviation waits for the delimiter.
        self.assertEqual(field("hi brb"), "hi brb")
        self.desktop.type(",")
        self.assertEqual(field("hi be right back,"), "hi be right back,")

        self.desktop.start_notepad()
        self.desktop.type("hi brb, brb.")
        self.assertEqual(self.desktop.notepad_text(expect="hi brb, brb."), "hi brb, brb.")
        # An expansion would have erased and typed within this time.
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back, brb.", timeout=2),
                         "hi brb, brb.")

    def test_pauseFromACommandOrTheShortcut_ShouldStopAndRestartExpansion(self):
        lumora = self.lumora(["PauseShortcut=Ctrl+Alt+P"])
        lumora.start("-toggle")  # no copy runs: this one starts paused
        self.desktop.start_notepad()
        self.desktop.type("a brb")
        self.assertEqual(self.desktop.notepad_text(expect="a be right back", timeout=2),
                         "a brb")
        self.second_start(lumora, "-resume")
        self.desktop.type(" brb")
        self.assertEqual(self.desktop.notepad_text(expect="a brb be right back"),
                         "a brb be right back")
        self.second_start(lumora, "-pause")
        self.desktop.type(" brb")
        self.assertEqual(
            self.desktop.notepad_text(expect="a brb be right back be right back", timeout=2),
            "a brb be right back brb")
        self.desktop.key("ctrl+alt+p")  # the pause shortcut, from the program typed into
        self.desktop.type(" brb")
        self.assertEqual(self.desktop.notepad_text(expect="a brb be right back brb be right back"),
                         "a brb be right back brb be right back")
        self.second_start(lumora, "-exit")
        self.assertEqual(lumora.proc.wait(30), 0)

    def test_trayPause_ShouldStopAndRestartExpansion_AndDoubleClickOpenTheList(self):
        lumora = self.lumora([])
        lumora.start()

        def choose_pause():
            ml, mt, mr, mb = lumora.open_tray_menu().rect
            # Settings, Options..., Search phrases..., Pause, a separator and Exit: five items
            # of one height inside a 3-pixel frame, the separator 5 pixels high (as Wine draws
            # them).
            item = (mb - mt - 11) / 5
            self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(int(mt + 3 + 3.5 * item)),
                                 "click", "1")

        choose_pause()
        self.desktop.start_notepad()
        self.desktop.type("a brb")
        self.assertEqual(self.desktop.notepad_text(expect="a be right back", timeout=2),
                         "a brb")
        choose_pause()
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.desktop.type(" brb")
        self.assertEqual(self.desktop.notepad_text(expect="a brb be right back"),
                         "a brb be right back")

        self.assertFalse(lumora.main_window().visible)
        tray = self.desktop.x_window("Wine System Tray")
        self.desktop.xdotool("windowraise", tray)
        for slot in range(8):
            self.desktop.xdotool("mousemove", "--window", tray, str(10 + 20 * slot), "10",
                                 "click", "--repeat", "2", "--delay", "80", "1")
            try:
                winedriver.wait_until(lambda: lumora.main_window().visible, 3,
                                      what="the phrase list")
                break
            except TimeoutError:
                pass
        self.assertTrue(lumora.main_window().visible)

    def test_phraseFileInAnotherFolder_ShouldBeReadAndWrittenThere(self):
        synced = os.path.join(self.folder, "synced folder")
        os.makedirs(synced)
        kept = os.path.join(synced, "my phrases.lmx")
        with open(kept, "wb") as f:
            f.write(winedriver.phrase_file_bytes(PHRASES))
        lumora = self.lumora(["PhraseFile=" + winedriver.wine_path(kept)], phrases=None)
        lumora.start()
        self.desktop.start_notepad()
        self.desktop.type("ok brb")
        self.assertEqual(self.desktop.notepad_text(expect="ok be right back"), "ok be right back")
        os.remove(kept)  # the file at exit can only come from the program
        self.second_start(lumora, "-exit")
        lumora.proc.wait(30)
        with open(kept, "rb") as f:
            self.assertEqual(f.read(), winedriver.phrase_file_bytes(PHRASES))
        self.assertFalse(os.path.exists(lumora.phrase_file))


if __name__ == "__main__":
    winedriver.main()
