// Puts the shell in its unsafe mode, in which it answers org.gnome.Shell.Eval: the tests read
// the windows' frames there, which its introspection interface does not give.
function init() {
    return {
        enable() { global.context.unsafe_mode = true; },
        disable() { global.context.unsafe_mode = false; },
    };
}
