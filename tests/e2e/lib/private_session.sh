# A session of the test's own, for every program an end-to-end test starts: a private home,
# runtime folder and session bus, and nothing of the person's desktop in the environment, so that
# no test reaches or leaves anything on their display, clipboard, bus or home. Starting an X
# server or a compositor is the caller's part. Sourced by x_session.sh; e2e_begin calls it.

# Leaves the person's session: their display and compositor, session and accessibility buses,
# session manager, desktop settings and input method; then makes the test's own.
e2e_private_session() {
    unset DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS \
        SESSION_MANAGER SWAYSOCK I3SOCK XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME \
        XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP XDG_SESSION_TYPE DESKTOP_SESSION \
        QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_IM_MODULE GTK_IM_MODULE XMODIFIERS IBUS_ADDRESS
    export HOME="$E2E_TMP/home" XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -m 700 "$HOME" "$XDG_RUNTIME_DIR"
    # A session bus with no services to start on demand: nothing runs behind the test's back, and
    # with an address set, libdbus never launches a bus of its own (dbus-launch writes ~/.dbus).
    local bus="$XDG_RUNTIME_DIR/bus"
    cat >"$E2E_TMP/bus.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:path=$bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$E2E_TMP/bus.conf" --nofork --nopidfile >"$E2E_TMP/bus.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait "the session bus" test -S "$bus"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus"
}
