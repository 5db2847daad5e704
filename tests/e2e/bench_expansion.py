#!/usr/bin/env python3
"""End-to-end benchmark: how long an expansion takes to stand in Wine's Notepad.

Run on demand (it is not a ctest test):

    tests/e2e/bench_expansion.py [--trials N] [--warmup N] [--poll-ms MS] [--dir DIR]
                                 [--only VARIANT,...]

It needs the Windows build (lumora.exe, lumora.dll, wintext.exe, textwatch.exe in
build/windows/bin, or $LUMORA_WINDOWS_BIN), Xvfb, wine, xdotool and its library libxdo. It starts
a virtual display and a fresh Wine prefix of its own (wine-desktop.sh, in DIR, by default
build/bench-e2e), runs lumora.exe with a 13-character and a 512-character phrase, and Wine's
Notepad, and measures, alternating between the variants:

  (a) Lumora: from the abbreviation's last character standing in Notepad to the whole phrase
      standing there (the default mode expands as soon as the abbreviation is typed);
  (b) hand-over: the same text given to the same Notepad in one SendInput call holding all its
      characters as Unicode key events, from that call to the whole text standing there;
  (c) Lumora as the user feels it: from the moment xdotool sends the abbreviation's last key
      to the whole 13-character phrase standing in Notepad;
  (d) the fastest paste hand-over: the 512-character text put on the clipboard beforehand and
      pasted with one Ctrl+V (one SendInput call), from that call to the text standing there;
  (e) the fastest erase and paste: Notepad holding the abbreviation, the text on the clipboard
      beforehand, and one SendInput call of a Backspace per character of the abbreviation and
      Ctrl+V: what a pasted expansion has to do at the least, since Notepad takes every
      Backspace as a key of its own (it updates its status bar after each).

The hand-overs' keys carry the program's own mark, as its typing does, so that its hook passes
them as it passes its own (unmarked, they would be the user's keys to it: it would follow the
Backspaces and read the clipboard at the Ctrl+V, beside Notepad).

The 512-character phrase is above the default PasteAbove, so (a) for it is a pasted expansion;
the 13-character one stays typed. Before every Lumora trial the clipboard holds a text of the
user's; the clipboard's sequence number is watched (without opening it) to tell when it was
last changed, i.e. given back, and its text is checked afterwards.

Notepad's text is watched by textwatch.exe, which runs inside the Wine session and polls the
Edit control; all times are taken on its QueryPerformanceCounter clock. For (c) the driver's
clock is lined up with it before every trial (the fastest of a few round trips over its pipe).
Between trials Notepad is emptied and clicked: the click resets the program's shadow text, so
every abbreviation is typed at the start of an empty text.

Figures are printed, and written with every sample to DIR/results-<time>.json.
"""

import argparse
import ctypes
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import winedriver  # noqa: E402

# The program's current wait between activating the target and typing (ActivateTarget).
ACTIVATION_WAIT_MS = 100.0

SHORT_ABBREVIATION = "shx"
SHORT_PHRASE = "be right back"


def _long_phrase():
    # Only characters that the US layout types with plain or shifted keys: no line breaks
    # (Notepad reads them back as CR CR LF) and no parentheses (Wine's VkKeyScan has none).
    sentence = ("Thank you for your message of 12 March; we will answer within 3 days. "
                "Kind regards, the Support Team - call 555-0142 or write to help@example.org! "
                "Is it urgent? Say so: 'urgent' in the subject, please. ")
    text = sentence * (512 // len(sentence) + 1)
    return text[:511] + "."


LONG_ABBREVIATION = "lgx"
LONG_PHRASE = _long_phrase()
assert len(SHORT_PHRASE) == 13 and len(LONG_PHRASE) == 512

PHRASES = [(SHORT_ABBREVIATION, SHORT_PHRASE), (LONG_ABBREVIATION, LONG_PHRASE)]


def raw_clock_ms():
    # Wine 8 takes QueryPerformanceCounter from this clock, but the two are lined up by
    # measurement all the same (TextWatch.offset).
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) / 1e6


class TextWatch:
    """textwatch.exe on the desktop, spoken to over its stdin and stdout."""

    def __init__(self, desktop, poll_ms):
        # Pipes are safe here: Wine's own services were started by wine-desktop.sh, so none of
        # them inherits these.
        self.proc = subprocess.Popen(
            ["wine", desktop.exe("textwatch.exe"), "--poll-ms", str(poll_ms)], env=desktop.env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def send(self, *fields):
        self.proc.stdin.write(("\t".join(str(f) for f in fields) + "\n").encode("utf-8"))
        self.proc.stdin.flush()

    def reply(self, expect=None):
        line = self.proc.stdout.readline().decode("utf-8", errors="replace").rstrip("\n")
        if not line:
            raise RuntimeError("textwatch.exe ended")
        word, _, rest = line.partition(" ")
        if expect is not None and word != expect:
            raise RuntimeError(f"textwatch.exe: expected {expect!r}, got {line!r}")
        return word, rest

    def ask(self, *fields, expect=None):
        self.send(*fields)
        return self.reply(expect)

    def offset(self, rounds=15):
        """QueryPerformanceCounter ms minus raw_clock_ms, from the round trip that took least
        time; returns (offset, that round trip)."""
        best = None
        for _ in range(rounds):
            before = raw_clock_ms()
            _, rest = self.ask("now", expect="now")
            after = raw_clock_ms()
            if best is None or after - before < best[1]:
                best = (float(rest) - (before + after) / 2, after - before)
        return best

    def close(self):
        self.proc.stdin.close()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def _time(rest):
    return None if rest == "-" else float(rest.split()[0])


class Xdo:
    """xdotool's own library: keys sent from this process, so that the moment the last key
    leaves can be taken right beside the call (an xdotool process would add its start-up)."""

    CURRENTWINDOW = 0

    def __init__(self, display):
        self.lib = ctypes.CDLL("libxdo.so.3")
        self.lib.xdo_new.restype = ctypes.c_void_p
        self.lib.xdo_new.argtypes = [ctypes.c_char_p]
        self.lib.xdo_enter_text_window.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                                   ctypes.c_char_p, ctypes.c_uint]
        self.lib.xdo_free.argtypes = [ctypes.c_void_p]
        self.xdo = self.lib.xdo_new(display.encode())
        if not self.xdo:
            raise RuntimeError(f"libxdo cannot open display {display}")

    def type(self, text, delay_ms):
        self.lib.xdo_enter_text_window(self.xdo, self.CURRENTWINDOW, text.encode("utf-8"),
                                       int(delay_ms * 1000))

    def close(self):
        self.lib.xdo_free(self.xdo)


class Bench:
    def __init__(self, desktop, watch, xdo, click_at, settle_s):
        self.desktop = desktop
        self.watch = watch
        self.xdo = xdo
        self.click_at = click_at
        self.settle_s = settle_s

    def reset(self):
        """Empties Notepad, and clicks into it so that the program forgets what it had
        recorded of the text (a click resets its shadow text)."""
        self.watch.ask("clear", expect="cleared")
        self.desktop.xdotool("mousemove", *map(str, self.click_at), "click", "1")
        if self.watch.ask("fg", expect="fg")[1] != "1":
            self.desktop.focus(self.desktop.NOTEPAD_TITLE)
        _, text = self.watch.ask("text", expect="text")
        if text:
            raise RuntimeError(f"Notepad not empty after clearing: {text!r}")
        # Let the click reach the program and everything go idle.
        time.sleep(self.settle_s)

    def lumora(self, abbreviation, phrase):
        """Types the abbreviation; returns the times (ms) of (a) and (c) and the rest."""
        self.reset()
        marker = f"the user's clipboard {time.monotonic()}"
        self.watch.ask("clipset", marker, expect="clipset")
        offset, rtt = self.watch.offset()
        self.watch.send("watchclip", int(10000 + 40 * len(phrase)), abbreviation, phrase, marker)
        self.watch.reply("ready")
        self.xdo.type(abbreviation[:-1], delay_ms=30)
        time.sleep(0.03)
        sent_from = raw_clock_ms()
        self.xdo.type(abbreviation[-1], delay_ms=0)
        sent_to = raw_clock_ms()
        first = _time(self.watch.reply("first")[1])
        change = _time(self.watch.reply("change")[1])
        word, rest = self.watch.reply()
        if word != "final":
            raise RuntimeError(f"the phrase did not stand in Notepad: {rest!r}")
        final = float(rest.split()[0])
        _, clip = self.watch.reply("clip")
        clip_at, clip_text = clip.split()
        if clip_text != "same":
            raise RuntimeError("the user's text was not on the clipboard again afterwards")
        sent = sent_from + offset
        return {
            # The clipboard's last change, after the phrase stood (None: it never changed).
            "clipboard_back": None if clip_at == "-" else float(clip_at) - final,
            "clipboard_back_from_abbreviation":
                None if clip_at == "-" or first is None else float(clip_at) - first,
            # None when the abbreviation was never seen whole (gone before a poll saw it).
            "expansion": None if first is None else final - first,
            "felt": final - sent,
            "key_to_notepad": None if first is None else first - sent,
            "reaction": None if first is None or change is None else change - first,
            "xdo_call": sent_to - sent_from,
            "clock_rtt": rtt,
            "polls": int(rest.split()[1]),
        }

    def handover(self, text):
        self.reset()
        _, rest = self.watch.ask("send", int(10000 + 40 * len(text)), text, expect="sent")
        called, returned, events = rest.split()
        if int(events) != 2 * len(text):
            raise RuntimeError(f"SendInput took {events} of {2 * len(text)} events")
        change = _time(self.watch.reply("change")[1])
        word, rest = self.watch.reply()
        if word != "final":
            raise RuntimeError(f"the text did not stand in Notepad: {rest!r}")
        final = float(rest.split()[0])
        return {
            "handover": final - float(called),
            "sendinput_call": float(returned) - float(called),
            "first_char": None if change is None else change - float(called),
            "polls": int(rest.split()[1]),
        }


    def paste_handover(self, text, erase=""):
        self.reset()
        if erase:
            _, rest = self.watch.ask("erasepaste", int(10000 + 40 * len(text)), erase, text,
                                     expect="sent")
        else:
            _, rest = self.watch.ask("paste", int(10000 + 40 * len(text)), text, expect="sent")
        called, returned, events = rest.split()
        if int(events) != 4 + 2 * len(erase):
            raise RuntimeError(f"SendInput took {events} of {4 + 2 * len(erase)} events")
        self.watch.reply("change")
        word, rest = self.watch.reply()
        if word != "final":
            raise RuntimeError(f"the pasted text did not stand in Notepad: {rest!r}")
        return {"paste_handover": float(rest.split()[0]) - float(called),
                "polls": int(rest.split()[1])}


VARIANTS = {
    "lumora13": lambda b: b.lumora(SHORT_ABBREVIATION, SHORT_PHRASE),
    "handover13": lambda b: b.handover(SHORT_PHRASE),
    "lumora512": lambda b: b.lumora(LONG_ABBREVIATION, LONG_PHRASE),
    "handover512": lambda b: b.handover(LONG_PHRASE),
    "pastehandover512": lambda b: b.paste_handover(LONG_PHRASE),
    "erasepaste512": lambda b: b.paste_handover(LONG_PHRASE, erase=LONG_ABBREVIATION),
}


def summary(values):
    values = [v for v in values if v is not None]
    if not values:
        return None
    return {"median": statistics.median(values), "min": min(values), "max": max(values),
            "n": len(values)}


def fmt(s):
    if s is None:
        return "   (none)"
    return f"{s['median']:8.1f} ms  [{s['min']:.1f} .. {s['max']:.1f}]  n={s['n']}"


def report(samples):
    """The figures as lines of text, and as a dict."""
    def pick(variant, key):
        return summary([t[key] for t in samples[variant]])

    rows = [
        ("(a) Lumora 13 chars:   abbreviation in Notepad -> phrase", pick("lumora13", "expansion")),
        ("(a) Lumora 512 chars:  abbreviation in Notepad -> phrase", pick("lumora512", "expansion")),
        ("(b) hand-over 13:      SendInput call -> text in Notepad", pick("handover13", "handover")),
        ("(b) hand-over 512:     SendInput call -> text in Notepad", pick("handover512", "handover")),
        ("(d) paste hand-over 512: Ctrl+V call -> text in Notepad", pick("pastehandover512", "paste_handover")),
        ("(e) erase + paste 512: Backspaces, Ctrl+V -> text", pick("erasepaste512", "paste_handover")),
        ("    clipboard back, 512: phrase stood -> user's content again", pick("lumora512", "clipboard_back")),
        ("    clipboard back, 512: abbreviation -> user's content again",
         pick("lumora512", "clipboard_back_from_abbreviation")),
        ("    clipboard changes, 13 chars (typed: none)", pick("lumora13", "clipboard_back")),
        ("(c) felt, 13 chars:    xdotool sends last key -> phrase", pick("lumora13", "felt")),
        ("    felt, 512 chars:   xdotool sends last key -> phrase", pick("lumora512", "felt")),
        ("    Lumora 13 reaction: abbreviation -> first erase", pick("lumora13", "reaction")),
        ("    Lumora 512 reaction: abbreviation -> first erase", pick("lumora512", "reaction")),
        ("    key transit: xdotool sends last key -> in Notepad", pick("lumora13", "key_to_notepad")),
        ("    hand-over 512: the SendInput call itself", pick("handover512", "sendinput_call")),
        ("    hand-over 512: call -> first character seen", pick("handover512", "first_char")),
    ]
    figures = {label.strip(): s for label, s in rows}
    lines = [f"{label:<58} {fmt(s)}" for label, s in rows]
    a512, b512 = pick("lumora512", "expansion"), pick("handover512", "handover")
    a13, b13 = pick("lumora13", "expansion"), pick("handover13", "handover")
    if a512 and b512:
        ratio = a512["median"] / b512["median"]
        less_wait = (a512["median"] - ACTIVATION_WAIT_MS) / b512["median"]
        lines.append(f"{'ratio median(a 512) / median(b 512)':<58} {ratio:8.2f}")
        lines.append(f"{f'ratio (median(a 512) - {ACTIVATION_WAIT_MS:.0f} ms) / median(b 512)':<58}"
                     f" {less_wait:8.2f}")
        figures["ratio512"] = ratio
        figures["ratio512_less_wait"] = less_wait
    # The load of a shared machine drifts during a run; the two trials of one round are
    # neighbours in time, so their ratio is steadier than the ratio of the medians.
    paired = [(a["expansion"], b["handover"]) for a, b in zip(samples["lumora512"],
                                                             samples["handover512"])
              if a["expansion"] is not None]
    if paired:
        per_round = summary([a / b for a, b in paired])
        less_wait = summary([(a - ACTIVATION_WAIT_MS) / b for a, b in paired])
        lines.append(f"  the same, round by round: {per_round['median']:.2f} "
                     f"[{per_round['min']:.2f} .. {per_round['max']:.2f}], less the wait "
                     f"{less_wait['median']:.2f} [{less_wait['min']:.2f} .. {less_wait['max']:.2f}]")
        figures["ratio512_per_round"] = per_round
        figures["ratio512_less_wait_per_round"] = less_wait
    d512 = pick("pastehandover512", "paste_handover")
    if a512 and d512:
        ratio = a512["median"] / d512["median"]
        lines.append(f"{'ratio median(a 512, pasted) / median(d 512)':<58} {ratio:8.2f}")
        figures["ratio512_paste"] = ratio
    pasted = [(a["expansion"], d["paste_handover"]) for a, d in zip(samples["lumora512"],
                                                                  samples["pastehandover512"])
              if a["expansion"] is not None]
    if pasted:
        per_round = summary([a / d for a, d in pasted])
        lines.append(f"  the same, round by round: {per_round['median']:.2f} "
                     f"[{per_round['min']:.2f} .. {per_round['max']:.2f}]")
        figures["ratio512_paste_per_round"] = per_round
    e512 = pick("erasepaste512", "paste_handover")
    if a512 and e512:
        ratio = a512["median"] / e512["median"]
        lines.append(f"{'ratio median(a 512, pasted) / median(e 512)':<58} {ratio:8.2f}")
        figures["ratio512_erasepaste"] = ratio
    erased = [(a["expansion"], e["paste_handover"]) for a, e in zip(samples["lumora512"],
                                                                  samples["erasepaste512"])
              if a["expansion"] is not None]
    if erased:
        per_round = summary([a / e for a, e in erased])
        lines.append(f"  the same, round by round: {per_round['median']:.2f} "
                     f"[{per_round['min']:.2f} .. {per_round['max']:.2f}]")
        figures["ratio512_erasepaste_per_round"] = per_round
    if a13 and b13:
        ratio = a13["median"] / b13["median"]
        less_wait = (a13["median"] - ACTIVATION_WAIT_MS) / b13["median"]
        lines.append(f"{'ratio median(a 13) / median(b 13)':<58} {ratio:8.2f}")
        lines.append(f"{f'ratio (median(a 13) - {ACTIVATION_WAIT_MS:.0f} ms) / median(b 13)':<58}"
                     f" {less_wait:8.2f}")
        figures["ratio13"] = ratio
        figures["ratio13_less_wait"] = less_wait
    return lines, figures


def notepad_click_point(desktop):
    result = desktop.wintext("child", "--class", "Notepad", "--child", "Edit")
    if result.returncode != 0:
        raise RuntimeError("Notepad's Edit control not found")
    rect = result.stdout.decode().split()[2][len("rect="):]
    left, top, right, bottom = (int(v) for v in rect.split(","))
    return (left + right) // 2, (top + bottom) // 2


def run(args, env_file):
    os.environ["LUMORA_WINE_ENV"] = env_file
    os.environ["LUMORA_WINDOWS_BIN"] = args.bin
    desktop = winedriver.Desktop()
    folder = tempfile.mkdtemp(prefix="lumora-", dir=args.dir)
    lumora = winedriver.Lumora(desktop, folder, PHRASES)
    watch = xdo = None
    try:
        lumora.start()  # -delims=0, the default: expands when the abbreviation is typed
        version = lumora.caption()
        desktop.start_notepad()
        watch = TextWatch(desktop, args.poll_ms)
        watch.ask("find", expect="ok")
        xdo = Xdo(desktop.env["DISPLAY"])
        bench = Bench(desktop, watch, xdo, notepad_click_point(desktop), args.settle)
        offset, rtt = watch.offset()
        print(f"{version}, {subprocess.run(['wine', '--version'], capture_output=True, text=True).stdout.strip()}; "
              f"Notepad; {args.trials} trials a variant after {args.warmup} warm-up; poll "
              f"{args.poll_ms} ms; clocks: QPC - CLOCK_MONOTONIC_RAW = {offset:.3f} ms "
              f"(round trip {rtt:.3f} ms)", flush=True)

        names = args.only or list(VARIANTS)
        samples = {name: [] for name in VARIANTS}
        for round_no in range(args.warmup + args.trials):
            # Alternate, and rotate the order so that no variant always follows the same one.
            shift = round_no % len(names)
            for name in names[shift:] + names[:shift]:
                trial = VARIANTS[name](bench)
                if round_no >= args.warmup:
                    samples[name].append(trial)
                if args.verbose:
                    tag = "warm-up" if round_no < args.warmup else f"trial {round_no - args.warmup + 1}"
                    shown = ", ".join(f"{k}={v:.1f}" if isinstance(v, float) else f"{k}={v}"
                                      for k, v in trial.items())
                    print(f"  {tag} {name}: {shown}", flush=True)
        missing = sum(t["expansion"] is None for n in ("lumora13", "lumora512") for t in samples[n])
        if missing:
            print(f"note: in {missing} Lumora trial(s) the abbreviation was never seen whole "
                  "(the erasing came before a poll); (a) leaves them out")
        return version, samples
    finally:
        if xdo:
            xdo.close()
        if watch:
            watch.close()
        lumora.close()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--trials", type=int, default=5, help="timed trials a variant (5)")
    parser.add_argument("--warmup", type=int, default=1, help="untimed rounds first (1)")
    parser.add_argument("--poll-ms", type=int, default=1,
                        help="textwatch's pause between polls of Notepad, ms (1; 0: none)")
    parser.add_argument("--settle", type=float, default=0.3,
                        help="pause after emptying Notepad before a trial, s (0.3)")
    parser.add_argument("--bin", default=os.environ.get("LUMORA_WINDOWS_BIN") or
                        os.path.join(ROOT, "build", "windows", "bin"),
                        help="folder of the Windows binaries")
    parser.add_argument("--dir", default=os.path.join(ROOT, "build", "bench-e2e"),
                        help="folder for the desktop, the program's folder and the results")
    parser.add_argument("--only", type=lambda v: v.split(","),
                        help="these variants alone, separated by commas (of: "
                             + ", ".join(VARIANTS) + ")")
    parser.add_argument("-v", "--verbose", action="store_true", help="print every trial")
    args = parser.parse_args()
    if args.trials < 1:
        parser.error("--trials must be at least 1")
    if args.only and not set(args.only) <= set(VARIANTS):
        parser.error(f"--only: unknown variant among {args.only}")
    winedriver.require_built(args.bin, ("lumora.exe", "lumora.dll", "wintext.exe", "textwatch.exe"))
    os.makedirs(args.dir, exist_ok=True)
    args.dir = os.path.abspath(args.dir)
    args.bin = os.path.abspath(args.bin)

    started = time.monotonic()
    with winedriver.own_desktop(args.dir) as env_file:
        version, samples = run(args, env_file)
    elapsed = time.monotonic() - started

    lines, figures = report(samples)
    print("\n".join(lines))
    print(f"whole run {elapsed:.0f} s (load average now {os.getloadavg()[0]:.2f} "
          f"on {os.cpu_count()} cores)")
    stamp = time.strftime("%Y%m%d-%H%M%S")
    out = os.path.join(args.dir, f"results-{stamp}.json")
    with open(out, "w") as f:
        json.dump({"program": version, "host": platform.node(), "trials": args.trials,
                   "warmup": args.warmup, "poll_ms": args.poll_ms, "seconds": elapsed,
                   "figures": figures, "samples": samples}, f, indent=1)
    print(f"figures and samples: {out}")


if __name__ == "__main__":
    main()
