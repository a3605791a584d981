#!/usr/bin/env bash
# Other programs around the installed program on a private X server: a plugin planted in the
# program folder or in a folder QT_PLUGIN_PATH names is never loaded; a clipboard manager that took
# over a copied value has it taken away at closing; a program that holds the clipboard and never
# answers does not hold up closing.
# Usage: outside_programs.sh <dravesse executable> <build folder>
source "$(dirname "$0")/lib/x_session.sh"
build="$2"

e2e_begin
program=$(e2e_install "$build")
main_title=".*Dravesse.*Ver 1\.40.*"
# Planted in the program folder, and in a folder QT_PLUGIN_PATH names.
export QT_PLUGIN_PATH="$E2E_TMP/plugin path"
for folder in "$program" "$QT_PLUGIN_PATH"; do
    mkdir -p "$folder/platformthemes" "$folder/styles"
    cp "$build/e2e/libplanted_plugin.so" "$folder/platformthemes/"
    cp "$build/e2e/libplanted_plugin.so" "$folder/styles/"
done
export DRAVESSE_PLANTED_MARKER="$E2E_TMP/planted plugin loaded"

echo "-- the create dialog makes the table; the planted plugin is not loaded"
e2e_make_table "$program"
[ ! -e "$DRAVESSE_PLANTED_MARKER" ] || e2e_fail "the planted plugin was loaded"

echo "-- a value in the first cell: log in, unlock editing, type it, save"
copied="alice@example.org"
e2e_start "$program"
wid=$(e2e_wait_window "$main_title")
e2e_log_in_and_unlock "$wid"
e2e_click_twips "$wid" 907 3457    # Display, twice: every value shown
e2e_click_twips "$wid" 907 3457
e2e_click_twips "$wid" 3607 3457   # Edit
e2e_click_px "$wid" 185 67         # grid row 1, value column 1
e2e_type "$copied"
e2e_click_twips "$wid" 7657 3457   # Save
e2e_wait "the backup" test -f "$program/Tamblet1.csv"
e2e_close "$wid"
e2e_expect_exit 0

# Starts the program, logs in and copies the first value with a click.
log_in_and_copy() {
    e2e_start "$program"
    wid=$(e2e_wait_window "$main_title")
    e2e_log_in_and_copy_first "$wid" "star gate"
    e2e_wait "the value on the clipboard" e2e_clipboard_is "$copied"
}

echo "-- a clipboard manager takes the copied value over: closing takes it away"
log_in_and_copy
xclip -o -selection clipboard | xclip -selection clipboard
e2e_wait "the manager to own the clipboard" bash -c '! xclip -o -selection clipboard -t TARGETS | grep -qx x-kde-passwordManagerHint'
e2e_close "$wid"
e2e_expect_exit 0
e2e_clipboard_is "" || e2e_fail "after closing, the clipboard holds '$(e2e_clipboard)'"

echo "-- a program takes the clipboard and never answers: closing is not held up"
log_in_and_copy
"$build/e2e/mute_clipboard_owner" >"$E2E_TMP/mute.out" &
E2E_PIDS+=($!)
e2e_wait "the mute program to own the clipboard" grep -qx owner "$E2E_TMP/mute.out"
e2e_focus "$wid"
e2e_close "$wid"
start=$(date +%s%N)   # from the window manager's request to the program's end
while kill -0 "$E2E_APP" 2>/dev/null; do sleep 0.005; done
ms=$((($(date +%s%N) - start) / 1000000))
echo "closing took $ms ms"
[ "$ms" -lt 200 ] || e2e_fail "closing took $ms ms with a clipboard owner that never answers"
e2e_expect_exit 0
echo "PASS"
