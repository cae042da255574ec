#!/bin/sh
# Runs a program on a virtual X display with a window manager (openbox), the way a user's desktop
# would hold the window. Fails when the tools are missing: scripts/lib/deps.sh installs them.
for tool in xvfb-run openbox xdotool xprop; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (install it with scripts/lib/deps.sh)" >&2; exit 1; }
done
# Under the sanitizer build, leaks of the system libraries behind the real X platform are not ours.
LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export LSAN_OPTIONS
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    openbox --sm-disable >/dev/null 2>&1 & wm=$!
    i=0
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        i=$((i + 1)); [ $i -gt 100 ] && { echo "the window manager did not start" >&2; exit 1; }
        sleep 0.1
    done
    QT_QPA_PLATFORM=xcb "$@"; rc=$?
    kill $wm 2>/dev/null
    exit $rc' sh "$@"
