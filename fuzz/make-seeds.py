#!/usr/bin/env python3
"""Writes seed files for one fuzz target into a corpus folder.

    fuzz/make-seeds.py TARGET CORPUS [--tool LUMORATOOL]

The phrase-file seeds are real files: the file as the program writes it (also the tool's own
output, when a built lumoratool is given), the same text in every encoding the reader takes,
multi-line and non-BMP texts, and the damaged forms met in practice. A target without a
generator here gets its seeds only from fuzz/seeds/TARGET/ (run-fuzz.sh copies those).
"""
import argparse
import base64
import json
import os
import subprocess
import sys
import tempfile

# Abbreviation, text: one-line, multi-line, non-BMP, empty, fields and lone surrogates are
# all things users store.
PHRASES = [
    ("brb", "be right back"),
    ("addr", "Mustergasse 12\r\n8000 Zürich\r\nSchweiz"),
    ("sig", "Kind regards,\r\n\r\n  Ana\r\n"),
    ("smile", "\U0001F600 \U0001F44D caf\u00e9 \u65e5\u672c\u8a9e \U00010348"),
    ("date", "Today is %d.%m.%Y, %A"),
    ("", "text without an abbreviation"),
    ("empty", ""),
    ("long", "lorem ipsum dolor sit amet " * 12),
    ("Case", "<tags> & \"quotes\" in the text"),
]

MANY = [("a%d" % i, "phrase number %d" % i) for i in range(150)]

HEADER = '<?xml version="1.0" encoding="UTF-8"?>\r\n'


def base64_lines(text):
    """The writer's value encoding: Base64 of UTF-8, CR LF after every 76 characters."""
    data = base64.b64encode(text.encode("utf-8", "surrogatepass")).decode("ascii")
    return "\r\n".join(data[i : i + 76] for i in range(0, len(data), 76)) + (
        "\r\n" if data and len(data) % 76 == 0 else ""
    )


def tag(name, value):
    return "<%s>%s</%s>\r\n" % (name, base64_lines(value), name)


def phrase_element(abbreviation, text):
    return "<phrase>\r\n" + tag("description", text) + tag("autotext", abbreviation) + "</phrase>\r\n"


def phrase_text(phrases):
    return HEADER + "<phrases>\r\n" + "".join(phrase_element(a, t) for a, t in phrases) + "</phrases>\r\n"


def utf16(text, big_endian=False, bom=True):
    codec = "utf-16-be" if big_endian else "utf-16-le"
    mark = (b"\xfe\xff" if big_endian else b"\xff\xfe") if bom else b""
    return mark + text.encode(codec, "surrogatepass")


def tool_output(tool, phrases):
    """The file lumoratool write makes from the phrases, or None when it cannot run."""
    if not tool or not os.access(tool, os.X_OK):
        return None
    lines = "".join(json.dumps({"autotext": a, "text": t}) + "\n" for a, t in phrases)
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "lumora.lmx")
        run = subprocess.run([tool, "write", path], input=lines.encode(), capture_output=True)
        if run.returncode != 0:
            sys.stderr.write("lumoratool write failed: %s\n" % run.stderr.decode(errors="replace"))
            return None
        with open(path, "rb") as f:
            return f.read()


def phrase_file_seeds(tool):
    text = phrase_text(PHRASES)
    ascii_text = phrase_text([(a, t) for a, t in PHRASES if t.isascii() and a.isascii()])
    written = utf16(text)
    seeds = {
        "utf16le-bom": written,
        "utf16le-no-bom": utf16(text, bom=False),
        "utf16be-bom": utf16(text, big_endian=True),
        "utf16be-no-bom": utf16(text, big_endian=True, bom=False),
        "utf8-bom": b"\xef\xbb\xbf" + text.encode("utf-8"),
        "utf8-no-bom": text.encode("utf-8"),
        "ansi": ascii_text.encode("cp1252"),
        "ansi-one-line": ascii_text.replace("\r\n", "").encode("cp1252"),
        "lf-only": utf16(text.replace("\r\n", "\n")),
        "cr-only": utf16(text.replace("\r\n", "\r")),
        "empty-list": utf16(phrase_text([])),
        # Past the reader's 4096-character compaction of consumed text, in lines and in one line.
        "many": utf16(phrase_text(MANY)),
        "many-one-line": phrase_text(MANY).replace("\r\n", "").encode("cp1252"),
        "one-phrase": utf16(phrase_text(PHRASES[:1])),
        "lone-surrogate": utf16(phrase_text([("x", "a\ud800b")])),
        # An older header: the reader drops attributes of <phrases> on the second line.
        "shortcut-attribute": utf16(text.replace("<phrases>", '<phrases shortcut="ctrl+space">', 1)),
        "zero-length": b"",
        # Damaged files: a lost mark, a zeroed first block, a cut end, an early NUL, a nested
        # or unclosed phrase, a stray closing tag.
        "damaged-zeroed-block": b"\0" * 512 + written[512:],
        "damaged-truncated": written[: len(written) * 2 // 3],
        "damaged-truncated-odd": written[:-3],
        "damaged-nul-early": written[:200] + b"\0\0" + written[202:],
        "damaged-nested": utf16(
            phrase_text(PHRASES[:2]).replace("</phrase>", phrase_element("in", "inner"), 1)
        ),
        "damaged-unclosed": utf16(phrase_text(PHRASES[:2]).replace("</phrase>", "", 1)),
        "damaged-mismatch": utf16(phrase_text(PHRASES[:2]).replace("</autotext>", "</autotxt>", 1)),
        "damaged-empty-name": utf16(phrase_text(PHRASES[:1]).replace("<phrase>", "<>", 1)),
        "damaged-no-root": utf16(HEADER + phrase_element("a", "b")),
        "damaged-bad-base64": utf16(phrase_text([("a", "b")]).replace("Yg==", "Y!*g=", 1)),
    }
    for name, phrases in (("tool-all", PHRASES), ("tool-one", PHRASES[:1]), ("tool-none", [])):
        output = tool_output(tool, phrases)
        if output is not None:
            seeds[name] = output
    return seeds


def base64_seeds(tool):
    # The target reads its input as UTF-16LE Base64 and as raw bytes.
    seeds = {}
    for index, (_, text) in enumerate(PHRASES):
        seeds["value-%d" % index] = base64_lines(text).encode("utf-16-le")
        seeds["bytes-%d" % index] = text.encode("utf-8", "surrogatepass")
    seeds["padding"] = "QQ=\r\n=QUI=Q".encode("utf-16-le")
    return seeds


def import_seeds(tool):
    # The first byte picks the format: 0 espanso, 1 Beeftext, 2 AutoHotkey, 3 phrase file,
    # 4 JSON lines, 5 CSV, 6 by the content.
    samples = {
        "espanso": (0, 'global_vars:\n  - {name: d, type: date, params: {format: "%Y-%m-%d %H:%M"}}\n'
                       'matches:\n  - trigger: ":btw"\n    replace: "by the way $|$ {{d}}"\n'
                       '    word: true\n  - triggers: [a, b]\n    replace: "{{c}}"\n'
                       '    vars: [{name: c, type: clipboard}]\n  - regex: "x+"\n    replace: y\n'
                       'imports: ["other.yml"]\n'),
        "beeftext": (1, '{"combos": [{"keyword": "k", "snippet": "a #{cursor} #{date} #{upper:x}",'
                        ' "name": "n", "enabled": true, "matchingMode": 2},'
                        ' {"comboText": "o", "substitutionText": "old"}]}'),
        "ahk": (2, '#Hotstring *\n::btw::by the way ; c\n:*?C:adr::1 Main{Enter}{!}`t^c\n'
                   '::sig::\n(LTrim\n  Best\n)\n:X:run::x\n#IfWinActive ahk_exe a.exe\n'
                   '::np::{Raw}{x}\n/*\n::no::x\n*/\n'),
        "lines": (4, '{"autotext":"a","text":"b\\r\\nc"}\n{"autotext":"{#","text":"\\u00e9"}\n'),
        "csv": (5, 'abbreviation,text\r\nq,"say ""hi"", then\r\nmore"\r\nk,"a,b"\r\n'),
        "beeftext-csv": (5, 'k,"#{clipboard} x",name\n'),
        "sniffed": (6, '::x::y\n'),
    }
    seeds = {name: bytes([code]) + text.encode("utf-8") for name, (code, text) in samples.items()}
    seeds["ahk-utf16"] = bytes([2]) + b"\xff\xfe" + "::caf::caf\u00e9\r\n".encode("utf-16-le")
    seeds["phrase-file"] = bytes([3]) + utf16(phrase_text(PHRASES))
    return seeds


GENERATORS = {"fuzz_phrase_file": phrase_file_seeds, "fuzz_base64": base64_seeds,
              "fuzz_import": import_seeds}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("target")
    parser.add_argument("corpus")
    parser.add_argument("--tool", help="a built lumoratool, for the writer's own output")
    args = parser.parse_args()
    generator = GENERATORS.get(args.target)
    if generator is None:
        return 0
    os.makedirs(args.corpus, exist_ok=True)
    seeds = generator(args.tool)
    for name, data in seeds.items():
        with open(os.path.join(args.corpus, "seed-" + name), "wb") as f:
            f.write(data)
    print("%s: %d seed files in %s" % (args.target, len(seeds), args.corpus))
    return 0


if __name__ == "__main__":
    sys.exit(main())
