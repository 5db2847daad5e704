"""The phrase file of lumora.exe shared with another program under Wine: while the program runs
with 40 phrases, the file is emptied and later cut in half; the program keeps expanding all 40,
and after exit every one of them is in lumora.lmx and in the dated copy it made."""

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


if __name__ == "__main__":
    winedriver.main()
