"""Pasted phrases under Wine: a long phrase arrives whole through the clipboard, and the
clipboard holds what the user had on it (text, an image) again afterwards. Typed and pasted
phrases arrive in other kinds of target too: WordPad's rich-text control, the single-line
"Find what" box of Notepad's Find dialog, and a console window (typed there, by the built-in
entry for consoles)."""

import os
import subprocess

import winedriver


def long_phrase(n=600):
    sentence = "Pasted whole, every word of it; nothing lost or doubled - 42 times! "
    text = (sentence * (n // len(sentence) + 1))[:n - 1] + "."
    return text


LONG = long_phrase()
# Dialog boxes limit their fields (the Find dialog's "Find what" takes 255 characters).
MIDDLE = long_phrase(150)
PHRASES = [
    ("lng1", LONG),
    ("mid1", MIDDLE),
    ("brb", "be right back"),
]


WORDPAD = r"C:\Program Files\Windows NT\Accessories\wordpad.exe"
WORDPAD_TITLE = "Document - Wine Wordpad"


class Paste(winedriver.LumoraTest):
    phrases = PHRASES

    def ask(self, *args):
        return self.desktop.wintext(*args).stdout.decode("utf-8", errors="replace")

    def formats(self):
        """{format number: (size, checksum)} of what the clipboard holds."""
        out = {}
        for line in self.ask("clip-formats").splitlines():
            number, _name, size, checksum = line.split(" ")
            out[int(number)] = (int(size), checksum)
        return out

    def fresh_line(self):
        self.desktop.key("ctrl+a", "BackSpace")
        self.assertEqual(self.desktop.notepad_text(expect=""), "")

    def test_longPhrase_ShouldArriveWhole_AndTheUsersTextComeBack_AtEverySpeed(self):
        self.lumora.start()
        self.desktop.start_notepad()
        for delay in (0, 40, 150):
            with self.subTest(delay_ms=delay):
                self.ask("clip-text", "--text", f"copied by the user {delay}")
                self.fresh_line()
                self.desktop.type("to lng1 ok brb", delay_ms=delay)
                expected = f"to {LONG} ok be right back"
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=30), expected)
                self.assertEqual(self.ask("clip-get"), f"copied by the user {delay}")
        # The user's own paste afterwards gives their text, not the phrase.
        self.desktop.key("ctrl+v")
        expected = f"to {LONG} ok be right backcopied by the user 150"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_imageOnTheClipboard_ShouldSurviveAPastedPhrase(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.ask("clip-image", "--width", "40", "--height", "30")
        before = self.formats()
        self.assertIn(8, before)  # CF_DIB
        self.desktop.type("lng1 ")
        expected = LONG + " "
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=30), expected)
        after = winedriver.wait_until(lambda: self.formats().get(8) == before[8] and self.formats(),
                                      10, what="the image to be on the clipboard again")
        self.assertEqual(after[8], before[8])

    def expands_in(self, read, clear, long=("lng1", LONG)):
        """Types a long (pasted) and a short (typed) abbreviation into the focused control at
        several speeds, and reads the control back with read(expect, timeout)."""
        for delay in (0, 40, 150):
            with self.subTest(delay_ms=delay):
                self.ask("clip-text", "--text", f"the user's {delay}")
                clear()
                self.assertEqual(read("", 10), "")
                self.desktop.type(f"to {long[0]} ok brb", delay_ms=delay)
                expected = f"to {long[1]} ok be right back"
                self.assertEqual(read(expected, 30), expected)
                self.assertEqual(self.ask("clip-get"), f"the user's {delay}")

    def control_text(self, top, child):
        def read(expect, timeout):
            return self.ask("text", "--class", top, "--child", child, "--expect", expect,
                             "--timeout", str(int(timeout * 1000)))
        return read

    def test_wordPad_ShouldTakeTypedAndPastedPhrases_AtEverySpeed(self):
        self.lumora.start()
        self.desktop.start([WORDPAD])
        self.desktop.wait_window(cls="WORDPADTOP", title=WORDPAD_TITLE, timeout=30)
        self.desktop.focus(WORDPAD_TITLE)
        # Wine's WordPad holds its text in a RichEdit20W child (riched20), not RICHEDIT50W.
        self.expands_in(self.control_text("WORDPADTOP", "RichEdit20W"),
                        lambda: self.desktop.key("ctrl+a", "BackSpace"))

    def test_findDialog_ShouldTakeTypedAndPastedPhrases_InItsSingleLineBox(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.desktop.key("ctrl+f")
        self.desktop.wait_window(cls="#32770", title="Find", timeout=20)
        self.desktop.focus("Find")
        self.expands_in(self.control_text("#32770", "Edit"),
                        lambda: self.desktop.key("ctrl+a", "BackSpace"), ("mid1", MIDDLE))

    def test_console_ShouldTakeTheTypedPhrase(self):
        self.lumora.start()
        folder = self.lumora.folder
        out = os.path.join(folder, "out.txt")
        self.desktop.start(["wine", "wineconsole", "cmd"], cwd=folder)
        self.desktop.wait_window(cls="WineConsoleClass", timeout=30)
        try:
            # Its title is a path, which xdotool's name search would take as a pattern.
            xid = winedriver.wait_until(lambda: subprocess.run(
                ["xdotool", "search", "--name", r"cmd\.exe$"], env=self.desktop.env,
                capture_output=True).stdout.decode().split(), 10, what="the console's X window")[0]
            self.desktop.xdotool("windowraise", xid)
            self.desktop.xdotool("windowfocus", "--sync", xid)
            self.assertEqual(
                self.desktop.wintext("activate", "--class", "WineConsoleClass").returncode, 0)
            # The console's text cannot be read with WM_GETTEXT: cmd writes the line to a file.
            self.desktop.type("echo lng1 brb>out.txt")
            self.desktop.key("Return")
            expected = f"{LONG} be right back"

            def written():
                if not os.path.exists(out):
                    return None
                with open(out, encoding="latin-1") as f:
                    text = f.read()
                return text if text.strip() == expected else None
            self.assertEqual(winedriver.wait_until(written, 40, what="the line in the file")
                             .strip(), expected)
        finally:
            # cmd and its console are processes of their own, which end with the shell.
            self.desktop.type("exit")
            self.desktop.key("Return")


if __name__ == "__main__":
    winedriver.main()
