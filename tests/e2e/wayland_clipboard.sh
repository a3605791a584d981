#!/usr/bin/env bash
# The clipboard on Wayland: a value copied from the grid arrives marked as a secret, is gone after
# the timed clear and stays gone, and is gone after the window closes, unless another program has
# put something there since: that stays.
# The compositor is sway on its headless backend: keys reach the program through the virtual
# keyboard protocol (wtype), never through a pointer the compositor has to learn about, and sway
# tells which window holds the keyboard, so nothing is typed before the program's window has it.
# wl-paste reads the clipboard through the data-control protocol, without taking the focus.
# Usage: wayland_clipboard.sh <dravesse executable> <build folder>
source "$(dirname "$0")/lib/x_session.sh"
build="$2"

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

echo "-- sway, headless"
# sway refuses to run as root, so it runs as nobody, with a runtime folder of its own; the test's
# clients name its sockets by their full paths.
sway_runtime="$E2E_TMP/sway-runtime"
mkdir -m 700 "$sway_runtime"
as_nobody=()
if [ "$(id -u)" -eq 0 ]; then
    as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chown nobody:nogroup "$sway_runtime"
    chmod 711 "$E2E_TMP"
fi
cat >"$E2E_TMP/sway.conf" <<'EOF'
xwayland disable
output HEADLESS-1 resolution 1280x1024
EOF
env -u DISPLAY XDG_RUNTIME_DIR="$sway_runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman "${as_nobody[@]}" sway -c "$E2E_TMP/sway.conf" >"$E2E_TMP/sway.log" 2>&1 &
sway_pid=$!
E2E_PIDS+=($sway_pid)
sway_ready() {
    e2e_not_running "$sway_pid" && return 0   # reported below
    SWAYSOCK=$(compgen -G "$sway_runtime/sway-ipc.*.sock" | head -n 1) &&
        [ -S "$sway_runtime/wayland-1" ] && swaymsg -s "$SWAYSOCK" -t get_version >/dev/null
}
e2e_wait "sway" sway_ready
sway_ready && ! e2e_not_running "$sway_pid" || { tail -n 20 "$E2E_TMP/sway.log" >&2; e2e_fail "sway did not start"; }
export SWAYSOCK WAYLAND_DISPLAY="$sway_runtime/wayland-1"

# Keys through the virtual keyboard. Each wtype run makes a new virtual keyboard; sway moves the
# keyboard focus away and back to hand the client its keymap, and a key that arrives meanwhile is
# lost (a third of one-key runs here). So every run first presses F24, which nothing in the program
# answers, and lets 150 ms pass before the keys that count (none lost in 75 runs like that).
wl_settle=(-k F24 -s 150)
# A chord is "ctrl+c" or "shift+Tab".
wl_key() {
    local chord key mods args=("${wl_settle[@]}")
    for chord in "$@"; do
        key=${chord##*+}
        mods=()
        [ "$key" != "$chord" ] && IFS=+ read -ra mods <<<"${chord%+*}"
        for m in "${mods[@]}"; do args+=(-M "$m"); done
        args+=(-k "$key")
        for m in "${mods[@]}"; do args+=(-m "$m"); done
    done
    wtype "${args[@]}"
}
# Types the text, then presses Enter.
wl_enter() { wtype "${wl_settle[@]}" -d 30 "$1" -k Return; }
# True while the window that holds the keyboard is one of the program's.
program_has_keyboard() { swaymsg "[pid=$E2E_APP con_id=__focused__] nop" >/dev/null 2>&1; }
wl_clipboard() { wl-paste --no-newline 2>/dev/null || true; }
wl_clipboard_is() { [ "$(wl_clipboard)" = "$1" ]; }
wl_wait_clipboard() {
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until wl_clipboard_is "$1"; do
        [ $SECONDS -lt $deadline ] || e2e_fail "timed out waiting for '$1' on the Wayland clipboard; it holds '$(wl_clipboard)'"
        sleep 0.05
    done
}
wl_start() {
    QT_QPA_PLATFORM=wayland e2e_start "$1"
    e2e_wait "the program's window to hold the keyboard" program_has_keyboard
}
# Asks the program's windows to close, as their close button does.
wl_close() { swaymsg "[pid=$E2E_APP] kill" >/dev/null; }

echo "-- on Wayland: log in, copy the login password with the copy key"
wl_start "$program"
wl_enter "star gate"
program_has_keyboard || e2e_fail "the program lost the keyboard"
wl_key shift+Tab Down Down Down Down Down Right ctrl+c   # grid row 6, column 2
wl_wait_clipboard "star gate"
wl-paste --list-types | grep -qx 'x-kde-passwordManagerHint' ||
    e2e_fail "the copied value is not marked as a secret"

echo "-- the timed clear takes it away for good"
E2E_TIMEOUT=60 e2e_wait "the timed clear" wl_clipboard_is ""
sleep 2
wl_clipboard_is "" || e2e_fail "the clipboard holds '$(wl_clipboard)' again"

echo "-- copied again, then the window closes: the clipboard is empty"
program_has_keyboard || e2e_fail "the program lost the keyboard"
wl_key ctrl+c
wl_wait_clipboard "star gate"
wl_close
e2e_expect_exit 0
sleep 2
wl_clipboard_is "" || e2e_fail "after closing, the clipboard holds '$(wl_clipboard)'"

echo "-- copied, then another program takes the clipboard: closing leaves its text there"
wl_start "$program"
wl_enter "star gate"
wl_key shift+Tab Down Down Down Down Down Right ctrl+c
wl_wait_clipboard "star gate"
wl-copy --foreground "a link" &
E2E_PIDS+=($!)
wl_wait_clipboard "a link"
wl_close
e2e_expect_exit 0
sleep 2
wl_clipboard_is "a link" || e2e_fail "after closing, the clipboard holds '$(wl_clipboard)', not the other program's text"
echo "PASS"
