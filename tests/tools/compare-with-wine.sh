#!/usr/bin/env bash
# Runs the native lumoratool and lumoratool.exe under Wine on the same phrase files and
# expects the same output, exit code and written bytes, so that the Windows text services
# (CharLowerBuffW, CompareStringW, the code page) are checked against the portable ones.
#
#   compare-with-wine.sh NATIVE_TOOL WINDOWS_BIN_DIR WORK_DIR SAMPLES_DIR
set -uo pipefail

native=$1
exe="$2/lumoratool.exe"
work=$3
samples=$4

# Skipped (77), as the end-to-end tests are, where there is nothing to compare against.
if [ ! -f "$exe" ]; then
    echo "skipped: $exe not found; build it with: cmake --preset windows &&" \
         "cmake --build --preset windows (or pass -DLUMORA_WINDOWS_BIN=...)" >&2
    exit 77
fi
if ! command -v wine >/dev/null; then
    echo "skipped: wine is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
fi

# The end-to-end tests' shared Wine desktop when ctest provides it (fixture WineDesktop);
# otherwise a prefix of our own under WORK_DIR, which we also stop at the end.
own_prefix=1
if [ -n "${LUMORA_WINE_ENV:-}" ] && [ -f "$LUMORA_WINE_ENV" ]; then
    # shellcheck disable=SC1090
    . "$LUMORA_WINE_ENV"
    own_prefix=0
else
    export WINEPREFIX="$work/wineprefix"
fi
export WINEDEBUG=-all
mkdir -p "$work"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init >/dev/null 2>&1
    wineserver -w
fi
cd "$work" || exit 1
rm -f ./*.lmx ./*.out ./*.err

failures=0
# run NAME ARGS... [< input]: both tools with the same arguments, outputs side by side.
compare() {
    local name=$1 input=$2
    shift 2
    "$native" "$@" <"$input" >"$name.native.out" 2>"$name.native.err"
    echo $? >"$name.native.rc"
    wine "$exe" "$@" <"$input" >"$name.wine.out" 2>"$name.wine.err"
    echo $? >"$name.wine.rc"
    for part in out err rc; do
        if ! cmp -s "$name.native.$part" "$name.wine.$part"; then
            echo "FAIL: $name: standard $part differs (native, then Wine):" >&2
            diff "$name.native.$part" "$name.wine.$part" | head -20 >&2
            failures=$((failures + 1))
        fi
    done
}
expect_rc() {
    local name=$1 rc=$2
    if [ "$(cat "$name.native.rc")" != "$rc" ]; then
        echo "FAIL: $name: exit code $(cat "$name.native.rc"), expected $rc" >&2
        failures=$((failures + 1))
    fi
}

# write: the same bytes from both builds.
"$native" write native.lmx <"$samples/phrases.jsonl" || failures=$((failures + 1))
wine "$exe" write wine.lmx <"$samples/phrases.jsonl" || failures=$((failures + 1))
cmp native.lmx wine.lmx || { echo "FAIL: write: files differ" >&2; failures=$((failures + 1)); }
# Writing over an existing file replaces it (the atomic rename over an old file).
wine "$exe" write wine.lmx <"$samples/phrases.jsonl" || failures=$((failures + 1))
cmp native.lmx wine.lmx || { echo "FAIL: rewrite: files differ" >&2; failures=$((failures + 1)); }

# Files made from it, some broken on purpose.
cp native.lmx ok.lmx
size=$(stat -c %s ok.lmx)
head -c $((size / 2 / 2 * 2)) ok.lmx >truncated.lmx
head -c $((size / 2 / 2 * 2 + 1)) ok.lmx >oddbytes.lmx
iconv -f UTF-16LE -t UTF-8 ok.lmx | sed '1s/^\xEF\xBB\xBF//; 1s/^/\xEF\xBB\xBF/' >utf8.lmx
printf '<phrases>\r\n<phrase><autotext>YWJj</autotext></phrase>\r\n<Phrase></phrase>\r\n</phrases>\r\n' >mismatch.lmx
printf '<phrases><phrase><description>Y2Fm6Q==</description><autotext>6Q==</autotext></phrase></phrases> caf\xe9' >ansi.lmx
: >empty.lmx

for f in ok truncated oddbytes utf8 mismatch ansi empty; do
    compare "dump-$f" /dev/null dump "$f.lmx"
done
expect_rc dump-ok 0
expect_rc dump-truncated 1
expect_rc dump-mismatch 1
compare dump-missing /dev/null dump missing.lmx
expect_rc dump-missing 2
compare dump-usage /dev/null dump
expect_rc dump-usage 2

compare find ok.lmx find ok.lmx brb BRB sIg 57 "$(printf '\xc3\x89t\xc3\xa9')" nothing ""

printf '{"autotext":"a","text":"b"}\n{"autotext":"a"}\n' >bad.jsonl
compare write-bad bad.jsonl write bad.lmx
expect_rc write-bad 1
if [ -e bad.lmx ]; then
    echo "FAIL: write-bad: the file was written" >&2
    failures=$((failures + 1))
fi

[ "$own_prefix" -eq 1 ] && wineserver -k 2>/dev/null
if [ "$failures" -ne 0 ]; then
    echo "$failures comparison(s) failed" >&2
    exit 1
fi
echo "native and Wine agree"
