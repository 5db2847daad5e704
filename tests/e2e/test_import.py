"""Import... and Export... of the phrase list under Wine: an espanso match file and a Beeftext
combo file are chosen in the file dialog, their report is read before anything changes, Add
takes them in, and a phrase of each expands in Notepad; Export... writes the list as CSV."""

import os
import subprocess

import winedriver

ESPANSO = """matches:
  - trigger: ":btw"
    replace: "by the way"
    word: true
  - regex: ":n(\\\\d+)"
    replace: "number"
"""

BEEFTEXT = """{"combos": [
  {"keyword": "tyvm", "snippet": "thank you very much", "name": "thanks", "enabled": true},
  {"keyword": "brb", "snippet": "taken already", "enabled": true},
  {"keyword": "kw", "snippet": "#{input:name}", "enabled": true}
]}
"""

LIST = "SysListView32"


class Import(winedriver.LumoraTest):
    phrases = [("brb", "be right back")]

    def open_list(self):
        self.lumora.start()
        menu = self.lumora.open_tray_menu()
        ml, mt, mr, _ = menu.rect
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the phrase list to show")
        self.desktop.focus(self.lumora.caption())

    def focus_dialog(self, title):
        """Gives a dialog the focus; a dialog that has only just opened may not take it at the
        first try (its X window not mapped yet)."""
        self.desktop.wait_window(cls="#32770", title=title)

        def focused():
            try:
                self.desktop.focus(title)
                return True
            except (subprocess.CalledProcessError, TimeoutError):
                return False
        winedriver.wait_until(focused, 10, what=f"{title!r} to take the focus")

    def choose_file(self, path):
        """Types the file's path into the open file dialog and opens it."""
        self.focus_dialog("Import phrases")
        self.desktop.type(winedriver.wine_path(path), delay_ms=10)
        self.desktop.key("Return")

    def report(self):
        """The text of the import report, once its window is there."""
        self.desktop.wait_window(cls="#32770", title="Import report")
        out = self.desktop.wintext("text", "--title", "Import report", "--child", "Edit").stdout
        return out.decode("utf-8", errors="replace")

    def click_add(self, caption):
        """Clicks the report's Add button, which says how many phrases it adds, and which must
        lie inside the report's window."""
        dialog = next(w for w in self.desktop.windows() if w.title == "Import report")
        out = self.desktop.wintext("child", "--title", "Import report", "--child", "Button",
                                   "--text", caption).stdout.decode("utf-8")
        self.assertTrue(out, f"no button {caption!r} in the report")
        left, top, right, bottom = (int(v) for v in out.split(" ")[2][len("rect="):].split(","))
        dl, dt, dr, db = dialog.rect
        self.assertTrue(dl <= left < right <= dr and dt <= top < bottom <= db,
                        f"Add at {(left, top, right, bottom)} outside {dialog.rect}")
        self.desktop.xdotool("mousemove", str((left + right) // 2), str((top + bottom) // 2),
                             "click", "1")

    def write(self, name, text):
        path = os.path.join(self.lumora.folder, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_import_ShouldReportFirst_ThenAddPhrasesThatExpandInNotepad(self):
        espanso = self.write("base.yml", ESPANSO)
        beeftext = self.write("combos.json", BEEFTEXT)
        self.open_list()

        # From the grid's context menu: right click, then "Import...".
        _, (left, top, right, bottom), _ = self.lumora.child(LIST)
        self.desktop.xdotool("mousemove", str((left + right) // 2), str(bottom - 30), "click", "3")
        winedriver.wait_until(lambda: any(w.cls == "#32768" and w.visible
                                          for w in self.desktop.windows()), 10,
                              what="the context menu")
        self.desktop.key("i")
        self.choose_file(espanso)
        report = self.report()
        self.assertIn("espanso match file: 1 phrase will be added.", report)
        self.assertIn(":n(\\d+)\" (line 5): a regex trigger", report)
        self.assertIn("word (expands only when the trigger stands as a whole word): :btw", report)
        # Nothing changes before Add.
        self.assertEqual(self.rows(), [("brb", "be right back")])
        self.focus_dialog("Import report")
        self.desktop.key("Return")
        self.wait_rows([("brb", "be right back"), (":btw", "by the way")])

        # From the toolbar: Import..., after a separator behind the first five buttons.
        self.desktop.focus(self.lumora.caption())
        toolbar = self.lumora.child("ToolbarWindow32")[1]
        self.desktop.xdotool("mousemove", str(toolbar[0] + 5 * 23 + 8 + 11),
                             str((toolbar[1] + toolbar[3]) // 2), "click", "1")
        self.choose_file(beeftext)
        report = self.report()
        self.assertIn("Beeftext combo file: 1 phrase will be added.", report)
        self.assertIn("\"brb\": the list holds this abbreviation already", report)
        self.assertIn("\"kw\": uses the variable #{input:...}", report)
        self.click_add("&Add 1 phrase")
        self.wait_rows([("brb", "be right back"), (":btw", "by the way"),
                        ("tyvm", "thank you very much")])

        # The list hides; both expand in Notepad, typed slowly and at once.
        self.desktop.wintext("post", "--class", self.lumora.WINDOW_CLASS, "--message", "0x112",
                             "--wparam", "0xF020")  # WM_SYSCOMMAND, SC_MINIMIZE
        winedriver.wait_until(lambda: not self.lumora.main_window().visible, 10,
                              what="the phrase list to hide")
        self.desktop.start_notepad()
        self.desktop.type("so :btw ", delay_ms=60)
        self.desktop.type("and tyvm", delay_ms=0)
        self.assertEqual(self.desktop.notepad_text(expect="so by the way and thank you very much"),
                         "so by the way and thank you very much")

    def test_export_ShouldWriteTheListAsCsv(self):
        self.open_list()
        _, (left, top, right, bottom), _ = self.lumora.child(LIST)
        self.desktop.xdotool("mousemove", str((left + right) // 2), str(bottom - 30), "click", "3")
        winedriver.wait_until(lambda: any(w.cls == "#32768" and w.visible
                                          for w in self.desktop.windows()), 10,
                              what="the context menu")
        self.desktop.key("x")
        self.focus_dialog("Export phrases")
        out = os.path.join(self.lumora.folder, "out.csv")
        self.desktop.key("ctrl+a")
        self.desktop.type(winedriver.wine_path(out), delay_ms=10)
        self.desktop.key("Return")
        winedriver.wait_until(lambda: os.path.exists(out), 10, what="out.csv")
        with open(out, "rb") as f:
            self.assertEqual(f.read(), b'\xef\xbb\xbf"abbreviation","text"\r\n'
                                       b'"brb","be right back"\r\n')


if __name__ == "__main__":
    winedriver.main()
