"""Phrases that follow the user, under Wine: the letter case of the typed abbreviation carries
over to the phrase, and one Backspace right after an expansion takes it back in Notepad."""

import winedriver

PHRASES = [
    ("brb", "be right back"),
    ("ml", "line one\r\nline two"),
]


class CaseUndo(winedriver.LumoraTest):
    phrases = PHRASES

    def fresh_line(self):
        """An empty Notepad; the program follows the select-all and erase as well."""
        self.desktop.key("ctrl+a", "BackSpace")
        self.assertEqual(self.desktop.notepad_text(expect=""), "")

    def test_capitalisedAbbreviations_ShouldGiveThePhraseInTheirCase(self):
        # Completed by the delimiter after them, typed with Shift up again.
        self.lumora.start("-delims=1")
        self.desktop.start_notepad()
        # At full speed "BRB" is typed on while "Be right back" types its own capitals: it is
        # still read in the case the user typed it.
        for delay in (0, 40, 100):
            with self.subTest(delay_ms=delay):
                self.fresh_line()
                self.desktop.type("Brb, BRB and brb.", delay_ms=delay)
                expected = "Be right back, BE RIGHT BACK and be right back."
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20),
                                 expected)

    def test_capitalsExpandedAtOnce_ShouldLeaveNoShiftDown(self):
        # The last capital decides the expansion while Shift is held: the letters after the
        # phrase come out as typed.
        self.lumora.start()
        self.desktop.start_notepad()
        for delay in (0, 100):
            with self.subTest(delay_ms=delay):
                self.fresh_line()
                self.desktop.type("hi BRB", delay_ms=delay)
                self.desktop.type(" and x", delay_ms=delay)
                expected = "hi BE RIGHT BACK and x"
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20),
                                 expected)

    def test_backspaceRightAfterAnExpansion_ShouldUndoIt_AndTheNextDeleteOneCharacter(self):
        self.lumora.start()
        self.desktop.start_notepad()
        for typed, expanded in (("hi Brb", "hi Be right back"),
                                ("hi ml", "hi line one\nline two")):
            with self.subTest(typed=typed):
                self.fresh_line()
                self.desktop.type(typed)
                self.assertEqual(self.desktop.notepad_text(expect=expanded, timeout=20), expanded)
                self.desktop.key("BackSpace")
                self.assertEqual(self.desktop.notepad_text(expect=typed, timeout=20), typed)
                self.desktop.key("BackSpace")
                self.assertEqual(self.desktop.notepad_text(expect=typed[:-1], timeout=20),
                                 typed[:-1])
                self.desktop.type(" ok")
                expected = typed[:-1] + " ok"
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_typingOnAfterAnUndo_ShouldNotExpandAgain(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.fresh_line()
        self.desktop.type("hi brb")
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back", timeout=20),
                         "hi be right back")
        self.desktop.key("BackSpace")
        self.assertEqual(self.desktop.notepad_text(expect="hi brb", timeout=20), "hi brb")
        self.desktop.type("s ok")
        self.assertEqual(self.desktop.notepad_text(expect="hi brbs ok", timeout=20), "hi brbs ok")

    def test_backspaceAfterAnotherKey_ShouldDeleteOneCharacter(self):
        self.lumora.start("-delims=1")
        self.desktop.start_notepad()
        self.fresh_line()
        self.desktop.type("hi brb ")
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back ", timeout=20),
                         "hi be right back ")
        self.desktop.type("x")
        self.desktop.key("BackSpace", "BackSpace")
        self.assertEqual(self.desktop.notepad_text(expect="hi be right back", timeout=20),
                         "hi be right back")


if __name__ == "__main__":
    winedriver.main()
