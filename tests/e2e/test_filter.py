"""The phrase list's filter box under Wine: typed into at several speeds it narrows the grid to
the phrases holding its words, an edit of the one row shown lands on that phrase, Esc shows
every row again, and the edited abbreviation expands in Notepad."""

import os

import winedriver

FILLERS = [(f"p{i:02d}", f"phrase number {i}") for i in range(20)]
# "sig" sits among the fillers, so that its line in the filtered grid is not its row.
PHRASES = FILLERS[:12] + [("sig", "Kind regards,\r\nJohn"), ("addr", "1 Main Street")] + \
    FILLERS[12:] + [("brb", "be right back")]


def shown(phrases):
    """The rows as the grid shows them: a line break as a pilcrow."""
    return [(a, t.replace("\r\n", "\u00b6")) for a, t in phrases]


class Filter(winedriver.LumoraTest):
    phrases = PHRASES

    def open_list(self, *args):
        self.lumora.start(*args)
        self.desktop.wintext("post", "--class", self.lumora.WINDOW_CLASS, "--message", "0x111",
                             "--wparam", "40001")  # WM_COMMAND, IDM_SHOW_PHRASE_LIST
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the main window to show")
        self.desktop.focus(self.lumora.caption())

    def box(self):
        """The filter box's text: the main window's Edit outside the grid."""
        return self.lumora.child("Edit")[2]

    def test_filter_ShouldNarrowTheGrid_AndAnEditOfTheRowShownShouldLandOnItsPhrase(self):
        self.open_list()
        self.wait_rows(shown(PHRASES))
        self.assertEqual(len(self.status()), 2)

        # Ctrl+F from the grid; typed fast, then slowly: every word must be in the phrase,
        # letter case aside.
        self.desktop.key("ctrl+f")
        self.desktop.type("MAIN st", delay_ms=5)
        self.wait_rows(shown([("addr", "1 Main Street")]))
        self.assertEqual(self.status()[1], f"1 of {len(PHRASES)} phrases shown")
        # Esc in the box shows every row again, and the status bar no longer counts them.
        self.desktop.key("Escape")
        self.wait_rows(shown(PHRASES))
        self.assertEqual(self.box(), "")
        self.assertEqual(len(self.status()), 2)
        self.desktop.type("regards", delay_ms=120)
        self.wait_rows(shown([("sig", "Kind regards,\r\nJohn")]))

        # Down goes to the grid's first line; a character typed there opens its abbreviation
        # with it, and Enter keeps the edit.
        self.desktop.key("Down")
        self.desktop.type("kr", delay_ms=40)
        winedriver.wait_until(
            lambda: (self.lumora.child(self.lumora.CELL_EDITOR) or (0, 0, ""))[2] == "kr", 10,
            what="the cell editor with 'kr'")
        self.desktop.key("Return")
        winedriver.wait_until(lambda: self.lumora.child(self.lumora.CELL_EDITOR) is None, 10,
                              what="the cell editor to close")
        self.wait_rows(shown([("kr", "Kind regards,\r\nJohn")]))

        # Alt+F goes back to the box; Esc clears it: the edit is on sig's phrase, and no other.
        self.desktop.key("alt+f")
        self.desktop.key("Escape")
        edited = [("kr", t) if a == "sig" else (a, t) for a, t in PHRASES]
        self.wait_rows(shown(edited))

        self.desktop.wintext("post", "--class", self.lumora.WINDOW_CLASS, "--message", "0x112",
                             "--wparam", "0xF020")  # WM_SYSCOMMAND, SC_MINIMIZE
        winedriver.wait_until(lambda: not self.lumora.main_window().visible, 10,
                              what="the main window to hide")
        self.desktop.start_notepad()
        self.desktop.type("ok kr ")
        expected = "ok Kind regards,\nJohn "
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

        os.remove(self.lumora.phrase_file)
        self.lumora.exit_from_tray()
        with open(self.lumora.phrase_file, "rb") as f:
            self.assertEqual(f.read(), winedriver.phrase_file_bytes(edited))

    def test_filter_ShouldSettleOnTheLastQuery_InALongListTypedFast(self):
        # Above 500 phrases the grid is filled once the keys stop.
        many = [(f"n{i:04d}", f"phrase number {i}") for i in range(2000)]
        with open(self.lumora.phrase_file, "wb") as f:
            f.write(winedriver.phrase_file_bytes(many))
        self.open_list("-maxitems=5000")
        self.desktop.key("ctrl+f")
        self.desktop.type("number 1234", delay_ms=10)
        self.wait_rows([("n1234", "phrase number 1234")], timeout=20)
        self.assertEqual(self.status()[1], "1 of 2,000 phrases shown")
        self.desktop.key("BackSpace", delay_ms=10)
        wider = [(a, t) for a, t in many if "123" in t]
        self.wait_rows(wider, timeout=20)
        self.assertEqual(self.status()[1], f"{len(wider)} of 2,000 phrases shown")


if __name__ == "__main__":
    winedriver.main()
