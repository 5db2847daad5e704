"""Driving Windows programs on the end-to-end tests' Wine desktop.

The desktop (Xvfb and a Wine prefix) comes from the ctest fixture WineDesktop; its settings are
in the file named by $LUMORA_WINE_ENV. The Windows binaries (lumora.exe, lumora.dll and the
test helpers) are in $LUMORA_WINDOWS_BIN.

Everything here waits by bounded polling, and stops only the processes it started, by pid.
"""

import base64
import collections
import contextlib
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SKIP = 77  # ctest's SKIP_RETURN_CODE for these tests

# A top-level window as wintext.exe lists it; rect is (left, top, right, bottom) on the screen.
Window = collections.namedtuple("Window", "handle pid visible rect cls title")


def _read_env(path):
    env = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("export "):
                line = line[len("export "):]
            if "=" not in line:
                continue
            key, value = line.split("=", 1)
            env[key] = shlex.split(value)[0] if value else ""
    return env


def wait_until(predicate, timeout, interval=0.1, what="condition"):
    """Polls predicate until it returns a true value (which is returned) or timeout passes."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Desktop:
    """The Wine desktop of this test run, and the processes one test started on it."""

    def __init__(self, envfile=None):
        envfile = envfile or os.environ.get("LUMORA_WINE_ENV", "")
        if not envfile or not os.path.isfile(envfile):
            raise RuntimeError(f"no Wine desktop: LUMORA_WINE_ENV={envfile!r}")
        self.settings = _read_env(envfile)
        self.env = dict(os.environ)
        for key in ("DISPLAY", "WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "LANG", "LC_ALL"):
            if key in self.settings:
                self.env[key] = self.settings[key]
        self.bin = os.environ.get("LUMORA_WINDOWS_BIN", "")
        self._started = []

    # -- binaries ---------------------------------------------------------------------------

    def exe(self, name):
        return os.path.join(self.bin, name)

    def require(self, *names):
        """Skips the test (exit code SKIP) when a Windows binary has not been built."""
        missing = [n for n in names if not os.path.isfile(self.exe(n))]
        if missing:
            print(f"skipped: not built: {', '.join(missing)} in {self.bin!r} "
                  "(build the windows preset first)")
            sys.exit(SKIP)

    # -- processes --------------------------------------------------------------------------

    def run(self, args, timeout=60, check=True, cwd=None):
        """Runs a command on the desktop to its end; .exe files run through wine. Its output
        goes through files, not pipes: a Wine process may leave helpers behind that hold
        inherited pipes open."""
        args = self._command(args)
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen(args, env=self.env, cwd=cwd, stdout=out, stderr=err,
                                    stdin=subprocess.DEVNULL)
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(args, proc.returncode, out.read(), err.read())
        if check and result.returncode != 0:
            raise RuntimeError(f"{args} failed ({result.returncode}): "
                               f"{result.stderr.decode(errors='replace')}")
        return result

    def start(self, args, cwd=None, stdout=subprocess.DEVNULL, env=None):
        """Starts a program on the desktop, with env added to its environment; it is stopped
        by stop_all (by pid)."""
        proc = subprocess.Popen(self._command(args), env={**self.env, **(env or {})}, cwd=cwd,
                                stdout=stdout, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL)
        self._started.append(proc)
        return proc

    def stop(self, proc, timeout=10):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(timeout)
        if proc.stdout:
            proc.stdout.close()
        if proc in self._started:
            self._started.remove(proc)

    def stop_all(self):
        for proc in reversed(list(self._started)):
            self.stop(proc)

    def _command(self, args):
        args = [str(a) for a in args]
        if args and args[0].lower().endswith(".exe"):
            return ["wine"] + args
        return args

    # -- windows ----------------------------------------------------------------------------

    def wintext(self, *args, timeout=60):
        return self.run([self.exe("wintext.exe"), *args], timeout=timeout, check=False)

    def windows(self):
        """The top-level windows as Window tuples."""
        out = self.wintext("list").stdout.decode("utf-8", errors="replace")
        result = []
        for line in out.splitlines():
            parts = line.split(" ", 5)
            if len(parts) < 6:
                continue
            rect = tuple(int(v) for v in parts[3][len("rect="):].split(","))
            result.append(Window(parts[0], int(parts[1][len("pid="):]), parts[2] == "visible=1", rect,
                                 parts[4][len("class="):], parts[5][len("title="):]))
        return result

    def wait_window(self, cls=None, title=None, timeout=20.0):
        """Waits until a top-level window of that class and/or title exists; its handle."""
        args = ["wait", "--timeout", str(int(timeout * 1000))]
        if cls is not None:
            args += ["--class", cls]
        if title is not None:
            args += ["--title", title]
        result = self.wintext(*args, timeout=timeout + 30)
        if result.returncode != 0:
            raise TimeoutError(f"no window class={cls!r} title={title!r} after {timeout} s; "
                               f"windows: {self.windows()}")
        return result.stdout.decode().strip()

    def x_window(self, title, timeout=10.0):
        """The X window id of a Wine top-level window with that title."""
        def find():
            r = subprocess.run(["xdotool", "search", "--name", f"^{title}$"], env=self.env,
                               capture_output=True)
            ids = r.stdout.decode().split()
            return ids[0] if ids else None
        return wait_until(find, timeout, what=f"X window {title!r}")

    def focus(self, title):
        """Gives the keyboard focus to the window with that title. There is no window manager
        on the virtual display: the X focus is set with xdotool, and Wine's foreground with
        SetForegroundWindow (Wine does not always follow the X focus of a window it did not
        activate itself)."""
        xid = self.x_window(title)
        subprocess.run(["xdotool", "windowraise", xid], env=self.env, capture_output=True,
                       timeout=10)
        # A window just made may not be mapped yet when its X window is found, and X refuses
        # the focus to an unmapped window: asked again until it is taken.
        wait_until(lambda: subprocess.run(["xdotool", "windowfocus", "--sync", xid],
                                          env=self.env, capture_output=True,
                                          timeout=10).returncode == 0,
                   10, what=f"the X focus on {title!r}")
        result = self.wintext("activate", "--title", title)
        if result.returncode != 0:
            raise TimeoutError(f"{title!r} did not come to the foreground")
        return xid

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True, capture_output=True,
                       timeout=30)

    # -- typing -----------------------------------------------------------------------------

    def type(self, text, delay_ms=30):
        """Types text as X keyboard input into the focused window."""
        subprocess.run(["xdotool", "type", "--delay", str(delay_ms), "--", text], env=self.env,
                       check=True, timeout=60 + len(text) * delay_ms / 1000)

    def key(self, *keys, delay_ms=30):
        """Presses X key names (Return, Tab, ctrl+Return, ...) into the focused window."""
        subprocess.run(["xdotool", "key", "--delay", str(delay_ms), *keys], env=self.env,
                       check=True, timeout=60)

    # -- Notepad ----------------------------------------------------------------------------

    NOTEPAD_TITLE = "Untitled - Notepad"

    def start_notepad(self, timeout=30.0):
        """Starts Wine's Notepad, waits for its window and gives it the focus."""
        proc = self.start(["wine", "notepad.exe"])
        self.wait_window(cls="Notepad", title=self.NOTEPAD_TITLE, timeout=timeout)
        self.focus(self.NOTEPAD_TITLE)
        return proc

    def notepad_text(self, expect=None, timeout=10.0):
        """Notepad's text (WM_GETTEXT), line breaks as "\\n". With expect, polls until the
        text equals it or timeout passes, and returns the text seen last."""
        args = ["text", "--class", "Notepad"]
        if expect is not None:
            args += ["--expect", expect, "--timeout",
                     str(int(timeout * 1000))]
        result = self.wintext(*args, timeout=timeout + 30)
        return result.stdout.decode("utf-8", errors="replace")


def wine_path(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def require_built(folder, names):
    """Ends a benchmark script with a clear message when a Windows binary is not built."""
    missing = [n for n in names if not os.path.isfile(os.path.join(folder, n))]
    if missing:
        sys.exit(f"not built in {folder}: {', '.join(missing)} "
                 "(cmake --preset windows && cmake --build --preset windows)")


def phrases_of(saved):
    """The (abbreviation, text) pairs of a phrase file as the program writes it, in file order."""
    text = saved.decode("utf-16")
    pairs = re.findall(r"<description>([^<]*)</description>\r\n<autotext>([^<]*)</autotext>",
                       text)

    def decode(value):
        return base64.b64decode(value.replace("\r\n", "")).decode("utf-8")

    return [(decode(a), decode(d)) for d, a in pairs]


@contextlib.contextmanager
def own_desktop(folder, layout=None, variant=None):
    """A virtual display and a fresh Wine prefix of the caller's own, in folder/desktop (for the
    benchmark scripts, which run outside ctest and its fixture, and for tests on another
    keyboard layout: with a layout the display is an Xorg server whose keymap is that layout);
    yields the path of its desktop.env and stops both after, removing the prefix (some
    700 MB)."""
    rig = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine-desktop.sh")
    desktop_dir = os.path.join(folder, "desktop")
    keymap = [layout, variant or ""] if layout else []
    try:
        with open(os.path.join(folder, "desktop.log"), "w") as log:
            subprocess.run([rig, "start", desktop_dir, *keymap], check=True, stdout=log,
                           stderr=log, stdin=subprocess.DEVNULL, timeout=180)
        yield os.path.join(desktop_dir, "desktop.env")
    finally:
        subprocess.run([rig, "stop", desktop_dir], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=120)
        shutil.rmtree(os.path.join(desktop_dir, "prefix"), ignore_errors=True)


def phrase_file_bytes(phrases):
    """A phrase file (lumora.lmx) holding (abbreviation, text) pairs, as the program writes it:
    UTF-16LE with a byte-order mark, values Base64 of their UTF-8."""
    def b64(text):
        return base64.b64encode(text.encode("utf-8")).decode("ascii")

    out = '<?xml version="1.0" encoding="UTF-8"?>\r\n<phrases>\r\n'
    for autotext, text in phrases:
        out += "<phrase>\r\n"
        if text:
            out += f"<description>{b64(text)}</description>\r\n"
        if autotext:
            out += f"<autotext>{b64(autotext)}</autotext>\r\n"
        out += "</phrase>\r\n"
    out += "</phrases>\r\n"
    return b"\xff\xfe" + out.encode("utf-16-le")


class Lumora:
    """lumora.exe and lumora.dll copied into a folder of their own (where the program keeps
    lumora.lmx), started and stopped on the desktop; with copy=False, the copy a folder holds
    already (an installed one)."""

    WINDOW_CLASS = "LumoraMainWindow"
    # The phrase grid's in-place editor (the filter box above the grid is an Edit too).
    CELL_EDITOR = "SysListView32>Edit"

    def __init__(self, desktop, folder, phrases=None, copy=True):
        self.desktop = desktop
        self.folder = folder
        if copy:
            for name in ("lumora.exe", "lumora.dll"):
                shutil.copy(desktop.exe(name), os.path.join(folder, name))
        if phrases is not None:
            with open(self.phrase_file, "wb") as f:
                f.write(phrase_file_bytes(phrases))
        self.proc = None

    @property
    def phrase_file(self):
        return os.path.join(self.folder, "lumora.lmx")

    def start(self, *args, wait=True, env=None):
        """Starts the program (with env added to its environment); with wait, until its hook
        is installed (the caption then carries the version)."""
        proc = self.desktop.start([os.path.join(self.folder, "lumora.exe"), *args],
                                  cwd=self.folder, env=env)
        if self.proc is None:
            self.proc = proc
        if wait:
            wait_until(lambda: self.caption().startswith("Lumora "), 30,
                       what="lumora.exe to install its hook")
        return proc

    def caption(self):
        for w in self.desktop.windows():
            if w.cls == self.WINDOW_CLASS:
                return w.title
        return ""

    def main_window(self):
        return next((w for w in self.desktop.windows() if w.cls == self.WINDOW_CLASS), None)

    def child(self, cls):
        """(visible, rect, text) of the main window's first descendant of that class, or
        None."""
        result = self.desktop.wintext("child", "--class", self.WINDOW_CLASS, "--child", cls)
        if result.returncode != 0:
            return None
        parts = result.stdout.decode("utf-8", errors="replace").rstrip("\n").split(" ", 3)
        rect = tuple(int(v) for v in parts[2][len("rect="):].split(","))
        return parts[1] == "visible=1", rect, parts[3][len("text="):]

    def open_tray_menu(self, timeout=20.0):
        """Right-clicks the program's icon in Wine's tray window (20 pixels per icon; icons of
        programs that ended without removing theirs may come first) until the program's own
        menu opens; returns the menu window."""
        main = wait_until(self.main_window, timeout, what="the main window")
        tray = wait_until(lambda: next((w for w in self.desktop.windows()
                                        if w.title == "Wine System Tray" and w.visible), None),
                          timeout, what="the tray window")
        xid = self.desktop.x_window("Wine System Tray")
        slots = max(1, (tray.rect[2] - tray.rect[0]) // 20)
        # Windows opened later (Notepad) may cover it: there is no window manager to keep it
        # on top.
        self.desktop.xdotool("windowraise", xid)
        # The icons are the bottom row of the X window: when Wine draws the window's caption
        # itself ("Decorated", as for the screenshots), the X window holds the caption too.
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", xid],
                                  env=self.desktop.env, check=True, capture_output=True,
                                  text=True, timeout=10).stdout
        height = int(dict(line.split("=", 1) for line in geometry.split())["HEIGHT"])
        row = str(max(10, height - 10))
        for slot in range(slots):
            self.desktop.xdotool("mousemove", "--window", xid, str(10 + 20 * slot), row,
                                 "click", "3")
            try:
                return wait_until(lambda: next((w for w in self.desktop.windows()
                                                if w.cls == "#32768" and w.visible
                                                and w.pid == main.pid), None),
                                  3, what="the tray menu")
            except TimeoutError:
                self.desktop.key("Escape")
        raise TimeoutError("no tray icon of the program opened its menu")

    def exit_from_tray(self, timeout=20.0):
        """Chooses "Exit" in the tray menu and waits for the program's end."""
        menu = self.open_tray_menu(timeout)
        ml, _, mr, mb = menu.rect
        # "Exit" is the last item, below the separator.
        self.desktop.xdotool("mousemove", str((ml + mr) // 2), str(mb - 10), "click", "1")
        self.proc.wait(timeout)

    def close(self, timeout=20.0):
        """Ends the program the way Windows asks a program to (WM_CLOSE), so that it removes
        its tray icon; then stops whatever is left by pid."""
        if self.proc is not None and self.proc.poll() is None:
            self.desktop.wintext("close", "--class", self.WINDOW_CLASS)
            try:
                self.proc.wait(timeout)
            except Exception:
                pass
        self.desktop.stop_all()


class DesktopTest(unittest.TestCase):
    """A test on the Wine desktop; whatever it started is stopped after it."""

    binaries = ("wintext.exe",)

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop()
        cls.desktop.require(*cls.binaries)

    def tearDown(self):
        self.desktop.stop_all()


class LayoutDesktopTest(unittest.TestCase):
    """Tests on a desktop of their own whose X keymap is a keyboard layout other than US: an
    Xorg server with the dummy video driver (Xvfb ignores setxkbmap), started for the class and
    stopped after it. Wine reads the keymap when a program starts, so set_layout switches it
    for the programs started afterwards. Skipped where Xorg or its dummy driver is missing."""

    binaries = ("wintext.exe", "lumora.exe", "lumora.dll")
    layout = ("de", "")
    DUMMY_DRIVER = "/usr/lib/xorg/modules/drivers/dummy_drv.so"

    @classmethod
    def setUpClass(cls):
        # The desktop of the ctest fixture is not used: only the binaries' folder.
        bin_dir = os.environ.get("LUMORA_WINDOWS_BIN", "")
        missing = [n for n in cls.binaries if not os.path.isfile(os.path.join(bin_dir, n))]
        if missing:
            print(f"skipped: not built: {', '.join(missing)} in {bin_dir!r} "
                  "(build the windows preset first)")
            sys.exit(SKIP)
        if not shutil.which("Xorg") or not os.path.isfile(cls.DUMMY_DRIVER):
            raise unittest.SkipTest("Xorg with the dummy driver is not installed "
                                    "(xserver-xorg-core, xserver-xorg-video-dummy)")
        cls._dir = tempfile.mkdtemp(prefix="lumora-layout-")
        cls._stack = contextlib.ExitStack()
        cls._stack.callback(shutil.rmtree, cls._dir, True)
        try:
            env_file = cls._stack.enter_context(own_desktop(cls._dir, *cls.layout))
        except BaseException:
            cls._stack.close()
            raise
        cls.desktop = Desktop(env_file)

    @classmethod
    def tearDownClass(cls):
        cls._stack.close()

    def tearDown(self):
        self.desktop.stop_all()

    def set_layout(self, layout, variant=""):
        """The X keymap from now on; programs started afterwards map their keys with it."""
        args = ["setxkbmap", "-layout", layout] + (["-variant", variant] if variant else [])
        subprocess.run(args, env=self.desktop.env, check=True, capture_output=True, timeout=30)

    def key_scan(self, text):
        """How the layout types each character of text, as VkKeyScanW answers in a program
        started now: {char: (vk, shift state)}, shift -1 when no key gives it."""
        out = self.desktop.wintext("keys", "--text", text).stdout.decode()
        scans = {}
        for line in out.splitlines():
            m = re.match(r"U\+([0-9A-F]{4}) vk=0x([0-9A-F]{2}) shift=(-?\d+)", line)
            if m:
                scans[chr(int(m.group(1), 16))] = (int(m.group(2), 16), int(m.group(3)))
        return scans


class ProgramsTest(DesktopTest):
    """A test of one or more lumora.exe copies sharing a temporary folder (self.folder); each
    copy the test makes through self.lumora() is ended after it."""

    binaries = ("wintext.exe", "lumora.exe", "lumora.dll")

    def setUp(self):
        self._folder = tempfile.TemporaryDirectory(prefix="lumora-e2e-")
        self.folder = self._folder.name
        self._programs = []

    def tearDown(self):
        for lumora in self._programs:
            lumora.close()
        super().tearDown()
        self._folder.cleanup()


class LumoraTest(DesktopTest):
    """A test of one lumora.exe, run from a temporary folder of its own with `phrases`."""

    binaries = ("wintext.exe", "lumora.exe", "lumora.dll")
    phrases = ()

    def setUp(self):
        self._folder = tempfile.TemporaryDirectory(prefix="lumora-e2e-")
        self.lumora = Lumora(self.desktop, self._folder.name, self.phrases)

    def tearDown(self):
        self.lumora.close()
        super().tearDown()
        self._folder.cleanup()

    # -- the phrase list ----------------------------------------------------------------------

    def status(self):
        """The texts of the phrase list's status bar panels."""
        out = self.desktop.wintext("status", "--class", self.lumora.WINDOW_CLASS).stdout
        return out.decode("utf-8").splitlines()

    def rows(self):
        """The phrase list's rows as (abbreviation, text)."""
        out = self.desktop.wintext("rows", "--class", self.lumora.WINDOW_CLASS).stdout
        return [tuple(line.split("\t")) for line in out.decode("utf-8").splitlines()]

    def wait_rows(self, expected, timeout=15.0):
        try:
            wait_until(lambda: self.rows() == expected, timeout, what=f"rows {expected}")
        except TimeoutError:
            pass
        self.assertEqual(self.rows(), expected)


def main():
    """Runs the tests of the calling module; exits with SKIP when none ran."""
    program = unittest.main(exit=False, verbosity=2)
    result = program.result
    if not result.wasSuccessful():
        sys.exit(1)
    if result.testsRun and len(result.skipped) == result.testsRun:
        sys.exit(SKIP)
    sys.exit(0)
