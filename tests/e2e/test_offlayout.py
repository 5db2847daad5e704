"""Phrase characters that no key of the target's layout gives, typed into Notepad as Unicode key
events, whatever their code: Latin-1 letters and signs too (an Alt code would be read in the
ANSI code page, and under Wine it types nothing), and the parentheses, which Wine's US layout
lacks."""

import winedriver

PHRASES = [("xq", "\u20ac5 \u2014 ok \U0001F600 \u2122"), ("fx", "f(x) = caf\u00e9 \u00b1 1")]


class OffLayout(winedriver.LumoraTest):
    phrases = PHRASES

    def test_euroEmDashAndEmoji_ShouldArriveIntact_WhenTheLayoutHasNoKeyForThem(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.desktop.type("a xq")
        expected = "a \u20ac5 \u2014 ok \U0001F600 \u2122"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    def test_latinOneAndParentheses_ShouldArriveAsStored(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.desktop.type("so fx")
        expected = "so f(x) = caf\u00e9 \u00b1 1"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)


if __name__ == "__main__":
    winedriver.main()
