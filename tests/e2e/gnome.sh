#!/usr/bin/env bash
# The program on GNOME, Debian's default desktop: gnome-shell on Wayland, headless. A copied value
# cannot be pasted 35 s after the copy even when another window has had the keyboard meanwhile
# (GNOME ignores clipboard changes from a window without it, and offers its own saved copy of the
# text once the program's offer goes away); closing takes the program's copy away and leaves
# another program's text; the hint box after three wrong passwords is the main window's transient.
# gnome-shell looks for logind when /run/systemd/seats exists, so it runs in a mount namespace of
# its own with /run/systemd hidden, on private, empty session and system buses. Keys and the
# clipboard go through mutter's remote desktop session (lib/gnome_driver.py), which also opens the
# other program's window.
# Usage: gnome.sh <dravesse executable> <build folder>
if [ -z "${E2E_GNOME_NAMESPACE:-}" ]; then
    command -v gnome-shell >/dev/null || { echo "FAIL: gnome-shell is not installed" >&2; exit 1; }
    # Without root, a user namespace of the test's own gives it the mount namespace.
    ns=(unshare -m)
    [ "$(id -u)" -eq 0 ] || ns=(unshare -r -m)
    if ! "${ns[@]}" true 2>/dev/null; then
        echo "SKIP: no mount namespace can be made here" >&2
        exit 77
    fi
    exec "${ns[@]}" bash -c '[ ! -d /run/systemd ] || mount -t tmpfs tmpfs /run/systemd; exec "$@"' \
        _ env E2E_GNOME_NAMESPACE=1 bash "$0" "$@"
fi
source "$(dirname "$0")/lib/x_session.sh"
build="$2"

e2e_begin
program=$(e2e_install "$build")

echo "-- a table, made with the create dialog on X"
e2e_make_table "$program"

echo "-- gnome-shell, headless"
# A bus: a dbus-daemon of the test's own, its address in the named variable.
start_bus() {
    dbus-daemon --session --nofork --address="unix:path=$E2E_TMP/$1" --print-address=3 \
        3>"$E2E_TMP/$1.address" 2>>"$E2E_TMP/dbus.log" &
    E2E_PIDS+=($!)
    e2e_wait "the $1 bus" test -s "$E2E_TMP/$1.address"
    export "$2=$(head -n 1 "$E2E_TMP/$1.address")"
}
start_bus system-bus DBUS_SYSTEM_BUS_ADDRESS
start_bus session-bus DBUS_SESSION_BUS_ADDRESS
export HOME="$E2E_TMP/home" GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
# As in a GNOME session: mutter takes GNOME's own defaults only then (modal dialogs attached to
# their window, among others), and Qt its GNOME theme.
export XDG_CURRENT_DESKTOP=GNOME
mkdir -p "$HOME" "$E2E_TMP/data"
# The shell reads session modes only from the system's data folders: the test's own mode, which
# turns on the extension that lets the test ask the shell what its introspection does not tell.
cp -r "$(dirname "$0")/lib/gnome_unsafe" "$E2E_TMP/data/gnome-shell"
env -u DISPLAY XDG_DATA_DIRS="$E2E_TMP/data:/usr/local/share:/usr/share" gnome-shell --headless \
    --wayland --no-x11 --virtual-monitor 1280x800 --mode=dravesse-test >"$E2E_TMP/shell.log" 2>&1 &
E2E_PIDS+=($!)
gnome_fail() { tail -n 20 "$E2E_TMP/shell.log" "$E2E_TMP/driver.log" >&2; e2e_fail "$@"; }

# The driver, as a coprocess: "gn COMMAND" sends one command and sets REPLY to its answer.
coproc GN { env -u DISPLAY GDK_BACKEND=wayland /usr/bin/python3 \
    "$(dirname "$0")/lib/gnome_driver.py" 2>>"$E2E_TMP/driver.log"; }
E2E_PIDS+=($GN_PID)
exec {gn_in}>&"${GN[1]}" {gn_out}<&"${GN[0]}"   # a coprocess's own are closed in subshells
gn() {
    echo "$*" >&"$gn_in"
    IFS= read -r -t "$E2E_TIMEOUT" REPLY <&"$gn_out" || gnome_fail "the driver did not answer '$*'"
    case "$REPLY" in error:*) cat "$E2E_TMP/driver.log" >&2; e2e_fail "driver: $* -> $REPLY" ;; esac
}
IFS= read -r -t "$E2E_TIMEOUT" REPLY <&"$gn_out" && [ "$REPLY" = ready ] ||
    { cat "$E2E_TMP/driver.log" >&2; gnome_fail "the driver did not start"; }
export WAYLAND_DISPLAY=wayland-0
# The shell ends its start in the overview, where no window has the keyboard. (A script that
# throws makes an error answer.)
gn_eval_ok() {
    echo "eval $1" >&"$gn_in"
    IFS= read -r -t "$E2E_TIMEOUT" REPLY <&"$gn_out" && [[ "$REPLY" != error:* ]]
}
e2e_wait "the shell to start" gn_eval_ok "Main.layoutManager._startingUp ? null.x : Main.overview.hide()"
e2e_wait "the overview to go" gn_eval_ok "Main.overview.visible || Main.overview.animationInProgress ? null.x : 1"

# The windows whose title matches the regular expression: "id has-focus x,y,w,h title" lines
# (x and y are -1: the introspection interface does not tell where a window is).
gn_windows() {
    local line found=()
    echo windows >&"$gn_in"
    while IFS= read -r -t "$E2E_TIMEOUT" line <&"$gn_out" && [ "$line" != . ]; do
        [[ "${line#*$'\t'*$'\t'*$'\t'}" =~ ^$1$ ]] && found+=("$line")
    done
    printf '%s\n' "${found[@]}"
}
gn_has_keyboard() { gn_windows "$1" | grep -q $'^[0-9]*\t1\t'; }
gn_has_window() { [ -n "$(gn_windows "$1")" ]; }
gn_no_window() { [ -z "$(gn_windows "$1")" ]; }
gn_clipboard_is() { gn clipboard; [ "$REPLY" = "$1" ]; }
gn_clipboard_within() {   # seconds, text
    local deadline=$((SECONDS + $1))
    until gn_clipboard_is "$2"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}
gn_wait_clipboard() {
    gn_clipboard_within "$E2E_TIMEOUT" "$1" || e2e_fail "timed out waiting for '$1' on the clipboard; it holds '$REPLY'"
}
main_title=".*Dravesse.*"
# Waits until the program's window has the keyboard. The first keys into a window that has just
# taken it are lost now and then, so a key that does nothing goes first.
gn_wait_keyboard() {
    e2e_wait "the program's window to hold the keyboard" gn_has_keyboard "$main_title"
    gn key shift
    sleep 0.3
}
gn_start() {
    QT_QPA_PLATFORM=wayland e2e_start "$1"
    gn_wait_keyboard
}
# Closes the program's window with Alt+F4 and checks that the program ends well. An Alt+F4 lost
# on its way (as keys now and then are on a loaded machine) leaves it running: it goes again.
gn_close() {
    local attempt deadline
    for attempt in 1 2 3; do
        gn key alt+F4
        deadline=$((SECONDS + 10))
        while ! e2e_not_running "$E2E_APP" && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
        e2e_not_running "$E2E_APP" && break
        echo "-- still running after Alt+F4 (a key lost on the way?): Alt+F4 again"
    done
    e2e_not_running "$E2E_APP" || { echo "windows:"; gn_windows ".*"; tail -n 20 "$E2E_TMP/app.log"
        gdb -p "$E2E_APP" -batch -ex 'thread apply all bt' 2>&1 | grep '^#\|^Thread'; } >&2
    e2e_expect_exit 0
}
# Starts the program, logs in and copies the login password (grid row 6, column 2); the time of
# the copy is in `copied`. A key lost on its way through the remote desktop session (it happens
# on a loaded machine) shows as nothing copied: the program is then started again, twice at most.
gn_log_in_and_copy() {
    local attempt
    for attempt in 1 2 3; do
        gn_start "$program"
        gn type "star gate"; gn key Return
        gn key shift+Tab Down Down Down Down Down Right ctrl+c
        copied=$SECONDS
        gn_clipboard_within 10 "star gate" && return 0
        echo "-- nothing copied (a key lost on the way?): the program starts again"
        kill "$E2E_APP"
        e2e_wait "the program to end" e2e_not_running "$E2E_APP"
    done
    e2e_fail "three starts in a row did not copy 'star gate'; the clipboard holds '$REPLY'"
}

echo "-- log in and copy the login password; another window takes the keyboard"
gn_log_in_and_copy
gn types
[[ " $REPLY " == *" x-kde-passwordManagerHint "* ]] || e2e_fail "the copy is not marked as a secret: $REPLY"
gn window "A browser"
e2e_wait "the other window to take the keyboard" gn_has_keyboard "A browser"
gn_clipboard_is "star gate" || e2e_fail "the copy cannot be pasted into the other window: '$REPLY'"

echo "-- 35 s after the copy, it cannot be pasted any more"
[ $((copied + 35 - SECONDS)) -le 0 ] || sleep $((copied + 35 - SECONDS))
gn_clipboard_is "" || e2e_fail "35 s after the copy the clipboard holds '$REPLY'"

echo "-- back in the program, the clipboard is emptied for good; closing leaves it empty"
gn close-window
gn_wait_keyboard
gn_close
sleep 1
gn_clipboard_is "" || e2e_fail "after closing, the clipboard holds '$REPLY'"

echo "-- copied, then closed: the clipboard is empty"
gn_log_in_and_copy
gn_close
sleep 1
gn_clipboard_is "" || e2e_fail "after closing, the clipboard holds '$REPLY'"

echo "-- three wrong passwords: the hint box is a fixed dialog of the main window, centred over it"
gn_start "$program"
gn type w; gn key Return Return Return   # three wrong passwords
e2e_wait "the hint box" gn_has_window "Password Entry"
# "parent title|minimisable or maximisable|box x,y,w,h|main x,y,w,h", from the shell's windows.
windows="global.get_window_actors().map(a => a.meta_window)"
box="$windows.find(w => w.get_title() === 'Password Entry')"
main="$windows.find(w => /Dravesse/.test(w.get_title()))"
rect="r => [r.x, r.y, r.width, r.height].join(',')"
parent="($box.get_transient_for() || {get_title: () => 'none'}).get_title()"
gn eval "[$parent, $box.can_maximize() || $box.can_minimize(), ($rect)($box.get_frame_rect()), ($rect)($main.get_frame_rect())].join('|')"
echo "   hint box: $REPLY"
[[ "$REPLY" =~ ^\".*Dravesse.*\|false\|([-0-9]+),([-0-9]+),([0-9]+),([0-9]+)\|([-0-9]+),([-0-9]+),([0-9]+),([0-9]+)\"$ ]] ||
    e2e_fail "the hint box is not a fixed transient of the main window: $REPLY"
read -r bx by bw bh mx my mw mh <<<"${BASH_REMATCH[*]:1}"
# Centred across the main window (mutter, attaching it, leaves out Qt's 3 px side border), and
# lying on it from top to bottom.
[ $(((2 * bx + bw) - (2 * mx + mw))) -ge -8 ] && [ $(((2 * bx + bw) - (2 * mx + mw))) -le 8 ] &&
    [ "$by" -ge "$my" ] && [ $((by + bh)) -le $((my + mh)) ] ||
    e2e_fail "the hint box ($bx,$by ${bw}x$bh) does not lie centred over the main window ($mx,$my ${mw}x$mh)"
# Attached: it goes where its window goes.
gn eval "$main.move_frame(true, $((mx + 40)), $((my + 20))); 1"
e2e_wait "the hint box to move with the main window" \
    gn_eval_ok "($rect)($box.get_frame_rect()) === '$((bx + 40)),$((by + 20)),$bw,$bh' ? 1 : null.x"
# Qt's own title bar shows minimise and maximise on every window; what they ask of the shell,
# the shell asks here: the box stays as it is.
gn eval "$box.minimize(); $box.maximize(imports.gi.Meta.MaximizeFlags.BOTH); 1"
e2e_wait "the hint box to be neither minimised nor maximised" \
    gn_eval_ok "$box.minimized || $box.get_maximized() ? null.x : 1"
gn key Return
e2e_wait "the hint box to close" gn_no_window "Password Entry"
gn_wait_keyboard
gn_close

echo "-- copied, then another program's text: closing leaves it there"
gn_log_in_and_copy
gn own "a link"
gn_wait_clipboard "a link"
gn_close
sleep 1
gn_clipboard_is "a link" || e2e_fail "after closing, the clipboard holds '$REPLY', not the other program's text"
echo "PASS"
