"""The keys the user holds while a long phrase is typed, under Wine: a Shift let go during the
phrase is up afterwards, and capitals typed during expansions in a row leave no Shift down."""

import time

import winedriver

LONG = ("the quick brown fox jumps over the lazy dog while the phrase goes on and on, "
        "long enough for the user to do something else before it ends; ") * 3

PHRASES = [("lng", LONG)]


class KeysHeld(winedriver.LumoraTest):
    phrases = PHRASES

    def fresh_line(self):
        self.desktop.key("ctrl+a", "BackSpace")
        self.assertEqual(self.desktop.notepad_text(expect=""), "")

    def wait_for_typing(self, at_least):
        """Polls until Notepad holds at least that many characters: the phrase is being typed."""
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if len(self.desktop.notepad_text()) >= at_least:
                return
            time.sleep(0.02)
        self.fail("the phrase did not start")

    def test_shiftLetGoDuringALongPhrase_ShouldLeaveTheNextLetterInLowerCase(self):
        self.lumora.start()
        self.desktop.start_notepad()
        for delay in (0, 100):
            with self.subTest(delay_ms=delay):
                self.fresh_line()
                self.desktop.type(" ln", delay_ms=delay)
                # Shift held for the abbreviation's last letter, let go while the phrase is typed.
                self.desktop.xdotool("keydown", "shift")
                self.desktop.type("g", delay_ms=delay)
                self.wait_for_typing(10)
                self.desktop.xdotool("keyup", "shift")
                self.desktop.notepad_text(expect=" " + LONG, timeout=30)
                self.desktop.type("x", delay_ms=delay)
                expected = " " + LONG + "x"
                text = self.desktop.notepad_text(expect=expected, timeout=20)
                self.assertEqual(text.lower(), expected.lower())
                self.assertTrue(text.endswith("x"), "Shift stayed down: " + text[-20:])

    def test_capitalsTypedDuringTwoExpansions_ShouldLeaveNoShiftDown(self):
        self.lumora.start()
        self.desktop.start_notepad()
        for delay in (0, 60):
            with self.subTest(delay_ms=delay):
                self.fresh_line()
                expected = ""
                for capital in "XY":
                    self.desktop.type(" lng", delay_ms=delay)
                    self.wait_for_typing(len(expected) + 10)
                    self.desktop.type(capital, delay_ms=delay)
                    expected += " " + LONG + capital
                    self.desktop.notepad_text(expect=expected, timeout=30)
                self.desktop.type("z", delay_ms=delay)
                expected += "z"
                self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)


if __name__ == "__main__":
    winedriver.main()
