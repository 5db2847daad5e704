"""Phrases typed into Notepad on keyboard layouts with dead keys and AltGr: German (QWERTZ,
AltGr, dead ^ ´ `), US-International (dead ' " ` ~ ^) and French (AZERTY, digits with Shift,
AltGr, dead ^ ¨). The desktop is an Xorg server of the test's own whose keymap is set to each
layout before Notepad and the program start; VkKeyScanW in a program started then shows that
Wine took it (GetKeyboardLayoutName would still say 00000409).

Under Wine the X input method composes the user's accents: the hook library never sees the dead
key, and the composed letter passes it as VK_NONAME. An abbreviation typed with a dead key
therefore cannot match here (the shadow text is emptied, never wrong); that case, and the
shadow text after a composition, are tested on the simulated desktop."""

import tempfile

import winedriver

# Every character that needs a dead key or AltGr on one of the three layouts.
PHRASE = "it's \"quoted\" 'a' ^e ~n `o 5\u20ac mail@x.org {y} [z] \\ | \u00e7a \u00df \u00e9"


class Layouts(winedriver.LayoutDesktopTest):
    layout = ("de", "")

    def run_layout(self, layout, variant, scans, dead_key, composed, abbreviation, e_acute,
                   cafe):
        self.set_layout(layout, variant)
        seen = self.key_scan("".join(scans))
        for ch, scan in scans.items():
            self.assertEqual(seen.get(ch), scan, f"VkKeyScanW({ch!r}) on {layout} {variant}")

        folder = tempfile.TemporaryDirectory(prefix="lumora-e2e-")
        self.addCleanup(folder.cleanup)
        lumora = winedriver.Lumora(self.desktop, folder.name,
                                   [("qq", PHRASE), (abbreviation, "layout"),
                                    ("caf\u00e9", "coffee")])
        self.addCleanup(lumora.close)
        lumora.start()
        self.desktop.start_notepad()

        expected = ""
        # At a steady pace, and with no pause between keys.
        for delay in (60, 0):
            self.desktop.type(" qq", delay_ms=delay)
            expected += " " + PHRASE
            self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

        # The user's own accent still combines with the next key, with the program running.
        self.desktop.type(" ")
        self.desktop.key(str(dead_key), "e")
        expected += " " + composed
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

        # An abbreviation typed with the layout's own keys; and one after an accented word,
        # which must erase exactly the abbreviation.
        self.desktop.type(f" {abbreviation} caf")
        self.desktop.key(*e_acute)
        self.desktop.type(" qq")
        expected += " layout " + cafe + " " + PHRASE
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

    # X keycodes name the keys by place. With a dead key the composed é reaches the hook only
    # as VK_NONAME under Wine: "café" stays as typed there. French has a key for é.

    def test_german_ShouldTypeAltGrCharactersAndKeepTheUsersAccents(self):
        # 49 is the key left of 1 (^ on German), 21 the one left of Backspace (´).
        self.run_layout("de", "", {"@": (0x51, 6), "{": (0x37, 6), "z": (0x5A, 0)},
                        dead_key=49, composed="\u00ea", abbreviation="zy",
                        e_acute=("21", "e"), cafe="caf\u00e9")

    def test_usInternational_ShouldTypeTheDeadKeysCharactersAsThemselves(self):
        # 48 is the apostrophe key, dead on US-International.
        self.run_layout("us", "intl", {"'": (0xDE, 6), "@": (0x32, 1)},
                        dead_key=48, composed="\u00e9", abbreviation="q1",
                        e_acute=("48", "e"), cafe="caf\u00e9")

    def test_french_ShouldTypeDigitsAndAltGrCharactersOnAzerty(self):
        # 34 is the key right of P (^ on French), 11 the é key.
        self.run_layout("fr", "", {"@": (0x30, 6), "1": (0x31, 1), "2": (0x32, 1)},
                        dead_key=34, composed="\u00ea", abbreviation="a1z",
                        e_acute=("11",), cafe="coffee")


if __name__ == "__main__":
    winedriver.main()
