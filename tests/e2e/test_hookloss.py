"""The keyboard hook comes back under Wine: the test takes lumora.dll's hooks away through
lumora.exe's test-only door (a message carrying the number the test put in the program's
environment), and an abbreviation typed once they are back expands."""

import secrets

import winedriver

REMOVE_HOOKS = "0x8002"  # WM_APP + 2
POWER_BROADCAST, RESUME_AUTOMATIC = "0x218", "0x12"
SESSION_CHANGE, SESSION_UNLOCK = "0x2b1", "0x8"


class HookLoss(winedriver.LumoraTest):
    phrases = [("brb", "be right back")]

    def setUp(self):
        super().setUp()
        self.key = hex(secrets.randbits(48) | 1)
        self.lumora.start(env={"LUMORA_TEST_HOOK_KEY": self.key})
        self.desktop.start_notepad()
        self.text = ""

    def send(self, message, wparam):
        result = self.desktop.wintext("send", "--class", self.lumora.WINDOW_CLASS, "--message",
                                      message, "--wparam", wparam)
        self.assertEqual(result.returncode, 0)

    def type(self, text, expanded, timeout=10.0):
        """Types text into Notepad; the text then holds it, or with expanded its expansion."""
        self.desktop.type(text)
        want = self.text + (text.replace("brb", "be right back") if expanded else text)
        self.text = self.desktop.notepad_text(expect=want, timeout=timeout)
        return self.text == want

    def test_hooks_ShouldComeBack_AfterResumeUnlockAndTypingTheyMissed(self):
        self.assertTrue(self.type("ok brb", expanded=True))
        # A message without the number changes nothing.
        self.send(REMOVE_HOOKS, "0x1234")
        self.assertTrue(self.type(" brb", expanded=True))

        # Resume from sleep and unlock install them again at once: the first abbreviation
        # after them expands (the watchdog would need seconds, and the keys typed before it
        # acts are lost to it).
        for message, wparam in ((POWER_BROADCAST, RESUME_AUTOMATIC),
                                (SESSION_CHANGE, SESSION_UNLOCK)):
            self.send(REMOVE_HOOKS, self.key)
            if message == POWER_BROADCAST:  # gone indeed
                self.assertFalse(self.type(" brb", expanded=True, timeout=1.0))
            self.send(message, wparam)
            self.assertTrue(self.type(" brb", expanded=True))

        # Taken away and nothing said: the watchdog sees typing the hooks did not report and
        # installs them again within seconds; until then nothing expands.
        self.send(REMOVE_HOOKS, self.key)
        self.assertFalse(self.type(" brb", expanded=True, timeout=1.0))
        back = winedriver.wait_until(lambda: self.type(" brb", expanded=True, timeout=1.0), 20,
                                     interval=0, what="an abbreviation to expand again")
        self.assertTrue(back)
        self.assertTrue(self.text.endswith(" brb be right back"), self.text)


if __name__ == "__main__":
    winedriver.main()
