# Helpers for end-to-end tests on a Wayland compositor: sway on its headless backend. Source it
# after x_session.sh; call wl_begin after e2e_begin.
# Keys reach the program through the virtual keyboard protocol (wtype), never through a pointer the
# compositor has to learn about, and sway tells which window holds the keyboard, so nothing is
# typed before the program's window has it. wl-paste reads the clipboard through the data-control
# protocol, without taking the focus.

# Starts sway and exports WAYLAND_DISPLAY and SWAYSOCK; its runtime folder is WL_RUNTIME.
wl_begin() {
    # sway refuses to run as root, so it runs as nobody, with a runtime folder of its own; the
    # test's clients name its sockets by their full paths.
    local as_nobody=()
    WL_RUNTIME="$E2E_TMP/sway-runtime"
    mkdir -m 700 "$WL_RUNTIME"
    if [ "$(id -u)" -eq 0 ]; then
        as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
        chown nobody:nogroup "$WL_RUNTIME"
        chmod 711 "$E2E_TMP"
    fi
    printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x1024\n' >"$E2E_TMP/sway.conf"
    env -u DISPLAY XDG_RUNTIME_DIR="$WL_RUNTIME" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_RENDERER=pixman "${as_nobody[@]}" sway -c "$E2E_TMP/sway.conf" >"$E2E_TMP/sway.log" 2>&1 &
    sway_pid=$!
    E2E_PIDS+=($sway_pid)
    sway_ready() {
        e2e_not_running "$sway_pid" && return 0   # reported below
        SWAYSOCK=$(compgen -G "$WL_RUNTIME/sway-ipc.*.sock" | head -n 1) &&
            [ -S "$WL_RUNTIME/wayland-1" ] && swaymsg -s "$SWAYSOCK" -t get_version >/dev/null
    }
    e2e_wait "sway" sway_ready
    sway_ready && ! e2e_not_running "$sway_pid" || { tail -n 20 "$E2E_TMP/sway.log" >&2; e2e_fail "sway did not start"; }
    export SWAYSOCK WAYLAND_DISPLAY="$WL_RUNTIME/wayland-1"
}

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
# Asks the program's windows to close, as their close button does.
wl_close() { swaymsg "[pid=$E2E_APP] kill" >/dev/null; }
