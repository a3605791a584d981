#!/usr/bin/env bash
# The clipboard on Wayland: a value copied from the grid arrives marked as a secret, is gone after
# the timed clear and stays gone, and is gone after the window closes, unless another program has
# put something there since: that stays.
# The compositor is sway on its headless backend, driven as lib/wayland_session.sh says.
# Usage: wayland_clipboard.sh <dravesse executable> <build folder>
source "$(dirname "$0")/lib/x_session.sh"
source "$(dirname "$0")/lib/wayland_session.sh"
build="$2"

e2e_begin
program=$(e2e_install "$build")

echo "-- a table, made with the create dialog on X"
e2e_make_table "$program"

echo "-- sway, headless"
wl_begin
wl_start() {
    QT_QPA_PLATFORM=wayland e2e_start "$1"
    e2e_wait "the program's window to hold the keyboard" program_has_keyboard
}
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
