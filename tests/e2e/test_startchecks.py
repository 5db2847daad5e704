"""What lumora.exe does at start with settings that cannot work, under Wine: a phrase file that
names the program's own files, a device, a folder or a folder that is not there; shortcuts and
a -maxitems= the Options window would refuse; two copies started at once. Each start says what
is wrong in one box, runs with its hook, never writes what is not a phrase file, and ends at
-exit even while the box is open."""

import os

import winedriver

PHRASES = [("brb", "be right back")]
BOX = ("--class", "#32770", "--title", "Lumora")


class StartChecks(winedriver.ProgramsTest):

    def lumora(self, ini):
        """lumora.exe in a folder of its own with lumora.lmx, and lumora.ini holding `ini`."""
        folder = os.path.join(self.folder, "program")
        os.makedirs(folder, exist_ok=True)
        lumora = winedriver.Lumora(self.desktop, folder, PHRASES)
        with open(os.path.join(folder, "lumora.ini"), "wb") as f:
            f.write("\ufeff[Lumora]\r\n".encode("utf-16-le"))
            f.write("".join(line + "\r\n" for line in ini).encode("utf-16-le"))
        self._programs.append(lumora)
        return lumora

    def files_of(self, lumora):
        result = {}
        for name in sorted(os.listdir(lumora.folder)):
            path = os.path.join(lumora.folder, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    result[name] = f.read()
        return result

    def start_and_read_the_box(self, lumora, *args):
        """Starts the program; waits for its hook and its one box; the box's text."""
        lumora.proc = None
        lumora.start(*args, wait=False)
        winedriver.wait_until(lambda: lumora.caption().startswith("Lumora "), 30,
                              what="the hook to be set")
        self.desktop.wait_window(cls="#32770", title="Lumora", timeout=30)
        return self.desktop.wintext("text", *BOX, "--child", "Static").stdout.decode()

    def exit_with_the_box_open(self, lumora):
        """-exit from a second start while the box is still open: the program ends, and no
        second box comes up meanwhile."""
        second = lumora.start("-exit", wait=False)
        self.assertEqual(second.wait(30), 0)
        lumora.proc.wait(30)
        boxes = [w for w in self.desktop.windows() if w.cls == "#32770"]
        self.assertEqual(boxes, [])

    def expands(self, text="ok brb", expected="ok be right back"):
        notepad = self.desktop.start_notepad()
        self.desktop.type(text)
        self.assertEqual(self.desktop.notepad_text(expect=expected), expected)
        self.desktop.stop(notepad)

    def test_phraseFileNamingTheProgramsOwnFiles_ShouldLeaveThemAlone(self):
        for name in ("lumora.dll", "LUMORA.INI", ".\\lumora.exe"):
            with self.subTest(name=name):
                lumora = self.lumora(["PhraseFile=" + name])
                before = self.files_of(lumora)
                text = self.start_and_read_the_box(lumora)
                self.assertIn("own files", text)
                self.assertIn("lumora.lmx", text)
                self.exit_with_the_box_open(lumora)
                self.assertEqual(self.files_of(lumora), before)
                # The library is whole: the next start sets its hook and expands from
                # lumora.lmx, which holds the phrases meanwhile.
                self.start_and_read_the_box(lumora)
                self.desktop.wintext("close", *BOX)
                self.expands()
                lumora.close()
                self.assertEqual(self.files_of(lumora), before)

    def test_phraseFilePathsThatCannotWork_ShouldBeSaidOnce_AndTheHookSet(self):
        os.makedirs(os.path.join(self.folder, "program", "a folder"), exist_ok=True)
        for place, said in (("CON", "device CON"), ("nul.lmx", "device NUL"),
                            ("a folder", "is a folder"), ("..", "names a folder"),
                            ("missing\\p.lmx", "cannot be reached")):
            with self.subTest(place=place):
                lumora = self.lumora(["PhraseFile=" + place])
                before = self.files_of(lumora)
                self.assertIn(said, self.start_and_read_the_box(lumora))
                self.exit_with_the_box_open(lumora)
                self.assertEqual(self.files_of(lumora), before)
        # And it expands meanwhile, the box closed, from the phrases beside the program.
        self.start_and_read_the_box(self.lumora(["PhraseFile=a folder"]))
        self.desktop.wintext("close", *BOX)
        self.expands()
        self.assertFalse(os.path.exists(os.path.join(self.folder, "program", "missing")))

    def test_settingsTheOptionsWindowRefuses_ShouldBeNamedByLine_AndTakeTheirDefault(self):
        lumora = self.lumora(["PauseShortcut=A", "SearchShortcut=Space"])
        text = self.start_and_read_the_box(lumora, "-maxitems=abc")
        self.assertIn("Line 2: PauseShortcut=A", text)
        self.assertIn("Line 3: SearchShortcut=Space", text)
        self.assertIn('"abc" is not a number', text)
        self.desktop.wintext("close", *BOX)
        # Neither an "a" nor a space is taken from the user's typing.
        self.expands("a brb a brb", "a be right back a be right back")
        self.assertIsNone(lumora.proc.poll())

    def test_twoCopiesAtOnce_ShouldShowLumorasMessage_WhenLumoraWins(self):
        lumora = self.lumora([])
        # The first copy takes the mutex "Lumora" and then stops before the instance mutex,
        # so that the second one, started meanwhile, takes it first: as two starts at the
        # same instant may go.
        first = lumora.start(wait=False, env={"LUMORA_TEST_START_PAUSE_MS": "4000"})
        winedriver.wait_until(lumora.main_window, 30, what="the first copy's window")
        second = lumora.start(wait=False)
        winedriver.wait_until(
            lambda: any(w.title.startswith("Lumora ") for w in self.desktop.windows()), 30,
            what="the second copy to set its hook")
        self.desktop.wait_window(title="Information", timeout=30)
        result = self.desktop.wintext("text", "--title", "Information", "--child", "Static")
        self.assertIn("Lumora is already running", result.stdout.decode())
        self.desktop.wintext("close", "--title", "Information")
        self.assertEqual(first.wait(30), 0)
        self.assertIsNone(second.poll())
        lumora.proc = second


if __name__ == "__main__":
    winedriver.main()
