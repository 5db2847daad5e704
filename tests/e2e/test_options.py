"""The Options window of lumora.exe under Wine, used with the keyboard alone: opened from the
tray menu and from the phrase list's toolbar, "Start Lumora when I sign in to Windows" writes and
removes the per-user Run key's entry, OK writes lumora.ini and Cancel leaves everything."""

import os

import winedriver

RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


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
