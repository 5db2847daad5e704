"""The phrase file of lumora.exe shared with another program under Wine: while the program runs
with 40 phrases, the file is emptied and later cut in half; the program keeps expanding all 40,
and after exit every one of them is in lumora.lmx and in the dated copy it made. "Import from a
backup..." in the phrase list brings back what a copy holds and the list lacks."""

import glob
import os
import time

import winedriver

FORTY = [(f"p{i:02d}", f"phrase number {i}") for i in range(40)]


class SharedPhraseFile(winedriver.LumoraTest):
    phrases = FORTY

    def write_file(self, data):
        # As a sync tool or a script writes it: in place, not by a rename.
        with open(self.lumora.phrase_file, "r+b" if os.path.exists(self.lumora.phrase_file)
                  else "wb") as f:
            f.truncate(0)
            f.write(data)

    def stored(self, path):
        with open(path, "rb") as f:
            return winedriver.phrases_of(f.read())

    def dated_backups(self):
        return sorted(glob.glob(self.lumora.phrase_file + ".????-??-??-????*.bak"))

    def expand(self, phrases, delay_ms):
        """Types each abbreviation after a space at that speed and checks Notepad's text."""
        expected = self.desktop.notepad_text()
        for abbreviation, text in phrases:
            self.desktop.type(" " + abbreviation, delay_ms=delay_ms)
            expected += " " + text
            self.assertEqual(self.desktop.notepad_text(expect=expected), expected)

    def test_emptiedThenCutFile_ShouldKeepEveryPhrase(self):
        self.lumora.start("-maxitems=100")  # 30 by default
        self.desktop.start_notepad()
        whole = winedriver.phrase_file_bytes(FORTY)

        self.write_file(b"")
        # The empty file is given time to be filled again; meanwhile, and after, nothing changes.
        time.sleep(2)
        self.expand(FORTY[:3], 30)
        winedriver.wait_until(lambda: self.dated_backups(), 20,
                              what="the dated copy of the list once the file stays empty")
        self.assertEqual(self.stored(self.dated_backups()[0]), FORTY)

        self.write_file(whole[:len(whole) // 2])
        time.sleep(3)
        # Every phrase, at a typist's pace and as fast as keys come.
        self.expand(FORTY[:20], 30)
        self.expand(FORTY[20:], 0)
        # The same list is kept once.
        self.assertEqual(len(self.dated_backups()), 1)

        self.lumora.exit_from_tray()
        self.assertEqual(self.stored(self.lumora.phrase_file), FORTY)
        self.assertEqual(self.stored(self.dated_backups()[0]), FORTY)

    def test_importFromBackup_ShouldAddWhatTheListLacks(self):
        with open(self.lumora.phrase_file, "wb") as f:
            f.write(winedriver.phrase_file_bytes(FORTY[:2]))
        with open(self.lumora.phrase_file + ".2026-12-09-1530.bak", "wb") as f:
            f.write(winedriver.phrase_file_bytes(FORTY[:5]))
        with open(self.lumora.phrase_file + ".2026-12-09-1531.conflict", "wb") as f:
            f.write(winedriver.phrase_file_bytes([("sig", "Kind regards")]))
        self.lumora.start()
        menu = self.lumora.open_tray_menu()
        ml, mt, mr, _ = menu.rect
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the phrase list")
        _, (tl, tt, _, tb), _ = self.lumora.child("ToolbarWindow32")
        # The fifth button (small images: about 23 pixels each).
        self.desktop.xdotool("mousemove", str(tl + 12 + 23 * 4), str((tt + tb) // 2),
                             "click", "1")
        self.desktop.wait_window(cls="#32770", title="Import from a backup")
        listed = self.desktop.wintext("text", "--class", "#32770", "--title",
                                      "Import from a backup", "--child", "Static")
        self.assertIn("Copies beside the phrase file", listed.stdout.decode())
        # The newest first: the conflict copy; Down chooses the backup, Enter imports it.
        self.desktop.key("Down", "Return")
        self.desktop.wait_window(cls="#32770", title="Import from a backup")
        winedriver.wait_until(
            lambda: "3 phrases of lumora.lmx.2026-12-09-1530.bak added" in self.desktop.wintext(
                "text", "--class", "#32770", "--title", "Import from a backup", "--child",
                "Static").stdout.decode(), 10, what="the outcome of the import")
        self.desktop.key("Return")
        rows = lambda: self.desktop.wintext("rows", "--class", self.lumora.WINDOW_CLASS).stdout
        winedriver.wait_until(lambda: b"p04\tphrase number 4" in rows(), 10,
                              what="the imported phrases in the list")
        self.lumora.exit_from_tray()
        self.assertEqual(self.stored(self.lumora.phrase_file), FORTY[:5])


if __name__ == "__main__":
    winedriver.main()
