"""What a new user meets first, under Wine: a phrase file cut short is said, with the file, the
phrases kept and the copy it is kept as, and the phrases kept are expanded; a first start (no
phrase file yet) shows a balloon that opens the phrase list."""

import os

import winedriver


def numbered(count):
    return [(f"x{i:04d}", f"phrase {i}") for i in range(count)]


class FirstMeeting(winedriver.LumoraTest):
    phrases = None  # each test makes its own file, or none

    def message(self):
        self.desktop.wait_window(cls="#32770", title="Lumora", timeout=30)
        result = self.desktop.wintext("text", "--class", "#32770", "--title", "Lumora",
                                      "--child", "Static")
        return result.stdout.decode("utf-8", errors="replace")

    def test_cutFile_ShouldBeSaid_AndItsPhrasesExpand(self):
        whole = winedriver.phrase_file_bytes(numbered(2000))
        cut = whole[:int(len(whole) * 0.4) // 2 * 2]
        with open(self.lumora.phrase_file, "wb") as f:
            f.write(cut)
        self.lumora.start("-maxitems=-1", wait=False)
        text = self.message()
        # The file, how many phrases the list kept, and where the file as it was is kept.
        self.assertIn("lumora.lmx\"", text)
        kept = int(text.split("The list holds the ")[1].split(" ")[0])
        self.assertGreater(kept, 500)
        self.assertLess(kept, 2000)
        self.assertIn("lumora.lmx.bak", text)
        with open(self.lumora.phrase_file + ".bak", "rb") as f:
            self.assertEqual(f.read(), cut)
        # The hook is set as after any start, already while the message is shown.
        self.assertRegex(self.lumora.caption(), r"^Lumora \d+\.\d+\.\d+$")
        self.desktop.wintext("close", "--class", "#32770", "--title", "Lumora")
        winedriver.wait_until(lambda: not any(w.cls == "#32770" for w in self.desktop.windows()),
                              10, what="the message to close")
        self.desktop.start_notepad()
        self.desktop.type("ok x0007 and x0400", delay_ms=0)
        self.assertEqual(self.desktop.notepad_text(expect="ok phrase 7 and phrase 400"),
                         "ok phrase 7 and phrase 400")

    def test_firstStart_ShouldShowABalloonThatOpensTheList_AndTheMenuOffersSearch(self):
        self.lumora.start()
        balloon = winedriver.wait_until(
            lambda: next((w for w in self.desktop.windows()
                          if w.cls == "tooltips_class32" and w.visible), None),
            10, what="the first start's balloon")
        self.assertGreater(balloon.rect[2] - balloon.rect[0], 100)
        # Wine's tray never reports a click on a balloon: the test sends what Windows sends
        # then (the icon's message, WM_APP + 1, with NIN_BALLOONUSERCLICK).
        self.desktop.wintext("post", "--class", self.lumora.WINDOW_CLASS, "--message",
                             "0x8001", "--wparam", "1", "--lparam", "0x405")
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the phrase list")
        self.lumora.close()
        self.lumora.proc = None

        # The next start finds the phrase file: no balloon. Its menu offers the search, with
        # the shortcuts of search and pause beside their commands.
        self.lumora.start()
        menu = self.lumora.open_tray_menu()
        self.assertFalse(any(w.cls == "tooltips_class32" and w.visible
                             for w in self.desktop.windows()))
        ml, mt, mr, mb = menu.rect
        # Settings, Options..., Search phrases..., Pause, a separator and Exit.
        item = (mb - mt - 11) / 5
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(int(mt + 3 + 2.5 * item)),
                             "click", "1")
        winedriver.wait_until(
            lambda: any(w.cls == "LumoraSearch" and w.visible for w in self.desktop.windows()),
            10, what="the search window")


if __name__ == "__main__":
    winedriver.main()
