"""Pasted phrases under Wine: a long phrase arrives whole through the clipboard, and the
clipboard holds what the user had on it (text, an image) again afterwards; phrases expand in
WordPad's rich-text control and in a console window too."""

import os

import winedriver


def long_phrase(n=600):
    sentence = "Pasted whole, every word of it; nothing lost or doubled - 42 times! "
    text = (sentence * (n // len(sentence) + 1))[:n - 1] + "."
    return text


LONG = long_phrase()
PHRASES = [
    ("lng1", LONG),
    ("brb", "be right back"),
]


class Paste(winedriver.LumoraTest):
    phrases = PHRASES

    def clip(self, *args):
        return self.desktop.wintext(*args).stdout.decode("utf-8", errors="replace")

    def formats(self):
        """{format number: (size, checksum)} of what the clipboard holds."""
        out = {}
        for line in self.clip("clip-formats").splitlines():
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
                self.clip("clip-text", "--text", f"copied by the user {delay}")
                self.fresh_line()
                self.desktop.type("to lng1 ok brb", delay_ms=delay)
                expected = f"to {LONG} ok be right back"
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=30), expected)
                self.assertEqual(self.clip("clip-get"), f"copied by the user {delay}")
        # The user's own paste afterwards gives their text, not the phrase.
        self.desktop.key("ctrl+v")
        expected = f"to {LONG} ok be right backcopied by the user 150"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_imageOnTheClipboard_ShouldSurviveAPastedPhrase(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.clip("clip-image", "--width", "40", "--height", "30")
        before = self.formats()
        self.assertIn(8, before)  # CF_DIB
        self.desktop.type("lng1 ")
        expected = LONG + " "
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=30), expected)
        after = winedriver.wait_until(lambda: self.formats().get(8) == before[8] and self.formats(),
                                      10, what="the image to be on the clipboard again")
        self.assertEqual(after[8], before[8])

    def test_wordPad_ShouldTakeTypedAndPastedPhrases(self):
        self.lumora.start()
        self.desktop.start(["wine", "wordpad.exe"])
        self.desktop.wait_window(cls="WordPadClass", timeout=30)
        title = next(w.title for w in self.desktop.windows() if w.cls == "WordPadClass")
        self.desktop.focus(title)
        self.desktop.type("hi brb and lng1 end")
        expected = f"hi be right back and {LONG} end"
        got = self.desktop.wintext("text", "--class", "WordPadClass", "--child", "RICHEDIT50W",
                                   "--expect", expected, "--timeout", "30000",
                                   timeout=60).stdout.decode("utf-8", errors="replace")
        self.assertEqual(got, expected)

    def test_console_ShouldTakeTheTypedPhrase(self):
        self.lumora.start()
        folder = self.lumora.folder
        out = os.path.join(folder, "out.txt")
        self.desktop.start(["wine", "wineconsole", "cmd"], cwd=folder)
        console = winedriver.wait_until(
            lambda: next((w for w in self.desktop.windows()
                          if "cmd" in w.title.lower() or w.cls.lower().startswith("wineconsole")),
                         None), 30, what="the console window")
        self.desktop.focus(console.title)
        # The console's text cannot be read with WM_GETTEXT: cmd writes it to a file instead.
        self.desktop.type("echo lng1 brb>out.txt")
        self.desktop.key("Return")
        winedriver.wait_until(lambda: os.path.exists(out) and os.path.getsize(out) > 0, 30,
                              what="cmd to write the file")
        expected = f"{LONG} be right back"
        text = winedriver.wait_until(
            lambda: (lambda t: t if t.strip() == expected else None)(
                open(out, encoding="latin-1").read()), 10, what="the whole line in the file")
        self.assertEqual(text.strip(), expected)


if __name__ == "__main__":
    winedriver.main()
