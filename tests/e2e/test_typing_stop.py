"""Typing that must stop, under Wine: the program's end during a long phrase stops the typing
and the keys typed meanwhile still arrive; a phrase does not follow the focus into another
window."""

import os
import time

import winedriver

LONG = "abcdefghij" * 150  # 1,500 characters: seconds of typing into Notepad under Wine


def settled(read, quiet=1.0, timeout=30.0):
    """What read() gives once it has not changed for `quiet` seconds."""
    last, since = read(), time.monotonic()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        time.sleep(0.2)
        now = read()
        if now != last:
            last, since = now, time.monotonic()
        elif time.monotonic() - since >= quiet:
            return last
    return last


class TypingStop(winedriver.LumoraTest):
    binaries = winedriver.LumoraTest.binaries + ("passfield.exe",)
    phrases = [("lng", LONG)]

    def setUp(self):
        super().setUp()
        # These are about typing: the long phrase would be pasted otherwise.
        with open(os.path.join(self._folder.name, "lumora.ini"), "wb") as f:
            f.write("\ufeff[Lumora]\r\nPasteAbove=0\r\n".encode("utf-16-le"))

    def wait_for_typing(self, read, at_least=40):
        """Until the phrase is under way in the text read() gives."""
        return winedriver.wait_until(lambda: len(read()) >= at_least and read(), 30,
                                     what="the phrase to be under way")

    def test_exitDuringALongPhrase_ShouldStopTheTyping_AndLetTheKeysTypedMeanwhileArrive(self):
        for delay in (0, 60):
            with self.subTest(delay_ms=delay):
                self.lumora.proc = None
                self.lumora.start()
                notepad = self.desktop.start_notepad()
                self.desktop.type("lng", delay_ms=delay)
                self.wait_for_typing(self.desktop.notepad_text)
                self.desktop.type("xyz", delay_ms=delay)
                self.desktop.run([os.path.join(self._folder.name, "lumora.exe"), "-exit"],
                                 cwd=self._folder.name, timeout=60)
                # The program ends, and no runaway loop types on after it.
                self.lumora.proc.wait(30)
                text = settled(self.desktop.notepad_text)
                self.assertTrue(text.endswith("xyz"), text[-40:])
                phrase = text[:-3]
                self.assertLess(len(phrase), len(LONG), "the whole phrase was typed")
                self.assertTrue(LONG.startswith(phrase), phrase[-40:])
                self.desktop.stop(notepad)

    def fields(self):
        try:
            with open(os.path.join(self._folder.name, "fields.txt"), encoding="utf-8") as f:
                return f.read().partition("\n")[0]
        except FileNotFoundError:
            return ""

    def test_focusLeavingDuringALongPhrase_ShouldTypeNothingMoreIntoTheOtherWindow(self):
        self.lumora.start()
        self.desktop.start([self.desktop.exe("passfield.exe"), "fields.txt"],
                           cwd=self._folder.name)
        self.desktop.wait_window(title="Password Test")
        self.desktop.start_notepad()
        self.desktop.type("lng")
        self.wait_for_typing(self.desktop.notepad_text)
        self.desktop.focus("Password Test")
        typed = settled(self.desktop.notepad_text)
        self.assertLess(len(typed), len(LONG), "the whole phrase was typed")
        self.assertTrue(LONG.startswith(typed), typed[-40:])
        self.assertEqual(settled(self.fields), "")
        # The user's own typing goes where the focus is now.
        self.desktop.type("hi")
        self.assertEqual(winedriver.wait_until(lambda: self.fields() == "hi" and "hi", 10,
                                               what="passfield to show hi"), "hi")
        self.assertEqual(self.desktop.notepad_text(), typed)


if __name__ == "__main__":
    winedriver.main()
