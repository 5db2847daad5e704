"""The search window under Wine: its shortcut opens it over Notepad, part of a phrase and Enter
type that phrase into Notepad, and Escape types nothing."""

import winedriver

SEARCH_CLASS = "LumoraSearch"
SEARCH_TITLE = "Lumora - insert a phrase"


class Search(winedriver.LumoraTest):
    phrases = [
        ("brb", "be right back"),
        ("sig", "Best regards, Ann"),
        ("addr", "12 Long Street"),
    ]

    def open_search(self):
        self.desktop.key("ctrl+alt+space")
        winedriver.wait_until(self.visible_search, timeout=20, what="search window")
        # The window takes the foreground, but with no window manager on the display the X
        # keyboard focus, which xdotool types into, stays with Notepad: move it as a user's
        # desktop would.
        self.desktop.focus(SEARCH_TITLE)

    def visible_search(self):
        return any(w.cls == SEARCH_CLASS and w.visible for w in self.desktop.windows())

    def test_search_ShouldTypeTheChosenPhraseIntoNotepad_AndEscapeNothing(self):
        self.lumora.start()
        self.desktop.start_notepad()
        self.desktop.type("to: ")

        self.open_search()
        self.desktop.type("regards")  # a word of the text, not the abbreviation
        self.desktop.key("Return")
        expected = "to: Best regards, Ann"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

        # The phrase list's Ctrl+N is its own: in the search window it adds no phrase.
        self.open_search()
        self.desktop.key("ctrl+n")
        self.desktop.type("long")
        self.desktop.key("Escape")
        winedriver.wait_until(lambda: not self.visible_search(), timeout=10,
                              what="search window closed")
        self.assertFalse(self.lumora.main_window().visible)
        rows = self.desktop.wintext("rows", "--class", self.lumora.WINDOW_CLASS).stdout
        self.assertEqual(rows.decode("utf-8").splitlines(),
                         ["\t".join(phrase) for phrase in self.phrases])
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.desktop.type(" ok")
        expected += " ok"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)


if __name__ == "__main__":
    winedriver.main()
