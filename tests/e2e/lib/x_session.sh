# Helpers for tests that drive the real program on a private X server, as a person would.
# Source this file; call e2e_begin first. Everything started here is stopped on exit.
# Waits poll for a condition with a deadline; nothing sleeps a fixed time and hopes.

set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"

E2E_TIMEOUT="${E2E_TIMEOUT:-60}"   # seconds any one wait may take on a loaded machine
E2E_PIDS=()

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && [ -n "${E2E_TMP:-}" ] && command -v import >/dev/null; then
        import -window root "$E2E_TMP/failure.png" 2>/dev/null && echo "screen: $E2E_TMP/failure.png" >&2
    fi
    if [ -n "${WAYLAND_DISPLAY:-}" ] && [ -n "${E2E_TMP:-}" ] && command -v grim >/dev/null; then
        grim "$E2E_TMP/failure-wayland.png" 2>/dev/null && echo "screen: $E2E_TMP/failure-wayland.png" >&2
    fi
    exit 1
}

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    [ -n "${E2E_KEEP:-}" ] || rm -rf "${E2E_TMP:-/nonexistent}"
}

# Polls until the command succeeds; fails the test with the message after E2E_TIMEOUT seconds.
e2e_wait() {
    local what="$1"
    shift
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until "$@" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || e2e_fail "timed out waiting for $what"
        sleep 0.05
    done
}

# Starts Xvfb on a free display and a window manager, in a session of the test's own (home,
# runtime folder and session bus: private_session.sh).
e2e_begin() {
    E2E_TMP="$(mktemp -d)"
    trap e2e_cleanup EXIT
    e2e_private_session
    export QT_QPA_PLATFORM=xcb
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$E2E_TMP/display" 2>"$E2E_TMP/xvfb.log" &
    E2E_PIDS+=($!)
    e2e_wait "the X server" test -s "$E2E_TMP/display"
    export DISPLAY=":$(head -n 1 "$E2E_TMP/display")"
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait "the window manager" wmctrl -m
}

# Installs the built program into a fresh program folder and prints the folder.
e2e_install() {
    local build="$1" folder="$E2E_TMP/program"
    cmake --install "$build" --prefix "$folder" >/dev/null
    echo "$folder"
}

# Starts the program in the background; its pid is in E2E_APP.
e2e_start() {
    "$1/dravesse" >>"$E2E_TMP/app.log" 2>&1 &
    E2E_APP=$!
    E2E_PIDS+=($E2E_APP)
}

# Waits for the program to end and checks its exit code.
e2e_expect_exit() {
    e2e_wait "the program to end" e2e_not_running "$E2E_APP"
    local code=0
    wait "$E2E_APP" || code=$?
    [ "$code" -eq "${1:-0}" ] || e2e_fail "the program ended with $code, not ${1:-0}"
}

e2e_not_running() { ! kill -0 "$1" 2>/dev/null; }

# The id of the visible window whose title matches the regular expression exactly.
e2e_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
e2e_has_window() { [ -n "$(e2e_window "$1")" ]; }
e2e_no_window() { [ -z "$(e2e_window "$1")" ]; }

# Waits for the window and prints its id.
e2e_wait_window() {
    e2e_wait "a window titled '$1'" e2e_has_window "$1"
    e2e_window "$1"
}

# The window's size and position (client area): sets W_X W_Y W_W W_H.
e2e_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    W_X=$X W_Y=$Y W_W=$WIDTH W_H=$HEIGHT
}

e2e_height_is() {
    e2e_geometry "$1"
    [ "$W_H" -eq "$2" ]
}

# Pixels from twips at the logical DPI the program uses (96 unless Xft.dpi says otherwise).
e2e_px() { echo $((($1 * 96 + 720) / 1440)); }

# Clicks at a point given in twips from the window's client origin.
e2e_click_twips() {
    local wid="$1" x y
    x=$(e2e_px "$2")
    y=$(e2e_px "$3")
    xdotool mousemove --sync --window "$wid" "$x" "$y" click "${4:-1}"
}

e2e_focus() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; }

e2e_type() { xdotool type --delay 30 -- "$1"; }
e2e_key() { xdotool key --delay 30 "$@"; }

# The text on the clipboard ("" when it is empty or has no owner).
e2e_clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
e2e_clipboard_is() { [ "$(e2e_clipboard)" = "$1" ]; }

# Asks the window manager to close the window, as the title bar's close button does.
e2e_close() { wmctrl -i -c "$1"; }

e2e_screenshot() { import -window "$1" "$2"; }   # needs imagemagick

# A fingerprint of what the window shows, to wait for a change on screen.
e2e_look() { xwd -silent -id "$1" | md5sum | cut -d' ' -f1; }
e2e_look_differs() { [ "$(e2e_look "$1")" != "$2" ]; }

# Clicks at a point given in pixels from the window's client origin.
e2e_click_px() { xdotool mousemove --sync --window "$1" "$2" "$3" click "${4:-1}"; }

# Makes the table the tests share with the create dialog, by keyboard: 7 rows and 5 columns (the
# credentials row is grid row 6), login password "star gate", edit password "open sesame", hint
# word "moon".
e2e_make_table() {
    local wid
    e2e_start "$1"
    wid=$(e2e_wait_window "Create Tamblet")
    e2e_focus "$wid"
    e2e_key Return Return
    e2e_type "star gate"; e2e_key Return
    e2e_type "open sesame"; e2e_key Return
    e2e_type "moon"; e2e_key Return
    e2e_click_twips "$wid" 6577 1087   # Save
    e2e_expect_exit 0
}

# Logs in to the main window and unlocks editing with the shared table's passwords.
e2e_log_in_and_unlock() {
    local wid="$1" small locked
    e2e_geometry "$wid"
    small=$W_H
    e2e_focus "$wid"
    locked=$(e2e_look "$wid")
    e2e_type "star gate"; e2e_key Return
    e2e_wait "the grid to show" e2e_look_differs "$wid" "$locked"
    e2e_type "open sesame"; e2e_key Return
    e2e_wait "the window to grow" e2e_taller_than "$wid" "$small"
}
e2e_taller_than() {
    e2e_geometry "$1"
    [ "$W_H" -gt "$2" ]
}

# Logs in to the main window with the password, waits for the grid, and clicks the first value
# cell (grid row 1, value column 1), which copies its stored value.
e2e_log_in_and_copy_first() {
    local wid="$1" locked
    e2e_focus "$wid"
    locked=$(e2e_look "$wid")
    e2e_type "$2"; e2e_key Return
    e2e_wait "the grid to show" e2e_look_differs "$wid" "$locked"
    e2e_click_px "$wid" 185 67
}
