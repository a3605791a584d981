#!/usr/bin/env bash
# Drives the installed program on a private X server as a person would: creates the first table,
# logs in, unlocks editing, changes a value, saves, copies it back through the real clipboard,
# starts a second instance, and restores a removed Tamblet.csv from its backup.
# Usage: full_use.sh <dravesse executable> <build folder>
source "$(dirname "$0")/lib/x_session.sh"
build="$2"

e2e_begin
program=$(e2e_install "$build")
table="$program/Tamblet.csv"
caption="    Dravesse$(printf '%31s' '')Ver 1.40        Dec. 26 '10"
main_title=".*Dravesse.*Ver 1\.40.*"

# Positions in the windows, in twips from the inside's top-left corner.
create_save=(6577 1087)
display=(907 3457)
edit=(3607 3457)
save=(7657 3457)
first_value_cell=(185 67)   # pixels: grid row 1, value column 1

echo "-- first start: the create dialog makes the table"
e2e_start "$program"
wid=$(e2e_wait_window "Create Tamblet")
e2e_focus "$wid"
e2e_key Return Return              # keep 7 rows and 5 columns
e2e_type "star gate"; e2e_key Return
e2e_type "open sesame"; e2e_key Return
e2e_type "moon"; e2e_key Return
e2e_click_twips "$wid" "${create_save[@]}"
e2e_expect_exit 0
[ -f "$table" ] || e2e_fail "Tamblet.csv was not written"
[ "$(stat -c %a "$table")" = 600 ] || e2e_fail "Tamblet.csv is not owner-only"
[ "$(head -n 1 "$table")" = $'7x5,User Name,Login,Confirm,Kouza No,Card Password\r' ] ||
    e2e_fail "unexpected header: $(head -n 1 "$table")"

echo "-- second start: wrong passwords, login, edit, change a value, save"
e2e_start "$program"
wid=$(e2e_wait_window "$main_title")
[ "$(xdotool getwindowname "$wid")" = "$caption" ] || e2e_fail "caption: '$(xdotool getwindowname "$wid")'"
e2e_geometry "$wid"
small=$W_H
e2e_focus "$wid"
for attempt in 1 2 3; do
    e2e_type "star Gate"
    e2e_key Return
done
hint=$(e2e_wait_window "Password Entry")
e2e_focus "$hint"
e2e_key Return
e2e_wait "the hint to close" e2e_no_window "Password Entry"
e2e_focus "$wid"
e2e_click_twips "$wid" 2857 195    # a click into the box empties it
locked=$(e2e_look "$wid")
e2e_type "star gate"; e2e_key Return
e2e_wait "the grid to show" e2e_look_differs "$wid" "$locked"
e2e_type "open sesame"; e2e_key Return
e2e_wait "the window to grow" bash -c "source '$(dirname "$0")/lib/x_session.sh'; e2e_geometry $wid; [ \$W_H -gt $small ]"
e2e_click_twips "$wid" "${display[@]}"
e2e_click_twips "$wid" "${display[@]}"
e2e_click_twips "$wid" "${edit[@]}"
e2e_click_px "$wid" "${first_value_cell[@]}"
e2e_type "b0b@example.org"
e2e_click_twips "$wid" "${save[@]}"
e2e_wait "the backup" test -f "$program/Tamblet1.csv"
e2e_close "$wid"
e2e_expect_exit 0

echo "-- third start: a click copies the stored value; closing clears the clipboard"
e2e_start "$program"
wid=$(e2e_wait_window "$main_title")
e2e_focus "$wid"
locked=$(e2e_look "$wid")
e2e_type "star gate"; e2e_key Return
e2e_wait "the grid to show" e2e_look_differs "$wid" "$locked"
e2e_click_px "$wid" "${first_value_cell[@]}"
e2e_wait "the value on the clipboard" e2e_clipboard_is "b0b@example.org"
xclip -o -selection clipboard -t TARGETS | grep -qx 'x-kde-passwordManagerHint' ||
    e2e_fail "the copied value is not marked as a secret"
e2e_close "$wid"
e2e_expect_exit 0
e2e_clipboard_is "" || e2e_fail "the clipboard still holds '$(e2e_clipboard)'"

echo "-- a second instance ends at once without a window"
e2e_start "$program"
first=$E2E_APP
wid=$(e2e_wait_window "$main_title")
e2e_start "$program"
e2e_expect_exit 0
[ "$(xdotool search --onlyvisible --name "^$main_title\$" | wc -l)" -eq 1 ] || e2e_fail "two windows"
E2E_APP=$first
e2e_close "$wid"
e2e_expect_exit 0
# ---- restore pass: Tamblet.csv removed from a folder with backups -----------------------------
restore_missing_table() {
    echo "-- Tamblet.csv removed: the start offers the newest backup; OK restores it, then log in"
    local backup="$program/Tamblet1.csv" wid question locked
    [ -f "$backup" ] || e2e_fail "no Tamblet1.csv to restore from"
    rm "$table"
    e2e_start "$program"
    question=$(e2e_wait_window "Read File / Dravesse")
    e2e_focus "$question"
    e2e_key Return                      # OK
    wid=$(e2e_wait_window "$main_title")
    cmp -s "$table" "$backup" || e2e_fail "Tamblet.csv is not a copy of Tamblet1.csv"
    e2e_focus "$wid"
    locked=$(e2e_look "$wid")
    e2e_type "star gate"; e2e_key Return
    e2e_wait "the grid to show" e2e_look_differs "$wid" "$locked"
    e2e_close "$wid"
    e2e_expect_exit 0
}
restore_missing_table
# ---- end of the restore pass -------------------------------------------------------------------

echo "PASS"
