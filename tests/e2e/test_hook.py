"""lumora.dll under Wine: what a program that calls SetHook hears while the user types into
Notepad (tests/e2e/hooklog.cpp prints it)."""

import subprocess
import threading
import time

import winedriver


class HookLog:
    """hooklog.exe running on the desktop, its lines collected as they come."""

    def __init__(self, desktop, *args):
        self.desktop = desktop
        self.lines = []
        self._lock = threading.Lock()
        self.proc = desktop.start([desktop.exe("hooklog.exe"), *args], stdout=subprocess.PIPE)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        winedriver.wait_until(lambda: self._has("READY") or self._has("FAILED"), 30,
                              what="hooklog to call SetHook")
        if self._has("FAILED"):
            raise AssertionError("SetHook returned 0")

    def _read(self):
        for raw in self.proc.stdout:
            with self._lock:
                self.lines.append(raw.decode().strip())

    def _has(self, prefix):
        with self._lock:
            return any(line.startswith(prefix) for line in self.lines)

    def events(self):
        with self._lock:
            return [l for l in self.lines if l.split(" ")[0] in ("CHAR", "KEY", "MOUSE")]

    def wait_events(self, count, timeout=10):
        winedriver.wait_until(lambda: len(self.events()) >= count, timeout,
                              what=f"{count} hook events (have {self.events()})")
        return self.events()


def chars(events):
    return "".join(chr(int(e.split()[1])) for e in events if e.startswith("CHAR"))


class HookLibrary(winedriver.DesktopTest):
    binaries = ("wintext.exe", "hooklog.exe", "lumora.dll")

    def test_typing_ShouldReportEachCharacter_WhenUserTypesIntoNotepad(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        self.desktop.type("hi Brb, ok")
        winedriver.wait_until(lambda: len(chars(log.events())) >= 10, 10, what="10 characters")
        events = log.events()
        # Every press once, in order, as characters (Shift for B gives a key report).
        self.assertEqual(chars(events), "hi Brb, ok")
        self.assertIn("CHAR 66 66 0", events)  # B: vk 0x42, not extended
        self.assertEqual(self.desktop.notepad_text(expect="hi Brb, ok"), "hi Brb, ok")

    def test_editingKeys_ShouldFollowTheInterface_WhenPressed(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        self.desktop.type("ab")
        self.desktop.key("BackSpace", "Escape", "Left")
        events = log.wait_events(5)
        self.assertEqual(events[2:5], ["CHAR 8 8 0", "KEY 27", "KEY 37"])
        self.assertEqual(self.desktop.notepad_text(expect="a"), "a")

    def test_enterAndTab_ShouldWaitForTheVerdict_ThenArriveInOrder(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)  # answers like the program: no abbreviation
        self.desktop.type("a")
        self.desktop.key("Return", "Tab", "KP_Enter", delay_ms=0)
        self.desktop.type("b", delay_ms=0)
        events = log.wait_events(5)
        self.assertEqual(events, ["CHAR 97 65 0", "CHAR 13 13 0", "CHAR 9 9 0", "CHAR 13 13 1",
                                  "CHAR 98 66 0"])
        # Held until each verdict, and replayed: nothing lost, nothing out of order.
        self.assertEqual(self.desktop.notepad_text(expect="a\n\t\nb"), "a\n\t\nb")

    def test_heldKeys_ShouldGoToTheTarget_WhenTheProgramNeverAnswers(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop, "--silent")
        self.desktop.type("a")
        self.desktop.key("Return", delay_ms=0)
        self.desktop.type("bc", delay_ms=0)
        log.wait_events(2)
        # The library's watchdog lets them go within about a second.
        self.assertEqual(self.desktop.notepad_text(expect="a\nbc", timeout=5), "a\nbc")

    def test_ctrlEnter_ShouldGiveLineFeedAndPass_WhenCtrlHeld(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        self.desktop.key("ctrl+Return")
        events = log.wait_events(2)
        self.assertIn("CHAR 10 13 0", events)
        self.assertNotIn("CHAR 13 13 0", events)

    def test_modifiers_ShouldDecideBetweenCharAndKey_WhenHeldWithKeys(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        self.desktop.key("shift+Tab", "alt+Tab", "ctrl+a", "alt+x")
        winedriver.wait_until(lambda: "KEY 88" in log.events(), 10, what="alt+x")
        events = log.events()
        # Shift+Tab is still a Tab for the program; Alt+Tab belongs to the system.
        self.assertEqual([e for e in events if e.startswith(("CHAR", "KEY 9"))],
                         ["CHAR 9 9 0", "KEY 9", "CHAR 1 65 0"])
        # Modifiers themselves, and Alt+letter (a menu command), are keys.
        for key in ("KEY 160", "KEY 164", "KEY 162", "KEY 88"):
            self.assertIn(key, events)

    def test_injectedInput_ShouldNeitherBeReportedNorWithheld_WhenProgramSendsKeys(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        self.desktop.type("a")
        self.desktop.key("F8")  # hooklog answers with SendInput X, Y, Enter
        winedriver.wait_until(lambda: log._has("INJECTED"), 10, what="hooklog's injection")
        self.desktop.type("b")
        events = log.wait_events(3)
        self.assertEqual(events, ["CHAR 97 65 0", "KEY 119", "CHAR 98 66 0"])
        self.assertEqual(self.desktop.notepad_text(expect="axy\nb"), "axy\nb")

    def test_hold_ShouldKeepKeysFromTheTarget_UntilReleased_ExceptEscape(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop, "--hold")  # holds at the first character
        self.desktop.type("a")
        winedriver.wait_until(lambda: log._has("HOLDING"), 10, what="the hold")
        self.desktop.type("bc\n", delay_ms=0)
        time.sleep(0.5)  # long enough for them to arrive, were they let through
        self.assertEqual(self.desktop.notepad_text(), "a")
        self.desktop.key("Escape")  # reported at once; hooklog releases on it
        self.assertEqual(self.desktop.notepad_text(expect="abc\n"), "abc\n")
        events = log.events()
        self.assertEqual(events.count("KEY 27"), 1, "Escape is neither replayed nor reported twice")

    def test_threadMessagesOfOtherPrograms_ShouldLeaveTheHooksAlone(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        thread = next(l for l in log.lines if l.startswith("READY")).split()[1]
        self.desktop.type("a")
        log.wait_events(1)
        # Any program may post the hook thread WM_QUIT or the message that once re-installed
        # the hooks: only the program, inside its process, can end or reset them.
        posted = [self.desktop.wintext("post-thread", "--thread", thread, "--message", message)
                  .returncode for message in ("0x12", "0x40A")]
        self.desktop.type("bc")
        self.assertEqual(chars(log.wait_events(3)), "abc")
        self.assertEqual(self.desktop.notepad_text(expect="abc"), "abc")
        self.assertEqual(posted, [0, 0], "the hook thread still takes messages")

    def test_mouse_ShouldReportPress_WhenUserClicks(self):
        self.desktop.start_notepad()
        log = HookLog(self.desktop)
        subprocess.run(["xdotool", "mousemove", "200", "150", "click", "1"],
                       env=self.desktop.env, check=True, timeout=10)
        events = log.wait_events(1)
        self.assertEqual(events[0], "MOUSE 200 150")


if __name__ == "__main__":
    winedriver.main()
