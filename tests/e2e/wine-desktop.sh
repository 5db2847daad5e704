#!/usr/bin/env bash
# The desktop the end-to-end tests run on: a virtual X display (Xvfb) and a fresh Wine prefix.
#
#   wine-desktop.sh start DIR [LAYOUT [VARIANT]]
#                               starts Xvfb on a free display, creates DIR/prefix from scratch
#                               and writes DIR/desktop.env (DISPLAY, WINEPREFIX, the X server's
#                               pid). With a keyboard layout (de; us intl; fr) it starts Xorg
#                               with the dummy video driver instead, whose keymap setxkbmap
#                               sets (Xvfb ignores it), before Wine reads it
#   wine-desktop.sh stop DIR    stops exactly what start started: the wineserver of that prefix
#                               and the X server whose pid is in DIR/desktop.env
#
# Used as the setup and cleanup of the ctest fixture WineDesktop; with-wine.sh runs a command
# on that desktop.
set -euo pipefail

action=${1:-}
dir=${2:-}
layout=${3:-}
variant=${4:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
envfile="$dir/desktop.env"

stop_desktop() {
    [ -f "$envfile" ] || return 0
    # shellcheck disable=SC1090
    (
        . "$envfile"
        if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
            WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
            WINEPREFIX="$WINEPREFIX" wineserver -w 2>/dev/null || true
        fi
        # Only the X server we started: the pid must still name an Xvfb or Xorg process.
        if [ -n "${LUMORA_XVFB_PID:-}" ] && grep -qaE 'Xvfb|Xorg' "/proc/$LUMORA_XVFB_PID/cmdline" 2>/dev/null; then
            kill "$LUMORA_XVFB_PID" 2>/dev/null || true
            for _ in $(seq 100); do kill -0 "$LUMORA_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
        fi
    )
    rm -f "$envfile"
}

case "$action" in
stop)
    stop_desktop
    ;;
start)
    # A run that crashed may have left its desktop behind: take down what it recorded.
    stop_desktop
    rm -rf "$dir/prefix" "$dir/display"
    # Xvfb writes the display number it picked to the descriptor we give it, once it listens.
    # Its output goes to a file, so that ctest does not wait on a pipe held open by it.
    if [ -n "$layout" ]; then
        # A screen of the dummy driver and no input devices: the keymap is all we need of it.
        cat >"$dir/xorg.conf" <<'CONF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 64000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "1280x1024"
    EndSubSection
EndSection
CONF
        mkdir -p "$dir/xorg.conf.d"
        Xorg -displayfd 3 -config "$dir/xorg.conf" -configdir "$dir/xorg.conf.d" \
            -logfile "$dir/xorg.log" -nolisten tcp -noreset 3>"$dir/display" \
            >"$dir/xvfb.log" 2>&1 </dev/null &
    else
        Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" \
            >"$dir/xvfb.log" 2>&1 </dev/null &
    fi
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$dir/display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { cat "$dir/xvfb.log" >&2; exit 1; }
        sleep 0.1
    done
    [ -s "$dir/display" ] || { echo "the X server did not report a display" >&2; kill "$xvfb_pid"; exit 1; }
    display=":$(tr -d '[:space:]' <"$dir/display")"
    if [ -n "$layout" ]; then
        DISPLAY="$display" setxkbmap -layout "$layout" ${variant:+-variant "$variant"} || {
            kill "$xvfb_pid"
            exit 1
        }
    fi
    cat >"$envfile" <<ENV
export DISPLAY='$display'
export WINEPREFIX='$dir/prefix'
export WINEDEBUG=-all
# Wine reads command lines and file names in the locale's charset: UTF-8, always.
export LANG=C.UTF-8
export LC_ALL=C.UTF-8
# No menu entries in the Linux desktop for the shortcuts the installer test makes.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
LUMORA_XVFB_PID=$xvfb_pid
ENV
    # shellcheck disable=SC1090
    . "$envfile"
    # Output away from ctest's pipes: wineboot leaves a wineserver and helpers behind.
    if ! wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null; then
        cat "$dir/wineboot.log" >&2
        stop_desktop
        exit 1
    fi
    # wineboot returns before the prefix has settled (a second pass updates it in the
    # background); programs started meanwhile can hang. Wait until its wineserver has ended.
    timeout 90 wineserver -w >/dev/null 2>&1 </dev/null || true
    # Then a wineserver that stays until stop, and Wine's own services and desktop started
    # here: started by a test's first program instead, they would inherit its output pipes and
    # keep whoever reads them (ctest, the test driver) waiting for the end of the output.
    wineserver -p >>"$dir/wineboot.log" 2>&1 </dev/null
    wineboot >>"$dir/wineboot.log" 2>&1 </dev/null
    echo "Wine desktop ready on $DISPLAY, prefix $WINEPREFIX"
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
