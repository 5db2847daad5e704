"""The Options window of lumora.exe under Wine refuses a phrase file Lumora cannot keep its
phrases in (a folder that does not exist, a folder where no file can be created, a read-only
file): it says why before any question, and everything stays as it was."""

import os

import winedriver


class PhraseFilePlace(winedriver.LumoraTest):
    phrases = [("brb", "be right back")]

    def options_windows(self):
        return [w for w in self.desktop.windows() if w.title == "Options" and w.visible]

    def refusal_of(self, path):
        """Enters path as the phrase file and presses OK; the text of the box that answers."""
        self.desktop.key("alt+p", "End", "shift+Home")
        self.desktop.type(path, delay_ms=0)
        self.desktop.key("Return")
        # The answer is a second window titled "Options", over the Options window.
        winedriver.wait_until(lambda: len(self.options_windows()) == 2, 10,
                              what="an answer to OK")
        text = self.desktop.wintext("text", "--class", "#32770", "--title", "Options",
                                    "--child", "Static").stdout.decode("utf-8", "replace")
        self.desktop.key("Return")
        winedriver.wait_until(lambda: len(self.options_windows()) == 1, 10,
                              what="the answer to close")
        return text

    def test_placeLumoraCannotWrite_ShouldBeRefused_AndChangeNothing(self):
        read_only = os.path.join(self.lumora.folder, "shared.lmx")
        with open(read_only, "wb") as f:
            f.write(winedriver.phrase_file_bytes([("x", "y")]))
        os.chmod(read_only, 0o444)  # what Wine shows as the read-only mark
        self.lumora.start()
        self.lumora.open_tray_menu()
        self.desktop.key("Down", "Down", "Return")  # "Options..."
        self.desktop.wait_window(cls="#32770", title="Options")
        self.desktop.focus("Options")

        missing = winedriver.wine_path(os.path.join(self.lumora.folder, "no such folder"))
        cases = [
            (missing + "\\phrases.lmx", "does not exist"),
            # Not even the super user, which the tests may run as, creates a file there.
            ("Z:\\proc\\phrases.lmx", "cannot keep the phrases in"),
            (winedriver.wine_path(read_only), "read-only"),
        ]
        for path, said in cases:
            with self.subTest(path=path):
                self.assertIn(said, self.refusal_of(path))
        self.desktop.key("Escape")
        winedriver.wait_until(lambda: not self.options_windows(), 10,
                              what="the Options window to close")

        # Nothing changed: no settings written, the phrases where they were and expanded.
        self.assertFalse(os.path.exists(os.path.join(self.lumora.folder, "lumora.ini")))
        self.assertEqual(os.listdir(os.path.join(self.lumora.folder)).count("lumora.lmx"), 1)
        self.desktop.start_notepad()
        self.desktop.type("ok brb")
        self.assertEqual(self.desktop.notepad_text(expect="ok be right back"), "ok be right back")


if __name__ == "__main__":
    winedriver.main()
