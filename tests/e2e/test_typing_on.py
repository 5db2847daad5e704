"""Typing on during an expansion, under Wine: whatever the speed, Notepad ends with exactly what
was typed, each abbreviation replaced by its phrase, in order, nothing lost or doubled."""

import winedriver

PHRASES = [
    ("qq1", "Quick brown Fox!"),
    ("brb", "be right back"),
]

# Milliseconds between keys: no delay at all, fast, ordinary and slow typing.
SPEEDS = (0, 40, 100, 300)


class TypingOn(winedriver.LumoraTest):
    phrases = PHRASES

    def fresh_line(self):
        """An empty Notepad; the program follows the select-all and erase as well."""
        self.desktop.key("ctrl+a", "BackSpace")
        self.assertEqual(self.desktop.notepad_text(expect=""), "")

    def check_speeds(self, typed, expected):
        self.desktop.start_notepad()
        for delay in SPEEDS:
            with self.subTest(delay_ms=delay):
                self.fresh_line()
                self.desktop.type(typed, delay_ms=delay)
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_typingOn_ShouldLeaveExactText_AtEverySpeed_WhenExpandingAtOnce(self):
        self.lumora.start()
        self.check_speeds("hi qq1 there brb ok", "hi Quick brown Fox! there be right back ok")

    def test_typingOn_ShouldLeaveExactText_AtEverySpeed_WhenADelimiterCompletes(self):
        self.lumora.start("-delims=1")
        self.check_speeds("hi qq1 there, brb. ok", "hi Quick brown Fox! there, be right back. ok")

    def test_enterRightAfterTheAbbreviation_ShouldBeNeitherLostNorDoubled(self):
        self.lumora.start("-delims=1")
        self.desktop.start_notepad()
        for delay in (0, 100):
            with self.subTest(delay_ms=delay):
                self.fresh_line()
                self.desktop.type("qq1", delay_ms=delay)
                self.desktop.key("Return", delay_ms=delay)
                self.desktop.type("next", delay_ms=delay)
                expected = "Quick brown Fox!\nnext"
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20),
                                 expected)


if __name__ == "__main__":
    winedriver.main()
