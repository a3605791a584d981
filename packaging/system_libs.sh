# The short list of libraries the self-contained program folder (scripts/bundle) takes from the
# machine; it carries every other library its executable and plugins link. Each entry is either
# part of the system itself or must match the machine's display server and graphics hardware:
#   - glibc and its loader, libstdc++ and libgcc_s: the C and C++ runtime every program on the
#     machine uses; a carried glibc would not fit the machine's loader.
#   - libX11, libX11-xcb, libxcb (the core library only), libXext and libXrender: the X client
#     libraries every X11 desktop runs on. The xcb helpers (icccm, image, keysyms, render-util,
#     xkb, xkbcommon-x11, ...) are not among them: desktops without a Qt program lack them.
#   - libGL, libEGL, libGLX, libOpenGL and libGLdispatch: the OpenGL dispatch libraries, and the
#     drivers they open for the machine's graphics hardware (libEGL_mesa, libGLX_mesa, the *_dri.so
#     modules, libgbm, libdrm); a carried copy would not fit the machine's hardware and kernel.
#   - fontconfig and freetype: they read the machine's font configuration and fonts.
#   - libwayland-client, -cursor and -egl, and libxkbcommon: the Wayland client libraries, which
#     speak the protocol of the machine's compositor and read its keyboard layouts.
#   - every library those link (libXau, libXdmcp, expat, libpng, zlib, libffi, ...): the
#     machine has them wherever it has the above, and a process holds one copy of a library, so a
#     carried one would also stand in for the machine's under its own display libraries.
# tests/bundle/isolated.sh runs the folder in a bare Debian 12 root that has just these.
system_libs_packages=(libx11-6 libx11-xcb1 libxcb1 libxext6 libxrender1 libfontconfig1 libfreetype6
    libgl1 libegl1 libglx0 libopengl0 libwayland-client0 libwayland-cursor0 libwayland-egl1
    libxkbcommon0)

# Reads "name path" lines, one per library as ldd resolves it, and prints the names of those the
# machine provides.
system_libs() {
    local needed display runtime
    needed="$(cat)"
    display='^lib(X11|X11-xcb|xcb|Xext|Xrender|GL|EGL|GLX|OpenGL|GLdispatch|fontconfig|freetype'
    display+='|wayland-client|wayland-cursor|wayland-egl|xkbcommon)[.]so[.]'
    display+='|^lib(GLX_|EGL_)[^.]*[.]so[.]|^lib(glapi|gbm|drm)[.]so[.]|_dri[.]so$'
    runtime='^(ld-linux.*|lib(c|m|dl|pthread|rt|resolv|util|stdc[+][+]|gcc_s)[.]so[.].*)$'
    {
        awk -v re="$runtime" '$1 ~ re {print $1, "=>"}' <<<"$needed"
        awk -v re="$display" '$1 ~ re {print $1, "=>"}' <<<"$needed"
        awk -v re="$display" '$1 ~ re {print $2}' <<<"$needed" | xargs -r ldd
    } | awk '$2 == "=>" {print $1}' | sort -u
}
