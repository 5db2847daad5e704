"""The Options window of lumora.exe under Wine, used with the keyboard alone: opened from the
tray menu and from the phrase list's toolbar, "Start Lumora when I sign in to Windows" writes and
removes the per-user Run key's entry, OK writes lumora.ini and Cancel leaves everything; a
shortcut field takes Lumora's own shortcuts as keys; Add... leaves the program of an open window
alone."""

import os
import re
import time

import winedriver

RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
SEARCH_CLASS = "LumoraSearch"
PICKER_TITLE = "Leave a program alone"
# The hot-key fields' values: the key in the low byte, HOTKEYF_CONTROL | HOTKEYF_ALT above.
CTRL_ALT_SPACE = 0x0620
CTRL_ALT_J = 0x064A


class Options(winedriver.LumoraTest):
    phrases = [("brb", "be right back")]

    def run_entry(self):
        """The Run key's entry of Lumora as `reg query` prints it, or None."""
        result = self.desktop.run(["wine", "reg", "query", RUN_KEY, "/v", "Lumora"],
                                  check=False)
        out = result.stdout.decode("utf-8", errors="replace")
        return out if result.returncode == 0 and "Lumora" in out else None

    def open_from_tray(self):
        self.lumora.open_tray_menu()
        # "Options..." is the menu's second item.
        self.desktop.key("Down", "Down", "Return")
        self.wait_options()

    def wait_options(self):
        self.desktop.wait_window(cls="#32770", title="Options")
        self.desktop.focus("Options")

    def wait_closed(self):
        winedriver.wait_until(lambda: not any(w.title == "Options" and w.visible
                                              for w in self.desktop.windows()),
                              10, what="the Options window to close")

    def settings(self):
        """lumora.ini as text (the program writes it in UTF-16), "" before it is written: the
        program writes it after the window has closed."""
        try:
            with open(os.path.join(self.lumora.folder, "lumora.ini"), encoding="utf-16") as f:
                return f.read()
        except (FileNotFoundError, UnicodeError):
            return ""

    def setting(self, name):
        found = re.search(rf"^{name}=(.*)$", self.settings(), re.MULTILINE)
        return found.group(1).strip() if found else None

    def wait_picker_closed(self):
        winedriver.wait_until(lambda: not any(w.title == PICKER_TITLE and w.visible
                                              for w in self.desktop.windows()),
                              10, what="the window list to close")

    def search_field(self):
        """The search shortcut field's value (the second hot-key field)."""
        out = self.desktop.wintext("hotkeys", "--title", "Options").stdout.decode().split()
        return int(out[1], 16)

    def search_shown(self):
        return any(w.cls == SEARCH_CLASS and w.visible for w in self.desktop.windows())

    def assert_no_search(self, keys):
        """Pressing keys opens no search window. Its absence is watched for the time the
        shortcut takes to open it on this desktop (a second or two), by polling."""
        self.desktop.key(keys)
        deadline = time.monotonic() + 3
        while time.monotonic() < deadline:
            self.assertFalse(self.search_shown(), f"{keys} opened the search window")
            time.sleep(0.1)

    def test_shortcutField_ShouldTakeTheSearchShortcut_AndOkShouldMoveIt(self):
        self.lumora.start()
        self.open_from_tray()
        # Alt+C goes to the search shortcut field. The search window's own shortcut pressed
        # there is a key for the field: no search window, and the field holds it (the hot-key
        # control used to drop Space, and the field came out empty).
        self.desktop.key("alt+c", "ctrl+alt+j")
        winedriver.wait_until(lambda: self.search_field() == CTRL_ALT_J, 10,
                              what="Ctrl+Alt+J in the field")
        self.assert_no_search("ctrl+alt+space")
        self.assertEqual(self.search_field(), CTRL_ALT_SPACE)
        # Typed fast, as a user corrects a choice.
        self.desktop.key("ctrl+alt+j", delay_ms=5)
        winedriver.wait_until(lambda: self.search_field() == CTRL_ALT_J, 10,
                              what="Ctrl+Alt+J in the field again")
        # Enter is OK, also from a shortcut field (the field passes it on); an Alt+letter
        # there would be the field's new shortcut, not a label's access key.
        self.desktop.key("Return")
        self.wait_closed()
        winedriver.wait_until(lambda: self.setting("SearchShortcut") == "Ctrl+Alt+J", 10,
                              what="the new search shortcut in lumora.ini")

        # The new shortcut opens the search window over Notepad; the old one is free.
        self.desktop.start_notepad()
        self.desktop.key("ctrl+alt+j")
        winedriver.wait_until(self.search_shown, 20, what="the search window on Ctrl+Alt+J")
        self.desktop.focus("Lumora - insert a phrase")
        self.desktop.key("Escape")
        winedriver.wait_until(lambda: not self.search_shown(), 10, what="the search closed")
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.assert_no_search("ctrl+alt+space")
        self.desktop.type("brb ")
        self.assertEqual(self.desktop.notepad_text(expect="be right back "), "be right back ")

    def test_add_ShouldOfferNotepadsWindow_AndLeaveNotepadAlone(self):
        self.lumora.start()
        self.open_from_tray()
        self.desktop.start_notepad()
        self.desktop.focus("Options")
        self.desktop.key("alt+d")
        self.desktop.wait_window(cls="#32770", title=PICKER_TITLE)
        rows = self.desktop.wintext("rows", "--title", PICKER_TITLE).stdout.decode().splitlines()
        # The window by its title, with its program; none of Lumora's own, nor the shell's
        # taskbar.
        self.assertIn(f"{self.desktop.NOTEPAD_TITLE}\tnotepad.exe", rows)
        self.assertFalse([r for r in rows if r.startswith("Options\t")], rows)
        self.assertFalse([r for r in rows if r.endswith("\texplorer.exe")], rows)
        # Its first letters choose the row; Enter adds its program.
        self.desktop.focus(PICKER_TITLE)
        self.desktop.type("Untitled")
        self.desktop.key("Return")
        self.wait_picker_closed()
        # Browse... adds a program that is not running, by its file.
        self.desktop.focus("Options")
        self.desktop.key("alt+d")
        self.desktop.wait_window(cls="#32770", title=PICKER_TITLE)
        self.desktop.focus(PICKER_TITLE)
        self.desktop.key("alt+b")
        self.desktop.wait_window(cls="#32770", title="Choose a program")
        self.desktop.focus("Choose a program")
        self.desktop.type("C:\\windows\\regedit.exe")
        self.desktop.key("Return")
        self.wait_picker_closed()
        self.desktop.focus("Options")
        self.desktop.key("Return")
        self.wait_closed()
        winedriver.wait_until(
            lambda: self.setting("ExcludedPrograms") == "notepad.exe;regedit.exe", 10,
            what="notepad.exe and regedit.exe left alone in lumora.ini")

        # Nothing expands in Notepad now, typed slowly or fast.
        self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        self.desktop.type("brb ", delay_ms=120)
        self.desktop.type("brb ", delay_ms=10)
        self.desktop.type("ok")
        self.assertEqual(self.desktop.notepad_text(expect="brb brb ok"), "brb brb ok")

    def test_startAtSignIn_ShouldWriteAndRemoveTheRunEntry_AndCancelShouldLeaveIt(self):
        self.lumora.start()
        self.assertIsNone(self.run_entry())

        # Alt+S ticks "Start Lumora when I sign in to Windows"; Enter is OK.
        self.open_from_tray()
        self.desktop.key("alt+s", "Return")
        self.wait_closed()
        entry = winedriver.wait_until(self.run_entry, 10, what="the Run key's entry")
        # The program's own path, in quotes.
        self.assertIn('"', entry)
        self.assertIn('lumora.exe"', entry)
        self.assertIn(os.path.basename(self.lumora.folder), entry)
        self.assertTrue(os.path.exists(os.path.join(self.lumora.folder, "lumora.ini")))

        # Cancel leaves it: the box unticked, then Escape.
        self.open_from_tray()
        self.desktop.key("alt+s", "Escape")
        self.wait_closed()
        self.assertIsNotNone(self.run_entry())

        # From the phrase list's toolbar (its fourth button), unticked and OK: the entry goes.
        menu = self.lumora.open_tray_menu()
        ml, mt, mr, _ = menu.rect
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the phrase list")
        toolbar = self.desktop.wintext("child", "--class", self.lumora.WINDOW_CLASS, "--child",
                                       "ToolbarWindow32").stdout.decode().split(" ")
        tl, tt, _, tb = (int(v) for v in toolbar[2][len("rect="):].split(","))
        self.desktop.xdotool("mousemove", str(tl + 12 + 23 * 3), str((tt + tb) // 2),
                             "click", "1")
        self.wait_options()
        self.desktop.key("alt+s", "Return")
        self.wait_closed()
        winedriver.wait_until(lambda: self.run_entry() is None, 10,
                              what="the Run key's entry to go")


if __name__ == "__main__":
    winedriver.main()
