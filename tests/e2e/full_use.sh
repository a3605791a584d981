#!/usr/bin/env bash
# Drives the installed program on a private X server as a person would: creates the first table,
# logs in, unlocks editing, changes a value, saves, copies it back through the real clipboard,
# starts it again to bring its window forward, and restores a removed Tamblet.csv from its backup.
# Usage: full_use.sh <dravesse executable> <build folder>
source "$(dirname "$0")/lib/x_session.sh"
build="$2"

e2e_begin
program=$(e2e_install "$build")
table="$program/Tamblet.csv"
caption="    Dravesse$(printf '%31s' '')Ver 1.40        Dec. 26 '10"
main_title=".*Dravesse.*Ver 1\.40.*"

# Another program (xclip) owning the X selection ("primary" or "clipboard") with the text; it
# keeps it until a program takes the selection.
selection() { xclip -o -selection "$1" 2>/dev/null || true; }
selection_is() { [ "$(selection "$1")" = "$2" ]; }
selection_isnt() { [ "$(selection "$1")" != "$2" ]; }
own_selection() {
    printf %s "$2" | xclip -selection "$1"
    e2e_wait "xclip to own the $1 selection" selection_is "$1" "$2"
}

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
e2e_type "star gate"
# The login password's box: no key takes PRIMARY or the clipboard from xclip. The cutting and
# clearing keys delete without copying, and undo brings the text back (the login below proves it
# whole). The hint word's box is no secret: its selection, taken after the keys, shows that they
# were all handled.
own_selection clipboard "foreign clipboard"
own_selection primary "foreign primary"
e2e_key shift+Home ctrl+c ctrl+x ctrl+z ctrl+Insert shift+Delete ctrl+z ctrl+u ctrl+z \
    Home ctrl+k ctrl+z End shift+Home
e2e_key Return
e2e_type "open sesame"; e2e_key Return
e2e_type "moon"; e2e_key shift+Home
e2e_wait "the keys to be handled" selection_is primary "moon"
selection_is clipboard "foreign clipboard" || e2e_fail "the clipboard holds '$(selection clipboard)'"
e2e_key End Return
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
own_selection clipboard "foreign clipboard"
own_selection primary "foreign primary"
# The editor's text selected, copied, cut, cleared and brought back: nothing reaches PRIMARY or
# the clipboard, and the text is whole (third start).
e2e_key shift+Home ctrl+c ctrl+x ctrl+z ctrl+u ctrl+z Home ctrl+k ctrl+z
e2e_click_twips "$wid" "${save[@]}"
e2e_wait "the backup" test -f "$program/Tamblet1.csv"
selection_is primary "foreign primary" || e2e_fail "PRIMARY holds '$(selection primary)'"
selection_is clipboard "foreign clipboard" || e2e_fail "the clipboard holds '$(selection clipboard)'"
e2e_close "$wid"
e2e_expect_exit 0

# Starts the program, logs in and copies the first value with a click; when given a text, another
# program then takes the clipboard with it. Closing must leave that text, or else nothing.
copy_then_close() {
    local other="$1"
    e2e_start "$program"
    wid=$(e2e_wait_window "$main_title")
    e2e_log_in_and_copy_first "$wid" "star gate"
    e2e_wait "the value on the clipboard" e2e_clipboard_is "b0b@example.org"
    xclip -o -selection clipboard -t TARGETS | grep -qx 'x-kde-passwordManagerHint' ||
        e2e_fail "the copied value is not marked as a secret"
    if [ -n "$other" ]; then own_selection clipboard "$other"; fi
    e2e_close "$wid"
    e2e_expect_exit 0
    e2e_clipboard_is "$other" || e2e_fail "after closing, the clipboard holds '$(e2e_clipboard)'"
}
echo "-- third start: a click copies the stored value; closing clears the clipboard"
copy_then_close ""
echo "-- a value copied, then another program's text: closing leaves that text"
copy_then_close "https://example.org/"

# ==== A second start brings the running window forward ========================================
# Started again, the program ends at once without a window of its own, and the running one comes
# forward: out of the minimized state, from behind another program's window, and while it shows
# only the damaged-file question, before any window.
second_start_pass() {
    local wid question saved="$E2E_TMP/Tamblet.saved"
    e2e_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
    e2e_minimized() { xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; }
    e2e_start_again() {
        local running=$E2E_APP
        e2e_start "$program"
        e2e_expect_exit 0
        E2E_APP=$running
    }
    # e2e_forward_from_behind WINDOW WHAT: with another program's window in front, a second
    # start brings WINDOW forward.
    e2e_forward_from_behind() {
        local other other_pid
        xmessage -title other "another program" &
        other_pid=$!
        E2E_PIDS+=($other_pid)
        other=$(e2e_wait_window other)
        e2e_focus "$other"
        e2e_wait "the other window in front" e2e_active "$other"
        e2e_start_again
        e2e_wait "$2 to come forward" e2e_active "$1"
        kill "$other_pid"
    }

    echo "-- a second start brings the minimized window forward and ends without a window"
    e2e_start "$program"
    wid=$(e2e_wait_window "$main_title")
    e2e_focus "$wid"
    xdotool windowminimize --sync "$wid"
    e2e_wait "the window to be minimized" e2e_minimized "$wid"
    e2e_start_again
    e2e_wait "the window to come forward" e2e_active "$wid"
    ! e2e_minimized "$wid" || e2e_fail "the window is still minimized"
    [ "$(xdotool search --onlyvisible --name "^$main_title\$" | wc -l)" -eq 1 ] || e2e_fail "two windows"

    echo "-- ... from behind another program's window"
    e2e_forward_from_behind "$wid" "the window"
    e2e_close "$wid"
    e2e_expect_exit 0

    echo "-- ... while only the damaged-file question is open"
    cp -p "$table" "$saved"
    echo junk >"$table"
    e2e_start "$program"
    question=$(e2e_wait_window "Read File / Dravesse")
    e2e_forward_from_behind "$question" "the question"

    echo "-- ... and after the running one was killed: its lock went with it"
    kill -KILL "$E2E_APP"
    e2e_wait "the program to end" e2e_not_running "$E2E_APP"
    mv "$saved" "$table"
    e2e_start "$program"
    wid=$(e2e_wait_window "$main_title")
    e2e_forward_from_behind "$wid" "the window"
    e2e_close "$wid"
    e2e_expect_exit 0
}
second_start_pass
# ==== end of the second start ===================================================================

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

# ==== Desktop entry and keyboard-only use ====================================================
# The installed desktop entry and the one added to the menu are valid and start the installed
# program. Then a fresh table is made and used with the keyboard alone, the create dialog under a
# decimal-comma locale.
desktop_entry_checks() {
    echo "-- the desktop entry names the installed program and icon"
    local entry="$program/dravesse.desktop" data="$E2E_TMP/data"
    desktop-file-validate "$entry" || e2e_fail "the installed desktop entry is not valid"
    [ "$(sed -n 's/^Exec=//p' "$entry")" = "$program/dravesse" ] || e2e_fail "$(grep ^Exec= "$entry")"
    [ "$(sed -n 's/^Icon=//p' "$entry")" = "$program/dravesse.png" ] || e2e_fail "$(grep ^Icon= "$entry")"
    XDG_DATA_HOME="$data" "$(dirname "$0")/../../packaging/add_to_menu.sh" "$program"
    desktop-file-validate "$data/applications/dravesse.desktop" || e2e_fail "the menu's entry is not valid"
    grep -qx "Exec=$program/dravesse" "$data/applications/dravesse.desktop" || e2e_fail "menu entry's Exec"
    cmp -s "$program/dravesse.png" "$data/icons/hicolor/32x32/apps/dravesse.png" || e2e_fail "no icon in the theme"
}

keyboard_only_pass() {
    echo "-- keyboard only: create a table under de_DE.UTF-8, log in, edit, save, lock"
    local folder="$E2E_TMP/keyboard" wid small
    locale -a | grep -qix 'de_DE\.utf-\?8' || e2e_fail "the locale de_DE.UTF-8 is missing (scripts/deps test)"
    cmake --install "$build" --prefix "$folder" >/dev/null
    LC_ALL=de_DE.UTF-8 e2e_start "$folder"
    wid=$(e2e_wait_window "Create Tamblet")
    e2e_focus "$wid"
    e2e_key Tab; e2e_type "5.5"; e2e_key Tab   # six columns: halves go to the even neighbour
    e2e_type "star gate"; e2e_key Tab
    e2e_type "open sesame"; e2e_key Tab
    e2e_type "moon"
    e2e_key Tab Tab Tab Tab Tab Tab Tab Tab space   # past six title boxes and Close to Save
    e2e_expect_exit 0
    [ "$(head -n 1 "$folder/Tamblet.csv")" = $'7x6,User Name,Login,Confirm,Kouza No,Card Password,Phone No\r' ] ||
        e2e_fail "unexpected header: $(head -n 1 "$folder/Tamblet.csv")"

    LC_ALL=de_DE.UTF-8 e2e_start "$folder"
    wid=$(e2e_wait_window "$main_title")
    e2e_focus "$wid"
    e2e_geometry "$wid"
    small=$W_H
    e2e_type "star gate"; e2e_key Return
    e2e_type "open sesame"; e2e_key Return
    e2e_wait "the window to grow" bash -c "source '$(dirname "$0")/lib/x_session.sh'; e2e_geometry $wid; [ \$W_H -gt $small ]"
    e2e_key Tab Tab space space        # Copy, then Display twice: every value shown
    e2e_key shift+Tab space            # Edit
    e2e_key Tab Tab                    # past Display and the disabled Insert and Delete: the grid
    e2e_type "k3yb0ard"                # into the first value cell
    e2e_key ctrl+Tab Tab Tab space     # out of the grid to the entry box, past Copy to Save
    e2e_wait "the backup" test -f "$folder/Tamblet1.csv"
    e2e_key ctrl+l                     # hide and lock
    e2e_wait "the window to shrink" e2e_height_is "$wid" "$small"
    e2e_type "open sesame"; e2e_key Return
    e2e_key Tab space                  # Copy: the stored value of the cell typed into
    e2e_wait "the saved value on the clipboard" e2e_clipboard_is "k3yb0ard"
    e2e_close "$wid"
    e2e_expect_exit 0
}

desktop_entry_checks
keyboard_only_pass
# ==== end of desktop entry and keyboard-only use =============================================

echo "PASS"
