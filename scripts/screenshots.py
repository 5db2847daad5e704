#!/usr/bin/env python3
"""The screenshots of the README, taken of the real program under Wine (see screenshots.sh).

    screenshots.py BIN WORK OUT

Starts a desktop of its own (Xvfb and a fresh Wine prefix in WORK, with tests/e2e's
wine-desktop.sh), runs lumora.exe from BIN with the sample phrases of demo.py, and writes to OUT:

    notepad-before.png   Notepad with an abbreviation typed
    notepad-after.png    the same once Lumora has replaced it (the program runs with -delims=1,
                         so that it waits for the delimiter typed after the abbreviation and
                         there is a "before" to show)
    tray-menu.png        the tray menu, its "Settings" item under the pointer
    phrase-list.png      the phrase list, opened with that item
    options.png          the Options window, opened from the phrase list's toolbar
    search.png           the search window over Notepad, with "re" typed in its box
    search-144dpi.png    the same at 144 DPI (a display scaled to 150 %), the program started
                         again once Wine's LogPixels says so

Each picture is the window (or the tray and its menu) cut out of the screen, framed by a margin
of the desktop's colour. Every wait is bounded; the desktop is stopped at the end.
"""

import glob
import os
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
E2E = os.path.join(HERE, "..", "tests", "e2e")
sys.path.insert(0, E2E)
sys.path.insert(0, HERE)

import demo  # noqa: E402
import winedriver  # noqa: E402
from winedriver import wait_until  # noqa: E402

DESKTOP_SCRIPT = os.path.join(E2E, "wine-desktop.sh")
WINE_FONTS = "/usr/share/wine/fonts"

BACKGROUND = "#3a6d8c"  # the desktop behind the windows, and the pictures' margin
MARGIN = 12

TYPED = "Thanks, see you soon. brb"
DELIMITER = "."  # with -delims=1 the phrase comes once a delimiter follows the abbreviation
EXPANDED = "Thanks, see you soon. be right back."

# The phrase list shows a line break of a phrase as a pilcrow.
ROWS_SHOWN = [(a, t.replace("\r\n", "\u00b6")) for a, t in demo.SAMPLE_PHRASES]

# Without a window manager on the display there would be no captions or frames at all: Wine is
# told to draw them itself ("Decorated"). The caret does not blink, so that it is in every
# picture and two grabs of a still window are equal. Notepad opens where its settings say, clear
# of the tray window in the top left corner, small, and in a font large enough to read.
REGISTRY = r"""Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"CursorBlinkRate"="-1"

[HKEY_CURRENT_USER\Software\Microsoft\Notepad]
"iWindowPosX"=dword:{x:08x}
"iWindowPosY"=dword:{y:08x}
"iWindowPosDX"=dword:{w:08x}
"iWindowPosDY"=dword:{h:08x}
"iPointSize"=dword:{pt:08x}
"""
NOTEPAD_RECT = dict(x=240, y=120, w=520, h=190)
NOTEPAD_POINTS = 12

PHRASE_LIST_SIZE = (560, 250)


class Screen:
    """Pictures of parts of the X screen, taken once what they show has stopped changing."""

    def __init__(self, desktop, out):
        self.desktop = desktop
        self.out = out

    def grab(self, box):
        """The pixels of box (left, top, right, bottom) as a binary PPM."""
        left, top, right, bottom = box
        crop = f"{right - left}x{bottom - top}+{left}+{top}"
        return subprocess.run(["import", "-silent", "-window", "root", "-crop", crop, "+repage",
                               "-depth", "8", "ppm:-"],
                              env=self.desktop.env, check=True, capture_output=True,
                              timeout=30).stdout

    def settled(self, box, timeout=15.0):
        """Polls box until two grabs a little apart are equal and not mostly dark (a window
        Wine has not painted yet is black); returns that grab."""
        last = [None]

        def same_twice():
            ppm = self.grab(box)
            pixels = ppm[-(box[2] - box[0]) * (box[3] - box[1]) * 3:]  # after the header
            drawn = sum(pixels) / max(1, len(pixels)) > 80
            stable = ppm == last[0]
            last[0] = ppm
            return ppm if drawn and stable else None

        return wait_until(same_twice, timeout, interval=0.3, what=f"the screen at {box} to settle")

    def save(self, name, *rects):
        """Writes OUT/name: the smallest box holding rects, framed by the margin."""
        screen = (0, 0, *self.size())
        box = (max(screen[0], min(r[0] for r in rects)), max(screen[1], min(r[1] for r in rects)),
               min(screen[2], max(r[2] for r in rects)), min(screen[3], max(r[3] for r in rects)))
        ppm = self.settled(box)
        path = os.path.join(self.out, name)
        # -strip: no time stamps, so that a picture that did not change stays the same file.
        subprocess.run(["convert", "ppm:-", "-bordercolor", BACKGROUND, "-border", str(MARGIN),
                        "-strip", "-define", "png:compression-level=9", path],
                       input=ppm, check=True, timeout=30)
        print(f"  {path} ({box[2] - box[0] + 2 * MARGIN}x{box[3] - box[1] + 2 * MARGIN}, "
              f"{os.path.getsize(path) // 1024} KiB)", flush=True)

    def size(self):
        out = subprocess.run(["xdotool", "getdisplaygeometry"], env=self.desktop.env,
                             check=True, capture_output=True, text=True, timeout=10).stdout
        width, height = out.split()
        return int(width), int(height)


def window(desktop, cls):
    return next((w for w in desktop.windows() if w.cls == cls and w.visible), None)


def rows(desktop, lumora):
    """The rows of the phrase list, as (abbreviation, text) pairs."""
    out = desktop.wintext("rows", "--class", lumora.WINDOW_CLASS).stdout.decode("utf-8")
    return [tuple(line.split("\t")) for line in out.splitlines()]


def drawn_rect(desktop, title):
    """The screen rectangle of that window's X window. The tray window, made before Wine was
    told to draw captions, is drawn without the caption its window rectangle includes."""
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", desktop.x_window(title)],
                         env=desktop.env, check=True, capture_output=True, text=True,
                         timeout=10).stdout
    g = dict(line.split("=", 1) for line in out.split())
    x, y = int(g["X"]), int(g["Y"])
    return x, y, x + int(g["WIDTH"]), y + int(g["HEIGHT"])


def prepare(desktop, work):
    """The look of the desktop: its colour, Wine's own fonts, Wine-drawn captions, Notepad's
    place and font."""
    subprocess.run(["xsetroot", "-solid", BACKGROUND], env=desktop.env, check=True, timeout=10)
    # Debian's Wine 8 looks for fonts in the prefix's Fonts folder and through fontconfig, not
    # where the fonts-wine package puts Wine's own: without them the UI font is DejaVu, and the
    # caption buttons, drawn with Marlett, come out as the letters "0 1 r".
    wine_fonts = glob.glob(os.path.join(WINE_FONTS, "*.ttf"))
    if not any(os.path.basename(f) == "marlett.ttf" for f in wine_fonts):
        raise RuntimeError(f"no marlett.ttf in {WINE_FONTS} (Debian package fonts-wine)")
    fonts = os.path.join(desktop.settings["WINEPREFIX"], "drive_c", "windows", "Fonts")
    os.makedirs(fonts, exist_ok=True)
    for font in wine_fonts:
        shutil.copy(font, fonts)
    reg = os.path.join(work, "screenshots.reg")
    with open(reg, "w", encoding="utf-8") as f:
        f.write(REGISTRY.format(pt=NOTEPAD_POINTS * 10, **NOTEPAD_RECT))
    desktop.run(["wine", "regedit", "/S", reg], timeout=60)


def take(desktop, work, out):
    app = os.path.join(work, "app")
    shutil.rmtree(app, ignore_errors=True)
    os.makedirs(app)
    lumora = winedriver.Lumora(desktop, app, demo.SAMPLE_PHRASES)
    screen = Screen(desktop, out)
    try:
        lumora.start("-delims=1")

        # Notepad, before and after the expansion.
        notepad = desktop.start_notepad()
        # Notepad has the focus, but Wine paints its caption as inactive when another process
        # (wintext) made it the foreground window; Windows would show it active.
        if desktop.wintext("post", "--class", "Notepad", "--message", "0x86",
                           "--wparam", "1").returncode != 0:  # WM_NCACTIVATE, TRUE
            raise RuntimeError("could not post to Notepad")
        desktop.type(TYPED)
        desktop.notepad_text(expect=TYPED, timeout=20)
        screen.save("notepad-before.png", window(desktop, "Notepad").rect)
        desktop.type(DELIMITER)
        text = desktop.notepad_text(expect=EXPANDED, timeout=20)
        if text != EXPANDED:
            raise RuntimeError(f"Notepad holds {text!r}, not {EXPANDED!r}")
        screen.save("notepad-after.png", window(desktop, "Notepad").rect)
        desktop.stop(notepad)
        wait_until(lambda: window(desktop, "Notepad") is None, 10, what="Notepad to close")

        # The tray menu, the pointer on "Settings" (it is the first item).
        menu = lumora.open_tray_menu()
        tray = drawn_rect(desktop, "Wine System Tray")
        ml, mt, mr, _ = menu.rect
        desktop.xdotool("mousemove", str((ml + mr) // 2), str(mt + 10))
        screen.save("tray-menu.png", tray, menu.rect)

        # The phrase list, opened with that item.
        desktop.xdotool("click", "1")
        wait_until(lambda: lumora.main_window().visible, 10, what="the phrase list to show")
        desktop.wintext("size", "--class", lumora.WINDOW_CLASS, "--width",
                        str(PHRASE_LIST_SIZE[0]), "--height", str(PHRASE_LIST_SIZE[1]))
        desktop.focus(lumora.caption())
        wait_until(lambda: rows(desktop, lumora) == ROWS_SHOWN, 10,
                   what="the sample phrases in the list")
        # Out of the picture.
        desktop.xdotool("mousemove", "1", str(screen.size()[1] - 1))
        screen.save("phrase-list.png", lumora.main_window().rect)

        # The Options window, from the phrase list's toolbar (its fourth button).
        toolbar = desktop.wintext("child", "--class", lumora.WINDOW_CLASS, "--child",
                                  "ToolbarWindow32").stdout.decode().split(" ")
        tl, tt, _, tb = (int(v) for v in toolbar[2][len("rect="):].split(","))
        desktop.xdotool("mousemove", str(tl + 12 + 23 * 3), str((tt + tb) // 2), "click", "1")
        desktop.wait_window(cls="#32770", title="Options")
        desktop.focus("Options")
        desktop.xdotool("mousemove", "1", str(screen.size()[1] - 1))
        options = wait_until(lambda: next((w for w in desktop.windows()
                                           if w.title == "Options" and w.visible), None),
                             10, what="the Options window")
        screen.save("options.png", options.rect)
        desktop.key("Escape")
        wait_until(lambda: not any(w.title == "Options" and w.visible
                                   for w in desktop.windows()), 10, what="Options to close")

        # The search window, opened with its shortcut over Notepad, the phrase list minimized
        # to the tray first (WM_SYSCOMMAND, SC_MINIMIZE).
        desktop.wintext("post", "--class", lumora.WINDOW_CLASS, "--message", "0x112",
                        "--wparam", "0xF020")
        wait_until(lambda: not lumora.main_window().visible, 10, what="the phrase list to hide")
        desktop.start_notepad()
        desktop.type("Dear Ann, ")
        note = window(desktop, "Notepad").rect
        desktop.xdotool("mousemove", str((note[0] + note[2]) // 2), str(note[1] + 80))
        desktop.key("ctrl+alt+space")
        search = wait_until(lambda: next((w for w in desktop.windows()
                                          if w.cls == "LumoraSearch" and w.visible), None),
                            10, what="the search window")
        # No window manager: the X keyboard focus has to be moved to it by hand.
        desktop.focus(search.title)
        desktop.type("re")
        desktop.xdotool("mousemove", "1", str(screen.size()[1] - 1))
        screen.save("search.png", note, search.rect)
        desktop.key("Escape")
    finally:
        lumora.close()


def take_search(desktop, screen, lumora, name):
    """The search window over Notepad with "re" typed in its box, saved as name."""
    notepad = desktop.start_notepad()
    desktop.type("Dear Ann, ")
    note = window(desktop, "Notepad").rect
    desktop.xdotool("mousemove", str((note[0] + note[2]) // 2), str(note[1] + 80))
    desktop.key("ctrl+alt+space")
    search = wait_until(lambda: next((w for w in desktop.windows()
                                      if w.cls == "LumoraSearch" and w.visible), None),
                        10, what="the search window")
    desktop.focus(search.title)
    desktop.type("re")
    desktop.xdotool("mousemove", "1", str(screen.size()[1] - 1))
    screen.save(name, note, search.rect)
    desktop.key("Escape")
    desktop.stop(notepad)


def take_high_dpi(desktop, work, out):
    """The search window at 144 DPI: Wine's LogPixels, read by each program as it starts."""
    reg = os.path.join(work, "dpi.reg")
    with open(reg, "w", encoding="utf-8") as f:
        f.write("Windows Registry Editor Version 5.00\n\n"
                "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=dword:00000090\n")
    desktop.run(["wine", "regedit", "/S", reg], timeout=60)
    app = os.path.join(work, "app")
    lumora = winedriver.Lumora(desktop, app)
    screen = Screen(desktop, out)
    try:
        lumora.start()
        take_search(desktop, screen, lumora, "search-144dpi.png")
    finally:
        lumora.close()


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    bin_dir, work, out = (os.path.abspath(a) for a in sys.argv[1:])
    # A timeout's SIGTERM still stops the desktop (by the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    os.makedirs(out, exist_ok=True)
    started = time.monotonic()
    print("Starting a virtual display and a fresh Wine prefix...", flush=True)
    subprocess.run([DESKTOP_SCRIPT, "start", work], check=True, stdout=subprocess.DEVNULL)
    try:
        os.environ["LUMORA_WINE_ENV"] = os.path.join(work, "desktop.env")
        os.environ["LUMORA_WINDOWS_BIN"] = bin_dir
        desktop = winedriver.Desktop()
        prepare(desktop, work)
        print(f"Taking the screenshots into {out}:", flush=True)
        take(desktop, work, out)
        take_high_dpi(desktop, work, out)
    finally:
        subprocess.run([DESKTOP_SCRIPT, "stop", work], stdout=subprocess.DEVNULL)
        # A prefix is some 700 MB, and the next run makes a fresh one anyway.
        shutil.rmtree(os.path.join(work, "prefix"), ignore_errors=True)
    print(f"Done in {time.monotonic() - started:.0f} s.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
