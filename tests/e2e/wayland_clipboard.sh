#!/usr/bin/env bash
# The clipboard on Wayland: Weston keeps a copy of the selection and offers it again once its
# owner clears it. A value copied from the grid must be gone after the timed clear and after the
# window closes. Weston runs nested in the private X server; when it cannot start, the test is
# skipped (exit code 77). Usage: wayland_clipboard.sh <dravesse executable> <build folder>
source "$(dirname "$0")/lib/x_session.sh"
build="$2"

for tool in weston weston-debug wl-paste; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps test)" >&2; exit 77; }
done
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so" >/dev/null ||
    { echo "SKIP: Qt's Wayland platform is not installed (scripts/deps test)" >&2; exit 77; }

e2e_begin
program=$(e2e_install "$build")

echo "-- a table, made with the create dialog on X"
e2e_start "$program"
wid=$(e2e_wait_window "Create Tamblet")
e2e_focus "$wid"
e2e_key Return Return              # 7 rows and 5 columns: the credentials row is grid row 6
e2e_type "star gate"; e2e_key Return
e2e_type "open sesame"; e2e_key Return
e2e_type "moon"; e2e_key Return
e2e_click_twips "$wid" 6577 1087   # Save
e2e_expect_exit 0

echo "-- Weston, nested in the X server"
export WAYLAND_DISPLAY=dravesse-e2e
weston --backend=x11-backend.so --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 \
    --idle-time=0 --debug >"$E2E_TMP/weston.log" 2>&1 &
weston_pid=$!
E2E_PIDS+=($weston_pid)
weston_window() { wmctrl -l | awk '/Weston Compositor/ { print $1; exit }'; }
deadline=$((SECONDS + E2E_TIMEOUT))
until [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && [ -n "$(weston_window)" ]; do
    if [ $SECONDS -ge $deadline ] || e2e_not_running "$weston_pid"; then
        echo "SKIP: Weston could not start here; its log ends with:" >&2
        tail -n 20 "$E2E_TMP/weston.log" >&2
        exit 77
    fi
    sleep 0.1
done
weston_wid=$(weston_window)
# wl-paste takes the keyboard focus for a moment; a key pressed meanwhile is lost, so the copy key
# is pressed again until the value arrives.
wl_clipboard() { wl-paste --no-newline 2>/dev/null || true; }
wl_clipboard_is() { [ "$(wl_clipboard)" = "$1" ]; }
copied() { sleep 1; e2e_key ctrl+c; sleep 0.5; wl_clipboard_is "$1"; }
# Where Weston shows the program's window: sets V_X1 V_Y1 V_X2 V_Y2 (decorations included).
dravesse_view() {
    local at
    at=$(weston-debug -o /dev/stdout scene-graph 2>/dev/null |
        grep -A1 "top-level window '.*Dravesse" | sed -n 's/.*position: (\([0-9]*\), \([0-9]*\)) -> (\([0-9]*\), \([0-9]*\)).*/\1 \2 \3 \4/p')
    [ -n "$at" ] && read -r V_X1 V_Y1 V_X2 V_Y2 <<<"$at"
}

echo "-- on Wayland: log in, copy the login password with the copy key"
QT_QPA_PLATFORM=wayland e2e_start "$program"
e2e_wait "the window on Weston" dravesse_view
dravesse_view
e2e_focus "$weston_wid"
xdotool mousemove --window "$weston_wid" $(((V_X1 + V_X2) / 2)) $(((V_Y1 + V_Y2) / 2)) click 1
e2e_type "star gate"; e2e_key Return
e2e_key shift+Tab Down Down Down Down Down Right   # grid row 6, column 2
e2e_wait "the value on the Wayland clipboard" copied "star gate"
wl-paste --list-types | grep -qx 'x-kde-passwordManagerHint' ||
    e2e_fail "the copied value is not marked as a secret"

echo "-- the timed clear takes it away for good"
E2E_TIMEOUT=60 e2e_wait "the timed clear" wl_clipboard_is ""
sleep 2   # Weston would offer its copy again at once
wl_clipboard_is "" || e2e_fail "the clipboard holds '$(wl_clipboard)' again"

echo "-- copied again, then the window closes: the clipboard is empty"
xdotool mousemove --window "$weston_wid" $((V_X1 + 100)) $((V_Y1 + 15)) click 1   # the title bar
e2e_wait "the value on the Wayland clipboard" copied "star gate"
xdotool mousemove --window "$weston_wid" $((V_X2 - 12)) $((V_Y1 + 15)) click 1   # the close button
e2e_expect_exit 0
sleep 2
wl_clipboard_is "" || e2e_fail "after closing, the clipboard holds '$(wl_clipboard)'"
echo "PASS"
