"""lumora.exe and lumora.dll under Wine, with Wine's Notepad as the target application."""

import os
import re
import tempfile

import winedriver

PHRASES = [
    ("brb", "be right back"),
    ("sig", "Kind regards,\r\nJohn Smith, Esq. #42!"),
]


class Program(winedriver.DesktopTest):
    binaries = ("wintext.exe", "lumora.exe", "lumora.dll")

    def setUp(self):
        self._folder = tempfile.TemporaryDirectory(prefix="lumora-e2e-")
        self.folder = self._folder.name
        self._programs = []

    def tearDown(self):
        for lumora in self._programs:
            lumora.close()
        super().tearDown()
        self._folder.cleanup()

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

    def test_abbreviation_ShouldExpand_WhenTypedInNotepad(self):
        self.lumora().start()
        self.desktop.start_notepad()
        # The rest is typed once the phrase is in: nothing holds the user's keys back during
        # the expansion under Wine (BlockInput fails there, as on Windows without elevation).
        self.desktop.type("hi brb")
        self.desktop.notepad_text(expect="hi be right back")
        self.desktop.type(" ok")
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back ok"),
                         "hi be right back ok")

    def test_phrase_ShouldArriveAsStored_WhenItHasCapitalsPunctuationAndLineBreak(self):
        self.lumora().start()
        self.desktop.start_notepad()
        self.desktop.type("Dear Ann, sig")
        expected = "Dear Ann, Kind regards,\nJohn Smith, Esq. #42!"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

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

    def test_secondCopy_ShouldShowInformationAndEnd_WhileFirstRuns(self):
        lumora = self.lumora()
        lumora.start()
        second = lumora.start(wait=False)
        self.desktop.wait_window(title="Information", timeout=30)
        result = self.desktop.wintext("text", "--title", "Information", "--child", "Static")
        self.assertIn("Verbanta is running on your computer.", result.stdout.decode())
        self.desktop.wintext("close", "--title", "Information")
        second.wait(30)
        # The first copy still expands.
        self.desktop.start_notepad()
        self.desktop.type("brb")
        self.assertEqual(self.desktop.notepad_text(expect="be right back"), "be right back")
        self.assertIsNone(lumora.proc.poll())


if __name__ == "__main__":
    winedriver.main()
