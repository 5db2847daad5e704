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


if __name__ == "__main__":
    winedriver.main()
