"""The rig itself: the desktop, Notepad, X typing and reading Notepad's text back."""

import os
import subprocess

import winedriver


class NotepadRig(winedriver.DesktopTest):
    def test_typedText_ShouldReadBack_WhenTypedIntoNotepad(self):
        self.desktop.start_notepad()
        self.desktop.type("hi brb ok")
        self.assertEqual(self.desktop.notepad_text(expect="hi brb ok"), "hi brb ok")
        self.desktop.key("Return")
        self.desktop.type("Second, line!")
        self.assertEqual(self.desktop.notepad_text(expect="hi brb ok\nSecond, line!"),
                         "hi brb ok\nSecond, line!")

    def test_waitWindow_ShouldTimeOut_WhenNoSuchWindow(self):
        with self.assertRaises(TimeoutError):
            self.desktop.wait_window(title="No such window", timeout=0.5)

    def test_stopAll_ShouldEndNotepad_WhenTestEnds(self):
        proc = self.desktop.start_notepad()
        self.desktop.stop_all()
        self.assertIsNotNone(proc.poll())
        winedriver.wait_until(
            lambda: not any(w.cls == "Notepad" for w in self.desktop.windows()), 10,
            what="Notepad's window to go")

    def test_withWine_ShouldRunWindowsProgram_OnTheTestDesktop(self):
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "with-wine.sh")
        result = subprocess.run([script, self.desktop.exe("wintext.exe"), "list"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL, timeout=60)
        self.assertEqual(result.returncode, 0)
        self.assertIn(b"class=Shell_TrayWnd", result.stdout)


if __name__ == "__main__":
    winedriver.main()
