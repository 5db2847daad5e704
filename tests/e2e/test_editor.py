"""The phrase editor (the main window) of lumora.exe under Wine: rows are created, edited in
place and deleted with the mouse and the keyboard, the edits expand in Notepad and are saved in
grid order at exit."""

import os

import winedriver

PHRASES = [
    ("brb", "be right back"),
    ("sig", "Kind regards,\r\nJohn"),
]

# As the grid shows them: a line break as a pilcrow.
PHRASES_SHOWN = [("brb", "be right back"), ("sig", "Kind regards,\u00b6John")]

LIST = "SysListView32"


class Editor(winedriver.LumoraTest):
    phrases = PHRASES

    # -- helpers ----------------------------------------------------------------------------

    def open_editor(self, *args, double_click=False, started=False):
        """Starts the program (unless started) and opens its main window with "Settings" from
        the tray, or with a double click on the tray icon."""
        if not started:
            self.lumora.start(*args)
        menu = self.lumora.open_tray_menu()
        if double_click:
            # The menu opened where the pointer is, over the program's icon.
            self.desktop.key("Escape")
            winedriver.wait_until(lambda: not any(w.cls == "#32768" and w.visible
                                                  for w in self.desktop.windows()),
                                  10, what="the tray menu to close")
            self.desktop.xdotool("click", "--repeat", "2", "--delay", "80", "1")
        else:
            ml, mt, mr, _ = menu.rect
            self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10), "click", "1")
        winedriver.wait_until(lambda: self.lumora.main_window().visible, 10,
                              what="the main window to show")
        self.desktop.focus(self.lumora.caption())

    def wait_editing(self, text=None, timeout=10.0):
        """Waits for the in-place editor (with that text, when given)."""
        def open_():
            edit = self.lumora.child(self.lumora.CELL_EDITOR)
            return edit and edit[0] and (text is None or edit[2] == text)
        winedriver.wait_until(open_, timeout, what=f"the cell editor with {text!r}")

    def wait_not_editing(self, timeout=10.0):
        winedriver.wait_until(lambda: self.lumora.child(self.lumora.CELL_EDITOR) is None, timeout,
                              what="the cell editor to close")

    def click_first_row(self):
        """Clicks the first row's first cell, just under the header."""
        left = self.lumora.child(LIST)[1][0]
        header_bottom = self.lumora.child("SysHeader32")[1][3]
        self.desktop.xdotool("mousemove", str(left + 20), str(header_bottom + 6), "click", "1")

    def focus_second_row(self):
        self.click_first_row()
        self.desktop.key("Down")

    def minimize(self):
        self.desktop.wintext("post", "--class", self.lumora.WINDOW_CLASS, "--message", "0x112",
                             "--wparam", "0xF020")  # WM_SYSCOMMAND, SC_MINIMIZE
        winedriver.wait_until(lambda: not self.lumora.main_window().visible, 10,
                              what="the main window to hide")

    def saved_at_exit(self):
        os.remove(self.lumora.phrase_file)
        self.lumora.exit_from_tray()
        with open(self.lumora.phrase_file, "rb") as f:
            return f.read()

    # -- tests ------------------------------------------------------------------------------

    def test_newItem_ShouldAddPhrase_ThatExpandsInNotepadAndIsSaved(self):
        self.open_editor()
        self.assertEqual(self.lumora.child("msctls_statusbar32")[2],
                         "Double click the list to create a new item")
        # A double click on the grid's empty area: New item opens the new row's abbreviation.
        _, (left, top, right, bottom), _ = self.lumora.child(LIST)
        self.desktop.xdotool("mousemove", str((left + right) // 2), str(bottom - 30),
                             "click", "--repeat", "2", "--delay", "80", "1")
        self.wait_editing("")
        self.desktop.type("tyvm")
        self.wait_editing("tyvm")
        # Ctrl+Enter is no line break in an abbreviation: ignored, the cell stays open.
        self.desktop.key("ctrl+Return")
        self.desktop.type("!")
        self.wait_editing("tyvm!")
        self.desktop.key("BackSpace")
        # Tab accepts and opens the row's text; Ctrl+Enter is a line break there.
        self.desktop.key("Tab")
        self.wait_editing("")
        self.desktop.type("thank you")
        self.desktop.key("ctrl+Return")
        self.desktop.type("very much")
        self.wait_editing("thank you\nvery much")
        # The count of the text, what typing there does, and that nothing is expanded
        # meanwhile.
        self.assertEqual(self.status(), ["Text: 20 of 512 characters; typing replaces the cell; "
                                         "Enter keeps it, Esc brings the old text back",
                                         "Nothing is expanded while this list is open"])
        self.desktop.key("Return")
        self.wait_not_editing()
        self.wait_rows([("brb", "be right back"), ("sig", "Kind regards,\u00b6John"),
                        ("tyvm", "thank you\u00b6very much")])

        self.minimize()
        self.desktop.start_notepad()
        self.desktop.type("ok tyvm")
        expected = "ok thank you\nvery much"
        self.assertEqual(self.desktop.notepad_text(expect=expected, timeout=20), expected)

        self.assertEqual(self.saved_at_exit(), winedriver.phrase_file_bytes(
            PHRASES + [("tyvm", "thank you\r\nvery much")]))


    def test_typedCharacter_ShouldOpenFocusedCell_AndLeftRightShouldChooseIt(self):
        self.open_editor()
        self.focus_second_row()
        # The abbreviation cell is focused; a typed character replaces its text, the caret
        # after it.
        self.desktop.type("x")
        self.wait_editing("x")
        self.desktop.type("yz")
        self.wait_editing("xyz")
        self.desktop.key("Return")
        self.wait_not_editing()
        # Right moves to the text cell, F2 opens it as it is, Escape drops the change.
        self.desktop.key("Right", "F2")
        self.wait_editing("Kind regards,\nJohn")
        self.desktop.type("lost")
        self.desktop.key("Escape")
        self.wait_not_editing()
        self.wait_rows([("brb", "be right back"), ("xyz", "Kind regards,\u00b6John")])
        # Up to the first row, still in the text cell; Left back to the abbreviation.
        self.desktop.key("Up")
        self.desktop.type("Be back soon")
        self.desktop.key("Return")
        self.wait_not_editing()
        self.desktop.key("Left")
        self.desktop.type("bbs")
        self.desktop.key("Return")
        self.wait_rows([("bbs", "Be back soon"), ("xyz", "Kind regards,\u00b6John")])

    def test_abbreviation_ShouldStopAt32Characters_AndAnEmptyNewRowShouldNotStay(self):
        self.open_editor()
        self.desktop.key("ctrl+n")  # New item
        self.wait_editing("")
        typed = "abcdefghijklmnopqrstuvwxyz0123456789ABCD"  # 40 characters
        self.desktop.type(typed, delay_ms=10)
        self.wait_editing(typed[:32])
        self.desktop.key("Return")
        # Its text is empty: the row is marked.
        self.wait_rows(PHRASES_SHOWN + [(typed[:32], "(expands to nothing)")])
        # A new row left with both cells empty goes, whether dropped by Escape or accepted
        # empty after Tab.
        self.desktop.key("ctrl+n")
        self.wait_editing("")
        self.desktop.key("Escape")
        self.wait_not_editing()
        self.desktop.key("ctrl+n")
        self.wait_editing("")
        self.desktop.key("Tab")
        self.desktop.key("Return")
        self.wait_not_editing()
        # Its text is empty: the row is marked.
        self.wait_rows(PHRASES_SHOWN + [(typed[:32], "(expands to nothing)")])
        self.assertEqual(winedriver.phrases_of(self.saved_at_exit()),
                         PHRASES + [(typed[:32], "")])

    def test_delete_ShouldRemoveFocusedRow_WithAnyModifier(self):
        self.open_editor()
        self.focus_second_row()
        self.desktop.key("Delete")
        self.wait_rows([("brb", "be right back")])
        # The row before is focused: Shift+Delete removes it too.
        self.desktop.key("shift+Delete")
        self.wait_rows([])
        self.assertEqual(self.saved_at_exit(), winedriver.phrase_file_bytes([]))

    def test_ctrlZ_ShouldBringBackTheDeletedRowInItsPlace(self):
        self.open_editor()
        self.focus_second_row()
        self.desktop.key("Delete")
        self.wait_rows([("brb", "be right back")])
        self.desktop.key("ctrl+z")
        self.wait_rows(PHRASES_SHOWN)
        # Used up: a second Ctrl+Z changes nothing.
        self.desktop.key("ctrl+z")
        self.wait_rows(PHRASES_SHOWN)
        self.assertEqual(winedriver.phrases_of(self.saved_at_exit()), PHRASES)

    def test_doubleClickOnRow_ShouldCreateNothing_AndClickOnFocusedCellShouldEdit(self):
        self.open_editor()
        left = self.lumora.child(LIST)[1][0]
        header_bottom = self.lumora.child("SysHeader32")[1][3]
        self.desktop.xdotool("mousemove", str(left + 20), str(header_bottom + 6), "click",
                             "--repeat", "2", "--delay", "80", "1")
        # Keys come after posted messages: had the double click posted New item, this would
        # go into a new row's editor.
        self.desktop.type("q")
        self.wait_editing("q")
        self.desktop.key("Return")
        self.wait_rows([("q", "be right back"), PHRASES_SHOWN[1]])
        # A single click on the focused cell opens it (once a double click is ruled out).
        self.click_first_row()
        self.wait_editing("q")
        self.desktop.key("Escape")
        self.wait_not_editing()

    def columns(self):
        """The grid's column widths and its client width."""
        out = self.desktop.wintext("columns", "--class", self.lumora.WINDOW_CLASS).stdout
        *widths, client = out.decode().split()
        return [int(w) for w in widths], int(client[len("client="):])

    def test_columns_ShouldFollowGridWidth_StayWithinLimits_AndBeKept(self):
        self.open_editor()
        widths, client = self.columns()
        # At least as wide as the design's 80 pixels, and wide enough for its header.
        abbreviation = widths[0]
        self.assertGreaterEqual(abbreviation, 80)
        self.assertEqual(widths, [abbreviation, client - abbreviation])
        # Widening the window widens the text column by as much; the abbreviation keeps its
        # width.
        left, top, right, bottom = self.lumora.main_window().rect
        self.desktop.wintext("size", "--class", self.lumora.WINDOW_CLASS, "--width",
                             str(right - left + 100), "--height", str(bottom - top))
        winedriver.wait_until(lambda: self.columns()[0] == [abbreviation,
                                                            client + 100 - abbreviation], 10,
                              what="the text column to widen")
        # Dragging the divider far past the column's left edge stops at 10 pixels.
        _, (hl, ht, _, hb), _ = self.lumora.child("SysHeader32")
        y = str((ht + hb) // 2)
        self.desktop.xdotool("mousemove", str(hl + abbreviation), y, "mousedown", "1")
        self.desktop.xdotool("mousemove", str(hl + 40), y, "mousemove", str(hl + 2), y)
        self.desktop.xdotool("mousemove", str(hl + 1), y, "mouseup", "1")
        winedriver.wait_until(lambda: self.columns()[0][0] == 10, 10,
                              what="the abbreviation column at 10 pixels")
        # The window's size and the columns are there again at the next start.
        size = self.lumora.main_window().rect
        self.lumora.exit_from_tray()
        # Gone for Windows too (its window and instance mutex), not only its Wine process.
        winedriver.wait_until(lambda: self.lumora.main_window() is None, 20,
                              what="the first copy to end")
        self.lumora.proc = None
        self.open_editor()
        self.assertEqual(self.columns()[0][0], 10)
        rect = self.lumora.main_window().rect
        self.assertEqual((rect[2] - rect[0], rect[3] - rect[1]),
                         (size[2] - size[0], size[3] - size[1]))

    def test_toolbar_ShouldOfferNewItemDeleteAndAbout(self):
        self.open_editor()
        _, (tl, tt, _, tb), _ = self.lumora.child("ToolbarWindow32")
        y = str((tt + tb) // 2)

        def button(index):  # small images: buttons about 23 pixels wide
            self.desktop.xdotool("mousemove", str(tl + 12 + 23 * index), y, "click", "1")

        button(0)  # New item
        self.wait_editing("")
        self.desktop.type("ty")
        # Delete while the new row's abbreviation is being typed: it is kept, then deleted.
        button(1)
        self.wait_not_editing()
        self.wait_rows(PHRASES_SHOWN)
        button(2)  # About
        self.desktop.wait_window(title="About", cls="#32770")
        self.desktop.wintext("close", "--title", "About")

    def toolbar(self):
        """The toolbar's padding (x, y), and its buttons as (command, image, width, height,
        ink), None for a separator (see wintext toolbar)."""
        out = self.desktop.wintext("toolbar", "--class", self.lumora.WINDOW_CLASS).stdout
        lines = out.decode("utf-8").splitlines()
        padding = tuple(int(v) for v in lines[0][len("padding="):].split("x"))
        buttons = []
        for line in lines[1:]:
            if line == "sep":
                buttons.append(None)
                continue
            command, image, size, ink = line.split(" ")
            width, height = (int(v) for v in size[len("size="):].split("x"))
            buttons.append((int(command), int(image[len("image="):]), width, height,
                            int(ink[len("ink="):])))
        return padding, buttons

    def test_toolbar_ShouldShowItsOwnImages_InTheSizeDrawnForTheDisplaysDpi(self):
        # New item, Delete, About, Options, Import from a backup | Import, Export.
        commands = [40004, 40005, 40003, 40006, 40008, None, 40009, 40010]
        reg = os.path.join(self.lumora.folder, "dpi.reg")

        def set_dpi(value):  # Wine's LogPixels, read by a program as it starts
            with open(reg, "w", encoding="utf-8") as f:
                f.write("Windows Registry Editor Version 5.00\n\n"
                        "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
                        f"\"LogPixels\"={value}\n")
            self.desktop.run(["wine", "regedit", "/S", reg], timeout=60)

        try:
            for dpi, size in ((96, 16), (144, 24)):
                with self.subTest(dpi=dpi):
                    set_dpi(f"dword:{dpi:08x}")
                    try:
                        self.open_editor()
                        self.desktop.xdotool("mousemove", "1", "1")  # no button under the pointer
                        # Each button shows an image of its own: a good part of its square inked.
                        drawn = size * size // 8
                        winedriver.wait_until(
                            lambda: all(b is None or b[4] >= drawn for b in self.toolbar()[1]),
                            10, what="the toolbar's images on the screen")
                        (px, py), buttons = self.toolbar()
                        self.assertEqual([b and b[0] for b in buttons], commands)
                        self.assertEqual([b[1] for b in buttons if b], list(range(7)))
                        self.assertEqual({(b[2] - px, b[3] - py) for b in buttons if b},
                                         {(size, size)})
                    finally:
                        self.lumora.close()
                        self.lumora.proc = None
        finally:
            set_dpi("-")  # back to the display's own

    def test_exit_ShouldKeepCellBeingEdited(self):
        self.open_editor()
        self.desktop.key("ctrl+n")
        self.wait_editing("")
        self.desktop.type("gtg")
        self.wait_editing("gtg")
        self.assertEqual(winedriver.phrases_of(self.saved_at_exit()), PHRASES + [("gtg", "")])


    def message_box_text(self):
        result = self.desktop.wintext("text", "--class", "#32770", "--child", "Static")
        return result.stdout.decode("utf-8", errors="replace")

    def test_fullList_ShouldSaySo_AndLeaveEveryRow(self):
        stored = [(f"p{i:02}", f"phrase {i}") for i in range(32)]
        full = stored[:30]  # maxItems is 30
        with open(self.lumora.phrase_file, "wb") as f:
            f.write(winedriver.phrase_file_bytes(stored))
        # A file over the limit: said at start, with where the rest are kept.
        self.lumora.start()
        self.desktop.wait_window(cls="#32770", title="Lumora")
        message = self.message_box_text()
        for part in ("holds 32 phrases", "first 30", "lumora.lmx.bak", "Options"):
            self.assertIn(part, message)
        self.desktop.wintext("close", "--class", "#32770")
        self.open_editor(double_click=True, started=True)
        self.wait_rows(full)
        self.desktop.key("End")
        # A user adding phrase 31 types its abbreviation straight after Ctrl+N.
        self.desktop.key("ctrl+n")
        self.desktop.type("z")
        self.desktop.wait_window(cls="#32770", title="Lumora")
        message = self.message_box_text()
        for where in ("Options", "MaxPhrases", "-maxitems="):
            self.assertIn(where, message)
        self.desktop.key("Return")
        winedriver.wait_until(lambda: not any(w.cls == "#32770" for w in self.desktop.windows()),
                              10, what="the message to close")
        self.desktop.type("z")
        self.assertEqual(self.rows(), full)
        self.assertIsNone(self.lumora.child(self.lumora.CELL_EDITOR))
        self.assertIn("full (30 phrases)", self.status()[0])
        # Nothing changed: the file still holds all 32.
        self.lumora.exit_from_tray()
        with open(self.lumora.phrase_file, "rb") as f:
            self.assertEqual(len(winedriver.phrases_of(f.read())), 32)


if __name__ == "__main__":
    winedriver.main()
