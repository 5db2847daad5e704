"""The search window under Wine as a user meets it: the line under the list says how many
phrases the query finds and which keys to use, says so when none matches (Enter then closes
nothing), and a long list is filled once the keys stop, for the keys typed last."""

import winedriver

SEARCH_CLASS = "LumoraSearch"
SEARCH_TITLE = "Lumora - insert a phrase"


def numbered(count):
    return [(f"n{i:04d}", f"phrase number {i}") for i in range(count)]


class SearchHint(winedriver.LumoraTest):
    phrases = [("brb", "be right back"), ("sig", "Best regards, Ann")] + numbered(1998)

    def visible_search(self):
        return any(w.cls == SEARCH_CLASS and w.visible for w in self.desktop.windows())

    def hint(self, expect):
        result = self.desktop.wintext("text", "--class", SEARCH_CLASS, "--child", "Static",
                                      "--expect", expect, "--timeout", "10000")
        text = result.stdout.decode("utf-8", errors="replace")
        if text != expect:
            box = self.desktop.wintext("text", "--class", SEARCH_CLASS, "--child", "Edit")
            text += " (the box holds " + box.stdout.decode("utf-8", errors="replace") + ")"
        return text

    def test_hintLine_ShouldSayWhatIsFound_AndEnterCloseNothingWhenNoneIs(self):
        self.lumora.start("-maxitems=-1")
        self.desktop.start_notepad()
        self.desktop.type("to: ")
        self.desktop.key("ctrl+alt+space")
        winedriver.wait_until(self.visible_search, timeout=20, what="search window")
        self.desktop.focus(SEARCH_TITLE)
        keys = ". Up and Down choose, Enter types the chosen one, Esc closes."
        self.assertEqual(self.hint("2,000 phrases" + keys), "2,000 phrases" + keys)

        # The first keys at a typist's pace: at full speed, right after the focus moved, Wine
        # sometimes loses them before they reach any window.
        self.desktop.type("zzq", delay_ms=30)
        self.assertEqual(self.hint("No phrase matches. Esc closes."),
                         "No phrase matches. Esc closes.")
        self.desktop.key("Return")
        self.assertTrue(self.visible_search())

        self.desktop.key("BackSpace", "BackSpace", "BackSpace")
        self.desktop.type("number 1997", delay_ms=40)
        self.assertEqual(self.hint("1 phrase" + keys), "1 phrase" + keys)
        # Enter at once after the keys: the phrase of the query typed last.
        self.desktop.key(*["BackSpace"] * len("number 1997"), delay_ms=0)
        self.desktop.type("regards", delay_ms=0)
        self.desktop.key("Return")
        expected = "to: Best regards, Ann"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)


if __name__ == "__main__":
    winedriver.main()
