# Which of the program's libraries every Debian 12 desktop provides, so that the self-contained
# program folder (scripts/bundle) does not carry them:
#   - the C and C++ runtime: glibc, libstdc++, libgcc_s;
#   - the X11, xcb, xkbcommon, Wayland, fontconfig, freetype and OpenGL/EGL/GLX client
#     libraries, and every library they link;
#   - every library apt-get links (no Debian system is without it).
# Everything else that ldd finds goes into the folder.

# Reads "name path" lines, one per library as ldd resolves it, and prints the names of those the
# system provides.
system_libs() {
    local needed display runtime
    needed="$(cat)"
    display='^lib(X|xcb|xkbcommon|SM[.]|ICE[.]|wayland-|fontconfig[.]|freetype[.]|GL|EGL[.]|OpenGL[.]|drm[.]|gbm[.])'
    runtime='^(ld-linux|lib(c|m|dl|pthread|rt|resolv|util|stdc[+][+]|gcc_s)[.]so)'
    {
        awk -v re="$runtime|$display" '$1 ~ re {print $1, "=>"}' <<<"$needed"
        awk -v re="$display" '$1 ~ re {print $2}' <<<"$needed" | xargs -r ldd
        ldd "$(command -v apt-get)"
    } | awk '$2 == "=>" {print $1}' | sort -u
}
