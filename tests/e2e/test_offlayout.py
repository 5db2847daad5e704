"""Phrase characters above U+00FF, which no key of the US layout gives, typed into Notepad as
Unicode key events. (An Alt code would be read in the ANSI code page and type something else.)"""

import winedriver

# No accented Latin-1 letters or parentheses: those go as Alt codes, which Wine 8 does not
# turn into characters (Windows does).
PHRASES = [("xq", "\u20ac5 \u2014 ok \U0001F600 \u2122")]


class OffLayout(winedriver.LumoraTest):
    phrases = PHRASES

    def test_euroEmDashAndEmoji_ShouldArriveIntact_WhenTheLayoutHasNoKeyForThem(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.desktop.type("a xq")
        expected = "a \u20ac5 \u2014 ok \U0001F600 \u2122"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)


if __name__ == "__main__":
    winedriver.main()
