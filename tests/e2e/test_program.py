"""lumora.exe and lumora.dll under Wine, with Wine's Notepad as the target application."""

import datetime
import os

import winedriver

PHRASES = [
    ("brb", "be right back"),
    ("sig", "Kind regards,\r\nJohn Smith, Esq. #42!"),
]


class Program(winedriver.ProgramsTest):
    def lumora(self, phrases=PHRASES):
        lumora = winedriver.Lumora(self.desktop, self.folder, phrases)
        self._programs.append(lumora)
        return lumora

    def test_caption_ShouldCarryVersion_WhenHookInstalled(self):
        lumora = self.lumora()
        lumora.start()
        self.assertRegex(lumora.caption(), r"^Lumora \d+\.\d+\.\d+$")
        # Hidden at start: the program lives in the tray.
        window = next(w for w in self.desktop.windows() if w.cls == lumora.WINDOW_CLASS)
        self.assertFalse(window.visible)

    def test_about_ShouldShowNameWithVersion_WhenAboutCommandRuns(self):
        lumora = self.lumora()
        lumora.start()
        version = lumora.caption()[len("Lumora "):]
        # The editor's toolbar sends this command (IDM_ABOUT).
        self.desktop.wintext("post", "--class", lumora.WINDOW_CLASS, "--message", "0x111",
                             "--wparam", "40003")
        self.desktop.wait_window(title="About", cls="#32770")
        result = self.desktop.wintext("text", "--title", "About", "--child", "Static")
        self.assertEqual(result.stdout.decode(), f"Lumora - Scrivolet {version}")
        about = next(w for w in self.desktop.windows() if w.title == "About")
        left, top, right, bottom = about.rect
        self.assertGreater(right - left, 260)  # client area 260 x 187 plus the frame
        self.assertGreater(bottom - top, 187)
        self.desktop.wintext("close", "--title", "About")
        winedriver.wait_until(
            lambda: not any(w.title == "About" for w in self.desktop.windows()), 10,
            what="the About dialog to close")

    def test_abbreviation_ShouldExpand_WhenTypedInNotepad(self):
        self.lumora().start()
        self.desktop.start_notepad()
        # Typed straight on: the hook library holds the keys after the abbreviation until the
        # phrase is in.
        self.desktop.type("hi brb ok", delay_ms=0)
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back ok"),
                         "hi be right back ok")

    def test_phrase_ShouldArriveAsStored_WhenItHasCapitalsPunctuationAndLineBreak(self):
        self.lumora().start()
        self.desktop.start_notepad()
        self.desktop.type("Dear Ann, sig")
        expected = "Dear Ann, Kind regards,\nJohn Smith, Esq. #42!"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_fields_ShouldFillInTheDateAndPutTheCaretAtTheCursor(self):
        self.lumora([("dt", "[{#date:yyyy-MM-dd} {#cursor}] {#nofield}")]).start()
        self.desktop.start_notepad()
        self.desktop.type("dt")
        self.desktop.type("ok")  # typed where {#cursor} stood
        today = datetime.date.today().isoformat()
        expected = f"[{today} ok] {{#nofield}}"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_fields_ShouldTakeEscapedBracesAndLongPicturesAsTheSimulatorDoes(self):
        # \\\} in a picture is a brace; a picture giving over 255 characters is filled in
        # whole, not typed as written.
        self.lumora([("eb", "{#date:yyyy\\\\\\}MM}"),
                     ("lp", "{#date:" + "yyyy-MM-dd " * 30 + "}")]).start()
        self.desktop.start_notepad()
        self.desktop.type("eb lp")
        today = datetime.date.today()
        expected = f"{today:%Y}}}{today:%m} " + f"{today.isoformat()} " * 30
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=30), expected)

    def test_exit_ShouldSavePhrases_AndSecondStartShouldExpandThem(self):
        lumora = self.lumora()
        lumora.start()
        os.remove(lumora.phrase_file)  # the file at exit can only come from the program
        lumora.exit_from_tray()
        with open(lumora.phrase_file, "rb") as f:
            saved = f.read()
        self.assertTrue(saved.startswith(b"\xff\xfe"))
        self.assertEqual(saved, winedriver.phrase_file_bytes(PHRASES))

        again = winedriver.Lumora(self.desktop, self.folder)
        self._programs.append(again)
        again.start()
        self.desktop.start_notepad()
        self.desktop.type("ok brb")
        self.assertEqual(self.desktop.notepad_text(expect="ok be right back"),
                         "ok be right back")

    def test_secondCopy_ShouldTouchNothingAndEnd_WhileFirstRuns(self):
        lumora = self.lumora()
        lumora.start()
        # Every option, and a limit below the number of phrases: a copy that loaded them would
        # cut the file down to one phrase when it ends.
        second = lumora.start("-delims=1", "-maxitems=1", wait=False)
        self.desktop.wait_window(title="Information", timeout=30)
        result = self.desktop.wintext("text", "--title", "Information", "--child", "Static")
        self.assertIn("Lumora is already running", result.stdout.decode())
        self.desktop.wintext("close", "--title", "Information")
        second.wait(30)
        with open(lumora.phrase_file, "rb") as f:
            self.assertEqual(f.read(), winedriver.phrase_file_bytes(PHRASES))
        self.assertFalse(os.path.exists(lumora.phrase_file + ".bak"))
        # The first copy still expands, in its own mode.
        self.desktop.start_notepad()
        self.desktop.type("brb")
        self.assertEqual(self.desktop.notepad_text(expect="be right back"), "be right back")
        self.assertIsNone(lumora.proc.poll())
        lumora.exit_from_tray()
        with open(lumora.phrase_file, "rb") as f:
            self.assertEqual(f.read(), winedriver.phrase_file_bytes(PHRASES))

    def test_hookLibraryMissingOrBroken_ShouldNameTheFileAndTheFolder(self):
        lumora = self.lumora()
        library = os.path.join(self.folder, "lumora.dll")
        for broken in (None, b"not a library"):
            if os.path.exists(library):
                os.remove(library)
            if broken is not None:
                with open(library, "wb") as f:
                    f.write(broken)
            proc = lumora.start(wait=False)
            self.desktop.wait_window(title="Lumora", cls="#32770", timeout=30)
            result = self.desktop.wintext("text", "--class", "#32770", "--title", "Lumora",
                                          "--child", "Static")
            text = result.stdout.decode()
            self.assertIn("lumora.dll", text)
            self.assertIn(os.path.basename(self.folder) + "\\", text)
            self.desktop.wintext("close", "--class", "#32770", "--title", "Lumora")
            proc.wait(30)

    def test_delimsOne_ShouldKeepDelimiterAfterPhrase_WhenDelimiterCompletesIt(self):
        self.lumora().start("-delims=1")
        self.desktop.start_notepad()
        self.desktop.type("hi brb")
        # Mode 1 waits for the delimiter.
        self.assertEqual(self.desktop.notepad_text(expect="hi brb"), "hi brb")
        self.desktop.type(",")
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back,"),
                         "hi be right back,")

    def test_settings_ShouldStopExpansion_AndMinimizeShouldResumeIt(self):
        lumora = self.lumora()
        lumora.start()
        notepad_started = self.desktop.start_notepad()
        self.assertIsNotNone(notepad_started)
        menu = lumora.open_tray_menu()
        ml, mt, mr, _ = menu.rect
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: lumora.main_window().visible, 10,
                              what="the main window to show")

        # While the main window is shown, typing elsewhere is not observed.
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.desktop.type("brb")
        self.assertEqual(self.desktop.notepad_text(expect="be right back", timeout=2), "brb")

        # Minimizing hides it, and expansion resumes.
        self.desktop.wintext("post", "--class", lumora.WINDOW_CLASS, "--message", "0x112",
                             "--wparam", "0xF020")  # WM_SYSCOMMAND, SC_MINIMIZE
        winedriver.wait_until(lambda: not lumora.main_window().visible, 10,
                              what="the main window to hide")
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.desktop.type(" brb")
        self.assertEqual(self.desktop.notepad_text(expect="brb be right back"),
                         "brb be right back")

    def test_trayIcon_ShouldComeBack_WhenTaskbarIsCreatedAgain(self):
        lumora = self.lumora()
        lumora.start()
        # What the shell broadcasts after a restart: the icon is removed and added again.
        self.desktop.wintext("post", "--class", lumora.WINDOW_CLASS, "--message",
                             "TaskbarCreated")
        menu = lumora.open_tray_menu()
        self.assertEqual(menu.pid, lumora.main_window().pid)
        self.desktop.key("Escape")

    def test_endSession_ShouldSavePhrases_WhenWindowsEndsTheSession(self):
        lumora = self.lumora()
        lumora.start()
        os.remove(lumora.phrase_file)
        self.desktop.wintext("post", "--class", lumora.WINDOW_CLASS, "--message", "0x16",
                             "--wparam", "1")  # WM_ENDSESSION, the session ends
        winedriver.wait_until(lambda: os.path.exists(lumora.phrase_file), 10,
                              what="the phrase file")
        with open(lumora.phrase_file, "rb") as f:
            self.assertEqual(f.read(), winedriver.phrase_file_bytes(PHRASES))

    def test_brokenPhraseFile_ShouldBeKeptAsBackup_WhenProgramEnds(self):
        lumora = self.lumora(phrases=None)
        broken = winedriver.phrase_file_bytes(PHRASES)[:-40]  # cut inside the last phrase
        with open(lumora.phrase_file, "wb") as f:
            f.write(broken)
        lumora.start(wait=False)
        # The reading error in a message box; the program runs on with its hook, as after any
        # start (the caption carries the version).
        self.desktop.wait_window(title="Lumora", cls="#32770", timeout=30)
        self.desktop.wintext("close", "--class", "#32770", "--title", "Lumora")
        winedriver.wait_until(lambda: lumora.caption().startswith("Lumora "), 10,
                              what="the caption")
        lumora.exit_from_tray()
        with open(lumora.phrase_file + ".bak", "rb") as f:
            self.assertEqual(f.read(), broken)
        # The phrases read before the error are saved in a whole file.
        with open(lumora.phrase_file, "rb") as f:
            saved = f.read()
        self.assertTrue(saved.endswith("</phrases>\r\n".encode("utf-16-le")))
        self.assertTrue(saved.startswith(winedriver.phrase_file_bytes(PHRASES[:1])[:-26]))


if __name__ == "__main__":
    winedriver.main()
